// Takes the picture of the main window after a search, for the documentation:
//   varo-screenshot OUTPUT.png --data DIR --query TEXT [--scope SLOT] [--size WIDTHxHEIGHT]
// The scope is picked in the contents tree by record slot, as a user would, before the search.
// Under an X server (Xvfb) the picture is taken from the screen, so it shows what the server
// drew; without a screen it is rendered from the widgets.
#include "panel/leftform.h"
#include "shell/mainfrm.h"
#include "shell/settings.h"
#include "shell/varo.h"
#include "shell/varoview.h"

#include <QCommandLineParser>
#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QThread>

#include <cstdio>

namespace {

struct OptionsTag {
    QString output;
    QString data;
    QString query;
    int scope = 0;
    QSize size{1280, 800};
};

bool ParseOptions(const QStringList& arguments, OptionsTag& options)
{
    QCommandLineParser parser;
    const QCommandLineOption data(QStringLiteral("data"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption query(QStringLiteral("query"), QString(), QStringLiteral("TEXT"));
    const QCommandLineOption scope(QStringLiteral("scope"), QString(), QStringLiteral("SLOT"));
    const QCommandLineOption size(QStringLiteral("size"), QString(), QStringLiteral("WIDTHxHEIGHT"));
    parser.addOptions({data, query, scope, size});
    parser.addPositionalArgument(QStringLiteral("OUTPUT.png"), QString());
    if (!parser.parse(arguments) || parser.positionalArguments().size() != 1)
        return false;
    options.output = parser.positionalArguments().front();
    options.data = parser.value(data);
    options.query = parser.value(query);
    if (parser.isSet(scope))
        options.scope = parser.value(scope).toInt();
    if (parser.isSet(size)) {
        const QStringList parts = parser.value(size).split(QLatin1Char('x'));
        if (parts.size() != 2)
            return false;
        options.size = QSize(parts[0].toInt(), parts[1].toInt());
    }
    return !options.data.isEmpty() && !options.query.isEmpty() && !options.size.isEmpty();
}

// Lets the window system draw everything that is pending.
void Settle()
{
    for (int round = 0; round < 20; ++round) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(25);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    OptionsTag options;
    if (!ParseOptions(app.arguments(), options)) {
        std::fputs("usage: varo-screenshot OUTPUT.png --data DIR --query TEXT [--scope SLOT] [--size WIDTHxHEIGHT]\n",
                   stderr);
        return 64;
    }
    QApplication::setOrganizationName(varo::shell::kSettingsKey);
    QApplication::setApplicationName(varo::shell::kApplicationTitle);

    FrameFoldersTag folders;
    folders.panel.data = QDir(options.data).absolutePath().toStdU16String();
    CMainFrame frame(folders);
    frame.OnInitialUpdate();
    frame.setGeometry(QRect(QPoint(0, 0), options.size));
    frame.show();
    Settle();

    CLeftForm* panel = frame.LeftForm();
    if (options.scope > 0)
        panel->SelectContentsSlot(options.scope);
    panel->findChild<QTabWidget*>(varo::shell::IdName(IDC_TABS))->setCurrentIndex(kSearchTab);
    panel->QueryInput()->Field()->setText(options.query);
    panel->findChild<QPushButton*>(varo::shell::IdName(IDC_SEARCH))->click();
    if (panel->ResultList()->topLevelItemCount() == 0) {
        std::fprintf(stderr, "varo-screenshot: the query found nothing\n");
        return 1;
    }
    panel->ResultList()->setCurrentItem(panel->ResultList()->topLevelItem(0));
    panel->QueryInput()->Field()->setFocus();
    Settle();

    QScreen* screen = frame.screen();
    const QPixmap picture = QGuiApplication::platformName() == QLatin1String("xcb")
                                ? screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                                : frame.grab();
    if (!picture.save(options.output)) {
        std::fprintf(stderr, "varo-screenshot: cannot write %s\n", qPrintable(options.output));
        return 1;
    }
    std::printf("%s: %dx%d\n", qPrintable(options.output), picture.width(), picture.height());
    return 0;
}
