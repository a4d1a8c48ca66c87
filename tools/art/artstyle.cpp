#include "tools/art/artstyle.h"

#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace art {

InkPaletteTag NormalPalette()
{
    return {};
}

// Under the mouse the accents light up and the ink deepens.
InkPaletteTag HotPalette()
{
    InkPaletteTag colours;
    colours.ink = QColor(0x1e, 0x16, 0x10);
    colours.accent = QColor(0xdc, 0x3c, 0x22);
    colours.cover = QColor(0x24, 0x4a, 0x7c);
    colours.coverLight = QColor(0x4a, 0x78, 0xb0);
    colours.paper = QColor(0xff, 0xfa, 0xec);
    return colours;
}

// Disabled: the same shapes as a faint grey wash.
InkPaletteTag DisabledPalette()
{
    InkPaletteTag colours;
    colours.ink = QColor(0xa6, 0x9c, 0x8e);
    colours.inkSoft = QColor(0xbf, 0xb6, 0xa8);
    colours.paper = QColor(0xef, 0xe9, 0xdc);
    colours.paperShade = QColor(0xde, 0xd6, 0xc6);
    colours.accent = QColor(0xb4, 0xaa, 0x9c);
    colours.cover = QColor(0xb0, 0xaa, 0xa2);
    colours.coverLight = QColor(0xc6, 0xc0, 0xb8);
    colours.glass = QColor(0xe8, 0xe4, 0xdc);
    return colours;
}

QImage NewCanvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void BeginSmooth(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
}

double Noise(uint32_t a, uint32_t b, uint32_t c)
{
    uint32_t h = a * 0x9e3779b1u ^ (b + 0x7f4a7c15u) * 0x85ebca77u ^ (c + 0x165667b1u) * 0xc2b2ae3du;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return (h & 0xffffff) / double(0x1000000);
}

namespace {

QRgb Shift(QRgb colour, double amount)
{
    auto channel = [amount](int value) { return std::clamp(static_cast<int>(std::lround(value + amount)), 0, 255); };
    return qRgba(channel(qRed(colour)), channel(qGreen(colour)), channel(qBlue(colour)), qAlpha(colour));
}

}  // namespace

// Fibres are short horizontal streaks a shade darker or lighter; speckles are single pixels.
// Positions are taken modulo wrapWidth, so a streak that runs off the right edge goes on at
// the left one.
void AddPaperGrain(QImage& image, const QRect& area, uint32_t seed, int wrapWidth, double strength)
{
    const QRect target = area.intersected(image.rect());
    if (target.isEmpty())
        return;
    const int width = wrapWidth > 0 ? wrapWidth : target.width();
    std::vector<double> shade(static_cast<size_t>(width * target.height()), 0.0);
    auto at = [&](int x, int y) -> double& {
        const int wrapped = ((x % width) + width) % width;
        return shade[static_cast<size_t>(y * width + wrapped)];
    };
    const int fibres = width * target.height() / 40;
    for (int i = 0; i < fibres; ++i) {
        const int x = static_cast<int>(Noise(seed, static_cast<uint32_t>(i), 1) * width);
        const int y = static_cast<int>(Noise(seed, static_cast<uint32_t>(i), 2) * target.height());
        const int length = 3 + static_cast<int>(Noise(seed, static_cast<uint32_t>(i), 3) * 14);
        const double tone = (Noise(seed, static_cast<uint32_t>(i), 4) < 0.6 ? -1.0 : 1.0) *
                            (2.0 + 4.0 * Noise(seed, static_cast<uint32_t>(i), 5));
        for (int k = 0; k < length; ++k)
            at(x + k, y) += tone * std::sin(std::numbers::pi * (k + 0.5) / length);
    }
    for (int y = 0; y < target.height(); ++y)
        for (int x = 0; x < width; ++x)
            at(x, y) += (Noise(seed + 7, static_cast<uint32_t>(x), static_cast<uint32_t>(y)) - 0.5) * 3.0;
    for (int y = 0; y < target.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(target.top() + y));
        for (int x = 0; x < target.width(); ++x) {
            QRgb& pixel = line[target.left() + x];
            if (qAlpha(pixel) == 255)
                pixel = Shift(pixel, at(target.left() + x, y) * strength);
        }
    }
}

void DrawTextColumns(QPainter& painter, const QRectF& area, const QColor& colour, int columns, double mark, double gap)
{
    if (columns <= 0)
        return;
    const double step = area.width() / columns;
    const double width = std::max(1.0, step * 0.55);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    for (int c = 0; c < columns; ++c) {
        const double x = area.right() - step * (c + 0.5) - width / 2;
        // The last column of a passage is cut short, as text ends where it ends.
        const double bottom = c == columns - 1 && columns > 1 ? area.top() + area.height() * 0.55 : area.bottom();
        for (double y = area.top(); y + mark <= bottom + 0.01; y += mark + gap)
            painter.drawRect(QRectF(x, y, width, mark));
    }
    painter.restore();
}

void DrawSheet(QPainter& painter, const QRectF& sheet, const InkPaletteTag& colours, int columns, double pen)
{
    painter.save();
    painter.setPen(QPen(colours.ink, pen));
    painter.setBrush(colours.paper);
    painter.drawRoundedRect(sheet, 1.2, 1.2);
    const double margin = std::max(2.5, sheet.width() * 0.16);
    DrawTextColumns(painter, sheet.adjusted(margin, margin + 0.5, -margin, -margin), colours.inkSoft, columns);
    painter.restore();
}

