#include "shell/xsliderctrl.h"

#include "shell/xtoolbar.h"

#include <QKeyEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionSlider>
#include <QToolTip>

#include <algorithm>

namespace {

bool IsMovingKey(int key)
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End: return true;
    default: return false;
    }
}

// A thumb large enough to take hold of: 12 pixels along the groove, 20 across.
class CXSliderStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        switch (metric) {
        case PM_SliderLength: return 12;
        case PM_SliderThickness: return 20;
        case PM_SliderTickmarkOffset: return 5;
        default: return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }
};

const QColor kGrooveShadow(0x9c, 0x7f, 0x55);
const QColor kGrooveFill(0xdc, 0xcb, 0xa6);
const QColor kGrooveLight(0xff, 0xfa, 0xec);
const QColor kTick(0x8c, 0x74, 0x56);
const QColor kThumb(0xb8, 0x34, 0x2a);
const QColor kThumbEdge(0x6e, 0x1c, 0x14);

}  // namespace

CXSliderCtrl::CXSliderCtrl(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    auto* style = new CXSliderStyle;
    style->setParent(this);
    setStyle(style);
    setTickPosition(QSlider::TicksBelow);
    setTickInterval(1);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QSlider::actionTriggered, this, &CXSliderCtrl::OnScrolled);
    connect(this, &QSlider::sliderMoved, this, &CXSliderCtrl::OnDragged);
    connect(this, &QSlider::sliderReleased, this, &CXSliderCtrl::EndScroll);
}

bool CXSliderCtrl::SetBkBitmap(const QString& resource)
{
    m_bkBitmapId = resource;
    m_bkBrush = resource.isEmpty() ? QBrush() : TilingBrush(resource);
    if (m_bkBrush.style() == Qt::NoBrush)
        m_bkBitmapId.clear();
    update();
    return !m_bkBitmapId.isEmpty() || resource.isEmpty();
}

// Every move shows the slider's cursor until the move ends.
void CXSliderCtrl::OnScrolled()
{
    if (m_scrollCursor)
        setCursor(*m_scrollCursor);
}

void CXSliderCtrl::OnDragged(int position)
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    QToolTip::showText(mapToGlobal(QPoint(handle.center().x(), handle.top() - 4)), QString::number(position), this);
}

void CXSliderCtrl::EndScroll()
{
    QToolTip::hideText();
    if (m_scrollCursor)
        unsetCursor();
    emit scrollEnded();
}

// A held arrow key repeats its press; the move ends with the one release that is not a repeat.
void CXSliderCtrl::keyReleaseEvent(QKeyEvent* event)
{
    QSlider::keyReleaseEvent(event);
    if (IsMovingKey(event->key()) && !event->isAutoRepeat())
        EndScroll();
}

// The release that ends a drag already ended the move (sliderReleased); any other release ends
// a click on the slider.
void CXSliderCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    const bool dragging = isSliderDown();
    QSlider::mouseReleaseEvent(event);
    if (!dragging && event->button() == Qt::LeftButton)
        EndScroll();
}

void CXSliderCtrl::wheelEvent(QWheelEvent* event)
{
    const int before = value();
    QSlider::wheelEvent(event);
    if (value() != before)
        EndScroll();
}

int CXSliderCtrl::TickX(const QStyleOptionSlider& option, int value) const
{
    QStyleOptionSlider at = option;
    at.sliderPosition = value;
    at.sliderValue = value;
    return style()->subControlRect(QStyle::CC_Slider, &at, QStyle::SC_SliderHandle, this).center().x();
}

// A groove cut into the paper, a tick under every position and a vermilion thumb; positions are
// the style's, so the mouse meets the thumb where it is drawn.
void CXSliderCtrl::paintEvent(QPaintEvent* event)
{
    if (m_bkBitmapId.isEmpty()) {
        QSlider::paintEvent(event);
        return;
    }
    QPainter painter(this);
    PaintTiledBackground(painter, *this, m_bkBrush);
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int left = TickX(option, minimum());
    const int right = TickX(option, maximum());
    const int grooveY = handle.center().y() - 2;
    const int grooveLeft = std::min(left, rect().left() + 6);
    const int grooveRight = std::max(right, rect().right() - 6);
    painter.fillRect(QRect(grooveLeft, grooveY, grooveRight - grooveLeft + 1, 4), kGrooveFill);
    painter.fillRect(QRect(grooveLeft, grooveY, grooveRight - grooveLeft + 1, 1), kGrooveShadow);
    painter.fillRect(QRect(grooveLeft, grooveY + 4, grooveRight - grooveLeft + 1, 1), kGrooveLight);

    if (tickPosition() != QSlider::NoTicks && maximum() > minimum()) {
        const int tickTop = handle.bottom() + 2;
        for (int value = minimum(); value <= maximum(); value += std::max(1, tickInterval())) {
            const int x = TickX(option, value);
            const bool end = value == minimum() || value == maximum();
            painter.fillRect(QRect(x, tickTop, 1, end ? 5 : 3), kTick);
        }
    }

    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = isEnabled() ? kThumb : QColor(0xb4, 0xaa, 0x9c);
    if (isSliderDown())
        fill = fill.darker(115);
    else if (underMouse())
        fill = fill.lighter(115);
    const QRectF thumb = QRectF(handle).adjusted(1.5, 0.5, -1.5, -0.5);
    painter.setPen(QPen(isEnabled() ? kThumbEdge : fill.darker(130), 1.0));
    painter.setBrush(fill);
    painter.drawRoundedRect(thumb, 2.5, 2.5);
    painter.setPen(QPen(kGrooveLight, 1.0));
    painter.drawLine(QPointF(thumb.center().x(), thumb.top() + 4), QPointF(thumb.center().x(), thumb.bottom() - 4));
    if (hasFocus()) {
        painter.setPen(QPen(QColor(0xc9, 0xa2, 0x4a), 1.2, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(thumb.adjusted(-2.5, -2.0, 2.5, 2.0), 3.5, 3.5);
    }
}
