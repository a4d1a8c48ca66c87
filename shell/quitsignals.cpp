#include "shell/quitsignals.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

#ifdef Q_OS_UNIX

namespace {

constexpr int kQuitSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The pipe between the handler and the event loop: [0] is read, [1] written.
int g_pipe[2] = {-1, -1};

extern "C" void OnQuitSignal(int signal)
{
    const int savedErrno = errno;
    const char number = static_cast<char>(signal);
    // A full pipe already holds a request to quit; losing this one changes nothing.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &number, 1);
    errno = savedErrno;
}

}  // namespace

CQuitSignals::CQuitSignals(QObject* parent) : QObject(parent)
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CQuitSignals::ReadSignals);
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kQuitSignals)
        sigaction(signal, &action, nullptr);
}

CQuitSignals::~CQuitSignals()
{
    if (m_notifier == nullptr)
        return;
    for (const int signal : kQuitSignals)
        std::signal(signal, SIG_DFL);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void CQuitSignals::ReadSignals()
{
    char numbers[16];
    ssize_t count = 0;
    while ((count = ::read(g_pipe[0], numbers, sizeof numbers)) > 0 || (count < 0 && errno == EINTR)) {
        if (count > 0 && m_received == 0)
            m_received = numbers[0];
    }
    if (m_received != 0)
        emit quitRequested();
}

void CQuitSignals::EndBySignal(int signal)
{
    if (signal == 0)
        return;
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

#else

// Elsewhere the platform's own session messages close the main window.
CQuitSignals::CQuitSignals(QObject* parent) : QObject(parent) {}
CQuitSignals::~CQuitSignals() = default;
void CQuitSignals::ReadSignals() {}
void CQuitSignals::EndBySignal(int) {}

#endif
