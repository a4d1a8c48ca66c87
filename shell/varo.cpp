#include "shell/varo.h"

#include "shell/settings.h"
#include "shell/splash.h"

#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cstdio>

QIcon ApplicationIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/varo-%1.png").arg(size), QSize(size, size));
    return icon;
}

CommandLineTag ParseCommandLine(const QStringList& arguments)
{
    CommandLineTag result;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            result.help = true;
        } else if (argument == QLatin1String("--data")) {
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) {
                result.error = QStringLiteral("--data needs a folder");
                return result;
            }
            result.dataFolder = arguments[++i];
        } else if (argument.startsWith(QLatin1String("--data="))) {
            result.dataFolder = argument.mid(7);
            if (result.dataFolder.isEmpty()) {
                result.error = QStringLiteral("--data needs a folder");
                return result;
            }
        } else {
            // The switches of the Windows design, in any letter case, after '/' or '-'.
            QString name = argument;
            while (name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('-')))
                name.remove(0, 1);
            if (name != argument && (name.compare(QLatin1String("embedding"), Qt::CaseInsensitive) == 0 ||
                                     name.compare(QLatin1String("automation"), Qt::CaseInsensitive) == 0))
                result.showSplash = false;
        }
    }
    return result;
}

QString UsageText()
{
    return QStringLiteral(
        "Usage: varo [--data DIR] [/Embedding | /Automation]\n"
        "Reads and searches a collection: zlq.dir, the text set \"Index\" and yitizi.txt.\n"
        "\n"
        "  --data DIR    the collection's folder (default: the folder of the program)\n"
        "  /Embedding, /Automation\n"
        "                start without the splash screen\n"
        "  --help        show this text\n");
}

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_picture(QStringLiteral(":/about.png"))
{
    setObjectName(QStringLiteral("165"));
    setFixedSize(500, 350);
}

void CAboutDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), m_picture);
}

void CAboutDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        accept();
    else
        QDialog::mouseReleaseEvent(event);
}

void CAboutDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        accept();
    else
        QDialog::keyPressEvent(event);   // Esc rejects
}

CVaroApp::CVaroApp(int& argc, char** argv) : QApplication(argc, argv) {}

CVaroApp::~CVaroApp()
{
    ExitInstance();
}

bool CVaroApp::notify(QObject* receiver, QEvent* event)
{
    if (CSplashWnd::FilterAppMessage(receiver, event))
        return true;
    return QApplication::notify(receiver, event);
}

bool CVaroApp::InitInstance()
{
    m_commandLine = ParseCommandLine(arguments().mid(1));
    if (!m_commandLine.error.isEmpty()) {
        std::fprintf(stderr, "varo: %s\n\n%s", qPrintable(m_commandLine.error), qPrintable(UsageText()));
        m_exitCode = 64;
        return false;
    }
    if (m_commandLine.help) {
        std::fputs(qPrintable(UsageText()), stdout);
        return false;
    }
    CSplashWnd::SetSplashAllowed(m_commandLine.showSplash);
    setOrganizationName(varo::shell::kSettingsKey);
    setApplicationName(varo::shell::kApplicationTitle);
    setWindowIcon(ApplicationIcon());
    m_document = std::make_unique<CVaroDoc>();

    FrameFoldersTag folders;
    if (!m_commandLine.dataFolder.isEmpty())
        folders.panel.data = QDir(m_commandLine.dataFolder).absolutePath().toStdU16String();
    m_frame = std::make_unique<CMainFrame>(folders);
    m_frame->OnInitialUpdate();
    m_frame->showMaximized();
    m_frame->repaint();
    return true;
}

void CVaroApp::ExitInstance()
{
    m_frame.reset();
    m_document.reset();
}
