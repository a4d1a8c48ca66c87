// The toolbar: its background band and the ten command pictures in their three looks, and the
// paging buttons of the result list.
#include "tools/art/artstyle.h"
#include "tools/art/pictures.h"

#include <QPainterPath>

#include <algorithm>
#include <functional>

namespace art {

namespace {

constexpr int kBandWidth = 600;
constexpr int kBandHeight = 47;
constexpr int kImageSize = 40;
// The toolbar draws its button images this far below its top edge.
constexpr int kImageTop = 3;

// A mounting band of warm paper, lit along the top, closed at the bottom by the double rule of
// a block-printed page: a thin line, a gap, a thick line.
QColor BandColour(int row)
{
    if (row == 0)
        return QColor(0xfc, 0xf7, 0xe8);
    if (row == 43)
        return QColor(0xa8, 0x89, 0x5c);
    if (row == 44)
        return QColor(0xec, 0xdf, 0xc0);
    if (row >= 45)
        return QColor(0x6f, 0x53, 0x32);
    const double t = (row - 1) / 41.0;
    auto mix = [t](int top, int bottom) { return static_cast<int>(top + (bottom - top) * t); };
    return QColor(mix(0xf5, 0xe9), mix(0xec, 0xda), mix(0xd5, 0xb6));
}

using IconDrawer = std::function<void(QPainter&, const InkPaletteTag&)>;

void SelectAllIcon(QPainter& p, const InkPaletteTag& c)
{
    const QRectF sheet(10, 6, 20, 28);
    DrawSheet(p, sheet, c, 3);
    QColor wash = c.accent;
    wash.setAlpha(48);
    p.fillRect(sheet.adjusted(3, 3, -3, -3), wash);
    p.setPen(QPen(c.accent, 2.4, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    const double l = 5, t = 3, r = 35, b = 37, arm = 7;
    p.drawPolyline(QPolygonF({QPointF(l, t + arm), QPointF(l, t), QPointF(l + arm, t)}));
    p.drawPolyline(QPolygonF({QPointF(r - arm, t), QPointF(r, t), QPointF(r, t + arm)}));
    p.drawPolyline(QPolygonF({QPointF(l, b - arm), QPointF(l, b), QPointF(l + arm, b)}));
    p.drawPolyline(QPolygonF({QPointF(r - arm, b), QPointF(r, b), QPointF(r, b - arm)}));
}

void CopyIcon(QPainter& p, const InkPaletteTag& c)
{
    InkPaletteTag back = c;
    back.paper = c.paperShade;
    DrawSheet(p, QRectF(15, 4, 19, 25), back, 3);
    DrawSheet(p, QRectF(6, 11, 19, 25), c, 3);
}

void PrintIcon(QPainter& p, const InkPaletteTag& c)
{
    DrawSheet(p, QRectF(12, 3, 16, 15), c, 2, 1.2);
    QLinearGradient body(0, 14, 0, 30);
    body.setColorAt(0, c.paperShade);
    body.setColorAt(1, c.paperShade.darker(118));
    p.setPen(QPen(c.ink, 1.5));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(4, 14, 32, 15), 3, 3);
    p.setPen(QPen(c.ink, 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9, 25), QPointF(31, 25));
    DrawSheet(p, QRectF(11, 25, 18, 12), c, 3, 1.2);
    p.setPen(Qt::NoPen);
    p.setBrush(c.accent);
    p.drawEllipse(QPointF(31, 18.5), 1.7, 1.7);
}

void PreviousVolumeIcon(QPainter& p, const InkPaletteTag& c)
{
    DrawBoundVolume(p, QRectF(15.5, 5.5, 18, 27), c);
    DrawChevron(p, 13, 20, -1, 13, c, 2.6);
    DrawChevron(p, 7, 20, -1, 13, c, 2.6);
}

void NextVolumeIcon(QPainter& p, const InkPaletteTag& c)
{
    DrawBoundVolume(p, QRectF(5.5, 5.5, 18, 27), c);
    DrawChevron(p, 27, 20, 1, 13, c, 2.6);
    DrawChevron(p, 33, 20, 1, 13, c, 2.6);
}

void PreviousPageIcon(QPainter& p, const InkPaletteTag& c)
{
    DrawSheet(p, QRectF(14, 5, 20, 30), c, 3);
    DrawChevron(p, 9, 20, -1, 16, c, 3.0);
}

void NextPageIcon(QPainter& p, const InkPaletteTag& c)
{
    DrawSheet(p, QRectF(6, 5, 20, 30), c, 3);
    DrawChevron(p, 31, 20, 1, 16, c, 3.0);
}

// A magnifier over a written sheet, with a chevron for the direction through the page's hits.
void HitIcon(QPainter& p, const InkPaletteTag& c, int direction)
{
    DrawSheet(p, QRectF(4, 4, 19, 29), c, 3);
    const QPointF centre(20, 19);
    p.setPen(QPen(c.ink, 4.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(26, 25), QPointF(33.5, 32.5));
    QColor glass = c.glass;
    glass.setAlpha(215);
    p.setPen(QPen(c.ink, 2.4));
    p.setBrush(glass);
    p.drawEllipse(centre, 8.2, 8.2);
    p.setPen(Qt::NoPen);
    p.setBrush(c.accent);
    p.drawRect(QRectF(17.5, 15.5, 5, 2.4));
    p.drawRect(QRectF(17.5, 20.0, 5, 2.4));
    DrawChevron(p, 33, direction < 0 ? 10 : 11, direction < 0 ? -2 : 2, 11, c, 2.6);
}

void AboutIcon(QPainter& p, const InkPaletteTag& c)
{
    DrawSealPlate(p, QRectF(7, 7, 26, 26), c.accent, c.paper, 57664);
    p.setPen(Qt::NoPen);
    p.setBrush(c.paper);
    p.drawEllipse(QPointF(20, 13.2), 2.5, 2.5);
    QPainterPath stem;
    stem.addRect(QRectF(18.1, 17.4, 3.8, 9.2));
    stem.addRect(QRectF(15.6, 17.4, 4.0, 1.9));
    stem.addRect(QRectF(15.3, 25.6, 9.4, 2.0));
    stem.setFillRule(Qt::WindingFill);
    p.drawPath(stem);
}

// In toolbar order: select all, copy, print, previous volume, previous page, next page, next
// volume, previous hit, next hit, about.
std::vector<IconDrawer> CommandIcons()
{
    return {
        SelectAllIcon,
        CopyIcon,
        PrintIcon,
        PreviousVolumeIcon,
        PreviousPageIcon,
        NextPageIcon,
        NextVolumeIcon,
        [](QPainter& p, const InkPaletteTag& c) { HitIcon(p, c, -1); },
        [](QPainter& p, const InkPaletteTag& c) { HitIcon(p, c, 1); },
        AboutIcon,
    };
}

// Under the mouse a button rises as a lighter tablet edged in gold.
void HotTablet(QPainter& p)
{
    p.setPen(QPen(kGold, 1.2));
    p.setBrush(QColor(0xff, 0xf9, 0xea));
    p.drawRoundedRect(QRectF(1.0, 1.0, 38, 38), 4.5, 4.5);
}

std::vector<QColor> RowMatte(const QImage& background)
{
    std::vector<QColor> matte;
    for (int j = 0; j < kImageSize; ++j) {
        const int row = std::min(kImageTop + j, background.height() - 1);
        long sum[3] = {};
        for (int x = 0; x < background.width(); ++x) {
            const QRgb pixel = background.pixel(x, row);
            sum[0] += qRed(pixel);
            sum[1] += qGreen(pixel);
            sum[2] += qBlue(pixel);
        }
        const long n = std::max(background.width(), 1);
        matte.emplace_back(static_cast<int>(sum[0] / n), static_cast<int>(sum[1] / n), static_cast<int>(sum[2] / n));
    }
    return matte;
}

}  // namespace

QImage ToolBarBackground()
{
    QImage band(kBandWidth, kBandHeight, QImage::Format_ARGB32);
    for (int y = 0; y < kBandHeight; ++y) {
        const QRgb colour = BandColour(y).rgb();
        for (int x = 0; x < kBandWidth; ++x)
            band.setPixel(x, y, colour);
    }
    AddPaperGrain(band, QRect(0, 1, kBandWidth, 42), 171, kBandWidth, 0.8);
    return band.convertToFormat(QImage::Format_RGB888);
}

std::array<QImage, 3> ToolBarStrips(const QImage& background)
{
    const std::vector<IconDrawer> icons = CommandIcons();
    const std::vector<QColor> matte = RowMatte(background);
    const InkPaletteTag looks[3] = {NormalPalette(), DisabledPalette(), HotPalette()};
    std::array<QImage, 3> strips;
    for (int look = 0; look < 3; ++look) {
        QImage strip(kImageSize * static_cast<int>(icons.size()), kImageSize, QImage::Format_RGB888);
        QPainter stripPainter(&strip);
        for (size_t i = 0; i < icons.size(); ++i) {
            QImage canvas = NewCanvas(kImageSize, kImageSize);
            QPainter painter(&canvas);
            BeginSmooth(painter);
            if (look == 2)
                HotTablet(painter);
            icons[i](painter, looks[look]);
            painter.end();
            stripPainter.drawImage(static_cast<int>(i) * kImageSize, 0, KeyOnMagenta(canvas, matte));
        }
        stripPainter.end();
        strips[static_cast<size_t>(look)] = strip;
    }
    return strips;
}

namespace {

// The greys that loading maps to the desktop's 3D colours; a plate must not hit them by chance.
bool IsSystemGrey(QRgb pixel)
{
    const int r = qRed(pixel);
    return r == qGreen(pixel) && r == qBlue(pixel) && (r == 128 || r == 192 || r == 223);
}

QImage PagingState(int direction, int state)
{
    const int size = 32;
    InkPaletteTag colours = state == 3 ? DisabledPalette() : state == 2 ? HotPalette() : NormalPalette();
    QImage canvas = NewCanvas(size, size);
    QPainter p(&canvas);
    BeginSmooth(p);
    QLinearGradient plate(0, 0, 0, size);
    plate.setColorAt(0, state == 1 ? colours.paperShade : colours.paper);
    plate.setColorAt(1, state == 1 ? colours.paperShade.darker(112) : colours.paperShade);
    p.setPen(QPen(state == 2 ? kGold : colours.inkSoft, state == 2 ? 1.6 : 1.0));
    p.setBrush(plate);
    p.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), 4, 4);
    const double shift = state == 1 ? 1.0 : 0.0;
    DrawChevron(p, 16 + shift + direction * 0.5, 16 + shift, direction, 14, colours, 3.2);
    p.end();
    const QImage flat = canvas.convertToFormat(QImage::Format_ARGB32);

    // Corners are the face grey exactly, so that they take the panel's own colour.
    QImage picture(size, size, QImage::Format_RGB888);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const QRgb pixel = flat.pixel(x, y);
            if (qAlpha(pixel) < 128) {
                picture.setPixel(x, y, qRgb(192, 192, 192));
                continue;
            }
            QRgb colour = qRgb(qRed(pixel), qGreen(pixel), qBlue(pixel));
            if (IsSystemGrey(colour))
                colour = qRgb(qRed(colour), qGreen(colour), qBlue(colour) + 1);
            picture.setPixel(x, y, colour);
        }
    }
    return picture;
}

}  // namespace

QImage PagingStrip(int direction)
{
    QImage strip(128, 32, QImage::Format_RGB888);
    QPainter painter(&strip);
    for (int state = 0; state < 4; ++state)
        painter.drawImage(state * 32, 0, PagingState(direction, state));
    return strip;
}

}  // namespace art
