// The two larger pictures: the About picture and the splash animation. Both are a sheet of
// paper with an ink landscape, a passage written in columns and a seal; the animation unrolls
// them as a handscroll on a dark mounting.
#include "tools/art/artstyle.h"
#include "tools/art/pictures.h"

#include <QFont>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace art {

namespace {

const QString kSerif = QStringLiteral("Noto Serif CJK JP");
// The opening of the Analects, written as two columns.
const QString kPassage[2] = {QStringLiteral("學而時習之"), QStringLiteral("不亦說乎")};
const QString kTitle = QStringLiteral("Velloran");
const QString kSeries = QStringLiteral("Orvane–Kestrine シリーズ③");

QFont SerifFont(double pixels, bool bold = false)
{
    QFont font(kSerif);
    font.setFamilies({kSerif, QStringLiteral("HanaMinA"), QStringLiteral("DejaVu Serif")});
    font.setPixelSize(static_cast<int>(std::lround(pixels)));
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

double Ease(double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Progress of an effect that runs from frame first to frame last.
double Phase(int frame, double first, double last)
{
    return std::clamp((frame - first) / (last - first), 0.0, 1.0);
}

QImage PaperSheet(const QSize& size, uint32_t seed)
{
    QImage sheet(size, QImage::Format_ARGB32);
    sheet.fill(kPaper);
    AddPaperGrain(sheet, sheet.rect(), seed, 0, 1.2);
    // A faint warm tone towards the edges, as old paper has.
    QPainter p(&sheet);
    QRadialGradient age(QPointF(size.width() / 2.0, size.height() / 2.0), std::max(size.width(), size.height()) * 0.7);
    age.setColorAt(0.55, QColor(0xc8, 0xa8, 0x70, 0));
    age.setColorAt(1.0, QColor(0xc8, 0xa8, 0x70, 70));
    p.fillRect(sheet.rect(), age);
    return sheet;
}

// One ridge of mountains: peaks as bell curves on a baseline, the ink dense at the crest and
// thinning into mist below.
void DrawRidge(QPainter& p, const QRectF& area, double baseline, double height, int peaks, double darkness,
               uint32_t seed)
{
    QPainterPath ridge;
    ridge.moveTo(area.left(), area.bottom());
    double crest = area.bottom();
    for (double x = area.left(); x <= area.right() + 0.5; x += 2) {
        double lift = 0;
        for (int k = 0; k < peaks; ++k) {
            const double centre =
                area.left() + area.width() * (k + 0.2 + 0.6 * Noise(seed, static_cast<uint32_t>(k), 1)) / peaks;
            const double width = area.width() * (0.05 + 0.08 * Noise(seed, static_cast<uint32_t>(k), 2));
            const double peak = height * (0.45 + 0.55 * Noise(seed, static_cast<uint32_t>(k), 3));
            lift = std::max(lift, peak * std::exp(-std::pow((x - centre) / width, 2)));
        }
        lift += height * 0.04 * std::sin(x * 0.21 + seed) + height * 0.03 * std::sin(x * 0.57 + seed * 3);
        // The ridges sink into the mist towards both ends instead of stopping at an edge.
        const double fromEdge = std::min(x - area.left(), area.right() - x) / (area.width() * 0.18);
        lift *= Ease(fromEdge);
        const double y = baseline - lift;
        crest = std::min(crest, y);
        ridge.lineTo(x, y);
    }
    ridge.lineTo(area.right(), area.bottom());
    ridge.closeSubpath();
    QLinearGradient wash(0, crest, 0, baseline + height * 0.25);
    wash.setColorAt(0, QColor(kInk.red(), kInk.green(), kInk.blue(), static_cast<int>(230 * darkness)));
    wash.setColorAt(0.45, QColor(kInkSoft.red(), kInkSoft.green(), kInkSoft.blue(), static_cast<int>(120 * darkness)));
    wash.setColorAt(1, QColor(kInkSoft.red(), kInkSoft.green(), kInkSoft.blue(), 0));
    p.setPen(Qt::NoPen);
    p.setBrush(wash);
    p.drawPath(ridge);
}

// Far ridges pale, near ones dark; a low sun in pale vermilion and a boat on the water.
QImage Landscape(const QSize& size, uint32_t seed)
{
    QImage layer = NewCanvas(size.width(), size.height());
    QPainter p(&layer);
    BeginSmooth(p);
    const QRectF area(0, 0, size.width(), size.height());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd8, 0x6a, 0x4a, 110));
    p.drawEllipse(QPointF(size.width() * 0.72, size.height() * 0.22), size.height() * 0.09, size.height() * 0.09);
    DrawRidge(p, area, size.height() * 0.62, size.height() * 0.55, 4, 0.35, seed);
    DrawRidge(p, area, size.height() * 0.78, size.height() * 0.45, 5, 0.6, seed + 11);
    DrawRidge(p, area, size.height() * 0.98, size.height() * 0.32, 3, 0.9, seed + 23);
    // A fishing boat: a hull and a slanting pole.
    const QPointF boat(size.width() * 0.6, size.height() * 0.9);
    QPainterPath hull;
    hull.moveTo(boat + QPointF(-10, -1.5));
    hull.quadTo(boat + QPointF(0, 4), boat + QPointF(10, -1.5));
    hull.quadTo(boat + QPointF(0, 1), boat + QPointF(-10, -1.5));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPath(hull);
    p.setPen(QPen(kInk, 1.1, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(boat + QPointF(-2, 0), boat + QPointF(-9, -14));
    p.drawEllipse(boat + QPointF(2, -3.5), 1.6, 2.2);
    return layer;
}

// The passage, column by column from the right; reveal runs from 0 (nothing) to the number of
// characters (all), each character appearing from the top down as a brush writes it.
void DrawPassage(QPainter& p, const QPointF& topRight, double glyph, double reveal)
{
    p.save();
    p.setFont(SerifFont(glyph));
    p.setPen(kInk);
    int index = 0;
    for (int column = 0; column < 2; ++column) {
        const double x = topRight.x() - column * glyph * 1.35 - glyph;
        for (qsizetype k = 0; k < kPassage[column].size(); ++k, ++index) {
            const double shown = std::clamp(reveal - index, 0.0, 1.0);
            if (shown <= 0)
                continue;
            const QRectF cell(x, topRight.y() + k * glyph * 1.12, glyph, glyph * 1.12);
            p.save();
            p.setClipRect(QRectF(cell.left() - 2, cell.top(), cell.width() + 4, cell.height() * shown));
            p.drawText(cell, Qt::AlignCenter, kPassage[column].mid(k, 1));
            p.restore();
        }
    }
    p.restore();
}

// A seal reading 全文検索: right column first, top to bottom, white on vermilion.
void DrawSeal(QPainter& p, const QRectF& plate, uint32_t seed)
{
    DrawSealPlate(p, plate, kVermilion, kPaper, seed);
    const QString words = QStringLiteral("全文検索");
    const double inset = plate.width() * 0.1;
    const double cell = (plate.width() - 2 * inset) / 2;
    p.save();
    p.setFont(SerifFont(cell * 0.86, true));
    p.setPen(kPaper);
    for (int i = 0; i < 4; ++i) {
        const int column = i / 2;
        const int row = i % 2;
        const QRectF box(plate.right() - inset - (column + 1) * cell, plate.top() + inset + row * cell, cell, cell);
        p.drawText(box, Qt::AlignCenter, words.mid(i, 1));
    }
    p.restore();
}

void DrawDoubleRule(QPainter& p, const QRectF& frame, const QColor& colour)
{
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, 3.0));
    p.drawRect(frame);
    p.setPen(QPen(colour, 1.0));
    p.drawRect(frame.adjusted(5, 5, -5, -5));
    p.restore();
}

}  // namespace

