// The splash screen over the main window. The program's own application object runs these
// tests, since its event filter is what closes the splash.
#include "panel/leftform.h"
#include "shell/shockwaveflash.h"
#include "shell/splash.h"
#include "shell/varo.h"
#include "tests/shell/shellfixture.h"

#include <QFile>
#include <QLabel>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

using varo::test::OpenFrame;
using varo::test::TempDir;
using varo::test::ToQString;

namespace {

// A program folder holding the animation the build made.
void CopyMovie(const TempDir& program)
{
    const QString target = ToQString(program.Path() / "main.swf");
    if (!QFile::copy(QStringLiteral(VARO_MAIN_SWF), target))
        qFatal("cannot copy %s", VARO_MAIN_SWF);
}

QTabBar* Tabs(CMainFrame& frame)
{
    return frame.LeftForm()->findChild<QTabWidget*>(varo::shell::IdName(IDC_TABS))->tabBar();
}

}  // namespace

class SplashTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        varo::test::WriteShellCollection(m_data.Path());
        CopyMovie(m_program);
    }

    void init() { CSplashWnd::SetSplashAllowed(true); }

    void cleanup()
    {
        if (CSplashWnd* splash = CSplashWnd::Current())
            splash->CloseSplash();
        QTRY_VERIFY(CSplashWnd::Current() == nullptr);
        CSplashWnd::SetCloseInterval(std::chrono::seconds(50));
        CSplashWnd::SetSplashAllowed(false);
    }

    void startUp_coversTheScreenWithTheMovieAboveTheWindow()
    {
        auto frame = OpenFrame(m_data.Path(), m_program.Path());
        CSplashWnd* splash = CSplashWnd::Current();
        QVERIFY(splash != nullptr);
        QVERIFY(splash->isVisible());
        QVERIFY(splash->isWindow());
        QCOMPARE(splash->parentWidget(), frame.get());
        QCOMPARE(splash->geometry(), splash->screen()->geometry());
        CShockwaveFlash* flash = splash->Flash();
        QCOMPARE(flash->objectName(), QStringLiteral("Flash"));
        QCOMPARE(flash->geometry(), splash->rect());
        QVERIFY(flash->HasMovie());
        QVERIFY(flash->IsPlaying());
        // The window behind was built all the same.
        QCOMPARE(frame->LeftForm()->ContentsTree()->topLevelItemCount(), 2);

        // A second opening in the same run changes nothing.
        CSplashWnd::OpenSplash(frame.get(), ToQString(m_program.Path()));
        QCOMPARE(CSplashWnd::Current(), splash);
    }

    void anyPress_closesTheSplashAndGoesNoFurther_data()
    {
        QTest::addColumn<QString>("input");
        QTest::newRow("a character into the keyword field") << "type";
        QTest::newRow("a command key (F6, the other pane)") << "F6";
        QTest::newRow("left click on a tab") << "left";
        QTest::newRow("right click on a tab") << "right";
        QTest::newRow("middle click on a tab") << "middle";
    }

    void anyPress_closesTheSplashAndGoesNoFurther()
    {
        QFETCH(QString, input);
        auto frame = OpenFrame(m_data.Path(), m_program.Path());
        QTabBar* tabs = Tabs(*frame);
        QLineEdit* field = frame->LeftForm()->QueryInput()->Field();
        auto press = [&] {
            if (input == QLatin1String("type"))
                varo::test::TypeText(field, QStringLiteral("詩"));
            else if (input == QLatin1String("F6"))
                QTest::keyClick(frame.get(), Qt::Key_F6);
            else
                QTest::mouseClick(tabs,
                                  input == QLatin1String("left")    ? Qt::LeftButton
                                  : input == QLatin1String("right") ? Qt::RightButton
                                                                    : Qt::MiddleButton,
                                  {}, tabs->tabRect(1).center());
        };
        QVERIFY(CSplashWnd::Current() != nullptr);
        press();
        QTRY_VERIFY(CSplashWnd::Current() == nullptr);
        QCOMPARE(field->text(), QString());
        QCOMPARE(frame->ActivePane(), CMainFrame::Pane::LeftForm);
        QCOMPARE(tabs->currentIndex(), kContentsTab);

        // With the splash gone the same input does what it always does.
        press();
        if (input == QLatin1String("type"))
            QCOMPARE(field->text(), QStringLiteral("詩"));
        else if (input == QLatin1String("F6"))
            QCOMPARE(frame->ActivePane(), CMainFrame::Pane::View);
        else if (input == QLatin1String("left"))
            QCOMPARE(tabs->currentIndex(), kSearchTab);
    }

    void withoutInput_theSplashClosesByItself()
    {
        CSplashWnd::SetCloseInterval(std::chrono::milliseconds(300));
        auto frame = OpenFrame(m_data.Path(), m_program.Path());
        QVERIFY(CSplashWnd::Current() != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(CSplashWnd::Current() == nullptr, 5000);
        QVERIFY(frame->isVisible());
    }

    // The animation plays once (about five seconds) and the splash goes with its end, long
    // before the fallback interval; its foot says how to close it sooner.
    void animationPlayedOnce_closesTheSplash()
    {
        auto frame = OpenFrame(m_data.Path(), m_program.Path());
        CSplashWnd* splash = CSplashWnd::Current();
        QVERIFY(splash != nullptr);
        auto* hint = splash->findChild<QLabel*>(QStringLiteral("CloseHint"));
        QVERIFY(hint != nullptr && hint->isVisible());
        QCOMPARE(hint->text(), QStringLiteral("クリックするか、どれかのキーを押すと閉じます。"));
        QTRY_VERIFY_WITH_TIMEOUT(CSplashWnd::Current() == nullptr, 20000);
    }

    void commandLineSwitch_suppressesTheSplash_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("shown");
        QTest::newRow("no switch") << QStringList() << true;
        QTest::newRow("/automation") << QStringList({"/automation"}) << false;
        QTest::newRow("/AUTOMATION") << QStringList({"/AUTOMATION"}) << false;
        QTest::newRow("-Embedding") << QStringList({"-Embedding"}) << false;
    }

    void commandLineSwitch_suppressesTheSplash()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, shown);
        CSplashWnd::SetSplashAllowed(ParseCommandLine(arguments).showSplash);
        auto frame = OpenFrame(m_data.Path(), m_program.Path());
        QCOMPARE(CSplashWnd::Current() != nullptr, shown);
        QVERIFY(frame->isVisible());
    }

    void missingOrUnreadableMovie_showsTheTitleUntilAPress_data()
    {
        QTest::addColumn<QByteArray>("content");  // empty: no file at all
        QTest::newRow("no main.swf") << QByteArray();
        QTest::newRow("main.swf not a movie") << QByteArray("FWS\x09 this is no animation");
    }

    void missingOrUnreadableMovie_showsTheTitleUntilAPress()
    {
        QFETCH(QByteArray, content);
        TempDir program;
        if (!content.isEmpty()) {
            QFile movie(ToQString(program.Path() / "main.swf"));
            QVERIFY(movie.open(QIODevice::WriteOnly));
            movie.write(content);
        }
        auto frame = OpenFrame(m_data.Path(), program.Path());
        CSplashWnd* splash = CSplashWnd::Current();
        QVERIFY(splash != nullptr);
        QVERIFY(!splash->Flash()->HasMovie());
        QVERIFY(!splash->Flash()->grab().isNull());
        QCOMPARE(frame->LeftForm()->ContentsTree()->topLevelItemCount(), 2);
        QTest::keyClick(frame.get(), Qt::Key_Space);
        QTRY_VERIFY(CSplashWnd::Current() == nullptr);
    }

private:
    TempDir m_data;
    TempDir m_program;
};

int main(int argc, char** argv)
{
    CVaroApp application(argc, argv);
    SplashTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "splash_test.moc"
