#include "bench/support/interleaved_rounds.h"

#include <algorithm>

namespace bench_support {
namespace {

// The q-quantile of the values, interpolated between neighbours; 0 for none.
double Quantile(std::vector<double> values, double q) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const double at = q * static_cast<double>(values.size() - 1);
    const size_t below = static_cast<size_t>(at);
    const size_t above = std::min(below + 1, values.size() - 1);
    return values[below] + (values[above] - values[below]) * (at - static_cast<double>(below));
}

}  // namespace

void InterleavedRounds::Add(const Side& ours, const Side& theirs) {
    ratios_.push_back(theirs.perPicture() / ours.perPicture());
    rates_.push_back(1 / ours.perPicture());
    referenceRates_.push_back(1 / theirs.perPicture());
}

void InterleavedRounds::Report(benchmark::State& state) const {
    state.counters["ratio"] = Quantile(ratios_, 0.5);
    state.counters["ratio_q1"] = Quantile(ratios_, 0.25);
    state.counters["ratio_q3"] = Quantile(ratios_, 0.75);
    state.counters["ratio_min"] = Quantile(ratios_, 0);
    state.counters["ratio_max"] = Quantile(ratios_, 1);
    state.counters["fps"] = Quantile(rates_, 0.5);
    state.counters["reference_fps"] = Quantile(referenceRates_, 0.5);
}

}  // namespace bench_support
