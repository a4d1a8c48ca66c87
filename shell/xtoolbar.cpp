#include "shell/xtoolbar.h"

#include <QActionEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionToolBar>
#include <QToolButton>
#include <QWidgetAction>

namespace {

// Buttons are their pictures alone: the hot and disabled looks are in the strips, so no panel
// or frame is drawn around them. A pressed button's picture moves down and right by a pixel.
// Separators are an engraved line and the gripper a column of dots, in the background's browns.
class CXToolBarStyle : public QProxyStyle {
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        switch (element) {
        case PE_PanelButtonTool:
        case PE_FrameButtonTool:
        case PE_PanelToolBar:
        case PE_FrameFocusRect: return;
        case PE_IndicatorToolBarSeparator: {
            const int x = option->rect.center().x();
            const int top = option->rect.top() + 7;
            const int bottom = option->rect.bottom() - 7;
            painter->fillRect(QRect(x, top, 1, bottom - top), QColor(0xa8, 0x8c, 0x62));
            painter->fillRect(QRect(x + 1, top, 1, bottom - top), QColor(0xff, 0xfa, 0xec));
            return;
        }
        case PE_IndicatorToolBarHandle: {
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            painter->setPen(Qt::NoPen);
            for (int y = option->rect.top() + 9; y + 2 < option->rect.bottom() - 7; y += 4) {
                painter->setBrush(QColor(0xff, 0xfa, 0xec));
                painter->drawEllipse(QRectF(option->rect.center().x() - 0.5, y + 0.5, 2.4, 2.4));
                painter->setBrush(QColor(0x8c, 0x70, 0x4a));
                painter->drawEllipse(QRectF(option->rect.center().x() - 1.0, y, 2.2, 2.2));
            }
            painter->restore();
            return;
        }
        default: QProxyStyle::drawPrimitive(element, option, painter, widget);
        }
    }

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        switch (metric) {
        case PM_ToolBarSeparatorExtent: return 8;
        case PM_ToolBarItemSpacing:
        case PM_ToolBarItemMargin:
        case PM_ToolBarFrameWidth: return 0;
        case PM_ToolBarHandleExtent: return 10;
        case PM_ButtonShiftHorizontal:
        case PM_ButtonShiftVertical: return 1;
        default: return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }

    // A button is its picture with a margin of 3 pixels on each side, and one more across.
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                           const QWidget* widget) const override
    {
        if (type == CT_ToolButton)
            return contents + QSize(7, 6);
        return QProxyStyle::sizeFromContents(type, option, contents, widget);
    }
};

}  // namespace

void PaintTiledBackground(QPainter& painter, const QWidget& widget, const QBrush& brush)
{
    painter.save();
    painter.setBrushOrigin(-widget.pos());
    painter.fillRect(widget.rect(), brush);
    painter.restore();
}

QBrush TilingBrush(const QString& resource)
{
    const QPixmap picture(resource);
    return picture.isNull() ? QBrush() : QBrush(picture);
}

QPixmap KeyedPixmap(const QImage& strip, QRgb key)
{
    QImage keyed = strip.convertToFormat(QImage::Format_ARGB32);
    const QRgb colour = key & RGB_MASK;
    for (int y = 0; y < keyed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x) {
            if ((line[x] & RGB_MASK) == colour)
                line[x] = 0;
        }
    }
    return QPixmap::fromImage(keyed);
}

CXToolBar::CXToolBar(QWidget* parent) : QToolBar(parent), m_style(new CXToolBarStyle)
{
    m_style->setParent(this);
    setStyle(m_style);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setIconSize(QSize(m_imageWidth, m_imageHeight));
}

CXToolBar::~CXToolBar() = default;

void CXToolBar::SetImageSize(int width, int height)
{
    m_imageWidth = width;
    m_imageHeight = height;
    setIconSize(QSize(width, height));
}

bool CXToolBar::SetBkBitmap(const QString& resource)
{
    m_bkBitmapId = resource;
    m_bkBrush = resource.isEmpty() ? QBrush() : TilingBrush(resource);
    if (m_bkBrush.style() == Qt::NoBrush) {
        m_bkBitmapId.clear();
        setMinimumHeight(0);
        setMaximumHeight(QWIDGETSIZE_MAX);
        update();
        return resource.isEmpty();
    }
    setFixedHeight(m_bkBrush.texture().height());
    update();
    return true;
}

bool CXToolBar::SetImageLists(int count, QRgb mask, const QString& normalId, const QString& disabledId,
                              const QString& hotId)
{
    const QImage strips[3] = {QImage(normalId), QImage(disabledId), QImage(hotId)};
    for (const QImage& strip : strips) {
        if (strip.isNull())
            return false;
    }
    m_imageCount = count;
    std::vector<QPixmap>* lists[3] = {&m_normalImages, &m_disabledImages, &m_hotImages};
    for (int look = 0; look < 3; ++look) {
        const QPixmap keyed = KeyedPixmap(strips[look], mask);
        lists[look]->clear();
        for (int i = 0; i < count && (i + 1) * m_imageWidth <= keyed.width(); ++i)
            lists[look]->push_back(keyed.copy(i * m_imageWidth, 0, m_imageWidth, m_imageHeight));
    }
    ApplyImages();
    return true;
}

// Image i goes to the i-th button, counting only the command buttons: separators and the
// toolbar's own controls take none. The images become the actions' icons, kept out of the menus
// that show the same actions.
void CXToolBar::ApplyImages()
{
    size_t image = 0;
    for (QAction* action : actions()) {
        if (action->isSeparator() || qobject_cast<QWidgetAction*>(action) != nullptr)
            continue;
        if (image >= m_normalImages.size())
            break;
        QIcon icon;
        icon.addPixmap(m_normalImages[image], QIcon::Normal);
        if (image < m_disabledImages.size())
            icon.addPixmap(m_disabledImages[image], QIcon::Disabled);
        if (image < m_hotImages.size())
            icon.addPixmap(m_hotImages[image], QIcon::Active);
        action->setIcon(icon);
        action->setIconVisibleInMenu(false);
        ++image;
    }
}

void CXToolBar::paintEvent(QPaintEvent* event)
{
    if (m_bkBitmapId.isEmpty()) {
        QToolBar::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.fillRect(rect(), m_bkBrush);
    QStyleOptionToolBar option;
    initStyleOption(&option);
    option.rect = style()->subElementRect(QStyle::SE_ToolBarHandle, &option, this);
    if (option.rect.isValid())
        style()->drawPrimitive(QStyle::PE_IndicatorToolBarHandle, &option, &painter, this);
}

// The buttons and separators the toolbar makes for its actions take its style; controls placed
// on the toolbar keep their own.
void CXToolBar::actionEvent(QActionEvent* event)
{
    QToolBar::actionEvent(event);
    if (event->type() != QEvent::ActionAdded || qobject_cast<QWidgetAction*>(event->action()) != nullptr)
        return;
    if (QWidget* widget = widgetForAction(event->action()))
        widget->setStyle(m_style);
    ApplyImages();
}
