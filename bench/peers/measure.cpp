#include "bench/peers/measure.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace varo::peers {

namespace {

double CpuSeconds()
{
    double seconds = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        seconds += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    }
    return seconds;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

bool Measure(const std::function<bool()>& run, const RunPolicy& policy, Timing& timing)
{
    using Clock = std::chrono::steady_clock;
    // A sample of a fast query repeats it enough times to last about a millisecond, far above
    // the resolution of the clocks.
    double warmUs = 0;
    for (int i = 0; i < std::max(1, policy.warmups); ++i) {
        const Clock::time_point before = Clock::now();
        if (!run())
            return false;
        warmUs = std::chrono::duration<double, std::micro>(Clock::now() - before).count();
    }
    const int batch = static_cast<int>(std::clamp(1000.0 / std::max(warmUs, 0.01), 1.0, 10000.0));
    std::vector<double> walls;
    std::vector<double> cpus;
    const Clock::time_point start = Clock::now();
    for (;;) {
        const double cpu = CpuSeconds();
        const Clock::time_point before = Clock::now();
        for (int i = 0; i < batch; ++i)
            if (!run())
                return false;
        walls.push_back(std::chrono::duration<double, std::micro>(Clock::now() - before).count() / batch);
        cpus.push_back((CpuSeconds() - cpu) * 1e6 / batch);
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const int n = static_cast<int>(walls.size());
        if (n >= policy.maxRuns || (n >= policy.minRuns && elapsed >= policy.minSeconds) ||
            (n >= 3 && elapsed >= policy.maxSeconds))
            break;
    }
    timing = {Median(walls), Median(cpus), static_cast<int>(walls.size())};
    return true;
}

uint64_t PeakKib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<uint64_t>(usage.ru_maxrss);
}

uint64_t ChildPeakKib()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<uint64_t>(usage.ru_maxrss);
}

}  // namespace varo::peers
