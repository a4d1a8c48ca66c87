#pragma once
// The program's look, shared by every picture the generator draws: warm paper, brown-black
// ink, vermilion seal red and the indigo of thread-bound book covers, and the few motifs built
// from them (a written sheet, a bound volume, a seal, a chevron).

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRectF>

#include <cstdint>
#include <vector>

namespace art {

inline const QColor kPaper(0xf6, 0xee, 0xda);
inline const QColor kPaperShade(0xe4, 0xd4, 0xb0);
inline const QColor kInk(0x2e, 0x26, 0x20);
inline const QColor kInkSoft(0x6a, 0x5a, 0x4a);
inline const QColor kVermilion(0xb8, 0x34, 0x2a);
inline const QColor kIndigo(0x2d, 0x46, 0x68);
inline const QColor kIndigoLight(0x4d, 0x6c, 0x93);
inline const QColor kGold(0xc9, 0xa2, 0x4a);
inline const QColor kWood(0x6b, 0x45, 0x28);
inline const QColor kMounting(0x24, 0x1d, 0x17);

/// The colours one rendering of a motif uses: the normal look, the lit look under the mouse
/// and the faded look of a disabled command share the shapes and differ only here.
struct InkPaletteTag {
    QColor ink = kInk;
    QColor inkSoft = kInkSoft;
    QColor paper = kPaper;
    QColor paperShade = kPaperShade;
    QColor accent = kVermilion;
    QColor cover = kIndigo;
    QColor coverLight = kIndigoLight;
    QColor glass{0xd9, 0xe6, 0xe4};
};

InkPaletteTag NormalPalette();
InkPaletteTag HotPalette();
InkPaletteTag DisabledPalette();

/// A transparent canvas for antialiased drawing.
QImage NewCanvas(int width, int height);

/// A painter with antialiasing on.
void BeginSmooth(QPainter& painter);

/// A repeatable pseudo-random value in [0, 1) for the integer arguments.
double Noise(uint32_t a, uint32_t b = 0, uint32_t c = 0);

/// Paper grain: faint fibres and speckles over area, in place. With wrapWidth > 0 the pattern
/// repeats every wrapWidth pixels across, so that tiles of the picture meet without a seam.
void AddPaperGrain(QImage& image, const QRect& area, uint32_t seed, int wrapWidth = 0, double strength = 1.0);

/// A written sheet: paper with an ink edge and columns of characters, read right to left.
void DrawSheet(QPainter& painter, const QRectF& sheet, const InkPaletteTag& colours, int columns, double pen = 1.4);
/// Short ink marks in columns, right to left, standing for written characters.
void DrawTextColumns(QPainter& painter, const QRectF& area, const QColor& colour, int columns, double mark = 2.2,
                     double gap = 1.4);
/// A thread-bound volume seen from the front: indigo cover, title slip top left, stitching
/// along the right edge and the page block showing beneath.
void DrawBoundVolume(QPainter& painter, const QRectF& cover, const InkPaletteTag& colours, double pen = 1.3);
/// A seal: a vermilion square with worn edges.
void DrawSealPlate(QPainter& painter, const QRectF& plate, const QColor& colour, const QColor& paper, uint32_t seed);
/// A chevron pointing left (direction -1) or right (+1), up (-2) or down (+2), centred at
/// (x, y), with a paper halo so that it reads over any motif.
void DrawChevron(QPainter& painter, double x, double y, int direction, double size, const InkPaletteTag& colours,
                 double width = 3.0);

/// The 24-bit picture of an antialiased drawing for a surface keyed with magenta: pixels that
/// are mostly transparent become RGB(255, 0, 255); the others are blended onto matte, the
/// colour that lies behind that row, so their soft edges need no transparency.
QImage KeyOnMagenta(const QImage& drawing, const std::vector<QColor>& matteByRow);

/// Writes an image as a 24-bit picture without transparency.
bool SaveRgb(const QImage& image, const QString& path);

}  // namespace art
