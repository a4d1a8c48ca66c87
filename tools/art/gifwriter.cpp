#include "tools/art/gifwriter.h"

#include <QFile>

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>

namespace art {

namespace {

// Colours are counted in bins of 5 bits per channel; each bin keeps the full-precision sums so
// that a palette entry is the true mean of the pixels it stands for.
constexpr int kBins = 1 << 15;

int BinOf(QRgb rgb)
{
    return ((qRed(rgb) >> 3) << 10) | ((qGreen(rgb) >> 3) << 5) | (qBlue(rgb) >> 3);
}

struct BinTag {
    uint64_t count = 0;
    uint64_t sum[3] = {};
    int Channel(int c) const { return count == 0 ? 0 : static_cast<int>(sum[c] / count); }
};

struct BoxTag {
    std::vector<int> bins;
    uint64_t count = 0;
    int longestChannel = 0;
    int range = 0;
};

void Measure(BoxTag& box, const std::vector<BinTag>& bins)
{
    int low[3] = {255, 255, 255};
    int high[3] = {0, 0, 0};
    box.count = 0;
    for (int bin : box.bins) {
        box.count += bins[static_cast<size_t>(bin)].count;
        for (int c = 0; c < 3; ++c) {
            low[c] = std::min(low[c], bins[static_cast<size_t>(bin)].Channel(c));
            high[c] = std::max(high[c], bins[static_cast<size_t>(bin)].Channel(c));
        }
    }
    box.range = -1;
    for (int c = 0; c < 3; ++c) {
        if (high[c] - low[c] > box.range) {
            box.range = high[c] - low[c];
            box.longestChannel = c;
        }
    }
}

// Median cut: split the box whose colours spread widest, weighted by how many pixels it holds,
// at the pixel median of its widest channel.
std::vector<BoxTag> MedianCut(const std::vector<BinTag>& bins, size_t colours)
{
    BoxTag all;
    for (int bin = 0; bin < kBins; ++bin) {
        if (bins[static_cast<size_t>(bin)].count > 0)
            all.bins.push_back(bin);
    }
    Measure(all, bins);
    std::vector<BoxTag> boxes{all};
    while (boxes.size() < colours) {
        auto widest = std::max_element(boxes.begin(), boxes.end(), [](const BoxTag& a, const BoxTag& b) {
            return double(a.range) * double(a.count) < double(b.range) * double(b.count);
        });
        if (widest->bins.size() < 2 || widest->range == 0)
            break;
        const int channel = widest->longestChannel;
        std::sort(widest->bins.begin(), widest->bins.end(), [&](int a, int b) {
            return bins[static_cast<size_t>(a)].Channel(channel) < bins[static_cast<size_t>(b)].Channel(channel);
        });
        uint64_t seen = 0;
        size_t cut = 0;
        while (cut + 1 < widest->bins.size() &&
               seen + bins[static_cast<size_t>(widest->bins[cut])].count <= widest->count / 2)
            seen += bins[static_cast<size_t>(widest->bins[cut++])].count;
        cut = std::max<size_t>(cut, 1);
        BoxTag upper;
        upper.bins.assign(widest->bins.begin() + static_cast<std::ptrdiff_t>(cut), widest->bins.end());
        widest->bins.resize(cut);
        Measure(*widest, bins);
        Measure(upper, bins);
        boxes.push_back(std::move(upper));
    }
    return boxes;
}

struct PaletteTag {
    std::array<QRgb, 256> colours{};
    std::vector<uint8_t> indexOfBin = std::vector<uint8_t>(kBins, 0);
};

PaletteTag ChoosePalette(const std::vector<GifFrameTag>& frames)
{
    std::vector<BinTag> bins(kBins);
    for (const GifFrameTag& frame : frames) {
        const QImage image = frame.image.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                BinTag& bin = bins[static_cast<size_t>(BinOf(line[x]))];
                ++bin.count;
                bin.sum[0] += static_cast<uint64_t>(qRed(line[x]));
                bin.sum[1] += static_cast<uint64_t>(qGreen(line[x]));
                bin.sum[2] += static_cast<uint64_t>(qBlue(line[x]));
            }
        }
    }
    PaletteTag palette;
    const std::vector<BoxTag> boxes = MedianCut(bins, palette.colours.size());
    for (size_t i = 0; i < boxes.size(); ++i) {
        uint64_t sum[3] = {};
        for (int bin : boxes[i].bins)
            for (int c = 0; c < 3; ++c)
                sum[c] += bins[static_cast<size_t>(bin)].sum[c];
        const uint64_t count = std::max<uint64_t>(boxes[i].count, 1);
        palette.colours[i] =
            qRgb(static_cast<int>(sum[0] / count), static_cast<int>(sum[1] / count), static_cast<int>(sum[2] / count));
    }
    // Each bin goes to the nearest palette colour, which need not be its own box's mean.
    for (int bin = 0; bin < kBins; ++bin) {
        if (bins[static_cast<size_t>(bin)].count == 0)
            continue;
        const int r = bins[static_cast<size_t>(bin)].Channel(0);
        const int g = bins[static_cast<size_t>(bin)].Channel(1);
        const int b = bins[static_cast<size_t>(bin)].Channel(2);
        int best = 0;
        int bestDistance = INT32_MAX;
        for (size_t i = 0; i < boxes.size(); ++i) {
            const QRgb c = palette.colours[i];
            const int dr = qRed(c) - r, dg = qGreen(c) - g, db = qBlue(c) - b;
            const int distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = static_cast<int>(i);
            }
        }
        palette.indexOfBin[static_cast<size_t>(bin)] = static_cast<uint8_t>(best);
    }
    return palette;
}

