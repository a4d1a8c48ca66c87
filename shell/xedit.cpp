#include "shell/xedit.h"

#include "shell/xtoolbar.h"

#include <QPainter>

CXEdit::CXEdit(QWidget* parent) : QLineEdit(parent) {}

bool CXEdit::SetBkBitmap(const QString& resource)
{
    m_bkBitmapId = resource;
    m_bkBrush = resource.isEmpty() ? QBrush() : TilingBrush(resource);
    if (m_bkBrush.style() == Qt::NoBrush)
        m_bkBitmapId.clear();
    // The box's own base colour would cover the picture.
    QPalette colours = palette();
    colours.setBrush(QPalette::Base,
                     m_bkBitmapId.isEmpty() ? QPalette().brush(QPalette::Base) : QBrush(Qt::transparent));
    colours.setColor(QPalette::Text,
                     m_bkBitmapId.isEmpty() ? QPalette().color(QPalette::Text) : QColor(0x2e, 0x26, 0x20));
    setPalette(colours);
    update();
    return !m_bkBitmapId.isEmpty() || resource.isEmpty();
}

void CXEdit::paintEvent(QPaintEvent* event)
{
    if (!m_bkBitmapId.isEmpty()) {
        QPainter painter(this);
        PaintTiledBackground(painter, *this, m_bkBrush);
    }
    QLineEdit::paintEvent(event);
}
