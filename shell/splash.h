#pragma once
// The splash screen: a window over the whole screen, owned by the main window and above it,
// that plays the animation main.swf from the program's folder while the main window is built.
// The first key or mouse-button press anywhere in the program closes it and goes no further,
// as a line at its foot says; without one it closes by itself once the animation has played
// through, or after 50 seconds when there is no animation to play. There is at most one per run, and none when
// the command line asks for none.

#include <QPointer>
#include <QWidget>

#include <chrono>

class CShockwaveFlash;

/// The animation's file name in the program's folder.
inline const QString kSplashMovieName = QStringLiteral("main.swf");
/// The line at the splash's foot.
inline const QString kSplashCloseHint = QStringLiteral("クリックするか、どれかのキーを押すと閉じます。");

class CSplashWnd : public QWidget {
    Q_OBJECT
public:
    ~CSplashWnd() override;

    /// Whether this run may show the splash; set once at start-up, before the main window.
    static void SetSplashAllowed(bool allowed);
    /// Opens the splash, owned by owner, playing main.swf from programFolder (empty: the
    /// executable's folder). Nothing happens when it is not allowed or already open; a splash
    /// that cannot be made (no player) is simply not shown.
    static void OpenSplash(QWidget* owner, const QString& programFolder = {});
    /// The application's filter, given every event before it is delivered: while the splash is
    /// open, a key press or a press of the left, right or middle mouse button closes it, and
    /// true says the event is consumed. A key's shortcut check is refused too, so that the key
    /// reaches the filter as a press instead of running a command.
    static bool FilterAppMessage(QObject* receiver, QEvent* event);
    /// The open splash, or none.
    static CSplashWnd* Current() { return s_splash; }
    /// How long the splash stays without input; 50 seconds unless changed (tests shorten it).
    static void SetCloseInterval(std::chrono::milliseconds interval) { s_closeInterval = interval; }

    /// Stops the movie, closes the window (the object goes when control returns to the event
    /// loop) and repaints the main window.
    void CloseSplash();

    CShockwaveFlash* Flash() const { return m_pFlash; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    explicit CSplashWnd(QWidget* owner);
    bool Create(const QString& programFolder);
    void ShowCloseHint();

    CShockwaveFlash* m_pFlash = nullptr;
    QRect m_rect;
    QPointer<QWidget> m_owner;
    int m_timerId = 0;

    static bool s_splashAllowed;
    static CSplashWnd* s_splash;
    static std::chrono::milliseconds s_closeInterval;
};
