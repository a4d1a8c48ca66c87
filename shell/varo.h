#pragma once
// The application: start-up (command line, settings names, document, main window), the About
// box and shutdown.

#include "shell/mainfrm.h"
#include "shell/quitsignals.h"
#include "shell/varodoc.h"

#include <QApplication>
#include <QDialog>
#include <QIcon>
#include <QLocale>
#include <QPixmap>
#include <QStringList>

#include <memory>

/// The application icon: 16, 32 and 48 pixels.
QIcon ApplicationIcon();

/// What the command line asks for.
struct CommandLineTag {
    /// From --data DIR; empty: the executable's folder.
    QString dataFolder;
    /// False when /Embedding or /Automation is given (any letter case, also with '-').
    bool showSplash = true;
    bool help = false;
    /// Why the command line was refused; empty when it was accepted.
    QString error;
};

/// Reads the arguments after the program name. Other arguments (a document file, say) and
/// options the program does not know are accepted and ignored: the document holds nothing.
CommandLineTag ParseCommandLine(const QStringList& arguments);

/// The usage text of --help.
QString UsageText();

/// Installs Qt's own translations (dialogs, buttons, the text fields' menu) for locale, or the
/// Japanese ones where Qt has none for its language; false when neither is installed.
bool InstallQtTranslations(QCoreApplication& application, const QLocale& locale = QLocale::system());

/// The About box: a frameless picture that closes on the release of the left mouse button over
/// it, on Enter and on Esc.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPixmap m_picture;
};

class CVaroApp : public QApplication {
    Q_OBJECT
public:
    CVaroApp(int& argc, char** argv);
    ~CVaroApp() override;

    /// Start-up: reads the command line, names the settings store, creates the document and the
    /// main window and shows it maximised. False ends the program (exitCode says how).
    bool InitInstance();
    /// The message loop, until the main window is closed or a signal asks the program to end;
    /// returns the exit code. A signal may already have come during start-up: then it returns
    /// at once.
    int Run();
    /// Shutdown after the event loop: the main window goes (panel, end.exe, splitter layout).
    void ExitInstance();

    /// Every event of the program passes here first: the splash screen may consume it.
    bool notify(QObject* receiver, QEvent* event) override;

    CMainFrame* MainFrame() const { return m_frame.get(); }
    const CommandLineTag& CommandLine() const { return m_commandLine; }
    int ExitCode() const { return m_exitCode; }
    /// The signal (SIGTERM, SIGHUP, SIGINT) that ended the program; 0 when none did.
    int QuitSignal() const { return m_quitSignals.Received(); }

private:
    void OnQuitSignal();

    CQuitSignals m_quitSignals;
    CommandLineTag m_commandLine;
    std::unique_ptr<CVaroDoc> m_document;
    std::unique_ptr<CMainFrame> m_frame;
    int m_exitCode = 0;
};
