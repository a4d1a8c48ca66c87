// The desktop program as a reader meets it: refused queries, readable result pages, the named
// and whole-collection scope, Enter by focus, messages instead of silence, Qt's dialogs in
// Japanese, the layout kept across starts, whole names in the lists, and the status bar.
#include "panel/leftform.h"
#include "shell/commandids.h"
#include "shell/messagebox.h"
#include "shell/settings.h"
#include "shell/st_splitterwnd.h"
#include "shell/varo.h"
#include "shell/varoview.h"
#include "tests/shell/shellfixture.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextTable>
#include <QToolBar>

#include <filesystem>
#include <fstream>

using namespace varo::shell;
using varo::test::Idle;
using varo::test::OpenFrame;
using varo::test::PanelControl;
using varo::test::TempDir;

namespace {

QLineEdit* Field(CMainFrame& frame)
{
    return frame.LeftForm()->QueryInput()->Field();
}

void Search(CMainFrame& frame, const QString& keywords)
{
    PanelControl<QTabWidget>(frame, IDC_TABS)->setCurrentIndex(kSearchTab);
    Field(frame)->clear();
    varo::test::TypeText(Field(frame), keywords);
    QTest::mouseClick(PanelControl<QPushButton>(frame, IDC_SEARCH), Qt::LeftButton);
}

QString Summary(CMainFrame& frame)
{
    return PanelControl<QLabel>(frame, IDC_SUMMARY)->text();
}

}  // namespace

class ReaderTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        varo::test::IsolateSettings();
        varo::test::WriteShellCollection(m_dir.Path());
    }

    void init()
    {
        OpenSettings()->clear();
        m_messages.clear();
        SetMessageBoxInterceptor([this](const QString& text) { m_messages << text; });
    }

    void cleanup() { SetMessageBoxInterceptor({}); }

    void refusedQuery_isToldAndNothingClaimsToAnswerIt()
    {
        auto frame = OpenFrame(m_dir.Path());
        Search(*frame, QStringLiteral("詩"));
        QVERIFY(frame->LeftForm()->ResultList()->topLevelItemCount() > 0);
        for (const QString& query : {QStringLiteral("詩 abc"), QStringLiteral("*")}) {
            m_messages.clear();
            Search(*frame, query);
            QCOMPARE(m_messages.size(), 1);
            QVERIFY(m_messages.first().startsWith(query == QStringLiteral("*")
                                                      ? QStringLiteral("ワイルドカード")
                                                      : QStringLiteral("検索できない文字が含まれています：a")));
            QCOMPARE(Summary(*frame), QStringLiteral("検索集計："));
            QCOMPARE(frame->LeftForm()->ResultList()->topLevelItemCount(), 0);
            QCOMPARE(Field(*frame)->text(), query);
        }
    }

    // The template gives its first column 80 pixels; a page whose text stands there (an even
    // label) would read a few characters a line.
    void pageInTheNarrowColumn_getsTheViewsWidthAndReflows()
    {
        TempDir dir;
        const QString text = QString(60, QChar(u'詩'));
        const QString page =
            QStringLiteral(
                "<html><head><title>t</title></head><div align=\"center\"><center><BODY><TABLE border=1 "
                "cellPadding=0 cellSpacing=1 height=477 width=635><tr><TD height=477 width=80 vAlign=top>%1</TD>"
                "<TD height=477 width=450 vAlign=top>卷</TD></tr></table></center></BODY></html>")
                .arg(text);
        const std::filesystem::path file = dir.Path() / "page.html";
        std::ofstream(file) << page.toStdString();
        CVaroView view;
        view.resize(900, 600);
        view.show();
        view.Navigate(varo::test::ToQString(file));
        auto* table = qobject_cast<QTextTable*>(view.document()->rootFrame()->childFrames().value(0));
        QVERIFY(table != nullptr);
        const QTextBlock block = table->cellAt(0, 0).firstCursorPosition().block();
        const int wide = block.layout()->lineCount();
        QVERIFY2(wide <= 3, qPrintable(QString::number(wide)));
        view.resize(450, 600);
        Idle();
        QVERIFY(block.layout()->lineCount() > wide);
        QVERIFY(view.document()->documentLayout()->frameBoundingRect(table).width() <= view.viewport()->width());
    }

    void scope_isNamedAndCanBeTheWholeCollection()
    {
        auto frame = OpenFrame(m_dir.Path());
        auto* scope = PanelControl<QLabel>(*frame, IDC_SCOPE);
        QCOMPARE(scope->text(), QStringLiteral("詩部"));
        Search(*frame, QStringLiteral("一"));  // 離騷一 in 詩部, 本紀一 in 史部
        QCOMPARE(Summary(*frame), QStringLiteral("全部で 1 頁で、1 箇所でした。"));
        QTest::mouseClick(PanelControl<QPushButton>(*frame, IDC_WHOLE_COLLECTION), Qt::LeftButton);
        QCOMPARE(scope->text(), QStringLiteral("全体（すべての類別）"));
        Search(*frame, QStringLiteral("一"));
        QCOMPARE(Summary(*frame), QStringLiteral("全部で 2 頁で、2 箇所でした。"));
        const CSortListCtrl* results = frame->LeftForm()->ResultList();
        QCOMPARE(results->topLevelItem(0)->text(0), QStringLiteral("詩部"));
        QCOMPARE(results->topLevelItem(1)->text(0), QStringLiteral("史部"));
    }

    void enter_doesWhatTheFocusSays()
    {
        auto frame = OpenFrame(m_dir.Path());
        Search(*frame, QStringLiteral("詩 云"));  // 105 pages: two list pages
        auto* pageBox = PanelControl<QLineEdit>(*frame, IDC_PAGE_BOX);
        QCOMPARE(PanelControl<QLabel>(*frame, IDC_PAGE_COUNT)->text(), QStringLiteral("/2"));
        Field(*frame)->setText(QStringLiteral("鹿鳴"));
        Field(*frame)->setFocus();
        QTest::keyClick(Field(*frame), Qt::Key_Return);
        QCOMPARE(frame->LeftForm()->Model().m_keyWords, std::u16string(u"鹿鳴"));
        QCOMPARE(frame->LeftForm()->ResultList()->topLevelItemCount(), 1);

        Search(*frame, QStringLiteral("詩 云"));
        Field(*frame)->setText(QStringLiteral("鹿鳴"));
        // Enter on the result list or a check box starts nothing.
        for (QWidget* other : {static_cast<QWidget*>(frame->LeftForm()->ResultList()),
                               static_cast<QWidget*>(PanelControl<QWidget>(*frame, IDC_VARIANT))}) {
            other->setFocus();
            QTest::keyClick(other, Qt::Key_Return);
        }
        QCOMPARE(frame->LeftForm()->Model().m_keyWords, std::u16string(u"詩\u3000云"));
        pageBox->setFocus();
        QTest::keyClick(pageBox, Qt::Key_Return);
        QCOMPARE(frame->LeftForm()->Model().m_keyWords, std::u16string(u"詩\u3000云"));
        QCOMPARE(frame->LeftForm()->Model().m_resultList.m_listPage, 1);
    }

    void failures_areToldInJapanese()
    {
        TempDir program;
        auto frame = OpenFrame(m_dir.Path(), program.Path());
        frame->RunCommand(ID_HELP);  // no guide beside the program
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(m_messages.last().startsWith(QStringLiteral("ヘルプのファイルが見つかりません")));
        std::filesystem::create_directories(program.Path() / "help");
        std::ofstream(program.Path() / "help" / "index.html") << "<html></html>";
        frame->RunCommand(ID_HELP);  // the offscreen platform has no browser to open it
        QCOMPARE(m_messages.size(), 2);
        QVERIFY(m_messages.last().startsWith(QStringLiteral("ヘルプを開くブラウザーが見つかりませんでした")));

        CVaroView* view = frame->GetRightPane();
        view->Navigate(QDir(varo::test::ToQString(program.Path())).filePath(QStringLiteral("gone.html")));
        QCOMPARE(m_messages.size(), 3);
        QVERIFY(m_messages.last().startsWith(QStringLiteral("頁のファイル")));
        QVERIFY(view->toPlainText().startsWith(QStringLiteral("頁のファイル")));

        if (!QPrinterInfo::availablePrinters().isEmpty())
            QSKIP("this machine has a printer");
        frame->LeftForm()->SelectContentsSlot(4);
        Idle();
        frame->RunCommand(ID_FILE_PRINT);
        QCOMPARE(m_messages.size(), 4);
        QVERIFY(m_messages.last().startsWith(QStringLiteral("印刷できるプリンターがありません")));
    }

    void qtDialogs_speakJapanese()
    {
        // The C locale has no Qt translation of its own: Japanese stands in.
        QVERIFY(InstallQtTranslations(*QCoreApplication::instance(), QLocale::c()));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
        QCOMPARE(QCoreApplication::translate("QLineEdit", "&Copy"), QStringLiteral("コピー(&C)"));
    }

    void layoutScopeAndTarget_comeBackAtTheNextStart()
    {
        {
            auto frame = OpenFrame(m_dir.Path());
            frame->Splitter()->setSizes({330, frame->Splitter()->width() - 330});
            frame->LeftForm()->SelectContentsSlot(4);
            PanelControl<QTabWidget>(*frame, IDC_TABS)->setCurrentIndex(kSearchTab);
            QTest::mouseClick(PanelControl<QWidget>(*frame, IDC_MAIN_TEXT), Qt::LeftButton);
            frame->RunCommand(ID_VIEW_STATUS_BAR);
        }
        auto frame = OpenFrame(m_dir.Path());
        frame->RestoreState();
        Idle();
        QCOMPARE(frame->Splitter()->sizes().first(), 330);
        QCOMPARE(PanelControl<QLabel>(*frame, IDC_SCOPE)->text(), QStringLiteral("詩部\\詩經\\小雅"));
        QCOMPARE(frame->LeftForm()->Model().m_target, int{varo::TARGET_MAIN_TEXT});
        QVERIFY(frame->statusBar()->isHidden());

        // A layout saved on a wider screen is bounded to this one.
        auto settings = OpenSettings();
        settings->setValue(QStringLiteral("SplitterWnd/Panes_0"), QStringLiteral("-1 5000 -1 100"));
        settings.reset();
        QVERIFY(frame->Splitter()->LoadLayout(1024));
        QCOMPARE(frame->Splitter()->m_paneSize0, 1024 - ST_SplitterWnd::kMinimumViewWidth);
        OpenSettings()->setValue(QStringLiteral("SplitterWnd/Panes_0"), QStringLiteral("garbage"));
        QVERIFY(!frame->Splitter()->LoadLayout(1024));
    }

    void listsAndTree_showWholeNames()
    {
        auto frame = OpenFrame(m_dir.Path());
        CContentsTree* tree = frame->LeftForm()->ContentsTree();
        QCOMPARE(tree->ItemOf(4)->toolTip(0), QStringLiteral("詩部\\詩經\\小雅"));
        QCOMPARE(tree->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
        QCOMPARE(tree->header()->sectionResizeMode(0), QHeaderView::ResizeToContents);
        QVERIFY(tree->rootIsDecorated());

        Search(*frame, QStringLiteral("詩"));
        CSortListCtrl* results = frame->LeftForm()->ResultList();
        auto columnsWidth = [results] {
            int sum = 0;
            for (int column = 0; column < results->columnCount(); ++column)
                sum += results->columnWidth(column);
            return sum;
        };
        QVERIFY(std::abs(columnsWidth() - results->viewport()->width()) <= 4);
        frame->Splitter()->setSizes({450, frame->Splitter()->width() - 450});
        frame->LeftForm()->LayoutPanel();
        Idle();
        QVERIFY(std::abs(columnsWidth() - results->viewport()->width()) <= 4);
        const QFontMetrics metrics(results->font());
        QVERIFY(results->columnWidth(2) > metrics.horizontalAdvance(results->topLevelItem(0)->text(2)));
    }

    void smallThings()
    {
        auto frame = OpenFrame(m_dir.Path());
        // Clicking 頁 keeps the selected row selected and in view.
        Search(*frame, QStringLiteral("詩"));
        CSortListCtrl* results = frame->LeftForm()->ResultList();
        QTreeWidgetItem* chosen = results->topLevelItem(results->topLevelItemCount() - 1);
        const QVariant page = chosen->data(0, Qt::UserRole);
        results->setCurrentItem(chosen);
        QTest::mouseClick(results->header()->viewport(), Qt::LeftButton, {},
                          QPoint(results->header()->sectionViewportPosition(3) + 5, 5));
        QCOMPARE(results->selectedItems().size(), 1);
        QCOMPARE(results->selectedItems().first()->data(0, Qt::UserRole), page);

        // No Qt menu on the bars.
        QVERIFY(static_cast<QMainWindow*>(frame.get())->createPopupMenu() == nullptr);
        QCOMPARE(frame->ToolBar()->contextMenuPolicy(), Qt::PreventContextMenu);

        // F3 at the last hit and Alt+F3 at the first say so; the status bar names the page.
        Search(*frame, QStringLiteral("云"));
        results->setCurrentItem(results->topLevelItem(1));
        Idle();
        QVERIFY(!frame->Action(ID_PREVIOUS_HIT)->isEnabled());
        QTest::keyClick(frame.get(), Qt::Key_F3, Qt::AltModifier);
        QCOMPARE(frame->statusBar()->currentMessage(), QStringLiteral("これが最初の検索結果です。"));
        QVERIFY(!frame->Action(ID_NEXT_HIT)->isEnabled());
        QTest::keyClick(frame.get(), Qt::Key_F3);
        QCOMPARE(frame->statusBar()->currentMessage(), QStringLiteral("これが最後の検索結果です。"));
        auto* position = frame->statusBar()->findChild<QLabel*>(QStringLiteral("ReaderPosition"));
        QVERIFY(position->text().contains(QStringLiteral("検索結果 1 / 1")));
        frame->RunCommand(ID_VIEW_STATUS_BAR);
        QVERIFY(frame->statusBar()->isHidden());
        frame->RunCommand(ID_VIEW_STATUS_BAR);
        QVERIFY(!frame->statusBar()->isHidden());
    }

private:
    TempDir m_dir;
    QStringList m_messages;
};

QTEST_MAIN(ReaderTest)
#include "reader_test.moc"
