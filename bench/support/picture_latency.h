// Latency of pictures from their arrival at the RTSP source (RtpArrivalTap) to wherever a benchmark
// sees them come out (decoded, presented), beyond each picture's own decode time; reported as median
// and 90th percentile benchmark counters.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bench_support {

using LatencyClock = std::chrono::steady_clock;

struct PictureLatencies {
    std::vector<double> total;         // arrival to coming out, in milliseconds
    std::vector<double> decode;        // the picture's decode time
    std::vector<double> beyondDecode;  // total less decode
};

// The time one thread of FFmpeg's H.264 decoder takes for each picture of an Annex B stream, in
// milliseconds, in output order.
std::vector<double> DecodeTimes(const std::vector<uint8_t>& stream);

// Pairs the i-th arrival with the i-th picture out and the i-th decode time, from picture `skipped`
// on, as far as all three go. Pictures must come out in order, one for one: none dropped.
PictureLatencies PairPictures(const std::vector<LatencyClock::time_point>& arrivals,
                              const std::vector<LatencyClock::time_point>& out, const std::vector<double>& decodeMs,
                              size_t skipped);

// Appends one run's latencies to those gathered so far.
void Append(PictureLatencies& to, const PictureLatencies& run);

// The value below which the given fraction of the samples lie (nearest rank); 0 without samples.
double Percentile(std::vector<double> samples, double fraction);

// Sets "<name>_median_ms" and "<name>_p90_ms" for "arrival_to_<outName>", "decode" and
// "beyond_decode", and "pictures".
void Report(benchmark::State& state, const std::string& outName, const PictureLatencies& latencies);

}  // namespace bench_support
