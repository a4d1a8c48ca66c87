// The desktop program's search as a user runs it, timed: the program's own main window on a
// collection (offscreen when there is no display), the whole collection made the scope with
// 全体, each query written into the keyword field and Enter pressed on it. A run lasts from the
// key press until the result list holds its rows, the summary gives the count and the event
// loop has nothing left to do (the list and the summary painted).
//
//   desktop_search_bench --data DIR [--runs N] [--no-variants] [--results FILE] [QUERY...]
//
// Per query: the pages found, the rows listed, the first run (the first search of the query
// in the window), the median of N further runs, the median time until the key press was
// handled (the search and the list filled, nothing painted yet), and the engine's own search
// (the panel's query sent to the index directly) as the share the shell does not add.
// Tab-separated on standard output, one line a query after a header line. --results writes
// every result each query lists, in list order, so that two builds can be compared.

#include "panel/leftform.h"
#include "shell/commandids.h"
#include "shell/mainfrm.h"
#include "shell/settings.h"
#include "shell/splash.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The largest results (不, 人), a middling one, a phrase and an and-query.
const std::vector<std::string> kDefaultQueries{"不", "人", "鶴", "明月", "春 秋"};

struct Options {
    std::string data;
    int runs = 7;
    bool variants = true;  // the panel's default
    std::string results;   // file for the listed results; empty: none
    std::vector<std::string> queries;
};

struct QueryFigures {
    size_t pages = 0;
    int rows = 0;
    double firstMs = 0;
    double medianMs = 0;
    double handledMs = 0;  // median, until the key press was handled
    double engineMs = 0;   // median
};

