#pragma once
// Timing of repeated runs: a warm-up, then runs until enough time has passed, and the medians
// of wall-clock and CPU time (the process's own and its children's).

#include <cstdint>
#include <functional>

namespace varo::peers {

struct RunPolicy {
    int warmups = 2;
    int minRuns = 5;
    int maxRuns = 51;
    double minSeconds = 0.5;  // keep running until both minRuns and minSeconds are reached
    double maxSeconds = 5.0;  // stop after this much time once 3 runs are done
};

struct Timing {
    double wallUs = 0;  // median
    double cpuUs = 0;   // median
    int runs = 0;
};

/// Runs once per warm-up and then as the policy says, a sample being as many runs as take about
/// a millisecond; false as soon as a run returns false.
bool Measure(const std::function<bool()>& run, const RunPolicy& policy, Timing& timing);

/// Peak resident memory of this process and of its largest waited-for child, in KiB.
uint64_t PeakKib();
uint64_t ChildPeakKib();

}  // namespace varo::peers
