#pragma once
// An animated GIF89a writer for the program's splash animation: one palette of 256 colours
// chosen for all frames together (median cut), each frame stored as the rectangle that changed
// since the frame before; giflib encodes the frames and writes the file's blocks. Without a
// loop extension the animation plays once and then holds its last frame.

#include <QImage>
#include <QString>

#include <vector>

namespace art {

struct GifFrameTag {
    QImage image;  // every frame has the size of the first
    int delayCentiseconds = 10;
};

/// Writes frames to path; false when there are no frames, their sizes differ or the file
/// cannot be written.
bool WriteAnimatedGif(const QString& path, const std::vector<GifFrameTag>& frames);

}  // namespace art
