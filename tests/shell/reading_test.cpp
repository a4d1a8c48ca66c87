// Reading for a long time: zoom that reflows and is kept, find in the page with its bar, and
// the hit the hit commands move to marked in a colour of its own.
#include "panel/leftform.h"
#include "panel/sortlistctrl.h"
#include "shell/commandids.h"
#include "shell/findbar.h"
#include "shell/settings.h"
#include "shell/varoview.h"
#include "tests/shell/shellfixture.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextTable>
#include <QWheelEvent>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace varo::shell;
using varo::test::OpenFrame;
using varo::test::TempDir;

namespace {

void Idle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

template <typename Control>
Control* PanelControl(CMainFrame& frame, int id)
{
    auto* control = frame.LeftForm()->findChild<Control*>(IdName(id));
    if (control == nullptr)
        qFatal("no control %d", id);
    return control;
}

// Searches and opens the first result's page, with its first hit.
void SearchAndOpen(CMainFrame& frame, const QString& keywords)
{
    PanelControl<QTabWidget>(frame, IDC_TABS)->setCurrentIndex(kSearchTab);
    QLineEdit* field = frame.LeftForm()->QueryInput()->Field();
    field->clear();
    varo::test::TypeText(field, keywords);
    QTest::mouseClick(PanelControl<QPushButton>(frame, IDC_SEARCH), Qt::LeftButton);
    CSortListCtrl* results = frame.LeftForm()->ResultList();
    results->setCurrentItem(results->topLevelItem(0));
    Idle();
}

QString StatusLabel(CMainFrame& frame, const char* name)
{
    return frame.statusBar()->findChild<QLabel*>(QString::fromLatin1(name))->text();
}

void CtrlWheel(QWidget* widget, int delta)
{
    QWheelEvent event(QPointF(10, 10), widget->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

QString TextAt(const CVaroView& view, int position, int length)
{
    QTextCursor cursor(view.document());
    cursor.setPosition(position);
    cursor.setPosition(position + length, QTextCursor::KeepAnchor);
    return cursor.selectedText();
}

}  // namespace

class ReadingTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        varo::test::IsolateSettings();
        varo::test::WriteShellCollection(m_dir.Path());
    }

    void init() { OpenSettings()->clear(); }

    // A page in a table as the template writes it: at 200 % its text takes more lines, the
    // table still spans no more than the view, and the page file keeps its bytes.
    void zoom_reflowsTheTextToTheViewsWidth()
    {
        TempDir dir;
        const std::string page =
            "<html><head><meta charset=\"utf-8\"></head><BODY><TABLE border=1 width=635><tr><TD width=80>" +
            QString(80, QChar(u'詩')).toStdString() + "</TD><TD width=450>卷</TD></tr></table></BODY></html>";
        const std::filesystem::path file = dir.Path() / "page.html";
        std::ofstream(file, std::ios::binary) << page;
        CVaroView view;
        view.resize(800, 600);
        view.show();
        view.Navigate(varo::test::ToQString(file));
        auto* table = qobject_cast<QTextTable*>(view.document()->rootFrame()->childFrames().value(0));
        QVERIFY(table != nullptr);
        const QTextBlock block = table->cellAt(0, 0).firstCursorPosition().block();
        const int lines = block.layout()->lineCount();
        const auto tableWidth = [&] { return view.document()->documentLayout()->frameBoundingRect(table).width(); };

        view.SetZoomPercent(200);
        Idle();
        QCOMPARE(view.ZoomPercent(), 200);
        QVERIFY(block.layout()->lineCount() > lines);
        QVERIFY(tableWidth() <= view.viewport()->width());
        view.SetZoomPercent(50);
        Idle();
        QVERIFY(block.layout()->lineCount() < lines);
        QVERIFY(tableWidth() <= view.viewport()->width());

        std::ostringstream bytes;
        bytes << std::ifstream(file, std::ios::binary).rdbuf();
        QCOMPARE(bytes.str(), page);
    }

    void zoom_keysWheelAndStatusBar_andTheLevelIsKept()
    {
        {
            auto frame = OpenFrame(m_dir.Path());
            CVaroView* view = frame->GetRightPane();
            QCOMPARE(StatusLabel(*frame, "ZoomLevel"), QStringLiteral("倍率 100%"));
            view->setFocus();
            QTest::keyClick(frame.get(), Qt::Key_Plus, Qt::ControlModifier);
            QCOMPARE(view->ZoomPercent(), 110);
            QTest::keyClick(frame.get(), Qt::Key_Minus, Qt::ControlModifier);
            QTest::keyClick(frame.get(), Qt::Key_Minus, Qt::ControlModifier);
            QCOMPARE(view->ZoomPercent(), 90);
            Idle();  // the update pass enables 元の大きさ
            QTest::keyClick(frame.get(), Qt::Key_0, Qt::ControlModifier);
            QCOMPARE(view->ZoomPercent(), 100);
            // The wheel turned away from the reader enlarges.
            CtrlWheel(view->viewport(), 120);
            CtrlWheel(view->viewport(), 120);
            QCOMPARE(view->ZoomPercent(), 125);
            CtrlWheel(view->viewport(), -120);
            QCOMPARE(view->ZoomPercent(), 110);
            frame->RunCommand(ID_VIEW_ZOOM_IN);
            frame->RunCommand(ID_VIEW_ZOOM_IN);
            Idle();
            QCOMPARE(StatusLabel(*frame, "ZoomLevel"), QStringLiteral("倍率 150%"));
        }
        auto frame = OpenFrame(m_dir.Path());
        frame->RestoreState();
        QCOMPARE(frame->GetRightPane()->ZoomPercent(), 150);
        // A level the store should not hold comes back within the range.
        OpenSettings()->setValue(QStringLiteral("MainFrame/Zoom"), QStringLiteral("9999"));
        frame->RestoreState();
        QCOMPARE(frame->GetRightPane()->ZoomPercent(), varo::CReadingZoom::kMaximumPercent);
        Idle();
        QVERIFY(!frame->Action(ID_VIEW_ZOOM_IN)->isEnabled());
    }