void DrawBoundVolume(QPainter& painter, const QRectF& cover, const InkPaletteTag& colours, double pen)
{
    painter.save();
    // The page block, a little below and right of the cover.
    painter.setPen(QPen(colours.ink, pen * 0.8));
    painter.setBrush(colours.paper);
    painter.drawRect(cover.translated(pen * 1.1, pen * 1.1));
    QLinearGradient shade(cover.topLeft(), cover.bottomRight());
    shade.setColorAt(0, colours.coverLight);
    shade.setColorAt(1, colours.cover);
    painter.setPen(QPen(colours.ink, pen));
    painter.setBrush(shade);
    painter.drawRect(cover);
    // Title slip at the top left of the cover.
    const QRectF slip(cover.left() + cover.width() * 0.16, cover.top() + cover.height() * 0.09, cover.width() * 0.24,
                      cover.height() * 0.55);
    painter.setPen(QPen(colours.ink, pen * 0.55));
    painter.setBrush(colours.paper);
    painter.drawRect(slip);
    DrawTextColumns(painter,
                    slip.adjusted(slip.width() * 0.3, slip.height() * 0.12, -slip.width() * 0.3, -slip.height() * 0.1),
                    colours.ink, 1, std::max(1.2, cover.height() * 0.07), std::max(0.8, cover.height() * 0.04));
    // Stitches: four holes along the spine on the right, the thread round the edge.
    const double spineX = cover.right() - cover.width() * 0.16;
    painter.setPen(QPen(colours.paper, std::max(0.9, pen * 0.7), Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 4; ++i) {
        const double y = cover.top() + cover.height() * (0.12 + 0.253 * i);
        painter.drawLine(QPointF(spineX, y), QPointF(cover.right(), y));
    }
    painter.drawLine(QPointF(spineX, cover.top() + cover.height() * 0.12),
                     QPointF(spineX, cover.top() + cover.height() * 0.88));
    painter.restore();
}

void DrawSealPlate(QPainter& painter, const QRectF& plate, const QColor& colour, const QColor& paper, uint32_t seed)
{
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRoundedRect(plate, plate.width() * 0.08, plate.height() * 0.08);
    // Worn edges: small bites of paper along the border.
    painter.setBrush(paper);
    const int bites = static_cast<int>(plate.width() * 0.6);
    for (int i = 0; i < bites; ++i) {
        const double t = Noise(seed, static_cast<uint32_t>(i), 1);
        const int side = static_cast<int>(Noise(seed, static_cast<uint32_t>(i), 2) * 4);
        const double r = plate.width() * (0.012 + 0.02 * Noise(seed, static_cast<uint32_t>(i), 3));
        QPointF at;
        switch (side) {
        case 0: at = QPointF(plate.left() + t * plate.width(), plate.top()); break;
        case 1: at = QPointF(plate.right(), plate.top() + t * plate.height()); break;
        case 2: at = QPointF(plate.left() + t * plate.width(), plate.bottom()); break;
        default: at = QPointF(plate.left(), plate.top() + t * plate.height()); break;
        }
        painter.drawEllipse(at, r, r);
    }
    painter.restore();
}

void DrawChevron(QPainter& painter, double x, double y, int direction, double size, const InkPaletteTag& colours,
                 double width)
{
    QPainterPath path;
    const double h = size / 2;
    const double d = size * 0.32;
    switch (direction) {
    case -1:
        path.moveTo(x + d, y - h);
        path.lineTo(x - d, y);
        path.lineTo(x + d, y + h);
        break;
    case 1:
        path.moveTo(x - d, y - h);
        path.lineTo(x + d, y);
        path.lineTo(x - d, y + h);
        break;
    case -2:
        path.moveTo(x - h, y + d);
        path.lineTo(x, y - d);
        path.lineTo(x + h, y + d);
        break;
    default:
        path.moveTo(x - h, y - d);
        path.lineTo(x, y + d);
        path.lineTo(x + h, y - d);
        break;
    }
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colours.paper, width + 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.setPen(QPen(colours.accent, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.restore();
}

QImage KeyOnMagenta(const QImage& drawing, const std::vector<QColor>& matteByRow)
{
    const QImage source = drawing.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage keyed(source.size(), QImage::Format_RGB888);
    for (int y = 0; y < source.height(); ++y) {
        const QColor matte =
            matteByRow.empty() ? kPaper : matteByRow[std::min<size_t>(static_cast<size_t>(y), matteByRow.size() - 1)];
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            const int alpha = qAlpha(in[x]);
            if (alpha < 80) {
                keyed.setPixel(x, y, qRgb(255, 0, 255));
                continue;
            }
            const double rest = (255 - alpha) / 255.0;
            int r = qRed(in[x]) + static_cast<int>(std::lround(matte.red() * rest));
            const int g = qGreen(in[x]) + static_cast<int>(std::lround(matte.green() * rest));
            const int b = qBlue(in[x]) + static_cast<int>(std::lround(matte.blue() * rest));
            if (r >= 255 && g == 0 && b >= 255)
                r = 254;  // never the key by accident
            keyed.setPixel(x, y, qRgb(std::min(r, 255), std::min(g, 255), std::min(b, 255)));
        }
    }
    return keyed;
}

bool SaveRgb(const QImage& image, const QString& path)
{
    return image.convertToFormat(QImage::Format_RGB888).save(path, "PNG");
}

}  // namespace art