double Milliseconds(Clock::duration span)
{
    return std::chrono::duration<double, std::milli>(span).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Runs the event loop until a pass finds nothing to do: every posted event, every due timer
// and every repaint done. Bounded, so that a timer that keeps firing cannot hold the run.
void RunUntilIdle()
{
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    for (int pass = 0; pass < 1000; ++pass) {
        QCoreApplication::sendPostedEvents();
        if (!dispatcher->processEvents(QEventLoop::AllEvents))
            return;
    }
}

// Waits until the window system shows the window.
void WaitExposed(QWidget& window)
{
    for (int round = 0; round < 200; ++round) {
        if (window.windowHandle() != nullptr && window.windowHandle()->isExposed())
            break;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    RunUntilIdle();
}

class SearchDriver {
public:
    explicit SearchDriver(CMainFrame& frame)
        : m_panel(*frame.LeftForm()),
          m_field(m_panel.QueryInput() != nullptr ? m_panel.QueryInput()->Field() : nullptr),
          m_summary(m_panel.findChild<QLabel*>(varo::shell::IdName(IDC_SUMMARY)))
    {}

    bool Ready() const { return m_field != nullptr && m_summary != nullptr; }

    /// The 検索 tab shown, and the whole collection as the scope, as the 全体 button makes it.
    bool ChooseWholeCollection()
    {
        m_panel.Tabs()->setCurrentIndex(kSearchTab);
        RunUntilIdle();
        auto* button = m_panel.findChild<QPushButton*>(varo::shell::IdName(IDC_WHOLE_COLLECTION));
        if (button == nullptr)
            return false;
        button->click();
        RunUntilIdle();
        return m_panel.Model().IsWholeCollectionScope();
    }

    void SetQuery(const std::string& query)
    {
        m_field->setText(QString::fromStdString(query));
        m_field->setFocus();
        RunUntilIdle();
    }

    /// One search from the key press on; the times until the press was handled and until idle.
    std::pair<double, double> Search()
    {
        m_summary->clear();
        RunUntilIdle();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        const Clock::time_point start = Clock::now();
        QApplication::sendEvent(m_field, &press);
        const Clock::time_point handled = Clock::now();
        QApplication::sendEvent(m_field, &release);
        RunUntilIdle();
        const Clock::time_point idle = Clock::now();
        return {Milliseconds(handled - start), Milliseconds(idle - start)};
    }

    /// Whether the last search listed its results: the summary set, and the first list page's
    /// rows in the list.
    bool Listed() const
    {
        if (!m_panel.ResultList()->isVisible())
            return false;
        const size_t pages = m_panel.Model().m_resultList.m_results.size();
        const size_t rows = std::min<size_t>(pages, varo::kRowsPerListPage);
        return !m_summary->text().isEmpty() && static_cast<size_t>(RowCount()) == rows;
    }

    size_t Pages() const { return m_panel.Model().m_resultList.m_results.size(); }

    /// Every result listed, one line each in list order: page, label, hits and the names.
    void WriteResults(const std::string& query, std::FILE* out) const
    {
        std::fprintf(out, "%s\n", query.c_str());
        for (const varo::SearchNodeTag& result : m_panel.Model().m_resultList.m_results) {
            const QString names =
                QString::fromStdU16String(result.categoryName + u'\t' + result.titleName + u'\t' + result.volumeName);
            std::fprintf(out, "%u\t%u\t%u\t%s\n", result.pageNumber, result.pageLabel, result.hitCount,
                         names.toStdString().c_str());
        }
    }
    int RowCount() const { return m_panel.ResultList()->topLevelItemCount(); }
    bool HasFocus() const { return QApplication::focusWidget() == m_field; }

    /// The engine's search alone, with the query as the panel sends it.
    double EngineSearch(const std::string& query, bool variants)
    {
        std::u16string keywords = QString::fromStdString(query).toStdU16String();
        const Clock::time_point start = Clock::now();
        m_panel.Model().m_index.SearchAnd(keywords, true, variants);
        return Milliseconds(Clock::now() - start);
    }

private:
    CLeftForm& m_panel;
    QLineEdit* m_field;
    QLabel* m_summary;
};

bool MeasureQuery(SearchDriver& driver, const Options& options, const std::string& query, QueryFigures& figures)
{
    driver.SetQuery(query);
    if (!driver.HasFocus()) {
        std::fprintf(stderr, "desktop_search_bench: the keyword field does not take the focus\n");
        return false;
    }
    figures.firstMs = driver.Search().second;
    if (!driver.Listed()) {
        std::fprintf(stderr, "desktop_search_bench: %s was not listed (a message box?)\n", query.c_str());
        return false;
    }
    figures.pages = driver.Pages();
    figures.rows = driver.RowCount();
    std::vector<double> handled;
    std::vector<double> idle;
    std::vector<double> engine;
    for (int run = 0; run < options.runs; ++run) {
        const auto [toHandled, toIdle] = driver.Search();
        handled.push_back(toHandled);
        idle.push_back(toIdle);
        engine.push_back(driver.EngineSearch(query, options.variants));
    }
    figures.medianMs = Median(idle);
    figures.handledMs = Median(handled);
    figures.engineMs = Median(engine);
    return true;
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--data" && i + 1 < argc)
            options.data = argv[++i];
        else if (argument == "--runs" && i + 1 < argc)
            options.runs = std::max(1, std::atoi(argv[++i]));
        else if (argument == "--no-variants")
            options.variants = false;
        else if (argument == "--results" && i + 1 < argc)
            options.results = argv[++i];
        else if (argument.rfind("--", 0) == 0)
            return false;
        else
            options.queries.push_back(argument);
    }
    if (options.queries.empty())
        options.queries = kDefaultQueries;
    return !options.data.empty();
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(
            "usage: desktop_search_bench --data DIR [--runs N] [--no-variants] [--results FILE] [QUERY...]\n"
            "Times the desktop program's search from Enter in the keyword field to a filled,\n"
            "painted result list, with the whole collection as the scope (offscreen when there\n"
            "is no display). Queries by default: 不, 人, 鶴, 明月, '春 秋'. --results writes\n"
            "every result each query lists, in list order.\n",
            stderr);
        return 64;
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setOrganizationName(varo::shell::kSettingsKey);
    QApplication::setApplicationName(varo::shell::kApplicationTitle);
    // The search history and the window's layout go to a folder of the run's own, never into
    // the user's settings.
    QTemporaryDir settings;
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());

    QTemporaryDir scratch;
    FrameFoldersTag folders;
    folders.panel.data = QDir(QString::fromStdString(options.data)).absolutePath().toStdU16String();
    folders.panel.temporary = scratch.path().toStdU16String();
    folders.panel.listing = scratch.path().toStdU16String();
    CSplashWnd::SetSplashAllowed(false);
    CMainFrame frame(folders);
    frame.OnInitialUpdate();
    frame.resize(1400, 900);
    frame.show();
    frame.activateWindow();
    WaitExposed(frame);

    SearchDriver driver(frame);
    if (!driver.Ready() || !driver.ChooseWholeCollection()) {
        std::fprintf(stderr, "desktop_search_bench: the search panel is not usable on %s\n", options.data.c_str());
        return 1;
    }
    if (!options.variants) {
        auto* variants = frame.LeftForm()->findChild<QAbstractButton*>(varo::shell::IdName(IDC_VARIANT));
        if (variants == nullptr)
            return 1;
        variants->setChecked(false);
    }
    std::FILE* results = options.results.empty() ? nullptr : std::fopen(options.results.c_str(), "w");
    if (!options.results.empty() && results == nullptr) {
        std::fprintf(stderr, "desktop_search_bench: cannot write %s\n", options.results.c_str());
        return 1;
    }
    std::printf("query\tpages\trows\tfirst_ms\tmedian_ms\thandled_ms\tengine_ms\n");
    for (const std::string& query : options.queries) {
        QueryFigures figures;
        if (!MeasureQuery(driver, options, query, figures))
            return 1;
        std::printf("%s\t%zu\t%d\t%.1f\t%.1f\t%.1f\t%.1f\n", query.c_str(), figures.pages, figures.rows,
                    figures.firstMs, figures.medianMs, figures.handledMs, figures.engineMs);
        std::fflush(stdout);
        if (results != nullptr)
            driver.WriteResults(query, results);
    }
    if (results != nullptr && std::fclose(results) != 0) {
        std::fprintf(stderr, "desktop_search_bench: cannot write %s\n", options.results.c_str());
        return 1;
    }
    return 0;
}
