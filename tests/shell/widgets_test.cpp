// The shell's pieces on their own: the text view, the query input, the About box and the
// command line.
#include "shell/htmlctrl.h"
#include "shell/varo.h"
#include "shell/varoview.h"
#include "tests/shell/shellfixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTextFrame>
#include <QTimer>

using varo::test::TempDir;

namespace {

QString WritePage(const TempDir& dir, const QString& name, const QString& html)
{
    const QString path = QString::fromStdString((dir.Path() / name.toStdString()).string());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(html.toUtf8());
    return path;
}

// A page with anchors 0000 .. 0003 far apart.
QString LongPage()
{
    QString body;
    for (int anchor = 0; anchor < 4; ++anchor) {
        body += QStringLiteral("<p><a name=\"%1\"></a>節%2</p>").arg(anchor, 4, 10, QLatin1Char('0')).arg(anchor);
        for (int line = 0; line < 60; ++line)
            body += QStringLiteral("<p>學而時習之</p>");
    }
    return QStringLiteral(
               "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">"
               "<title>T</title></head><body>%1</body></html>")
        .arg(body);
}

// Right-clicks the view and returns the object names of the menu that opened, if any.
QStringList RightClickMenu(CVaroView& view)
{
    QStringList names;
    QTimer::singleShot(50, [&names] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions())
                names << action->objectName() + QLatin1Char('=') + action->text();
            menu->close();
        }
    });
    QTest::mouseClick(view.viewport(), Qt::RightButton);
    QTest::qWait(100);
    return names;
}

}  // namespace

class WidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void textView_rightButtonMenuOnlyOnceAPageShows()
    {
        TempDir dir;
        CVaroView view;
        view.resize(400, 300);
        view.show();
        view.Navigate(CVaroView::kBlank);
        QVERIFY(RightClickMenu(view).isEmpty());
        view.Navigate(WritePage(dir, QStringLiteral("page.html"), LongPage()));
        QCOMPARE(RightClickMenu(view), QStringList({"32771=コピー(&C)", "32772=すべて選択。", "=",
                                                    "copyCitation=引用をコピー", "citationFormat=引用の書式…"}));
    }

    void textView_selectAllThenCopyPutsThePageOnTheClipboard()
    {
        TempDir dir;
        CVaroView view;
        view.Navigate(WritePage(dir, QStringLiteral("page.html"), LongPage()));
        QVERIFY(!view.CanCopy());
        view.SelectAllText();
        QVERIFY(view.CanCopy());
        view.CopySelection();
        const QString copied = QGuiApplication::clipboard()->text();
        QVERIFY(copied.startsWith(QStringLiteral("節0")));
        QVERIFY(copied.contains(QStringLiteral("節3")));
    }

    void textView_navigatesToAnAnchorOrTheTop_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("scrolled");  // far down; otherwise within a line of the top
        QTest::newRow("third anchor") << "#0003" << true;
        QTest::newRow("first anchor") << "#0000" << false;
        QTest::newRow("missing anchor") << "#0099" << false;
        QTest::newRow("no anchor") << "" << false;
    }

    void textView_navigatesToAnAnchorOrTheTop()
    {
        QFETCH(QString, suffix);
        QFETCH(bool, scrolled);
        TempDir dir;
        CVaroView view;
        view.resize(400, 300);
        view.show();
        const QString page = WritePage(dir, QStringLiteral("page.html"), LongPage());
        view.Navigate(page + QStringLiteral("#0002"));  // somewhere else first
        view.Navigate(page + suffix);
        QCOMPARE(view.GetLocationURL(), page + suffix);
        const int position = view.verticalScrollBar()->value();
        if (scrolled)
            QVERIFY2(position > 1000, qPrintable(QString::number(position)));
        else
            QVERIFY2(position < 40, qPrintable(QString::number(position)));
    }

    void textView_showsARewrittenFileAnew()
    {
        TempDir dir;
        CVaroView view;
        const QString page = WritePage(dir, QStringLiteral("page.html"), QStringLiteral("<p>一</p>"));
        view.Navigate(page);
        WritePage(dir, QStringLiteral("page.html"), QStringLiteral("<p>二</p>"));
        view.Navigate(page);
        QCOMPARE(view.toPlainText(), QStringLiteral("二"));
    }

    void textView_letsAFixedHeightTableGrowWithItsText()
    {
        TempDir dir;
        CVaroView view;
        view.resize(400, 300);
        const QString rows = QStringLiteral("<p>學而時習之</p>").repeated(40);
        view.Navigate(WritePage(dir, QStringLiteral("page.html"),
                                QStringLiteral("<table height=100><tr><td height=100>%1</td></tr></table>").arg(rows)));
        const QList<QTextFrame*> tables = view.document()->rootFrame()->childFrames();
        QCOMPARE(tables.size(), 1);
        QCOMPARE(tables[0]->frameFormat().height().type(), QTextLength::VariableLength);
    }

    void queryInput_readsOneValuePerInputElement_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("none") << "<body></body>" << QStringList();
        QTest::newRow("two") << "<INPUT name=\"a\"><p>x</p><input type=text name=b>" << QStringList({"a", "b"});
    }

    void queryInput_readsOneValuePerInputElement()
    {
        QFETCH(QString, page);
        QFETCH(QStringList, names);
        CHtmlCtrl control;
        control.LoadPage(page);
        QStringList found;
        for (QLineEdit* field : control.findChildren<QLineEdit*>())
            found << field->objectName();
        QCOMPARE(found, names);
        QCOMPARE(control.ReadInputValues().size(), size_t(names.size()));
    }

    void queryInput_theProgramsPageHasTheOneTextField()
    {
        CHtmlCtrl control;
        QVERIFY(!control.HasDocument());
        QVERIFY(control.ReadInputValues().empty());
        QVERIFY(control.LoadFromResource(QStringLiteral("input.htm")));
        QCOMPARE(control.Field()->objectName(), QStringLiteral("textfield"));
        varo::test::TypeText(control.Field(), QStringLiteral("論語　学而"));
        const auto values = control.ReadInputValues();
        QCOMPARE(values.size(), size_t(1));
        QCOMPARE(*values[0], QStringLiteral("論語　学而"));
        QVERIFY(!CHtmlCtrl().LoadFromResource(QStringLiteral("missing.htm")));
    }

    void aboutBox_closesOnLeftReleaseEnterAndEsc_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("closes");
        QTest::newRow("left release") << "left" << true;
        QTest::newRow("right release") << "right" << false;
        QTest::newRow("Enter") << "enter" << true;
        QTest::newRow("Esc") << "esc" << true;
        QTest::newRow("other key") << "a" << false;
    }

    void aboutBox_closesOnLeftReleaseEnterAndEsc()
    {
        QFETCH(QString, input);
        QFETCH(bool, closes);
        CAboutDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.size(), QSize(500, 350));
        if (input == QLatin1String("left") || input == QLatin1String("right"))
            QTest::mouseRelease(&dialog, input == QLatin1String("left") ? Qt::LeftButton : Qt::RightButton);
        else if (input == QLatin1String("enter"))
            QTest::keyClick(&dialog, Qt::Key_Return);
        else if (input == QLatin1String("esc"))
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            QTest::keyClick(&dialog, Qt::Key_A);
        QCOMPARE(dialog.isVisible(), !closes);
    }

    void commandLine_isParsed_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("data");
        QTest::addColumn<bool>("splash");
        QTest::addColumn<bool>("help");
        QTest::addColumn<bool>("refused");
        QTest::newRow("nothing") << QStringList() << "" << true << false << false;
        QTest::newRow("data") << QStringList({"--data", "/c"}) << "/c" << true << false << false;
        QTest::newRow("data=") << QStringList({"--data=/c"}) << "/c" << true << false << false;
        QTest::newRow("data without folder") << QStringList({"--data"}) << "" << true << false << true;
        QTest::newRow("/automation") << QStringList({"/automation"}) << "" << false << false << false;
        QTest::newRow("-EMBEDDING") << QStringList({"-EMBEDDING"}) << "" << false << false << false;
        QTest::newRow("embedding as a file name") << QStringList({"embedding"}) << "" << true << false << false;
        QTest::newRow("help") << QStringList({"--help"}) << "" << true << true << false;
        // Options the program does not know are ignored, whatever else the line holds.
        QTest::newRow("unknown options") << QStringList({"--bogus", "-x", "--data", "/c", "/Embedding"}) << "/c"
                                         << false << false << false;
        QTest::newRow("unknown option, data without folder")
            << QStringList({"--bogus", "--data"}) << "" << true << false << true;
    }

    void commandLine_isParsed()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, data);
        QFETCH(bool, splash);
        QFETCH(bool, help);
        QFETCH(bool, refused);
        const CommandLineTag parsed = ParseCommandLine(arguments);
        QCOMPARE(parsed.dataFolder, data);
        QCOMPARE(parsed.showSplash, splash);
        QCOMPARE(parsed.help, help);
        QCOMPARE(!parsed.error.isEmpty(), refused);
    }
};

QTEST_MAIN(WidgetsTest)
#include "widgets_test.moc"