QImage AboutPicture(const QString& version)
{
    const QSize size(500, 350);
    QImage picture = PaperSheet(size, 168);
    QPainter p(&picture);
    BeginSmooth(p);
    DrawDoubleRule(p, QRectF(12.5, 12.5, 475, 325), QColor(0x5b, 0x42, 0x26));
    p.setOpacity(0.55);
    p.drawImage(QPointF(24, 172), Landscape(QSize(300, 150), 7));
    p.setOpacity(1.0);
    DrawPassage(p, QPointF(466, 36), 30, 9);

    p.setPen(kInk);
    p.setFont(SerifFont(44, true));
    p.drawText(QRectF(40, 34, 330, 56), Qt::AlignLeft | Qt::AlignVCenter, kTitle);
    p.setFont(SerifFont(16));
    p.drawText(QRectF(42, 92, 330, 24), Qt::AlignLeft | Qt::AlignVCenter, kSeries);
    p.setPen(QPen(kVermilion, 1.4));
    p.drawLine(QPointF(42, 124), QPointF(230, 124));
    p.setPen(kInkSoft);
    p.setFont(SerifFont(13));
    p.drawText(QRectF(42, 130, 330, 22), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("varo %1 — 古典籍の全文検索").arg(version));
    DrawSeal(p, QRectF(388, 258, 62, 62), 168);
    return picture.convertToFormat(QImage::Format_RGB888);
}

