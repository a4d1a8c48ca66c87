// The desktop program's timings, offscreen:
// - start-up to a usable window: the program started as a process (this one, with
//   --startup-child, running the application's own start-up) until its main window is shown,
//   exposed and painted with the catalogue loaded; once as a user starts it, with the splash
//   screen playing over the window (the first key or click closes it), once with /Embedding,
//   which starts without the splash;
// - from pressing 検索 to a filled result list, in the largest scope of the collection, for a
//   query whose result is close to every page of that scope; beside it the engine's share;
// - from selecting a result row to the rendered page shown in the text view.
//
//   varo-desktop-bench --data DIR --out FILE
// The program lies beside varo, where the splash finds its animation. Writes "desktop<TAB>measure<TAB>median
// us<TAB>runs<TAB>note" lines to FILE.

#include "bench/peers/measure.h"
#include "panel/leftform.h"
#include "shell/mainfrm.h"
#include "shell/settings.h"
#include "shell/splash.h"
#include "shell/varo.h"
#include "shell/varoview.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QWindow>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

using varo::peers::Measure;
using varo::peers::RunPolicy;
using varo::peers::Timing;

// The or query of frequent characters that hits nearly every page of a scope of poetry.
constexpr char16_t kWideQuery[] = u"不 一 人 有 山";

int64_t MonotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

// Lets the window system and the event queue settle: until the window is exposed and no event
// is pending.
void Settle(QWidget& window)
{
    const auto exposed = [&] { return window.windowHandle() != nullptr && window.windowHandle()->isExposed(); };
    for (int round = 0; round < 200 && !exposed(); ++round)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();
}

// The child: the application's own start-up, then the time it became usable on standard output.
int StartupChild(int argc, char** argv)
{
    CVaroApp app(argc, argv);
    if (!app.InitInstance())
        return 1;
    Settle(*app.MainFrame());
    std::printf("%lld\n", static_cast<long long>(MonotonicNs()));
    std::fflush(stdout);
    // Shutdown is not part of start-up; the window's layout stays unsaved.
    std::_Exit(0);
}

// Starts this program as a start-up child and returns the nanoseconds until it was usable.
int64_t StartupOnce(const std::string& self, const std::string& data, bool splash)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    std::vector<std::string> arguments{self, "--startup-child", "--data", data};
    if (!splash)
        arguments.push_back("/Embedding");
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const int64_t start = MonotonicNs();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, self.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    std::string output;
    char buffer[256];
    for (ssize_t n; spawned == 0 && (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, static_cast<size_t>(n));
    close(pipeEnds[0]);
    int status = 0;
    if (spawned == 0)
        waitpid(child, &status, 0);
    if (spawned != 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || output.empty())
        return -1;
    return std::stoll(output) - start;
}

// The level-1 catalogue entry with the most pages.
int WidestScope(const varo::CCatalogue& catalogue)
{
    int widest = 0;
    for (int slot = 1; slot < catalogue.m_nodeCount; ++slot)
        if (catalogue.m_NodeItem[slot].level == 1 &&
            (widest == 0 || catalogue.m_NodeItem[slot].docNo > catalogue.m_NodeItem[widest].docNo))
            widest = slot;
    return widest;
}

class Results {
public:
    explicit Results(const std::string& file) : m_out(file) {}
    void Add(const std::string& name, const Timing& timing, const std::string& note)
    {
        m_out << "desktop\t" << name << '\t' << timing.wallUs << '\t' << timing.runs << '\t' << note << '\n';
        std::fprintf(stderr, "  %-40s %10.1f ms  %s\n", name.c_str(), timing.wallUs / 1000, note.c_str());
    }
    bool Good() const { return static_cast<bool>(m_out); }

private:
    std::ofstream m_out;
};

// One start-up to warm the file cache, then seven, each a process of its own.
void MeasureStartup(const std::string& self, const std::string& data, bool splash, Results& results)
{
    constexpr int kRuns = 7;
    std::vector<double> times;
    for (int run = 0; run <= kRuns; ++run) {
        const int64_t ns = StartupOnce(self, data, splash);
        if (ns < 0) {
            std::fprintf(stderr, "varo-desktop-bench: the start-up child failed\n");
            return;
        }
        if (run > 0)
            times.push_back(static_cast<double>(ns) / 1000);
    }
    std::sort(times.begin(), times.end());
    results.Add(splash ? "start-up to a usable window" : "start-up to a usable window, /Embedding",
                {times[times.size() / 2], 0, kRuns},
                splash ? "process start to main window shown and painted (catalogue loaded, index open) "
                         "behind the splash, which the first key or click closes"
                       : "the same without the splash screen");
}

