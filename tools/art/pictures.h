#pragma once
// The program's pictures, each drawn from scratch in the style of artstyle.h.

#include "tools/art/gifwriter.h"

#include <QImage>
#include <QString>

#include <array>
#include <vector>

namespace art {

/// The toolbar background, 600 × 47, tiling across without a seam.
QImage ToolBarBackground();
/// The toolbar's button strips, ten 40 × 40 images each, in the order normal, disabled, hot;
/// magenta where the background shows.
std::array<QImage, 3> ToolBarStrips(const QImage& background);

/// The paging buttons < (direction -1) and > (+1): four 32 × 32 pictures side by side, normal,
/// pressed, under the mouse, disabled; their corners are the 3D face grey RGB(192, 192, 192).
QImage PagingStrip(int direction);

/// The contents tree's volume picture, 20 × 20 with transparency: closed or open.
QImage VolumeImage(bool open);
/// The application icon at size (16, 32 or 48) and the frame's small icon (32 × 32).
QImage ApplicationIcon(int size);
QImage SmallIcon();
/// The cursor shown while the page slider moves, 32 × 32; its hot spot is the centre.
QImage SliderCursor();

/// The About picture, 500 × 350.
QImage AboutPicture(const QString& version);

/// The splash animation: a handscroll unrolls, a landscape and a column of text appear in ink,
/// a seal is pressed and the title comes up.
std::vector<GifFrameTag> SplashFrames();

}  // namespace art
