// Start-up on a system that cannot play animations: the main window comes without a splash.
#include "panel/leftform.h"
#include "shell/shockwaveflash.h"
#include "shell/splash.h"
#include "shell/varo.h"
#include "tests/shell/shellfixture.h"

#include <QFile>
#include <QTest>

class NoPlayerTest : public QObject {
    Q_OBJECT

private slots:
    void startUp_withoutAPlayer_showsTheWindowDirectly()
    {
        if (CShockwaveFlash::IsPlayerAvailable())
            QSKIP("the animation readers were loaded before their folders could be hidden");
        varo::test::TempDir data;
        varo::test::TempDir program;
        varo::test::WriteShellCollection(data.Path());
        QVERIFY(QFile::copy(QStringLiteral(VARO_MAIN_SWF), varo::test::ToQString(program.Path() / "main.swf")));
        CSplashWnd::SetSplashAllowed(true);
        auto frame = varo::test::OpenFrame(data.Path(), program.Path());
        QVERIFY(CSplashWnd::Current() == nullptr);
        QVERIFY(frame->isVisible());
        QCOMPARE(frame->LeftForm()->ContentsTree()->topLevelItemCount(), 2);
    }
};

// The animation readers are plug-ins: with no plug-in folders the program has no player.
int main(int argc, char** argv)
{
    CVaroApp application(argc, argv);
    QCoreApplication::setLibraryPaths({});
    NoPlayerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "noplayer_test.moc"
