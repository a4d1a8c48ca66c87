#include "shell/tooltipresourcebutton.h"

#include <QPainter>

namespace {

enum StatePicture { kNormal = 0, kPressed = 1, kMouseOver = 2, kDisabled = 3 };

QImage MapSystemGreys(const QImage& picture, const QPalette& colours)
{
    QImage mapped = picture.convertToFormat(QImage::Format_RGB32);
    const QRgb shadow = colours.color(QPalette::Dark).rgb();
    const QRgb face = colours.color(QPalette::Window).rgb();
    const QRgb light = colours.color(QPalette::Midlight).rgb();
    for (int y = 0; y < mapped.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(mapped.scanLine(y));
        for (int x = 0; x < mapped.width(); ++x) {
            switch (line[x] & RGB_MASK) {
            case 0x808080: line[x] = shadow; break;
            case 0xc0c0c0: line[x] = face; break;
            case 0xdfdfdf: line[x] = light; break;
            default: break;
            }
        }
    }
    return mapped;
}

}  // namespace

bool CToolTipResourceButton::LoadStateBitmap(const QString& resource)
{
    const QImage picture(resource);
    if (picture.isNull() || picture.width() < 4)
        return false;
    m_stateBitmap = QPixmap::fromImage(MapSystemGreys(picture, palette()));
    m_stateWidth = picture.width() / 4;
    m_stateHeight = picture.height();
    resize(m_stateWidth, m_stateHeight);
    update();
    return true;
}

void CToolTipResourceButton::paintEvent(QPaintEvent* event)
{
    if (m_stateBitmap.isNull()) {
        QPushButton::paintEvent(event);
        return;
    }
    int state = kNormal;
    if (!isEnabled())
        state = kDisabled;
    else if (isDown())
        state = kPressed;
    else if (m_hover)
        state = kMouseOver;
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_stateBitmap, state * m_stateWidth, 0, m_stateWidth, m_stateHeight);
}

void CToolTipResourceButton::enterEvent(QEnterEvent* event)
{
    m_hover = true;
    update();
    CToolTipButton::enterEvent(event);
}

void CToolTipResourceButton::leaveEvent(QEvent* event)
{
    m_hover = false;
    update();
    CToolTipButton::leaveEvent(event);
}
