#include "shell/splash.h"

#include "shell/shockwaveflash.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTimerEvent>

bool CSplashWnd::s_splashAllowed = false;
CSplashWnd* CSplashWnd::s_splash = nullptr;
std::chrono::milliseconds CSplashWnd::s_closeInterval = std::chrono::seconds(50);

namespace {

constexpr int kFlashControlId = 104;

bool IsClosingPress(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonDblClick: {
        const Qt::MouseButton button = static_cast<const QMouseEvent*>(event)->button();
        return button == Qt::LeftButton || button == Qt::RightButton || button == Qt::MiddleButton;
    }
    default: return false;
    }
}

}  // namespace

CSplashWnd::CSplashWnd(QWidget* owner) : QWidget(owner, Qt::Window | Qt::FramelessWindowHint), m_owner(owner)
{
    setObjectName(QStringLiteral("CSplashWnd"));
    setAttribute(Qt::WA_DeleteOnClose);
    setCursor(Qt::ArrowCursor);
}

CSplashWnd::~CSplashWnd()
{
    if (s_splash == this)
        s_splash = nullptr;
}

void CSplashWnd::SetSplashAllowed(bool allowed)
{
    s_splashAllowed = allowed;
}

void CSplashWnd::OpenSplash(QWidget* owner, const QString& programFolder)
{
    if (!s_splashAllowed || s_splash != nullptr)
        return;
    s_splash = new CSplashWnd(owner);
    if (!s_splash->Create(programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder)) {
        delete s_splash;  // its destructor forgets it
        return;
    }
    s_splash->showFullScreen();
    s_splash->repaint();
}

// The window covers the screen; the player covers the window.
bool CSplashWnd::Create(const QString& programFolder)
{
    const QScreen* screen =
        m_owner != nullptr && m_owner->screen() != nullptr ? m_owner->screen() : QGuiApplication::primaryScreen();
    m_rect = screen != nullptr ? QRect(QPoint(0, 0), screen->geometry().size()) : QRect(0, 0, 800, 600);
    setGeometry(screen != nullptr ? screen->geometry() : m_rect);
    m_timerId = startTimer(s_closeInterval);

    m_pFlash = new CShockwaveFlash;
    if (!m_pFlash->Create(QStringLiteral("Flash"), this, m_rect, kFlashControlId)) {
        delete m_pFlash;
        m_pFlash = nullptr;
        return false;
    }
    m_pFlash->SetMovie(QDir(programFolder).filePath(kSplashMovieName));
    // Once the animation has played through, the splash has shown what it has to show.
    connect(m_pFlash, &CShockwaveFlash::playedOnce, this, &CSplashWnd::CloseSplash);
    m_pFlash->Play();
    ShowCloseHint();
    return true;
}

// A line at the foot of the splash tells how to close it before its time.
void CSplashWnd::ShowCloseHint()
{
    auto* hint = new QLabel(kSplashCloseHint, this);
    hint->setObjectName(QStringLiteral("CloseHint"));
    hint->setAlignment(Qt::AlignCenter);
    hint->setStyleSheet(QStringLiteral("color: white; background: rgba(0, 0, 0, 140); padding: 4px 12px;"));
    hint->adjustSize();
    hint->move((m_rect.width() - hint->width()) / 2, m_rect.height() - hint->height() - 24);
    hint->show();
}

bool CSplashWnd::FilterAppMessage(QObject*, QEvent* event)
{
    if (s_splash == nullptr)
        return false;
    // A key is first offered as a shortcut; taking that offer leaves the key as a plain press,
    // which comes here next and closes the splash.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (!IsClosingPress(event))
        return false;
    s_splash->CloseSplash();
    return true;
}

void CSplashWnd::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timerId)
        CloseSplash();
}

// The event that closes the splash may be on its way to the splash window itself, so the
// object is deleted later, but from now on the program has no splash.
void CSplashWnd::CloseSplash()
{
    if (s_splash == this)
        s_splash = nullptr;
    if (m_timerId != 0) {
        killTimer(m_timerId);
        m_timerId = 0;
    }
    if (m_pFlash != nullptr)
        m_pFlash->Stop();
    hide();
    deleteLater();
    if (m_owner != nullptr && m_owner->isVisible())
        m_owner->repaint();
}