std::vector<GifFrameTag> SplashFrames()
{
    const QSize size(720, 450);
    const QRectF paper(70, 60, 580, 300);
    const QImage sheet = PaperSheet(paper.size().toSize(), 4);
    const QImage landscape = Landscape(QSize(330, 170), 19);
    constexpr int kFrames = 42;
    std::vector<GifFrameTag> frames;
    for (int frame = 0; frame < kFrames; ++frame) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(kMounting);
        QPainter p(&image);
        BeginSmooth(p);

        // The scroll opens from the middle outwards.
        const double half = paper.width() / 2 * Ease(Phase(frame, 0, 12));
        const QRectF open(paper.center().x() - half, paper.top(), 2 * half, paper.height());
        p.save();
        p.setClipRect(open);
        p.drawImage(paper.topLeft(), sheet);
        DrawDoubleRule(p, paper.adjusted(14.5, 14.5, -14.5, -14.5), QColor(0x6b, 0x50, 0x30));
        p.setOpacity(Ease(Phase(frame, 9, 20)) * 0.9);
        p.drawImage(QPointF(paper.left() + 30, paper.bottom() - 190), landscape);
        p.setOpacity(1.0);
        DrawPassage(p, QPointF(paper.right() - 40, paper.top() + 34), 36, (frame - 14) / 1.6);
        const double stamp = Phase(frame, 30, 34);
        if (stamp > 0) {
            const double scale = 1.0 + 0.5 * (1 - Ease(stamp));
            const QPointF centre(paper.right() - 168, paper.bottom() - 62);
            p.setOpacity(0.35 + 0.65 * Ease(stamp));
            DrawSeal(p, QRectF(centre.x() - 28 * scale, centre.y() - 28 * scale, 56 * scale, 56 * scale), 33);
            p.setOpacity(1.0);
        }
        p.restore();

        for (double x : {open.left(), open.right()}) {
            const QRectF rod(x - 7, paper.top() - 12, 14, paper.height() + 24);
            QLinearGradient wood(rod.topLeft(), rod.topRight());
            wood.setColorAt(0, kWood.darker(140));
            wood.setColorAt(0.4, kWood.lighter(130));
            wood.setColorAt(1, kWood.darker(160));
            p.setPen(Qt::NoPen);
            p.setBrush(wood);
            p.drawRoundedRect(rod, 3, 3);
            p.setBrush(kGold);
            p.drawRoundedRect(QRectF(rod.left() - 1, rod.top() - 6, rod.width() + 2, 9), 2, 2);
            p.drawRoundedRect(QRectF(rod.left() - 1, rod.bottom() - 3, rod.width() + 2, 9), 2, 2);
        }

        const double title = Ease(Phase(frame, 34, 41));
        if (title > 0) {
            p.setOpacity(title);
            p.setPen(kGold);
            p.setFont(SerifFont(30, true));
            p.drawText(QRectF(0, 378, size.width(), 40), Qt::AlignCenter, kTitle);
            p.setPen(kPaperShade);
            p.setFont(SerifFont(14));
            p.drawText(QRectF(0, 414, size.width(), 24), Qt::AlignCenter, kSeries);
        }
        p.end();
        frames.push_back({image, frame == kFrames - 1 ? 200 : 8});
    }
    return frames;
}

}  // namespace art
