// The small pictures: the contents tree's volumes, the application icons and the slider cursor.
#include "tools/art/artstyle.h"
#include "tools/art/pictures.h"

#include <QPainterPath>

namespace art {

namespace {

// An open volume: two pages spread from the spine over the indigo cover.
void DrawOpenVolume(QPainter& p, const InkPaletteTag& c)
{
    QPainterPath cover;
    cover.moveTo(0.8, 6.2);
    cover.lineTo(10, 8.0);
    cover.lineTo(19.2, 6.2);
    cover.lineTo(19.2, 17.6);
    cover.lineTo(10, 19.3);
    cover.lineTo(0.8, 17.6);
    cover.closeSubpath();
    p.setPen(QPen(c.ink, 0.9));
    p.setBrush(c.cover);
    p.drawPath(cover);
    for (int side : {-1, 1}) {
        QPainterPath page;
        page.moveTo(10, 7.0);
        page.cubicTo(10 + side * 3, 4.6, 10 + side * 6, 4.2, 10 + side * 8.6, 4.8);
        page.lineTo(10 + side * 8.6, 16.0);
        page.cubicTo(10 + side * 6, 15.4, 10 + side * 3, 15.8, 10, 18.0);
        page.closeSubpath();
        p.setPen(QPen(c.ink, 0.9));
        p.setBrush(c.paper);
        p.drawPath(page);
        p.setPen(QPen(c.inkSoft, 1.0));
        for (int column = 0; column < 3; ++column) {
            const double x = 10 + side * (2.6 + column * 2.0);
            p.drawLine(QPointF(x, 6.8), QPointF(x, column == 2 ? 10.5 : 14.2));
        }
    }
    p.setPen(QPen(c.accent, 1.2));
    p.drawLine(QPointF(10, 7.4), QPointF(10, 17.6));
}

// A thread-bound volume with a seal over its lower right corner; the seal holds a magnifier.
void DrawEmblem(QPainter& p, double size, const InkPaletteTag& c, bool detailed)
{
    const double u = size / 48.0;
    DrawBoundVolume(p, QRectF(7 * u, 4 * u, 26 * u, 36 * u), c, std::max(1.0, 1.9 * u));
    const QRectF seal(24 * u, 23 * u, 21 * u, 21 * u);
    DrawSealPlate(p, seal, c.accent, c.paper, 128);
    if (!detailed)
        return;
    p.setPen(QPen(c.paper, 2.6 * u, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(32.6 * u, 31.6 * u), 4.8 * u, 4.8 * u);
    p.setPen(QPen(c.paper, 3.2 * u, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(36.2 * u, 35.2 * u), QPointF(40.6 * u, 39.6 * u));
}

}  // namespace

QImage VolumeImage(bool open)
{
    QImage canvas = NewCanvas(20, 20);
    QPainter p(&canvas);
    BeginSmooth(p);
    if (open)
        DrawOpenVolume(p, NormalPalette());
    else
        DrawBoundVolume(p, QRectF(3.5, 1.5, 12, 16), NormalPalette(), 1.0);
    return canvas;
}

QImage ApplicationIcon(int size)
{
    QImage canvas = NewCanvas(size, size);
    QPainter p(&canvas);
    BeginSmooth(p);
    DrawEmblem(p, size, NormalPalette(), size >= 32);
    return canvas;
}

// The small icon shows the seal alone, which still reads at 16 pixels.
QImage SmallIcon()
{
    QImage canvas = NewCanvas(32, 32);
    QPainter p(&canvas);
    BeginSmooth(p);
    const InkPaletteTag c = NormalPalette();
    DrawSealPlate(p, QRectF(2, 2, 28, 28), c.accent, c.paper, 143);
    p.setPen(QPen(c.paper, 3.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(14, 14), 6.2, 6.2);
    p.setPen(QPen(c.paper, 4.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(18.8, 18.8), QPointF(24.5, 24.5));
    return canvas;
}

// A double arrow across, the way the pages move, in ink with a paper halo.
QImage SliderCursor()
{
    QImage canvas = NewCanvas(32, 32);
    QPainter p(&canvas);
    BeginSmooth(p);
    QPainterPath arrow;
    arrow.moveTo(4, 16);
    arrow.lineTo(28, 16);
    arrow.moveTo(9.5, 10.5);
    arrow.lineTo(4, 16);
    arrow.lineTo(9.5, 21.5);
    arrow.moveTo(22.5, 10.5);
    arrow.lineTo(28, 16);
    arrow.lineTo(22.5, 21.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kPaper, 5.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(arrow);
    p.setPen(QPen(kInk, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(arrow);
    p.setPen(QPen(kPaper, 1.2));
    p.setBrush(kVermilion);
    p.drawEllipse(QPointF(16, 16), 3.2, 3.2);
    return canvas;
}

}  // namespace art
