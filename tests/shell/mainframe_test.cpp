// The main window on a small collection: start-up state, a whole search, volumes and pages,
// the panel's column, shutdown and the messages.
#include "panel/leftform.h"
#include "shell/commandids.h"
#include "shell/messagebox.h"
#include "shell/settings.h"
#include "shell/st_splitterwnd.h"
#include "shell/varoview.h"
#include "tests/shell/shellfixture.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <functional>

using namespace varo::shell;
using varo::test::Idle;
using varo::test::OnNextModal;
using varo::test::OpenFrame;
using varo::test::PanelControl;
using varo::test::TempDir;

namespace {

bool Enabled(CMainFrame& frame, int id)
{
    Idle();
    return frame.Action(id)->isEnabled();
}

QString LocationFile(const CVaroView& view)
{
    const QString location = view.GetLocationURL();
    return location.left(location.indexOf(QLatin1Char('#')));
}

QStringList RowTexts(const CSortListCtrl& list, int row)
{
    QStringList texts;
    for (int column = 0; column < 4; ++column)
        texts << list.topLevelItem(row)->text(column);
    return texts;
}

void Search(CMainFrame& frame, const QString& keywords)
{
    PanelControl<QTabWidget>(frame, IDC_TABS)->setCurrentIndex(kSearchTab);
    QLineEdit* field = frame.LeftForm()->QueryInput()->Field();
    field->clear();
    varo::test::TypeText(field, keywords);
    QTest::mouseClick(PanelControl<QPushButton>(frame, IDC_SEARCH), Qt::LeftButton);
}

}  // namespace

class MainFrameTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        varo::test::IsolateSettings();
        varo::test::WriteShellCollection(m_dir.Path());
    }

    void init()
    {
        m_messages.clear();
        SetMessageBoxInterceptor([this](const QString& text) { m_messages << text; });
    }

    void cleanup() { SetMessageBoxInterceptor({}); }

    void startUp_showsTheContentsTabWithMovingCommandsDisabled()
    {
        auto frame = OpenFrame(m_dir.Path());
        QCOMPARE(frame->windowTitle(), QStringLiteral("Orvane--Kestrine(Velloran)"));
        auto* tabs = PanelControl<QTabWidget>(*frame, IDC_TABS);
        QCOMPARE(tabs->count(), 4);
        QCOMPARE(tabs->tabText(0), QStringLiteral("目録"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("検索"));
        QCOMPARE(tabs->tabText(kKwicTab), QStringLiteral("用例"));
        QCOMPARE(tabs->tabText(kStatisticsTab), QStringLiteral("分布"));
        QCOMPARE(tabs->currentIndex(), kContentsTab);
        QVERIFY(frame->LeftForm()->ContentsTree()->isVisible());
        QVERIFY(!frame->LeftForm()->ResultList()->isVisible());
        QVERIFY(!PanelControl<QPushButton>(*frame, IDC_SEARCH)->isVisible());
        QCOMPARE(frame->LeftForm()->ContentsTree()->topLevelItemCount(), 2);
        QCOMPARE(frame->GetRightPane()->GetLocationURL(), QStringLiteral("about:blank"));
        QCOMPARE(frame->Splitter()->sizes().first(), 260);

        for (int id : {ID_PREVIOUS_PAGE, ID_NEXT_PAGE, ID_PREVIOUS_VOLUME, ID_NEXT_VOLUME, ID_PREVIOUS_HIT, ID_NEXT_HIT,
                       ID_EDIT_COPY, ID_EDIT_SELECT_ALL, ID_FILE_PRINT, ID_FILE_PRINT_SETUP})
            QVERIFY2(!Enabled(*frame, id), qPrintable(IdName(id)));
        for (int id : {ID_APP_EXIT, ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_VIEW_SHOW_ALL, ID_APP_ABOUT, ID_HELP})
            QVERIFY2(Enabled(*frame, id), qPrintable(IdName(id)));
        QVERIFY(frame->Action(ID_VIEW_TOOLBAR)->isChecked());
        QVERIFY(frame->Action(ID_VIEW_STATUS_BAR)->isChecked());  // the status bar shows
    }

    void menusAndToolBar_followTheCommandTable()
    {
        auto frame = OpenFrame(m_dir.Path());
        QStringList menus;
        for (QAction* menu : frame->menuBar()->actions()) {
            QStringList items;
            for (QAction* item : menu->menu()->actions())
                items << (item->isSeparator() ? QStringLiteral("-")
                                              : item->text() + QLatin1Char('=') + item->objectName());
            menus << menu->text() + QStringLiteral(": ") + items.join(QLatin1Char(' '));
        }
        QCOMPARE(
            menus,
            QStringList({
                QStringLiteral("ファイル(&F): 印刷設定(&S)=32776 印刷(&P)=32777 終了(&X)=57665"),
                // The reader's commands follow the specified ones, after a separator.
                QStringLiteral("編集(&E): コピー(&C)=57634 すべて選択(&Q)=32778 - 頁内検索(&F)...=33001"),
                QStringLiteral("表示(&V): ツールバー(&T)=59392 状態バー(&S)=59393 全表示(&p)=32774 - "
                               "拡大(&I)=33010 縮小(&O)=33011 元の大きさ(&R)=33012 - 戻る(&B)=33020 進む(&W)=33021 - "
                               "前回の続きから開く(&C)=33040"),
                QStringLiteral("一覧: 上の頁へ(&P)=32780 次の頁へ(&N)=32781 - 上の巻へ=32791 次の巻へ=32790 - "
                               "上の検索結果=32805 次の検索結果=32806"),
                QStringLiteral("しおり(&B): しおりを付ける(&D)=33030 しおりの一覧(&L)...=33031"),
                QStringLiteral("ヘルプ(&H): バージョン(&A)...=57664 ヘルプ=32798"),
            }));
        // Buttons by their tooltips, the slider and the page indicator by their ids.
        QStringList buttons;
        for (QAction* button : frame->ToolBar()->actions()) {
            QWidget* control = frame->ToolBar()->widgetForAction(button);
            buttons << (button->isSeparator()                            ? QStringLiteral("-")
                        : qobject_cast<QToolButton*>(control) != nullptr ? button->toolTip()
                                                                         : control->objectName());
        }
        QCOMPARE(buttons.join(QLatin1Char(' ')),
                 QStringLiteral("すべて選択 コピー - 印刷 - 上の巻へ 上の頁 次の頁 次の巻へ - "
                                "上の検索結果 次の検索結果 - 情報 - 101 102"));
        QCOMPARE(frame->Action(ID_EDIT_COPY)->shortcuts(),
                 QList<QKeySequence>({QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)}));
    }

    void search_listsPagesOfResultsAndWalksTheHits()
    {
        auto frame = OpenFrame(m_dir.Path());
        CSortListCtrl* results = frame->LeftForm()->ResultList();
        CVaroView* view = frame->GetRightPane();
        // With the ideographic space kept, 詩　云 would be the one term 詩云, which no page holds.
        Search(*frame, QStringLiteral("詩　云"));
        QCOMPARE(PanelControl<QLabel>(*frame, IDC_SUMMARY)->text(),
                 QStringLiteral("全部で 105 頁で、214 箇所でした。"));
        QCOMPARE(results->topLevelItemCount(), 100);
        QCOMPARE(RowTexts(*results, 0), QStringList({"詩部", "詩經", "國風", "1"}));
        auto* previous = PanelControl<QPushButton>(*frame, IDC_PREVIOUS_LIST_PAGE);
        auto* next = PanelControl<QPushButton>(*frame, IDC_NEXT_LIST_PAGE);
        auto* pageBox = PanelControl<QLineEdit>(*frame, IDC_PAGE_BOX);
        QVERIFY(next->isVisible() && next->isEnabled() && !previous->isEnabled());
        QCOMPARE(pageBox->text(), QStringLiteral("1"));
        QCOMPARE(PanelControl<QLabel>(*frame, IDC_PAGE_COUNT)->text(), QStringLiteral("/2"));

        QTest::mouseClick(next, Qt::LeftButton);
        QCOMPARE(results->topLevelItemCount(), 5);
        QCOMPARE(results->topLevelItem(0)->text(3), QStringLiteral("101"));
        QVERIFY(!next->isEnabled() && previous->isEnabled());
        // A number outside the list pages is put back, selected; a good one takes effect at once.
        pageBox->selectAll();
        QTest::keyClicks(pageBox, QStringLiteral("3"));
        QCOMPARE(pageBox->text(), QStringLiteral("2"));
        QCOMPARE(pageBox->selectedText(), QStringLiteral("2"));
        QTest::keyClicks(pageBox, QStringLiteral("1"));
        QCOMPARE(results->topLevelItemCount(), 100);

        results->setCurrentItem(results->topLevelItem(0));
        const QString file = LocationFile(*view);
        QCOMPARE(view->GetLocationURL(), file + QStringLiteral("#0000"));
        QVERIFY(QStringList({"windows1.html", "windows2.html"}).contains(QFileInfo(file).fileName()));
        QVERIFY(!Enabled(*frame, ID_PREVIOUS_HIT));
        for (int anchor = 1; anchor <= 5; ++anchor) {
            QVERIFY(Enabled(*frame, ID_NEXT_HIT));
            QTest::keyClick(frame.get(), Qt::Key_F3);
            QCOMPARE(view->GetLocationURL(), file + QStringLiteral("#000%1").arg(anchor));
        }
        QVERIFY(!Enabled(*frame, ID_NEXT_HIT));
        QTest::keyClick(frame.get(), Qt::Key_F3);
        QCOMPARE(view->GetLocationURL(), file + QStringLiteral("#0005"));
        QVERIFY(Enabled(*frame, ID_PREVIOUS_HIT));
        QTest::keyClick(frame.get(), Qt::Key_F3, Qt::AltModifier);
        QCOMPARE(view->GetLocationURL(), file + QStringLiteral("#0004"));
        for (int id : {ID_EDIT_COPY, ID_EDIT_SELECT_ALL, ID_FILE_PRINT, ID_FILE_PRINT_SETUP})
            QVERIFY2(Enabled(*frame, id), qPrintable(IdName(id)));

        // The next result goes to the other result file, again at its first hit.
        results->setCurrentItem(results->topLevelItem(1));
        QVERIFY(LocationFile(*view) != file);
        QVERIFY(view->GetLocationURL().endsWith(QStringLiteral("#0000")));
    }

    void volume_showsItsFirstPageAndPagesThroughItsLabels()
    {
        auto frame = OpenFrame(m_dir.Path());
        CVaroView* view = frame->GetRightPane();
        frame->LeftForm()->SelectContentsSlot(4);
        QCOMPARE(PanelControl<QLabel>(*frame, IDC_SCOPE)->text(), QStringLiteral("詩部\\詩經\\小雅"));
        QCOMPARE(QFileInfo(view->GetLocationURL()).fileName(), QStringLiteral("windows.html"));
        QVERIFY(view->toPlainText().contains(varo::test::kXiaoyaPages[0]));
        QVERIFY(!Enabled(*frame, ID_PREVIOUS_PAGE));
        for (int page = 1; page < 3; ++page) {
            QVERIFY(Enabled(*frame, ID_NEXT_PAGE));
            frame->Action(ID_NEXT_PAGE)->trigger();
            QVERIFY(view->toPlainText().contains(varo::test::kXiaoyaPages[page]));
            QCOMPARE(frame->LeftForm()->Model().m_curPage, 5 + page);
        }
        QVERIFY(!Enabled(*frame, ID_NEXT_PAGE));
        // A command whose rule does not hold does nothing, whatever sends it.
        frame->RunCommand(ID_NEXT_PAGE);
        QCOMPARE(frame->LeftForm()->Model().m_curPage, 7);
        QVERIFY(Enabled(*frame, ID_PREVIOUS_PAGE));
        frame->Action(ID_PREVIOUS_PAGE)->trigger();
        QVERIFY(view->toPlainText().contains(varo::test::kXiaoyaPages[1]));
    }

    void volumeCommands_crossTitlesWithTheTreeSelectionFollowing()
    {
        auto frame = OpenFrame(m_dir.Path());
        CContentsTree* tree = frame->LeftForm()->ContentsTree();
        frame->LeftForm()->SelectContentsSlot(4);  // 小雅, the last volume of 詩經
        QVERIFY(Enabled(*frame, ID_NEXT_VOLUME));
        frame->Action(ID_NEXT_VOLUME)->trigger();
        QCOMPARE(tree->SelectedSlot(), 6);
        QVERIFY(frame->GetRightPane()->toPlainText().contains(QStringLiteral("離騷一")));
        QCOMPARE(PanelControl<QLabel>(*frame, IDC_SCOPE)->text(), QStringLiteral("詩部\\楚辭\\離騷"));
        QVERIFY(Enabled(*frame, ID_NEXT_VOLUME));
        frame->Action(ID_NEXT_VOLUME)->trigger();  // into the next category
        QCOMPARE(tree->SelectedSlot(), 9);
        QVERIFY(!Enabled(*frame, ID_NEXT_VOLUME));
        for (int slot : {6, 4, 3}) {
            QVERIFY(Enabled(*frame, ID_PREVIOUS_VOLUME));
            frame->Action(ID_PREVIOUS_VOLUME)->trigger();
            QCOMPARE(tree->SelectedSlot(), slot);
            QCOMPARE(frame->LeftForm()->Model().m_curRecord, slot);
        }
        QVERIFY(!Enabled(*frame, ID_PREVIOUS_VOLUME));
        QVERIFY(m_messages.isEmpty());
    }

    void showAll_hidesThePanelAndBringsItBackAtItsWidth()
    {
        auto frame = OpenFrame(m_dir.Path());
        ST_SplitterWnd* splitter = frame->Splitter();
        splitter->setSizes({300, splitter->width() - 300 - splitter->handleWidth()});
        frame->LeftForm()->SelectContentsSlot(4);
        frame->LeftForm()->setFocus();
        QCOMPARE(frame->ActivePane(), CMainFrame::Pane::LeftForm);

        frame->Action(ID_VIEW_SHOW_ALL)->trigger();
        QVERIFY(frame->LeftForm()->isHidden());
        QCOMPARE(frame->GetRightPane()->width(), splitter->width());
        QCOMPARE(frame->ActivePane(), CMainFrame::Pane::View);
        // The commands go on working on the hidden panel's state.
        QVERIFY(Enabled(*frame, ID_NEXT_PAGE));
        frame->Action(ID_NEXT_PAGE)->trigger();
        QVERIFY(frame->GetRightPane()->toPlainText().contains(varo::test::kXiaoyaPages[1]));

        frame->Action(ID_VIEW_SHOW_ALL)->trigger();
        QVERIFY(!frame->LeftForm()->isHidden());
        QCOMPARE(splitter->sizes().first(), 300);
    }

    void exit_writesTheLayoutRemovesPageFilesAndStartsEndProgram_data()
    {
        QTest::addColumn<bool>("panelHidden");
        QTest::addColumn<QString>("firstNumber");
        QTest::newRow("panel shown") << false << "-1";
        QTest::newRow("panel hidden") << true << "0";
    }

    void exit_writesTheLayoutRemovesPageFilesAndStartsEndProgram()
    {
        QFETCH(bool, panelHidden);
        QFETCH(QString, firstNumber);
        TempDir program;
        const QString marker = varo::test::ToQString(program.Path() / "ran.txt");
        QFile script(varo::test::ToQString(program.Path() / "end.exe"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\necho ran >> '%1'\n").arg(marker).toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        OpenSettings()->remove(QStringLiteral("SplitterWnd"));

        auto frame = OpenFrame(m_dir.Path(), program.Path());
        ST_SplitterWnd* splitter = frame->Splitter();
        splitter->setSizes({300, splitter->width() - 300 - splitter->handleWidth()});
        const int viewWidth = splitter->sizes().at(1);
        frame->LeftForm()->SelectContentsSlot(4);
        const QString pageFolder = QString::fromStdU16String(frame->LeftForm()->Model().m_pageDisplay.FolderPath());
        QVERIFY(QFileInfo::exists(pageFolder));
        if (panelHidden)
            frame->Action(ID_VIEW_SHOW_ALL)->trigger();
        frame.reset();

        QCOMPARE(OpenSettings()->value(QStringLiteral("SplitterWnd/Panes_0")).toString(),
                 QStringLiteral("%1 300 -1 %2").arg(firstNumber).arg(viewWidth));
        QVERIFY(!QFileInfo::exists(pageFolder));
        QFile ran(marker);
        QTRY_VERIFY(ran.exists() && ran.size() > 0);
        QTest::qWait(100);
        QVERIFY(ran.open(QIODevice::ReadOnly));
        QCOMPARE(ran.readAll(), QByteArray("ran\n"));
    }

    void messages_reachTheUserWithTheirTexts()
    {
        auto frame = OpenFrame(m_dir.Path());
        Search(*frame, QString());
        frame->LeftForm()->SelectContentsSlot(9);  // the last volume
        frame->LeftForm()->Model().NextVolume();
        frame->LeftForm()->SelectContentsSlot(3);  // the first volume
        frame->LeftForm()->Model().PreviousVolume();
        QCOMPARE(m_messages, QStringList({"何かキーワードを入力して検索をして下さい。", "もう最後の巻まで至りました。",
                                          "これ以上戻れません。もう巻一に至っています。"}));

        // A folder without a collection: told at start, and a search has no scope to run in.
        m_messages.clear();
        TempDir empty;
        auto bare = OpenFrame(empty.Path());
        QCOMPARE(m_messages, QStringList({"データを開けませんでした。", "you delete data file!"}));
        QCOMPARE(bare->LeftForm()->ContentsTree()->topLevelItemCount(), 0);
        Search(*bare, QStringLiteral("詩"));
        QCOMPARE(m_messages.last(), QStringLiteral("検索範囲が目録に見つかりません。"));
    }

    void messageBox_isAWarningWithOkCaptionedWithTheApplicationTitle()
    {
        SetMessageBoxInterceptor({});
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        OnNextModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box != nullptr);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = box->standardButtons();
        });
        ShowMessageBox(nullptr, QStringLiteral("もう最後の巻まで至りました。"));
        QCOMPARE(title, QStringLiteral("Orvane--Kestrineシリーズ③(Velloran)"));
        QCOMPARE(text, QStringLiteral("もう最後の巻まで至りました。"));
        QCOMPARE(icon, QMessageBox::Warning);
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void printSetup_opensPreviewFromThePanelAndPageSetupFromTheView()
    {
        auto frame = OpenFrame(m_dir.Path());
        frame->LeftForm()->SelectContentsSlot(4);
        frame->LeftForm()->setFocus();
        QCOMPARE(frame->ActivePane(), CMainFrame::Pane::LeftForm);
        QVERIFY(Enabled(*frame, ID_FILE_PRINT_SETUP));
        QString opened;
        OnNextModal([&](QWidget* modal) { opened = modal->metaObject()->className(); });
        frame->Action(ID_FILE_PRINT_SETUP)->trigger();
        QCOMPARE(opened, QString(QPrintPreviewDialog::staticMetaObject.className()));

        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        QTest::keyClick(frame.get(), Qt::Key_F6);  // to the other pane
        QCOMPARE(frame->ActivePane(), CMainFrame::Pane::View);
        QVERIFY(frame->GetRightPane()->hasFocus());
        bool pageSetup = false;
        OnNextModal([&](QWidget* modal) { pageSetup = qobject_cast<QPageSetupDialog*>(modal) != nullptr; });
        frame->Action(ID_FILE_PRINT_SETUP)->trigger();
        QVERIFY(pageSetup);
    }

private:
    TempDir m_dir;
    QStringList m_messages;
};

QTEST_MAIN(MainFrameTest)
#include "mainframe_test.moc"
