// The pictures on the screen: the toolbar's buttons over its background, the page slider and
// the page indicator, and the bitmap buttons of the result list.
#include "panel/leftform.h"
#include "shell/commandids.h"
#include "shell/messagebox.h"
#include "shell/scrolltoolbar.h"
#include "shell/tooltipresourcebutton.h"
#include "shell/varo.h"
#include "shell/varoview.h"
#include "tests/shell/shellfixture.h"

#include <QAction>
#include <QHelpEvent>
#include <QStyleOptionSlider>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <QWidgetAction>

using namespace varo::shell;
using varo::test::OpenFrame;
using varo::test::TempDir;

namespace {

constexpr QRgb kKey = 0xff00ff;

QList<QToolButton*> CommandButtons(CSCrollToolBar& toolBar)
{
    QList<QToolButton*> buttons;
    for (QAction* action : toolBar.actions()) {
        if (!action->isSeparator() && qobject_cast<QWidgetAction*>(action) == nullptr)
            buttons << qobject_cast<QToolButton*>(toolBar.widgetForAction(action));
    }
    return buttons;
}

// Pixels of the toolbar's picture where image `index` of strip lies on button: the strip's own
// colour, or where the strip has the key colour, the background tiled from the toolbar's
// origin. Returns how many pixels differ.
int CountMismatches(const QImage& toolBar, const QToolButton& button, const QImage& strip, int index,
                    const QImage& background)
{
    const QPoint origin = button.geometry().topLeft() + QPoint((button.width() - 40) / 2, (button.height() - 40) / 2);
    int mismatches = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            const QPoint at = origin + QPoint(x, y);
            const QRgb own = strip.pixel(index * 40 + x, y) & RGB_MASK;
            const QRgb expected =
                own == kKey ? background.pixel(at.x() % background.width(), at.y() % background.height()) : own;
            if ((toolBar.pixel(at) & RGB_MASK) != (expected & RGB_MASK))
                ++mismatches;
        }
    }
    return mismatches;
}

int SliderX(const CXSliderCtrl& slider, int value)
{
    QStyleOptionSlider option;
    option.initFrom(&slider);
    option.orientation = Qt::Horizontal;
    option.minimum = slider.minimum();
    option.maximum = slider.maximum();
    option.sliderPosition = value;
    option.sliderValue = value;
    option.tickPosition = slider.tickPosition();
    option.rect = slider.rect();
    return slider.style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider).center().x();
}

QPoint HandleCentre(const CXSliderCtrl& slider)
{
    QStyleOptionSlider option;
    option.initFrom(&slider);
    option.orientation = Qt::Horizontal;
    option.minimum = slider.minimum();
    option.maximum = slider.maximum();
    option.sliderPosition = slider.value();
    option.sliderValue = slider.value();
    option.tickPosition = slider.tickPosition();
    option.rect = slider.rect();
    return slider.style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider).center();
}

void SendMouse(QWidget* widget, QEvent::Type type, const QPoint& at, Qt::MouseButtons held)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Which look a state of a bitmap button shows: the first picture in the strip that matches the
// button's picture, ignoring the greys that take the panel's colours.
int ShownState(CToolTipResourceButton& button, const QImage& strip)
{
    const QImage shown = button.grab().toImage();
    for (int state = 0; state < 4; ++state) {
        bool same = true;
        for (int y = 0; y < 32 && same; ++y) {
            for (int x = 0; x < 32 && same; ++x) {
                const QRgb own = strip.pixel(state * 32 + x, y) & RGB_MASK;
                if (own == 0xc0c0c0 || own == 0x808080 || own == 0xdfdfdf)
                    continue;
                same = (shown.pixel(x, y) & RGB_MASK) == own;
            }
        }
        if (same)
            return state;
    }
    return -1;
}

}  // namespace

class ToolBarTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        varo::test::WriteShellCollection(m_dir.Path());
        SetMessageBoxInterceptor([this](const QString& text) { m_messages << text; });
    }

    void buttons_showTheirPicturesOverTheBackgroundInEachLook()
    {
        auto frame = OpenFrame(m_dir.Path());
        CSCrollToolBar& toolBar = *frame->ToolBar();
        const QImage background(kToolBarBackground);
        const QImage normal(kToolBarNormalImages);
        const QImage disabled(kToolBarDisabledImages);
        const QImage hot(kToolBarHotImages);
        QCOMPARE(background.size(), QSize(600, 47));
        QCOMPARE(normal.size(), QSize(400, 40));
        QCOMPARE(toolBar.height(), 47);
        // A volume makes the page and volume buttons take both looks.
        frame->LeftForm()->SelectContentsSlot(4);
        frame->UpdateCommandUI();

        const QList<QToolButton*> buttons = CommandButtons(toolBar);
        QCOMPARE(buttons.size(), 10);
        const QImage picture = toolBar.grab().toImage();
        int enabled = 0;
        for (int i = 0; i < buttons.size(); ++i) {
            const bool on = buttons[i]->isEnabled();
            enabled += on ? 1 : 0;
            QCOMPARE(buttons[i]->size(), QSize(47, 46));
            const int wrong = CountMismatches(picture, *buttons[i], on ? normal : disabled, i, background);
            QVERIFY2(wrong == 0, qPrintable(QStringLiteral("button %1: %2 pixels differ").arg(i).arg(wrong)));
        }
        QVERIFY(enabled > 0 && enabled < buttons.size());
        // The slider and the indicator continue the background where they draw nothing.
        for (QWidget* control : {static_cast<QWidget*>(toolBar.Slider()), static_cast<QWidget*>(toolBar.PageText())}) {
            for (int x = control->x(); x < control->x() + control->width(); ++x) {
                const QPoint at(x, control->y() + 1);
                QCOMPARE(picture.pixel(at) & RGB_MASK, background.pixel(x % background.width(), at.y()) & RGB_MASK);
            }
        }

        // Under the mouse the About button takes its hot picture.
        QToolButton* about = buttons.last();
        QTest::mouseMove(about, about->rect().center());
        QTRY_VERIFY(about->underMouse());
        const int wrong = CountMismatches(toolBar.grab().toImage(), *about, hot, 9, background);
        QVERIFY2(wrong == 0, qPrintable(QStringLiteral("%1 pixels differ").arg(wrong)));
    }

    void slider_beforeAnyVolume_hasNoRangeAndShowsNothing()
    {
        auto frame = OpenFrame(m_dir.Path());
        CXSliderCtrl* slider = frame->ToolBar()->Slider();
        QCOMPARE(slider->objectName(), QStringLiteral("101"));
        QCOMPARE(slider->width(), 300);
        QCOMPARE(std::make_pair(slider->minimum(), slider->maximum()), std::make_pair(0, 0));
        QCOMPARE(frame->ToolBar()->PageText()->text(), QString());
        QTest::keyClick(slider, Qt::Key_Right);
        QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(250, slider->height() / 2));
        QVERIFY(frame->GetRightPane()->IsBlank());
        QCOMPARE(frame->LeftForm()->Model().m_curPage, 0);
    }

    void slider_showsThePageOnceWhenTheThumbIsReleasedOrAKeyComesUp()
    {
        auto frame = OpenFrame(m_dir.Path());
        CXSliderCtrl* slider = frame->ToolBar()->Slider();
        CXEdit* indicator = frame->ToolBar()->PageText();
        CVaroView* view = frame->GetRightPane();
        const varo::CLeftFormModel& panel = frame->LeftForm()->Model();
        const QString header = QString::number(panel.m_index.GetHeaderWord());
        frame->LeftForm()->SelectContentsSlot(4);  // 小雅, labels 5 .. 7
        QCOMPARE(std::make_pair(slider->minimum(), slider->maximum()), std::make_pair(5, 7));
        QCOMPARE(slider->value(), 5);
        QCOMPARE(indicator->text(), header + QStringLiteral("/5"));
        QVERIFY(indicator->isReadOnly() && !indicator->hasFrame());

        // Dragging moves the thumb only; letting it go shows the page.
        const QPoint grip = HandleCentre(*slider);
        SendMouse(slider, QEvent::MouseButtonPress, grip, Qt::LeftButton);
        SendMouse(slider, QEvent::MouseMove, QPoint(SliderX(*slider, 6), grip.y()), Qt::LeftButton);
        QCOMPARE(slider->value(), 6);
        QVERIFY(view->toPlainText().contains(varo::test::kXiaoyaPages[0]));
        SendMouse(slider, QEvent::MouseButtonRelease, QPoint(SliderX(*slider, 6), grip.y()), Qt::NoButton);
        QVERIFY(view->toPlainText().contains(varo::test::kXiaoyaPages[1]));
        QCOMPARE(panel.m_curPage, 6);
        QCOMPARE(indicator->text(), header + QStringLiteral("/6"));

        // A key moves the thumb at once and the page when it comes up; repeats do not count.
        slider->setFocus();
        QTest::keyPress(slider, Qt::Key_Right);
        QCOMPARE(slider->value(), 7);
        QTest::sendKeyEvent(QTest::Release, slider, Qt::Key_Right, QString(), Qt::NoModifier);
        QVERIFY(view->toPlainText().contains(varo::test::kXiaoyaPages[2]));
        QCOMPARE(indicator->text(), header + QStringLiteral("/7"));
        QVERIFY(frame->IsCommandEnabled(ID_PREVIOUS_PAGE) && !frame->IsCommandEnabled(ID_NEXT_PAGE));

        // The page commands move the thumb and the indicator too.
        frame->RunCommand(ID_PREVIOUS_PAGE);
        QCOMPARE(slider->value(), 6);
        QCOMPARE(indicator->text(), header + QStringLiteral("/6"));
    }

    // Going back past the first volume leaves no current volume but the slider its range: a
    // move then shows nothing.
    void slider_withoutCurrentVolume_changesNothingButTheThumb()
    {
        m_messages.clear();
        auto frame = OpenFrame(m_dir.Path());
        CXSliderCtrl* slider = frame->ToolBar()->Slider();
        frame->LeftForm()->SelectContentsSlot(3);
        frame->LeftForm()->Model().PreviousVolume();
        QCOMPARE(frame->LeftForm()->Model().m_curRecord, 0);
        QCOMPARE(m_messages.size(), 1);
        const QString shown = frame->GetRightPane()->GetLocationURL();
        const QString text = frame->GetRightPane()->toPlainText();
        QTest::keyClick(slider, Qt::Key_End);
        QCOMPARE(slider->value(), slider->maximum());
        QCOMPARE(frame->GetRightPane()->GetLocationURL(), shown);
        QCOMPARE(frame->GetRightPane()->toPlainText(), text);
        QCOMPARE(frame->LeftForm()->Model().m_curPage, 1);
    }

    void toolBar_hidesAndShowsFromTheMenuAndDocksAtTheBottom()
    {
        auto frame = OpenFrame(m_dir.Path());
        frame->Action(ID_VIEW_TOOLBAR)->trigger();
        QVERIFY(frame->ToolBar()->isHidden());
        frame->Action(ID_VIEW_TOOLBAR)->trigger();
        QVERIFY(!frame->ToolBar()->isHidden());
        QCOMPARE(frame->toolBarArea(frame->ToolBar()), Qt::TopToolBarArea);
        QVERIFY(frame->ToolBar()->isAreaAllowed(Qt::BottomToolBarArea));
        QVERIFY(!frame->ToolBar()->isAreaAllowed(Qt::LeftToolBarArea));
        frame->addToolBar(Qt::BottomToolBarArea, frame->ToolBar());
        QCOMPARE(frame->toolBarArea(frame->ToolBar()), Qt::BottomToolBarArea);
        QCOMPARE(frame->ToolBar()->height(), 47);
    }

    void resourceButton_showsThePictureOfEachState()
    {
        const QImage strip(QStringLiteral(":/paging-next.png"));
        QCOMPARE(strip.size(), QSize(128, 32));
        QWidget panel;
        auto* button = new CToolTipResourceButton(QStringLiteral(">"), &panel);
        button->move(20, 20);
        panel.resize(120, 80);
        QVERIFY(button->LoadStateBitmap(QStringLiteral(":/paging-next.png")));
        QCOMPARE(button->size(), QSize(32, 32));
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        // The corners are the panel's own colour.
        QCOMPARE(button->grab().toImage().pixelColor(0, 0), panel.palette().color(QPalette::Window));

        QCOMPARE(ShownState(*button, strip), 0);
        QTest::mouseMove(button, QPoint(16, 16));
        QTRY_VERIFY(button->IsHover());
        QCOMPARE(ShownState(*button, strip), 2);
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(16, 16));
        QCOMPARE(ShownState(*button, strip), 1);
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(16, 16));
        QTest::mouseMove(&panel, QPoint(100, 70));
        QTRY_VERIFY(!button->IsHover());
        QCOMPARE(ShownState(*button, strip), 0);
        button->setEnabled(false);
        QCOMPARE(ShownState(*button, strip), 3);
        QTest::mouseMove(button, QPoint(16, 16));
        QCOMPARE(ShownState(*button, strip), 3);
    }

    void resourceButton_withoutItsPicture_keepsItsSizeAndLook()
    {
        CToolTipResourceButton button(QStringLiteral("<"));
        button.resize(40, 30);
        QVERIFY(!button.LoadStateBitmap(QStringLiteral(":/no-such-picture.png")));
        QCOMPARE(button.size(), QSize(40, 30));
        QVERIFY(!button.grab().isNull());
    }

    void toolTipButton_hasOneTipWhoseTextChangesAndThatCanBeSwitchedOff()
    {
        CToolTipResourceButton button(QStringLiteral("<"));
        button.resize(32, 32);
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        auto tipShown = [&button] {
            QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), button.mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(&button, &help);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        QCOMPARE(tipShown(), QString());
        button.SetTipText(QStringLiteral("Previous Page"), true);
        QCOMPARE(tipShown(), QStringLiteral("Previous Page"));
        button.SetTipText(QStringLiteral("Next Page"), true);
        QCOMPARE(tipShown(), QStringLiteral("Next Page"));
        button.SetTipText(std::nullopt, false);
        QCOMPARE(tipShown(), QStringLiteral("Next Page"));
        button.SetTipText(QStringLiteral("Next Page"), false);
        QTRY_COMPARE(tipShown(), QString());
    }

    void panelPagingButtons_areThePictureButtonsWithTheirTips()
    {
        auto frame = OpenFrame(m_dir.Path());
        const std::pair<int, QString> expected[] = {{IDC_PREVIOUS_LIST_PAGE, QStringLiteral("前の一覧頁")},
                                                    {IDC_NEXT_LIST_PAGE, QStringLiteral("次の一覧頁")}};
        for (const auto& [id, tip] : expected) {
            auto* button = frame->LeftForm()->findChild<CToolTipResourceButton*>(IdName(id));
            QVERIFY(button != nullptr);
            QCOMPARE(button->size(), QSize(32, 32));
            QCOMPARE(button->TipText(), tip);
            QVERIFY(button->IsTipActive());
        }
    }

private:
    TempDir m_dir;
    QStringList m_messages;
};

QTEST_MAIN(ToolBarTest)
#include "toolbar_test.moc"
