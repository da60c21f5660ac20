// A pass of our own measured against a reference (FFmpeg doing the same work alone) on a machine
// that other work slows at random: the two run in interleaved rounds, each side for seconds, the
// one first in one round second in the next, and each round gives one ratio of their times per
// picture. The figures are the median of those ratios with its spread, never one side's best run
// against the other's mean.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

namespace bench_support {

// How long one side of a round runs: long enough that a start-up or a moment of another program's
// load weighs little in it.
constexpr std::chrono::duration<double> kSideTime{1.5};
// Rounds in a comparison: enough for the median to stand.
constexpr int kRounds = 9;

// Pictures done and the wall time they took on one side of a round.
struct Side {
    int pictures = 0;
    double seconds = 0;
    double perPicture() const { return pictures > 0 ? seconds / pictures : 0; }
};

// Runs pass () -> pictures again and again for about kSideTime.
template <class Pass>
Side RunForSideTime(Pass pass) {
    const auto start = std::chrono::steady_clock::now();
    Side side;
    do {
        side.pictures += pass();
    } while (std::chrono::steady_clock::now() - start < kSideTime);
    side.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return side;
}

class InterleavedRounds {
public:
    // measured and reference are () -> Side. False, with the benchmark skipped, when a measured
    // side did no picture.
    template <class Measured, class Reference>
    bool Run(benchmark::State& state, Measured measured, Reference reference) {
        for (int round = 0; round < kRounds; ++round) {
            Side ours;
            Side theirs;
            if (round % 2 == 0) {
                theirs = reference();
                ours = measured();
            } else {
                ours = measured();
                theirs = reference();
            }
            if (ours.pictures == 0 || theirs.pictures == 0) {
                state.SkipWithError("a side lost pictures or did not start");
                return false;
            }
            Add(ours, theirs);
        }
        return true;
    }

    // "ratio": the median of the rounds' ratios of the reference's time per picture over ours (1.0
    // is parity, below 1 slower); "ratio_q1", "ratio_q3" their quartiles and "ratio_min",
    // "ratio_max" the extremes; "fps" and "reference_fps" the median pictures per second of each.
    void Report(benchmark::State& state) const;

private:
    void Add(const Side& ours, const Side& theirs);

    std::vector<double> ratios_;
    std::vector<double> rates_;
    std::vector<double> referenceRates_;
};

}  // namespace bench_support
