// The desktop program run as a child process and ended by a signal, as the session ends it at
// log-out (SIGTERM), a terminal that goes away (SIGHUP) or Ctrl+C (SIGINT): it cleans up as on
// a normal quit, so its private folder of page files is gone and the splitter layout is saved.
#include "tests/shell/shellfixture.h"

#include <QDir>
#include <QProcess>
#include <QTest>

#include <csignal>

using varo::test::TempDir;
using varo::test::ToQString;

namespace {

namespace fs = std::filesystem;

// The private folders of page files the program made in the temporary folder.
QStringList PrivateFolders(const fs::path& temporary)
{
    return QDir(ToQString(temporary)).entryList({QStringLiteral("varo-*")}, QDir::Dirs | QDir::Hidden);
}

// Every file under folder, for the settings the program saved.
QStringList FilesUnder(const fs::path& folder)
{
    QStringList files;
    if (!fs::exists(folder))
        return files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            files << ToQString(entry.path().filename());
    }
    return files;
}

}  // namespace

class QuitSignalTest : public QObject {
    Q_OBJECT

private slots:
    void signal_endsTheProgramAsAQuitDoes_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("withCatalogue");  // without it a message box is open at start
        QTest::newRow("SIGTERM") << int{SIGTERM} << true;
        QTest::newRow("SIGHUP") << int{SIGHUP} << true;
        QTest::newRow("SIGINT") << int{SIGINT} << true;
        QTest::newRow("SIGTERM under a message box") << int{SIGTERM} << false;
    }

    void signal_endsTheProgramAsAQuitDoes()
    {
        QFETCH(int, signal);
        QFETCH(bool, withCatalogue);
        TempDir dir;
        const fs::path data = dir.Path() / "data";
        const fs::path temporary = dir.Path() / "tmp";
        const fs::path settings = dir.Path() / "config";
        for (const fs::path& folder : {data, temporary, settings, dir.Path() / "work"})
            fs::create_directories(folder);
        varo::test::WriteShellCollection(data);
        if (!withCatalogue)
            fs::remove(data / "zlq.dir");

        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("TMPDIR"), ToQString(temporary));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), ToQString(settings));
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(ToQString(dir.Path() / "work"));
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(VARO_PROGRAM),
                      {QStringLiteral("--data"), ToQString(data), QStringLiteral("/Embedding")});
        QVERIFY(program.waitForStarted());
        // The folder is made while the window is built, after the signals are caught.
        QVERIFY(QTest::qWaitFor([&] { return !PrivateFolders(temporary).isEmpty(); }, 60000));
        QCOMPARE(FilesUnder(settings), QStringList());

        QCOMPARE(::kill(static_cast<pid_t>(program.processId()), signal), 0);
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(PrivateFolders(temporary), QStringList());
        QVERIFY2(!FilesUnder(settings).isEmpty(), "the splitter layout was not saved");
        // The program ends by the signal, as it would have without cleaning up.
        QCOMPARE(program.exitStatus(), QProcess::CrashExit);
    }
};

QTEST_MAIN(QuitSignalTest)
#include "quitsignal_test.moc"