void MeasureSearch(const std::string& data, Results& results)
{
    QTemporaryDir scratch;
    FrameFoldersTag folders;
    folders.panel.data = QDir(QString::fromStdString(data)).absolutePath().toStdU16String();
    folders.panel.temporary = scratch.path().toStdU16String();
    folders.panel.listing = scratch.path().toStdU16String();
    CSplashWnd::SetSplashAllowed(false);
    CMainFrame frame(folders);
    frame.OnInitialUpdate();
    frame.setGeometry(0, 0, 1280, 800);
    frame.show();
    Settle(frame);

    CLeftForm* panel = frame.LeftForm();
    varo::CLeftFormModel& model = panel->Model();
    const int scope = WidestScope(model.m_catalogue);
    panel->SelectContentsSlot(scope);
    panel->findChild<QTabWidget*>(varo::shell::IdName(IDC_TABS))->setCurrentIndex(kSearchTab);
    panel->findChild<QRadioButton*>(varo::shell::IdName(IDC_OR))->setChecked(true);
    panel->QueryInput()->Field()->setText(QString::fromStdU16String(kWideQuery));
    auto* search = panel->findChild<QPushButton*>(varo::shell::IdName(IDC_SEARCH));
    auto* variants = panel->findChild<QCheckBox*>(varo::shell::IdName(IDC_VARIANT));
    Settle(frame);

    const RunPolicy policy{1, 7, 25, 2.0, 20.0};
    const std::string scopeName = QString::fromStdU16String(model.m_catalogue.m_NodeItem[scope].Name()).toStdString();
    for (bool variantsOn : {true, false}) {
        variants->setChecked(variantsOn);
        Timing timing;
        Measure(
            [&] {
                search->click();
                QCoreApplication::processEvents();  // the list and the summary painted
                return panel->ResultList()->topLevelItemCount() > 0;
            },
            policy, timing);
        const std::string option = variantsOn ? "variants on (the default)" : "variants off";
        results.Add(std::string("検索 to a filled result list, ") + option, timing,
                    std::to_string(model.m_resultList.m_results.size()) + " result pages in scope " + scopeName + " (" +
                        std::to_string(model.m_catalogue.m_NodeItem[scope].docNo) + " pages), " +
                        std::to_string(panel->ResultList()->topLevelItemCount()) + " rows listed");
        Measure(
            [&] {
                std::u16string query = kWideQuery;
                model.m_index.SearchOr(query, true, variantsOn);
                return true;
            },
            policy, timing);
        results.Add("  of which the engine's SearchOr, " + option, timing,
                    std::to_string(model.m_index.GetHitPages().size()) + " pages in the whole collection");
    }

    // Alternating rows, so that every selection shows another page.
    int row = 0;
    Timing timing;
    Measure(
        [&] {
            row = 1 - row;
            panel->ResultList()->setCurrentItem(panel->ResultList()->topLevelItem(row));
            QCoreApplication::processEvents();
            return !frame.GetRightPane()->IsBlank();
        },
        policy, timing);
    results.Add("result row selected to page shown", timing,
                "render with variants off, page file written, text view loaded and painted");
}

}  // namespace

int main(int argc, char** argv)
{
    std::string data;
    std::string out;
    bool child = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--startup-child")
            child = true;
        else if (argument == "--data" && i + 1 < argc)
            data = argv[++i];
        else if (argument == "--out" && i + 1 < argc)
            out = argv[++i];
        else if (argument == "--help")
            data.clear(), out.clear(), i = argc;
    }
    if (child)
        return StartupChild(argc, argv);
    if (data.empty() || out.empty()) {
        std::fputs(
            "usage: varo-desktop-bench --data DIR --out FILE\n"
            "Times the desktop program offscreen (QT_QPA_PLATFORM=offscreen when there is no display):\n"
            "start-up to a usable window, 検索 to a filled result list, result row to page shown.\n",
            stderr);
        return 64;
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Results results(out);
    if (!results.Good()) {
        std::fprintf(stderr, "varo-desktop-bench: cannot write %s\n", out.c_str());
        return 1;
    }
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return 1;
    self[length] = '\0';
    MeasureStartup(self, data, true, results);
    MeasureStartup(self, data, false, results);

    QApplication app(argc, argv);
    QApplication::setOrganizationName(varo::shell::kSettingsKey);
    QApplication::setApplicationName(varo::shell::kApplicationTitle);
    MeasureSearch(data, results);
    return 0;
}