    void findBar_countsStepsWithEnterAndClosesWithEsc()
    {
        auto frame = OpenFrame(m_dir.Path());
        CVaroView* view = frame->GetRightPane();
        QVERIFY(!frame->Action(ID_EDIT_FIND)->isEnabled());  // nothing shown yet
        SearchAndOpen(*frame, QStringLiteral("云"));
        const int pageMatches = static_cast<int>(view->toPlainText().count(QChar(u'之')));
        QVERIFY(pageMatches >= 3);
        const QString all = QString::number(pageMatches);

        QTest::keyClick(frame.get(), Qt::Key_F, Qt::ControlModifier);
        CFindBar* bar = view->FindBar();
        QVERIFY(bar->isVisible());
        QVERIFY(bar->Field()->hasFocus());
        varo::test::TypeText(bar->Field(), QStringLiteral("之"));
        auto* count = bar->findChild<QLabel*>(QStringLiteral("FindCount"));
        QCOMPARE(count->text(), QStringLiteral("1 / ") + all);
        QTest::keyClick(bar->Field(), Qt::Key_Return);
        QCOMPARE(count->text(), QStringLiteral("2 / ") + all);
        QTest::keyClick(bar->Field(), Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClick(bar->Field(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(count->text(), all + QStringLiteral(" / ") + all);  // wraps around
        // Every match is marked, the current one in its own colour.
        const auto marks = view->extraSelections();
        int current = 0;
        for (const auto& mark : marks) {
            if (mark.format.background().color() == CVaroView::kCurrentFindMatchColour) {
                ++current;
                QCOMPARE(mark.cursor.selectedText(), QStringLiteral("之"));
            }
        }
        QCOMPARE(current, 1);
        QVERIFY(marks.size() >= pageMatches);

        bar->Field()->clear();
        varo::test::TypeText(bar->Field(), QStringLiteral("鹿"));
        QCOMPARE(count->text(), QStringLiteral("0 / 0"));
        QVERIFY(!bar->Field()->styleSheet().isEmpty());

        QTest::keyClick(bar->Field(), Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
        QCOMPARE(view->PageFind().Count(), 0u);
        QVERIFY(view->hasFocus());
    }

    // The page of 國風 1 holds 云 three times: F3 and Alt+F3 move the own colour from hit to
    // hit, and the status bar counts them.
    void currentHit_hasAColourOfItsOwn()
    {
        auto frame = OpenFrame(m_dir.Path());
        CVaroView* view = frame->GetRightPane();
        SearchAndOpen(*frame, QStringLiteral("云"));
        const auto first = view->CurrentHit();
        QCOMPARE(first.second, 1);
        QCOMPARE(TextAt(*view, first.first, first.second), QStringLiteral("云"));
        QTest::keyClick(frame.get(), Qt::Key_F3);
        Idle();
        const auto second = view->CurrentHit();
        QVERIFY(second.first > first.first);
        QCOMPARE(TextAt(*view, second.first, second.second), QStringLiteral("云"));
        QVERIFY(StatusLabel(*frame, "ReaderPosition").contains(QStringLiteral("検索結果 2 / ")));
        int own = 0;
        for (const auto& mark : view->extraSelections()) {
            if (mark.format.background().color() == CVaroView::kCurrentHitColour) {
                ++own;
                QCOMPARE(mark.cursor.selectionStart(), second.first);
            }
        }
        QCOMPARE(own, 1);
        QTest::keyClick(frame.get(), Qt::Key_F3, Qt::AltModifier);
        Idle();
        QCOMPARE(view->CurrentHit(), first);
    }

    // The page and volume commands have keys of their own; Page Down alone still scrolls.
    void pageAndVolumeKeys_turnPagesAndVolumes()
    {
        auto frame = OpenFrame(m_dir.Path());
        frame->LeftForm()->SelectContentsSlot(4);  // 小雅, labels 5 to 7
        Idle();
        CVaroView* view = frame->GetRightPane();
        view->setFocus();
        const auto shown = [view] { return view->toPlainText(); };
        QVERIFY(shown().contains(varo::test::kXiaoyaPages[0]));
        QTest::keyClick(view, Qt::Key_PageDown, Qt::ControlModifier);
        Idle();
        QVERIFY(shown().contains(varo::test::kXiaoyaPages[1]));
        QTest::keyClick(view, Qt::Key_PageUp, Qt::ControlModifier);
        Idle();
        QVERIFY(shown().contains(varo::test::kXiaoyaPages[0]));
        QTest::keyClick(view, Qt::Key_PageDown, Qt::ControlModifier | Qt::ShiftModifier);
        Idle();
        QVERIFY(shown().contains(QStringLiteral("離騷一")));
        QTest::keyClick(view, Qt::Key_PageUp, Qt::ControlModifier | Qt::ShiftModifier);
        Idle();
        QVERIFY(shown().contains(varo::test::kXiaoyaPages[0]));
    }

private:
    TempDir m_dir;
};

QTEST_MAIN(ReadingTest)
#include "reading_test.moc"