struct IndexedFrameTag {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
    uint8_t At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

IndexedFrameTag Index(const QImage& source, const PaletteTag& palette)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    IndexedFrameTag frame{image.width(), image.height(), {}};
    frame.pixels.reserve(static_cast<size_t>(image.width() * image.height()));
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            frame.pixels.push_back(palette.indexOfBin[static_cast<size_t>(BinOf(line[x]))]);
    }
    return frame;
}

// The pixels that differ from the frame before; an empty rectangle when none do.
QRect ChangedArea(const IndexedFrameTag& before, const IndexedFrameTag& now)
{
    int left = now.width, top = now.height, right = -1, bottom = -1;
    for (int y = 0; y < now.height; ++y) {
        for (int x = 0; x < now.width; ++x) {
            if (before.At(x, y) != now.At(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// giflib writes into the byte array behind the file's user data.
int AppendBytes(GifFileType* gif, const GifByteType* bytes, int length)
{
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), length);
    return length;
}

// Frees giflib's file state when a write ends, however it ends.
struct GifCloser {
    void operator()(GifFileType* gif) const { EGifCloseFile(gif, nullptr); }
};
using GifFile = std::unique_ptr<GifFileType, GifCloser>;

bool PutScreen(GifFileType* gif, const QSize& size, const PaletteTag& palette)
{
    std::array<GifColorType, 256> colours{};
    for (size_t i = 0; i < colours.size(); ++i)
        colours[i] = {static_cast<GifByteType>(qRed(palette.colours[i])),
                      static_cast<GifByteType>(qGreen(palette.colours[i])),
                      static_cast<GifByteType>(qBlue(palette.colours[i]))};
    ColorMapObject* map = GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
    if (map == nullptr)
        return false;
    EGifSetGifVersion(gif, true);
    const bool written = EGifPutScreenDesc(gif, size.width(), size.height(), 8, 0, map) == GIF_OK;
    GifFreeMapObject(map);
    return written;
}

bool PutFrame(GifFileType* gif, const IndexedFrameTag& frame, const QRect& area, int delay)
{
    // Graphic control: keep the frame in place under the next one, no transparency.
    GraphicsControlBlock control{DISPOSE_DO_NOT, false, std::clamp(delay, 1, 65535), NO_TRANSPARENT_COLOR};
    GifByteType extension[4];
    const size_t length = EGifGCBToExtension(&control, extension);
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) != GIF_OK)
        return false;
    // No local colour table, not interlaced.
    if (EGifPutImageDesc(gif, area.x(), area.y(), area.width(), area.height(), false, nullptr) != GIF_OK)
        return false;
    std::vector<GifPixelType> line(static_cast<size_t>(area.width()));
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            line[static_cast<size_t>(x - area.left())] = frame.At(x, y);
        if (EGifPutLine(gif, line.data(), area.width()) != GIF_OK)
            return false;
    }
    return true;
}

}  // namespace

bool WriteAnimatedGif(const QString& path, const std::vector<GifFrameTag>& frames)
{
    if (frames.empty())
        return false;
    const QSize size = frames.front().image.size();
    if (size.isEmpty() || size.width() > 65535 || size.height() > 65535)
        return false;
    for (const GifFrameTag& frame : frames) {
        if (frame.image.size() != size)
            return false;
    }
    const PaletteTag palette = ChoosePalette(frames);

    QByteArray out;
    GifFile gif(EGifOpen(&out, AppendBytes, nullptr));
    if (gif == nullptr || !PutScreen(gif.get(), size, palette))
        return false;

    // A frame is written once the next one shows whether it lasts longer: a frame with no
    // change adds its time to the one before.
    IndexedFrameTag shown = Index(frames.front().image, palette);
    IndexedFrameTag pending = shown;
    QRect pendingArea(QPoint(0, 0), size);
    int pendingDelay = frames.front().delayCentiseconds;
    for (size_t i = 1; i < frames.size(); ++i) {
        IndexedFrameTag next = Index(frames[i].image, palette);
        const QRect area = ChangedArea(shown, next);
        if (area.isEmpty()) {
            pendingDelay += frames[i].delayCentiseconds;
            continue;
        }
        if (!PutFrame(gif.get(), pending, pendingArea, pendingDelay))
            return false;
        shown = next;
        pending = std::move(next);
        pendingArea = area;
        pendingDelay = frames[i].delayCentiseconds;
    }
    if (!PutFrame(gif.get(), pending, pendingArea, pendingDelay))
        return false;
    // Closing writes the trailer into out.
    int error = 0;
    if (EGifCloseFile(gif.release(), &error) != GIF_OK)
        return false;

    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(out) == out.size();
}

}  // namespace art
