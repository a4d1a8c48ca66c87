#pragma once
// Ends the desktop program through its normal shutdown when the session or the user asks it to
// with a signal (SIGTERM at log-out, SIGHUP when its terminal goes, SIGINT for Ctrl+C): the main
// window is taken down as on 終了, so the page files and their private folder are removed and
// the splitter layout is saved. A signal handler may do next to nothing, so it only writes the
// signal's number into a pipe; the event loop reads it and asks the program to quit.

#include <QObject>

class QSocketNotifier;

class CQuitSignals : public QObject {
    Q_OBJECT
public:
    /// Catches the three signals for this object's life; needs the application object. Only
    /// one may exist at a time.
    explicit CQuitSignals(QObject* parent = nullptr);
    ~CQuitSignals() override;
    CQuitSignals(const CQuitSignals&) = delete;
    CQuitSignals& operator=(const CQuitSignals&) = delete;

    /// The signal that asked the program to end; 0 while none has.
    int Received() const { return m_received; }

    /// Ends the process by signal (a number Received gave), as it would have ended without this
    /// object, so that whoever started it sees why it ended. Call it once everything is cleaned
    /// up and this object is gone; returns at once for 0.
    static void EndBySignal(int signal);

signals:
    /// A signal arrived: the program should quit now.
    void quitRequested();

private:
    void ReadSignals();

    QSocketNotifier* m_notifier = nullptr;
    int m_received = 0;
};
