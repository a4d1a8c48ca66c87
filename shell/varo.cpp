#include "shell/varo.h"

#include "shell/settings.h"
#include "shell/splash.h"

#include <QCommandLineParser>
#include <QDir>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QTranslator>

#include <cstdio>

QIcon ApplicationIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/varo-%1.png").arg(size), QSize(size, size));
    return icon;
}

namespace {

// /Embedding and /Automation, the switches of the Windows design: any letter case, after '/'
// or '-'. QCommandLineParser knows neither the '/' nor a case-blind name, so they are taken
// out before it parses the rest.
bool IsSplashSwitch(const QString& argument)
{
    QString name = argument;
    while (name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('-')))
        name.remove(0, 1);
    return name != argument && (name.compare(QLatin1String("embedding"), Qt::CaseInsensitive) == 0 ||
                                name.compare(QLatin1String("automation"), Qt::CaseInsensitive) == 0);
}

}  // namespace

CommandLineTag ParseCommandLine(const QStringList& arguments)
{
    CommandLineTag result;
    QStringList rest{QStringLiteral("varo")};
    for (const QString& argument : arguments) {
        if (IsSplashSwitch(argument))
            result.showSplash = false;
        else
            rest.append(argument);
    }
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption data(QStringLiteral("data"), QString(), QStringLiteral("DIR"));
    parser.addOption(help);
    parser.addOption(data);
    // Options the program does not know are ignored, as the framework of the Windows design
    // ignores switches it does not know; with them taken aside, a failed parse is a --data
    // without its folder.
    if (!parser.parse(rest) && parser.unknownOptionNames().isEmpty()) {
        result.error = QStringLiteral("--data needs a folder");
        return result;
    }
    result.help = parser.isSet(help);
    if (parser.isSet(data)) {
        const QStringList folders = parser.values(data);
        if (folders.isEmpty() || folders.last().isEmpty()) {
            result.error = QStringLiteral("--data needs a folder");
            return result;
        }
        result.dataFolder = folders.last();
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
        QDialog::keyPressEvent(event);  // Esc rejects
}

bool InstallQtTranslations(QCoreApplication& application, const QLocale& locale)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(&application);
    // The program speaks Japanese: where Qt has no translation for the user's language, its
    // dialogs speak Japanese with it rather than English.
    if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder) ||
        translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                         folder)) {
        application.installTranslator(translator);
        return true;
    }
    delete translator;
    return false;
}

CVaroApp::CVaroApp(int& argc, char** argv) : QApplication(argc, argv)
{
    connect(&m_quitSignals, &CQuitSignals::quitRequested, this, &CVaroApp::OnQuitSignal);
}

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
    InstallQtTranslations(*this);
    setOrganizationName(varo::shell::kSettingsKey);
    setApplicationName(varo::shell::kApplicationTitle);
    setWindowIcon(ApplicationIcon());
    m_document = std::make_unique<CVaroDoc>();

    FrameFoldersTag folders;
    if (!m_commandLine.dataFolder.isEmpty())
        folders.panel.data = QDir(m_commandLine.dataFolder).absolutePath().toStdU16String();
    m_frame = std::make_unique<CMainFrame>(folders);
    m_frame->OnInitialUpdate();
    m_frame->RestoreState();
    m_frame->show();
    m_frame->repaint();
    return true;
}

int CVaroApp::Run()
{
    if (QuitSignal() != 0)
        return 0;
    return exec();
}

// Every event loop ends, those of open dialogs and message boxes included, and no new one
// starts; the shutdown after the loop then takes the window down as a close does.
void CVaroApp::OnQuitSignal()
{
    exit(0);
}

void CVaroApp::ExitInstance()
{
    m_frame.reset();
    m_document.reset();
}
