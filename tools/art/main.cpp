// varo-art: draws the program's pictures and its splash animation. The build runs it; every
// picture is drawn here from scratch, nothing is read.
//   varo-art OUTPUT_FOLDER MAIN_SWF VERSION
#include "tools/art/artstyle.h"
#include "tools/art/pictures.h"

#include <QCommandLineParser>
#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <utility>
#include <vector>

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("OUTPUT_FOLDER"), QString());
    parser.addPositionalArgument(QStringLiteral("MAIN_SWF"), QString());
    parser.addPositionalArgument(QStringLiteral("VERSION"), QString());
    const QStringList arguments =
        parser.parse(QCoreApplication::arguments()) ? parser.positionalArguments() : QStringList();
    if (arguments.size() != 3) {
        std::fputs("usage: varo-art OUTPUT_FOLDER MAIN_SWF VERSION\n", stderr);
        return 64;
    }
    const QDir output(arguments[0]);
    if (!QDir().mkpath(output.path())) {
        std::fprintf(stderr, "varo-art: cannot make %s\n", qPrintable(output.path()));
        return 1;
    }
    const QImage background = art::ToolBarBackground();
    const std::array<QImage, 3> strips = art::ToolBarStrips(background);
    const std::vector<std::pair<QString, QImage>> rgbPictures = {
        {QStringLiteral("about.png"), art::AboutPicture(arguments[2])},
        {QStringLiteral("toolbar-background.png"), background},
        {QStringLiteral("toolbar-normal.png"), strips[0]},
        {QStringLiteral("toolbar-disabled.png"), strips[1]},
        {QStringLiteral("toolbar-hot.png"), strips[2]},
        {QStringLiteral("paging-previous.png"), art::PagingStrip(-1)},
        {QStringLiteral("paging-next.png"), art::PagingStrip(1)},
    };
    const std::vector<std::pair<QString, QImage>> transparentPictures = {
        {QStringLiteral("volume-closed.png"), art::VolumeImage(false)},
        {QStringLiteral("volume-open.png"), art::VolumeImage(true)},
        {QStringLiteral("varo-16.png"), art::ApplicationIcon(16)},
        {QStringLiteral("varo-32.png"), art::ApplicationIcon(32)},
        {QStringLiteral("varo-48.png"), art::ApplicationIcon(48)},
        {QStringLiteral("varo-small.png"), art::SmallIcon()},
        {QStringLiteral("slider-cursor.png"), art::SliderCursor()},
    };
    bool written = true;
    for (const auto& [name, picture] : rgbPictures)
        written = art::SaveRgb(picture, output.filePath(name)) && written;
    for (const auto& [name, picture] : transparentPictures)
        written = picture.save(output.filePath(name), "PNG") && written;
    written = art::WriteAnimatedGif(arguments[1], art::SplashFrames()) && written;
    if (!written) {
        std::fprintf(stderr, "varo-art: cannot write the pictures to %s\n", qPrintable(output.path()));
        return 1;
    }
    return 0;
}
