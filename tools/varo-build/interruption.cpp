#include "tools/varo-build/interruption.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace varo::build {

namespace {

enum State : int { kIdle, kArmed, kCommitted };

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// Read by the handler: written only while the state is kIdle, so the handler never sees them
// half-written.
std::atomic<int> g_state{kIdle};
std::atomic<bool> g_deferred{false};
char g_folder[PATH_MAX];
char g_message[PATH_MAX + 128];
size_t g_messageLength = 0;

bool IsDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Removes a folder and the files in it with system calls alone (no memory allocation, as a
// signal handler requires). Each pass reads the folder from its start and removes what it
// finds; it ends when a pass removes nothing.
void RemoveFolderOfFiles(const char* path)
{
    const int folder = ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder >= 0) {
        alignas(alignof(struct dirent64)) char buffer[4096];
        for (bool removed = true; removed;) {
            removed = false;
            ::lseek(folder, 0, SEEK_SET);
            for (ssize_t length; (length = ::getdents64(folder, buffer, sizeof buffer)) > 0;) {
                for (ssize_t offset = 0; offset < length;) {
                    const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + offset);
                    offset += entry->d_reclen;
                    if (!IsDotOrDotDot(entry->d_name) && ::unlinkat(folder, entry->d_name, 0) == 0)
                        removed = true;
                }
            }
        }
        ::close(folder);
    }
    ::rmdir(path);
}

extern "C" void OnStopSignal(int signal)
{
    const int savedErrno = errno;
    switch (g_state.load()) {
    case kCommitted:
        g_deferred.store(true);
        errno = savedErrno;
        return;
    case kArmed:
        RemoveFolderOfFiles(g_folder);
        if (::write(STDERR_FILENO, g_message, g_messageLength) < 0) {
            // Nothing more can be said.
        }
        break;
    default: break;
    }
    // End the process the way the signal asks, so that a shell sees how it ended.
    std::signal(signal, SIG_DFL);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, signal);
    ::sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
    std::raise(signal);
    ::_exit(128 + signal);
}

// Copies text into a buffer of the handler; false when it does not fit.
bool CopyInto(char* buffer, size_t size, const std::string& text)
{
    if (text.size() >= size)
        return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

}  // namespace

void BuildInterruption::InstallHandlers()
{
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals)
        sigaddset(&action.sa_mask, signal);  // one handler at a time
    for (int signal : kSignals) {
        struct sigaction previous {};
        // A signal the caller has us ignore (nohup, a background job) stays ignored.
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        ::sigaction(signal, &action, nullptr);
    }
}

void BuildInterruption::Arm(const std::string& stagingFolder, const std::string& target)
{
    g_state.store(kIdle);
    const std::string message = "varo-build: interrupted; nothing was written to " + target + "\n";
    // A folder path too long to keep is left for the next build to remove.
    if (CopyInto(g_folder, sizeof g_folder, stagingFolder) && CopyInto(g_message, sizeof g_message, message)) {
        g_messageLength = message.size();
        g_state.store(kArmed);
    }
}

void BuildInterruption::Commit()
{
    g_state.store(kCommitted);
}

void BuildInterruption::Disarm()
{
    g_state.store(kIdle);
}

bool BuildInterruption::SignalDeferred()
{
    return g_deferred.load();
}

}  // namespace varo::build
