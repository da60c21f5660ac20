// What the benchmarks read of their own process and of the machine.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <fstream>

namespace bench_support {

// The process's resident memory.
inline double ResidentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// CPU time of every thread of the process so far, user and system.
inline double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The machine's one-minute load average.
inline double LoadAverage() {
    std::ifstream loadavg("/proc/loadavg");
    double load = 0;
    loadavg >> load;
    return load;
}

}  // namespace bench_support
