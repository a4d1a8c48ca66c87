#pragma once
// What becomes of a build that a signal stops. SIGTERM, SIGHUP and SIGINT (Ctrl-C) remove the
// build's staging folder before the process ends as the signal asks, so that an interrupted
// build leaves nothing behind. Once the switch into the target has begun, a signal no longer
// stops the build: the switch runs to its end (all new files in place, or the old ones put back)
// and the build reports as it would have.
//
// The handler runs only system calls that are safe in a signal handler; the staging folder it
// removes holds files only, as long as no switch is running.

#include <string>

namespace varo::build {

class BuildInterruption {
public:
    /// Installs the handlers for SIGTERM, SIGHUP and SIGINT (the program does, once).
    static void InstallHandlers();

    /// From now on a signal removes this folder, says so, and ends the process.
    static void Arm(const std::string& stagingFolder, const std::string& target);
    /// From now on a signal is only noted: the switch into the target has begun.
    static void Commit();
    /// Back to the start: a signal ends the process as if there were no handler.
    static void Disarm();

    /// Whether a signal came while the build was committed.
    static bool SignalDeferred();
};

}  // namespace varo::build
