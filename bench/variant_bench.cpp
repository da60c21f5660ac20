// Cost of building, copying, assigning and converting script values: every script call and event
// argument goes through them.
#include <string>

#include <benchmark/benchmark.h>

#include "scripting/variant.h"

namespace {

void CopyWordSizedValue(benchmark::State& state) {
    const FB::variant source(42);
    for (auto _ : state) {
        FB::variant copy(source);
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(CopyWordSizedValue);

void CopyStringValue(benchmark::State& state) {
    const FB::variant source(std::string("a text longer than the small-string buffer"));
    for (auto _ : state) {
        FB::variant copy(source);
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(CopyStringValue);

void AssignStringOverString(benchmark::State& state) {
    const FB::variant source(std::string("a text longer than the small-string buffer"));
    FB::variant target(std::string("another text longer than the small-string buffer"));
    for (auto _ : state) {
        target = source;
        benchmark::DoNotOptimize(target);
    }
}
BENCHMARK(AssignStringOverString);

void ConvertIntToInt(benchmark::State& state) {
    const FB::variant source(42);
    for (auto _ : state) benchmark::DoNotOptimize(source.convertTo<int>());
}
BENCHMARK(ConvertIntToInt);

void ConvertDoubleToInt(benchmark::State& state) {
    const FB::variant source(42.5);
    for (auto _ : state) benchmark::DoNotOptimize(source.convertTo<int>());
}
BENCHMARK(ConvertDoubleToInt);

void ConvertTextToInt(benchmark::State& state) {
    const FB::variant source("1234");
    for (auto _ : state) benchmark::DoNotOptimize(source.convertTo<int>());
}
BENCHMARK(ConvertTextToInt);

void CompareValuesOfDifferentTypes(benchmark::State& state) {
    const FB::variant number(5), text("5");
    for (auto _ : state) benchmark::DoNotOptimize(number < text);
}
BENCHMARK(CompareValuesOfDifferentTypes);

}  // namespace
