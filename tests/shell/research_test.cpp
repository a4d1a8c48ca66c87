// Research with the results in the main window: the concordance and statistics tabs, searching
// inside the results and the way back, the history, the result list's sorting and export, and
// 引用をコピー.
#include "panel/leftform.h"
#include "panel/tabletransfer.h"
#include "shell/messagebox.h"
#include "shell/settings.h"
#include "shell/st_splitterwnd.h"
#include "shell/varoview.h"
#include "tests/shell/shellfixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

using namespace varo::shell;
using varo::test::OpenFrame;
using varo::test::TempDir;

namespace {

QString Summary(CMainFrame& frame)
{
    return frame.LeftForm()->findChild<QLabel*>(IdName(IDC_SUMMARY))->text();
}

void Search(CMainFrame& frame, const QString& keywords, bool orMode = false)
{
    CLeftForm* panel = frame.LeftForm();
    panel->Tabs()->setCurrentIndex(kSearchTab);
    panel->findChild<QAbstractButton*>(IdName(orMode ? IDC_OR : IDC_AND))->click();
    QLineEdit* field = panel->QueryInput()->Field();
    field->clear();
    varo::test::TypeText(field, keywords);
    QTest::mouseClick(panel->findChild<QPushButton*>(IdName(IDC_SEARCH)), Qt::LeftButton);
}

// Shows the concordance tab and waits until its lines are all there.
CKwicView* CollectedKwic(CMainFrame& frame)
{
    frame.LeftForm()->Tabs()->setCurrentIndex(kKwicTab);
    CKwicView* kwic = frame.LeftForm()->KwicView();
    if (!QTest::qWaitFor([kwic] { return !kwic->IsCollecting(); }, 20000))
        qFatal("the concordance never finished");
    return kwic;
}

int LeftPaneWidth(CMainFrame& frame)
{
    return frame.findChild<ST_SplitterWnd*>()->sizes().value(0);
}

}  // namespace

class ResearchTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The settings store of a test run lies under HOME; other test programs run at the same
        // time, so this one keeps its own, which the history test reads back.
        qputenv("HOME", QFile::encodeName(varo::test::ToQString(m_home.Path())));
        QStandardPaths::setTestModeEnabled(true);
        varo::test::WriteShellCollection(m_dir.Path());
    }

    void init()
    {
        OpenSettings()->clear();
        m_messages.clear();
        SetMessageBoxInterceptor([this](const QString& text) { m_messages << text; });
    }

    void cleanup()
    {
        SetMessageBoxInterceptor({});
        SetSaveDialogInterceptor({});
    }

    void kwic_linesForEveryHitAndALineShowsItsHit()
    {
        auto frame = OpenFrame(m_dir.Path());
        const int narrow = LeftPaneWidth(*frame);
        Search(*frame, QStringLiteral("詩"));
        QCOMPARE(Summary(*frame), QStringLiteral("全部で 105 頁で、107 箇所でした。"));
        CKwicView* kwic = CollectedKwic(*frame);
        QVERIFY(LeftPaneWidth(*frame) > narrow);  // the concordance gets room
        QCOMPARE(kwic->Model()->rowCount(), 107);
        QCOMPARE(kwic->Status()->text(), QStringLiteral("107 行"));
        QCOMPARE(kwic->Model()->index(1, KWIC_BEFORE).data().toString(), QStringLiteral("詩之云"));
        QCOMPARE(kwic->Model()->index(1, KWIC_HIT).data().toString(), QStringLiteral("詩"));
        QCOMPARE(kwic->Model()->index(1, KWIC_VOLUME).data().toString(), QStringLiteral("國風"));

        // The first page holds three hits: its third line shows the page at the third anchor,
        // and the hit commands go on from there.
        kwic->Table()->selectRow(2);
        CVaroView* view = frame->GetRightPane();
        QVERIFY(view->GetLocationURL().endsWith(QStringLiteral("#0002")));
        QVERIFY(frame->LeftForm()->Model().CanPreviousHit());
        QVERIFY(!frame->LeftForm()->Model().CanNextHit());

        frame->LeftForm()->Tabs()->setCurrentIndex(kSearchTab);
        QCOMPARE(LeftPaneWidth(*frame), narrow);
    }

    void kwic_orderAndWidthReshapeTheLines()
    {
        auto frame = OpenFrame(m_dir.Path());
        Search(*frame, QStringLiteral("詩"));
        CKwicView* kwic = CollectedKwic(*frame);
        kwic->WidthBox()->setValue(1);
        kwic = CollectedKwic(*frame);
        QCOMPARE(kwic->Model()->rowCount(), 107);
        for (int row = 0; row < kwic->Model()->rowCount(); ++row)
            QVERIFY(kwic->Model()->index(row, KWIC_BEFORE).data().toString().size() <= 1);

        kwic->OrderBox()->setCurrentIndex(2);  // 前の字順
        std::vector<varo::KwicLineTag> expected = kwic->Model()->Lines();
        varo::SortKwicLines(expected, varo::KwicOrder::Before, {});
        for (size_t i = 0; i < expected.size(); ++i)
            QCOMPARE(kwic->Model()->Lines()[i].text, expected[i].text);
        // A hit at the start of its page has nothing before it and comes first; the two that
        // follow 云 on the first page come last.
        QCOMPARE(kwic->Model()->index(0, KWIC_BEFORE).data().toString(), QString());
        QCOMPARE(kwic->Model()->index(106, KWIC_BEFORE).data().toString(), QStringLiteral("云"));
    }

    void kwic_longCollectionShowsProgressAndStopsOnCancel()
    {
        auto frame = OpenFrame(m_dir.Path());
        Search(*frame, QStringLiteral("詩"));
        const varo::CLeftFormModel& model = frame->LeftForm()->Model();
        CKwicView* kwic = frame->LeftForm()->KwicView();
        CKwicView::Source source;
        source.index = &model.m_index;
        source.query = model.m_keyWords;
        source.results.assign(100000, model.m_resultList.m_results.front());  // three hits each
        frame->LeftForm()->Tabs()->setCurrentIndex(kKwicTab);
        kwic->Start(source);
        QTRY_VERIFY_WITH_TIMEOUT(kwic->Progress()->isVisible(), 20000);
        QVERIFY(kwic->CancelButton()->isVisible());
        QVERIFY(kwic->Model()->rowCount() > 0);  // the first lines are there while it runs
        kwic->CancelButton()->click();
        QVERIFY(!kwic->IsCollecting());
        QVERIFY(!kwic->Progress()->isVisible());
        QVERIFY(kwic->Model()->rowCount() < 300000);
        QVERIFY(kwic->Status()->text().contains(QStringLiteral("中止しました")));
    }

    void statistics_barNarrowsTheListAndTheWayBackRestoresIt()
    {
        auto frame = OpenFrame(m_dir.Path());
        Search(*frame, QStringLiteral("詩 離"), true);
        QCOMPARE(Summary(*frame), QStringLiteral("全部で 107 頁で、109 箇所でした。"));
        CLeftForm* panel = frame->LeftForm();
        panel->Tabs()->setCurrentIndex(kStatisticsTab);
        CHitChart* chart = panel->StatisticsView()->Chart();
        QCOMPARE(chart->Bars().size(), size_t{2});  // 詩經 and 楚辭, by title
        QCOMPARE(chart->Bars()[1].name, QStringLiteral("楚辭"));
        QCOMPARE(chart->Bars()[1].hits, uint64_t{2});
        QCOMPARE(panel->StatisticsView()->Table()->model()->rowCount(), 2);

        const int rowHeight = chart->fontMetrics().height() + 6;
        QTest::mouseClick(chart, Qt::LeftButton, {}, QPoint(chart->width() / 2, 2 + rowHeight + rowHeight / 2));
        QCOMPARE(panel->Tabs()->currentIndex(), kSearchTab);
        QCOMPARE(Summary(*frame), QStringLiteral("全部で 2 頁で、2 箇所でした。"));
        QVERIFY(panel->NarrowingLabel()->isVisible());
        QCOMPARE(panel->NarrowingLabel()->text(), QStringLiteral("絞り込み：楚辭"));
        QCOMPARE(panel->ResultList()->topLevelItemCount(), 2);

        panel->WholeScopeButton()->click();
        QCOMPARE(Summary(*frame), QStringLiteral("全部で 107 頁で、109 箇所でした。"));
        QVERIFY(!panel->NarrowingLabel()->isVisible());
    }

    void refineAndHistory_searchInsideAndComeBackAcrossStarts()
    {
        {
            auto frame = OpenFrame(m_dir.Path());
            Search(*frame, QStringLiteral("詩 離"), true);
            frame->LeftForm()->RefineBox()->setChecked(true);
            Search(*frame, QStringLiteral("騷"));
            QCOMPARE(Summary(*frame), QStringLiteral("全部で 2 頁で、2 箇所でした。"));
            QCOMPARE(frame->LeftForm()->NarrowingLabel()->text(), QStringLiteral("結果内検索"));
            Search(*frame, QStringLiteral("詩"));  // nothing of 離騷 holds 詩
            QCOMPARE(Summary(*frame), QStringLiteral("全部で 0 頁で、0 箇所でした。"));
        }
        auto frame = OpenFrame(m_dir.Path());
        const std::vector<varo::SearchHistoryEntryTag>& history = frame->LeftForm()->Model().m_history.Entries();
        QCOMPARE(history.size(), size_t{3});
        QCOMPARE(QString::fromStdU16String(history[2].query), QStringLiteral("詩 離"));
        frame->LeftForm()->ApplyHistoryEntry(history[2]);
        QCOMPARE(frame->LeftForm()->QueryInput()->Field()->text(), QStringLiteral("詩 離"));
        QVERIFY(frame->LeftForm()->findChild<QAbstractButton*>(IdName(IDC_OR))->isChecked());
        QVERIFY(!frame->LeftForm()->RefineBox()->isChecked());
    }

    void resultList_sortsEveryColumnBothWaysAndExports()
    {
        auto frame = OpenFrame(m_dir.Path());
        Search(*frame, QStringLiteral("詩 離"), true);
        CSortListCtrl* list = frame->LeftForm()->ResultList();
        QCOMPARE(list->columnCount(), 5);
        QCOMPARE(list->headerItem()->text(4), QStringLiteral("箇所"));
        QCOMPARE(list->header()->sortIndicatorSection(), 3);
        QCOMPARE(list->topLevelItem(0)->text(4), QStringLiteral("3"));  // label 1 of 國風
        emit list->columnClicked(4);
        QCOMPARE(list->header()->sortIndicatorSection(), 4);
        QCOMPARE(list->header()->sortIndicatorOrder(), Qt::AscendingOrder);
        QCOMPARE(list->topLevelItem(0)->text(4), QStringLiteral("1"));
        emit list->columnClicked(4);
        QCOMPARE(list->header()->sortIndicatorOrder(), Qt::DescendingOrder);
        QCOMPARE(list->topLevelItem(0)->text(4), QStringLiteral("3"));

        TempDir out;
        const QString tsv = varo::test::ToQString(out.Path() / "list.tsv");
        SetSaveDialogInterceptor([tsv](const QString&) { return tsv; });
        QVERIFY(SaveTableAs(frame.get(), QStringLiteral("検索結果"),
                            varo::ResultTable(frame->LeftForm()->Model().m_resultList.m_results)));
        QFile file(tsv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        QCOMPARE(lines.value(0), QStringLiteral("類別\t書名\t巻\t頁\t頁番号\t箇所"));
        QCOMPARE(lines.value(1), QStringLiteral("詩部\t詩經\t國風\t1\t0\t3"));
        QCOMPARE(lines.size(), 107 + 2);

        const QString csv = varo::test::ToQString(out.Path() / "list.csv");
        QVERIFY(WriteTableFile(csv, {{u"a,b"}}));
        QFile csvFile(csv);
        QVERIFY(csvFile.open(QIODevice::ReadOnly));
        QCOMPARE(csvFile.readAll(), QByteArray("\xEF\xBB\xBF\"a,b\"\r\n"));

        SetSaveDialogInterceptor(
            [&out](const QString&) { return varo::test::ToQString(out.Path() / "missing" / "list.tsv"); });
        QVERIFY(!SaveTableAs(frame.get(), QStringLiteral("x"), {{u"a"}}));
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(m_messages[0].startsWith(QStringLiteral("ファイルに書き出せませんでした")));
    }

    void copyCitation_putsTheSelectionAndWhereItComesFrom()
    {
        auto frame = OpenFrame(m_dir.Path());
        Search(*frame, QStringLiteral("詩"));
        CSortListCtrl* list = frame->LeftForm()->ResultList();
        list->setCurrentItem(list->topLevelItem(1));  // 國風, label 2
        CVaroView* view = frame->GetRightPane();
        QVERIFY(!view->CopyCitation());
        QCOMPARE(m_messages.size(), 1);

        view->SelectAllText();
        QVERIFY(view->CopyCitation());
        const QString copied = QApplication::clipboard()->text();
        QVERIFY(copied.contains(QStringLiteral("詩之云")));
        QVERIFY(copied.endsWith(QStringLiteral("\n詩部『詩經』國風、2頁")));
        CVaroView::SetCitationFormat(QStringLiteral("（{title}・{volume}・{label}）"));
        QVERIFY(view->CopyCitation());
        QVERIFY(QApplication::clipboard()->text().endsWith(QStringLiteral("\n（詩經・國風・2）")));
    }

private:
    TempDir m_home;
    TempDir m_dir;
    QStringList m_messages;
};

QTEST_MAIN(ResearchTest)
#include "research_test.moc"
