// Median and 90th percentile of a set of latencies, reported as benchmark counters.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

namespace bench_support {

// The value below which the given fraction of the samples lie (nearest rank); 0 without samples.
inline double Percentile(std::vector<double> samples, double fraction)
{
    if (samples.empty()) {
        return 0;
    }
    const size_t rank = static_cast<size_t>(fraction * static_cast<double>(samples.size() - 1) + 0.5);
    std::nth_element(samples.begin(), samples.begin() + static_cast<long>(rank), samples.end());
    return samples[rank];
}

// Sets "<name>_median_ms" and "<name>_p90_ms" from samples in milliseconds.
inline void ReportMilliseconds(benchmark::State& state, const std::string& name, const std::vector<double>& samples)
{
    state.counters[name + "_median_ms"] = Percentile(samples, 0.5);
    state.counters[name + "_p90_ms"] = Percentile(samples, 0.9);
}

}  // namespace bench_support
