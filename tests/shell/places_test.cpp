// The places the reader has been: back and forward by keys, menus and the mouse's side buttons,
// and the neighbours of a result page reached with the page commands.
#include "panel/contentstree.h"
#include "panel/leftform.h"
#include "panel/sortlistctrl.h"
#include "shell/bookmarksdialog.h"
#include "shell/commandids.h"
#include "shell/messagebox.h"
#include "shell/scrolltoolbar.h"
#include "shell/settings.h"
#include "shell/varoview.h"
#include "tests/shell/shellfixture.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace varo::shell;
using varo::test::Idle;
using varo::test::OnNextModal;
using varo::test::OpenFrame;
using varo::test::PanelControl;
using varo::test::TempDir;

namespace {

void Search(CMainFrame& frame, const QString& keywords)
{
    PanelControl<QTabWidget>(frame, IDC_TABS)->setCurrentIndex(kSearchTab);
    QLineEdit* field = frame.LeftForm()->QueryInput()->Field();
    field->clear();
    varo::test::TypeText(field, keywords);
    QTest::mouseClick(PanelControl<QPushButton>(frame, IDC_SEARCH), Qt::LeftButton);
    Idle();
}

void OpenResult(CMainFrame& frame, int row)
{
    CSortListCtrl* results = frame.LeftForm()->ResultList();
    results->setCurrentItem(results->topLevelItem(row));
    Idle();
}

void SideButton(QWidget* widget, Qt::MouseButton button)
{
    QTest::mousePress(widget, button, Qt::NoModifier, QPoint(20, 20));
    QTest::mouseRelease(widget, button, Qt::NoModifier, QPoint(20, 20));
    Idle();
}

class PlacesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        varo::test::IsolateSettings();
        varo::test::WriteShellCollection(m_dir.Path());
    }

    void init() { OpenSettings()->clear(); }

    // Catalogue pages, a page step and a result page with its hit, walked back and forward by
    // Alt+Left / Alt+Right and the side buttons: each comes back as it was, the contents tree
    // following, and the commands are enabled only where there is somewhere to go.
    void backAndForward_walkThePagesSeen()
    {
        auto frame = OpenFrame(m_dir.Path());
        CVaroView* view = frame->GetRightPane();
        CContentsTree* tree = frame->LeftForm()->ContentsTree();
        const auto shows = [view](const QString& text) { return view->toPlainText().contains(text); };
        Idle();
        QVERIFY(!frame->Action(ID_GO_BACK)->isEnabled());

        frame->LeftForm()->SelectContentsSlot(4);  // 小雅
        Idle();
        frame->RunCommand(ID_NEXT_PAGE);
        Idle();
        QVERIFY(shows(varo::test::kXiaoyaPages[1]));
        frame->LeftForm()->SelectContentsSlot(1);  // 詩部, the scope of the search
        Search(*frame, QStringLiteral("云"));
        OpenResult(*frame, 0);  // 國風 1, three hits
        QTest::keyClick(frame.get(), Qt::Key_F3);
        Idle();
        const auto hit = view->CurrentHit();
        QVERIFY(hit.second > 0);
        QCOMPARE(tree->SelectedSlot(), 3);

        QTest::keyClick(frame.get(), Qt::Key_Left, Qt::AltModifier);
        Idle();
        QVERIFY(shows(varo::test::kXiaoyaPages[1]));
        QCOMPARE(tree->SelectedSlot(), 4);
        QCOMPARE(view->CurrentHit().second, 0);
        SideButton(view->viewport(), Qt::BackButton);
        QVERIFY(shows(varo::test::kXiaoyaPages[0]));
        QVERIFY(!frame->Action(ID_GO_BACK)->isEnabled());
        QVERIFY(frame->Action(ID_GO_FORWARD)->isEnabled());

        // Forward from the panel: keys and buttons work wherever the focus is.
        SideButton(tree->viewport(), Qt::ForwardButton);
        QVERIFY(shows(varo::test::kXiaoyaPages[1]));
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Right, Qt::AltModifier);
        Idle();
        QCOMPARE(view->CurrentHit(), hit);
        QCOMPARE(tree->SelectedSlot(), 3);
        QVERIFY(!frame->Action(ID_GO_FORWARD)->isEnabled());

        // A new page drops the pages ahead.
        frame->RunCommand(ID_GO_BACK);
        frame->RunCommand(ID_NEXT_PAGE);
        Idle();
        QVERIFY(shows(varo::test::kXiaoyaPages[2]));
        QVERIFY(!frame->Action(ID_GO_FORWARD)->isEnabled());
    }

    // The reader's commands sit in their menus, each with its key, which the menu shows.
    void readingCommands_haveKeysInTheirMenus()
    {
        auto frame = OpenFrame(m_dir.Path());
        const auto menuOf = [&frame](const QString& caption) -> QMenu* {
            for (QAction* menu : frame->menuBar()->actions()) {
                if (menu->text().startsWith(caption))
                    return menu->menu();
            }
            return nullptr;
        };
        const struct {
            const char* menu;
            int id;
            QKeySequence key;
        } commands[] = {
            {"表示", ID_GO_BACK, QKeySequence(Qt::ALT | Qt::Key_Left)},
            {"表示", ID_GO_FORWARD, QKeySequence(Qt::ALT | Qt::Key_Right)},
            {"表示", ID_VIEW_ZOOM_IN, QKeySequence(Qt::CTRL | Qt::Key_Plus)},
            {"表示", ID_VIEW_SHOW_ALL, QKeySequence(Qt::Key_F11)},
            {"しおり", ID_BOOKMARK_TOGGLE, QKeySequence(Qt::CTRL | Qt::Key_D)},
            {"しおり", ID_BOOKMARK_LIST, QKeySequence(Qt::CTRL | Qt::Key_B)},
            {"編集", ID_EDIT_FIND, QKeySequence(Qt::CTRL | Qt::Key_F)},
            {"編集", ID_EDIT_SELECT_ALL, QKeySequence(Qt::CTRL | Qt::Key_A)},
            {"一覧", ID_NEXT_PAGE, QKeySequence(Qt::CTRL | Qt::Key_PageDown)},
            {"一覧", ID_PREVIOUS_VOLUME, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_PageUp)},
            {"ヘルプ", ID_HELP, QKeySequence(Qt::Key_F1)},
            {"ファイル", ID_APP_EXIT, QKeySequence(Qt::CTRL | Qt::Key_Q)},
        };
        for (const auto& command : commands) {
            QMenu* menu = menuOf(QString::fromUtf8(command.menu));
            QVERIFY(menu != nullptr);
            QVERIFY2(menu->actions().contains(frame->Action(command.id)), command.menu);
            QCOMPARE(frame->Action(command.id)->shortcut(), command.key);
        }
    }

    // The view names the place at its top by a text position, which back and forward hand
    // back: a long page scrolled to a position keeps that text at its top, also across zoom.
    void topPosition_scrollsBackToTheSameText()
    {
        TempDir dir;
        std::string page = "<html><head><meta charset=\"utf-8\"></head><body>";
        for (int line = 0; line < 200; ++line)
            page += "<p>" + std::to_string(line) + " 子曰學而時習之</p>";
        const std::filesystem::path file = dir.Path() / "long.html";
        std::ofstream(file, std::ios::binary) << page << "</body></html>";
        CVaroView view;
        view.resize(600, 300);
        view.show();
        view.Navigate(varo::test::ToQString(file));
        QCOMPARE(view.TopPosition(), 0);
        const int middle = view.document()->characterCount() / 2;
        view.ScrollToPosition(middle);
        const int top = view.TopPosition();
        QVERIFY(std::abs(top - middle) < 20);
        view.SetZoomPercent(200);
        QVERIFY(std::abs(view.TopPosition() - top) < 20);
    }

    // From a result page the page commands step through its volume instead of being
    // disabled; the contents tree follows; the result list keeps its selection and the scope
    // stays the search's.
    void resultPage_stepsToItsNeighbours()
    {
        auto frame = OpenFrame(m_dir.Path());
        CVaroView* view = frame->GetRightPane();
        Search(*frame, QStringLiteral("云"));
        auto* scope = PanelControl<QLabel>(*frame, IDC_SCOPE);
        const QString scopeText = scope->text();
        OpenResult(*frame, 0);
        QVERIFY(!frame->Action(ID_PREVIOUS_PAGE)->isEnabled());
        QVERIFY(frame->Action(ID_NEXT_PAGE)->isEnabled());
        QCOMPARE(frame->LeftForm()->ContentsTree()->SelectedSlot(), 3);
        const QString first = view->toPlainText();

        QTest::keyClick(frame.get(), Qt::Key_PageDown, Qt::ControlModifier);
        Idle();
        QVERIFY(view->toPlainText() != first);
        QCOMPARE(view->CurrentHit().second, 0);  // the stored page, without hits
        QVERIFY(frame->Action(ID_PREVIOUS_PAGE)->isEnabled());
        QCOMPARE(frame->ToolBar()->Slider()->value(), 2);
        CSortListCtrl* results = frame->LeftForm()->ResultList();
        QCOMPARE(results->currentItem(), results->topLevelItem(0));
        QVERIFY(results->topLevelItem(0)->isSelected());
        QCOMPARE(scope->text(), scopeText);
        QTest::keyClick(frame.get(), Qt::Key_PageUp, Qt::ControlModifier);
        Idle();
        QCOMPARE(frame->ToolBar()->Slider()->value(), 1);
        QVERIFY(!frame->Action(ID_PREVIOUS_PAGE)->isEnabled());
    }

    // Ctrl+D keeps the shown page across starts; the list opens it, edits its note, removes
    // it, and marks a bookmark the collection no longer has, which is told when opened.
    void bookmarks_toggleListOpenAndKeepAcrossStarts()
    {
        {
            auto frame = OpenFrame(m_dir.Path());
            Idle();
            QVERIFY(!frame->Action(ID_BOOKMARK_TOGGLE)->isEnabled());  // nothing shown
            frame->LeftForm()->SelectContentsSlot(4);
            frame->RunCommand(ID_NEXT_PAGE);  // 小雅 6
            Idle();
            QTest::keyClick(frame.get(), Qt::Key_D, Qt::ControlModifier);
            Idle();
            QVERIFY(frame->Action(ID_BOOKMARK_TOGGLE)->isChecked());
            QCOMPARE(frame->Bookmarks().Entries().size(), size_t{1});
            frame->RunCommand(ID_NEXT_PAGE);
            Idle();
            QVERIFY(!frame->Action(ID_BOOKMARK_TOGGLE)->isChecked());
        }
        // A bookmark of a volume this collection lacks, as after a rebuild with another catalogue.
        QStringList stored = OpenSettings()->value(QStringLiteral("Bookmarks/Entries")).toStringList();
        QCOMPARE(stored.size(), 1);
        stored << QStringLiteral("詩部	詩經	大雅	1	5	200	");
        OpenSettings()->setValue(QStringLiteral("Bookmarks/Entries"), stored);

        auto frame = OpenFrame(m_dir.Path());
        QCOMPARE(frame->Bookmarks().Entries().size(), size_t{2});
        CVaroView* view = frame->GetRightPane();
        QString opened;
        OnNextModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<CBookmarksDialog*>(modal);
            QVERIFY(dialog != nullptr);
            QTableWidget* table = dialog->Table();
            QCOMPARE(table->item(0, 2)->text(), QStringLiteral("小雅"));
            QCOMPARE(table->item(0, 3)->text(), QStringLiteral("6"));
            QVERIFY(table->item(1, 3)->text().endsWith(CBookmarksDialog::kNotFoundText));
            table->item(0, 4)->setText(QStringLiteral("鹿鳴の次"));
            table->selectRow(0);
            QTest::keyClick(table, Qt::Key_Return);
        });
        frame->RunCommand(ID_BOOKMARK_LIST);
        Idle();
        QVERIFY(view->toPlainText().contains(varo::test::kXiaoyaPages[1]));
        QCOMPARE(frame->LeftForm()->ContentsTree()->SelectedSlot(), 4);
        QVERIFY(OpenSettings()
                    ->value(QStringLiteral("Bookmarks/Entries"))
                    .toStringList()
                    .first()
                    .endsWith(QStringLiteral("鹿鳴の次")));

        QString told;
        SetMessageBoxInterceptor([&told](const QString& text) { told = text; });
        frame->OpenBookmark(frame->Bookmarks().Entries()[1]);
        SetMessageBoxInterceptor({});
        QCOMPARE(told, QString::fromStdU16String(varo::kBookmarkGoneMessage));
        QVERIFY(view->toPlainText().contains(varo::test::kXiaoyaPages[1]));

        OnNextModal([](QWidget* modal) {
            auto* dialog = qobject_cast<CBookmarksDialog*>(modal);
            dialog->Table()->selectRow(1);
            QTest::keyClick(dialog->Table(), Qt::Key_Delete);
            QCOMPARE(dialog->Table()->rowCount(), 1);
            dialog->reject();
        });
        frame->RunCommand(ID_BOOKMARK_LIST);
        QCOMPARE(OpenSettings()->value(QStringLiteral("Bookmarks/Entries")).toStringList().size(), 1);
    }

    // A store written by a newer program is neither read nor overwritten.
    void bookmarks_ofANewerFormatAreLeftAlone()
    {
        OpenSettings()->setValue(QStringLiteral("Bookmarks/Version"), 99);
        OpenSettings()->setValue(QStringLiteral("Bookmarks/Entries"), QStringList{QStringLiteral("future")});
        auto frame = OpenFrame(m_dir.Path());
        QVERIFY(frame->Bookmarks().Entries().empty());
        frame->LeftForm()->SelectContentsSlot(4);
        Idle();
        QString told;
        SetMessageBoxInterceptor([&told](const QString& text) { told = text; });
        frame->RunCommand(ID_BOOKMARK_TOGGLE);
        SetMessageBoxInterceptor({});
        QVERIFY(!told.isEmpty());
        QCOMPARE(OpenSettings()->value(QStringLiteral("Bookmarks/Entries")).toStringList(),
                 QStringList{QStringLiteral("future")});
    }

    // At start the last page comes back as it was left, with the words and options of the last
    // search; the option turns this off; a page the collection lost is told in the status bar.
    void reopen_bringsBackTheLastPageAndSearch()
    {
        std::pair<int, int> hit;
        {
            auto frame = OpenFrame(m_dir.Path());
            frame->RestoreState();
            PanelControl<QRadioButton>(*frame, IDC_OR)->setChecked(true);
            Search(*frame, QStringLiteral("云"));
            OpenResult(*frame, 0);
            QTest::keyClick(frame.get(), Qt::Key_F3);
            Idle();
            hit = frame->GetRightPane()->CurrentHit();
            QVERIFY(hit.second > 0);
        }
        {
            auto frame = OpenFrame(m_dir.Path());
            frame->RestoreState();
            Idle();
            CVaroView* view = frame->GetRightPane();
            QVERIFY(!view->IsBlank());
            QCOMPARE(view->CurrentHit(), hit);
            QCOMPARE(frame->LeftForm()->QueryInput()->Field()->text(), QStringLiteral("云"));
            QVERIFY(PanelControl<QRadioButton>(*frame, IDC_OR)->isChecked());
            QCOMPARE(frame->LeftForm()->ContentsTree()->SelectedSlot(), 3);
            QVERIFY(frame->Action(ID_VIEW_REOPEN)->isChecked());
            frame->RunCommand(ID_VIEW_REOPEN);
            Idle();
            QVERIFY(!frame->Action(ID_VIEW_REOPEN)->isChecked());
        }
        {
            auto frame = OpenFrame(m_dir.Path());
            frame->RestoreState();
            Idle();
            QVERIFY(frame->GetRightPane()->IsBlank());
            QVERIFY(!frame->Action(ID_VIEW_REOPEN)->isChecked());
        }
        OpenSettings()->setValue(QStringLiteral("MainFrame/Reopen"), true);
        OpenSettings()->setValue(QStringLiteral("MainFrame/LastPlace"),
                                 QStringLiteral("詩部\t詩經\t大雅\t1\t5\t200\t\t0\t0\t1\t0\t0\t"));
        auto frame = OpenFrame(m_dir.Path());
        frame->RestoreState();
        QVERIFY(frame->GetRightPane()->IsBlank());
        QVERIFY(frame->statusBar()->currentMessage().contains(QStringLiteral("見つからない")));
    }

private:
    TempDir m_dir;
};

}  // namespace

QTEST_MAIN(PlacesTest)
#include "places_test.moc"
