// The report of a comparison run: latency tables with the ratio varo / peer, the agreement of
// every engine's answers with varo's, index build time, size and peak memory, rendering and
// the desktop program's timings. Markdown, printed and written to a file.

#include "bench/peers/steps.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

namespace varo::peers {

namespace {

struct QueryResult {
    double wallUs = 0;
    size_t pages = 0;
    uint64_t hits = 0;
};

// What one engine left in the work folder.
struct EngineRun {
    std::string name;
    bool indexed = false;
    double buildSeconds = 0;
    uint64_t indexBytes = 0;
    uint64_t buildPeakKib = 0;
    uint64_t buildBaseKib = 0;
    std::string note;
    bool queried = false;
    double openSeconds = 0;
    uint64_t queryPeakKib = 0;
    uint64_t childPeakKib = 0;
    std::map<std::pair<std::string, std::string>, QueryResult> results;  // (id, mode)
    std::map<std::pair<std::string, std::string>, std::string> unsupported;
    std::map<std::string, Answer> pageAnswers;
    std::map<std::string, Answer> countAnswers;
};

double Number(const std::vector<std::string>& row, size_t i)
{
    return i < row.size() ? std::strtod(row[i].c_str(), nullptr) : 0;
}

EngineRun LoadRun(const WorkFolder& work, const std::string& name)
{
    EngineRun run;
    run.name = name;
    for (const auto& row : ReadTable(work.Results("index-" + name + ".tsv"))) {
        if (row[0] != "index")
            continue;
        run.indexed = true;
        run.buildSeconds = Number(row, 1);
        run.indexBytes = static_cast<uint64_t>(Number(row, 2));
        run.buildPeakKib = static_cast<uint64_t>(Number(row, 3));
        run.buildBaseKib = static_cast<uint64_t>(Number(row, 4));
        run.note = row.size() > 5 ? row[5] : "";
    }
    for (const auto& row : ReadTable(work.Results("query-" + name + ".tsv"))) {
        if (row[0] == "open") {
            run.queried = true;
            run.openSeconds = Number(row, 1);
        } else if (row[0] == "query" && row.size() >= 8) {
            run.results[{row[1], row[2]}] = {Number(row, 3), static_cast<size_t>(Number(row, 6)),
                                             static_cast<uint64_t>(Number(row, 7))};
        } else if ((row[0] == "unsupported" || row[0] == "failed") && row.size() >= 4) {
            run.unsupported[{row[1], row[2]}] = (row[0] == "failed" ? "failed: " : "") + row[3];
        } else if (row[0] == "memory") {
            run.queryPeakKib = static_cast<uint64_t>(Number(row, 1));
            run.childPeakKib = static_cast<uint64_t>(Number(row, 2));
        }
    }
    run.pageAnswers = ReadAnswers(work.Answers(name, AnswerMode::Pages));
    run.countAnswers = ReadAnswers(work.Answers(name, AnswerMode::Counts));
    return run;
}

std::string Format(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Latency(double us)
{
    if (us < 10)
        return Format("%.2f µs", us);
    if (us < 1000)
        return Format("%.0f µs", us);
    if (us < 100000)
        return Format("%.1f ms", us / 1000);
    return Format("%.2f s", us / 1e6);
}

std::string Megabytes(double bytes)
{
    return Format("%.0f MB", bytes / 1e6);
}

std::string Grouped(uint64_t value)
{
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

std::string Cell(const std::string& text)
{
    std::string cell;
    for (char c : text)
        cell += c == '|' ? std::string("\\|") : std::string(1, c);
    return cell;
}

// How a peer's answer differs from varo's: "same", or what is missing, extra or counted apart.
std::string Agreement(const Answer& varo, const Answer& peer, bool counts)
{
    std::map<uint32_t, uint32_t> expected;
    for (size_t i = 0; i < varo.pages.size(); ++i)
        expected[varo.pages[i]] = i < varo.counts.size() ? varo.counts[i] : 0;
    size_t extra = 0;
    size_t differing = 0;
    std::set<uint32_t> seen;
    for (size_t i = 0; i < peer.pages.size(); ++i) {
        const auto found = expected.find(peer.pages[i]);
        if (found == expected.end()) {
            ++extra;
            continue;
        }
        seen.insert(peer.pages[i]);
        if (counts && i < peer.counts.size() && peer.counts[i] != found->second)
            ++differing;
    }
    const size_t missing = expected.size() - seen.size();
    if (extra == 0 && missing == 0 && differing == 0)
        return "same";
    std::string text;
    if (extra > 0 || missing > 0)
        text = "+" + std::to_string(extra) + " −" + std::to_string(missing);
    if (differing > 0)
        text += (text.empty() ? "" : ", ") + std::string("differ on ") + std::to_string(differing) + " pages";
    return text;
}

class Report {
public:
    Report(const StepOptions& options) : m_work(options.work)
    {
        for (const std::string& name : EngineNames())
            m_runs.push_back(LoadRun(m_work, name));
        m_queries = QueryMix();
    }

    std::string Text()
    {
        Header();
        LatencyTable(AnswerMode::Pages);
        LatencyTable(AnswerMode::Counts);
        Behind();
        AgreementTable();
        Unsupported();
        BuildTable();
        RenderTable();
        DesktopTable();
        return m_out.str();
    }

private:
    const EngineRun& Varo() const { return m_runs[0]; }

    void Header()
    {
        m_out << "# varo beside other search engines, full sample collection\n\n";
        for (const auto& row : ReadTable(m_work.Results("export.tsv")))
            if (row[0] == "export")
                m_out << "Collection: " << Grouped(static_cast<uint64_t>(Number(row, 1))) << " pages, "
                      << Grouped(static_cast<uint64_t>(Number(row, 2))) << " characters of indexed full text ("
                      << Megabytes(Number(row, 3)) << " exported, one page a line).";
        m_out << "\n\n";
        for (const auto& row : ReadTable(m_work.Results("machine.tsv")))
            if (row.size() >= 2)
                m_out << "- " << row[0] << ": " << row[1] << "\n";
        m_out << "\nLatency is the median wall time of one query, index open and warm, from the query text to "
                 "the complete list of matching pages (with hits per page in the second table). In "
                 "parentheses: varo / engine, below 1 where varo is faster. varo searches with hit "
                 "counting on in both tables, as the program does; \"varo, pages\" is the same search "
                 "without counting. n/a: the engine has no form for the query (see below).\n\n";
    }

    const QueryResult* Find(const EngineRun& run, const std::string& id, AnswerMode mode) const
    {
        const auto found = run.results.find({id, mode == AnswerMode::Pages ? "pages" : "counts"});
        return found == run.results.end() ? nullptr : &found->second;
    }

    void LatencyTable(AnswerMode mode)
    {
        const bool pages = mode == AnswerMode::Pages;
        m_out << (pages ? "## Latency: matching pages\n\n" : "## Latency: matching pages with hits per page\n\n");
        m_out << "| class | query | " << (pages ? "pages" : "hits") << " | varo";
        if (pages)
            m_out << " | varo, pages";
        for (size_t e = 1; e < m_runs.size(); ++e)
            m_out << " | " << m_runs[e].name;
        m_out << " |\n|---|---|--:|--:";
        if (pages)
            m_out << "|--:";
        for (size_t e = 1; e < m_runs.size(); ++e)
            m_out << "|--:";
        m_out << "|\n";
        std::vector<std::vector<double>> logRatios(m_runs.size());
        for (const MixQuery& query : m_queries) {
            const QueryResult* varo = Find(Varo(), query.id, AnswerMode::Counts);
            m_out << "| " << Cell(query.className) << " | " << Cell(query.text) << (query.isAnd ? "" : " (or)")
                  << " | ";
            m_out << (varo == nullptr ? "?" : Grouped(pages ? varo->pages : varo->hits)) << " | "
                  << (varo == nullptr ? "?" : Latency(varo->wallUs));
            if (pages) {
                const QueryResult* plain = Find(Varo(), query.id, AnswerMode::Pages);
                m_out << " | " << (plain == nullptr ? "?" : Latency(plain->wallUs));
            }
            for (size_t e = 1; e < m_runs.size(); ++e) {
                const QueryResult* peer = Find(m_runs[e], query.id, mode);
                m_out << " | ";
                if (peer == nullptr) {
                    m_out << (m_runs[e].queried ? "n/a" : "–");
                } else {
                    const double ratio = varo == nullptr ? 0 : varo->wallUs / peer->wallUs;
                    m_out << Latency(peer->wallUs) << " (" << Format(ratio < 0.01 ? "%.4f" : "%.2f", ratio) << ")";
                    if (ratio > 0)
                        logRatios[e].push_back(std::log(ratio));
                    if (ratio > 1)
                        m_behind.push_back(m_runs[e].name + (pages ? "" : " counting") + " on " + query.text +
                                           (query.isAnd ? "" : " (or)") + ": " + Latency(varo->wallUs) + " against " +
                                           Latency(peer->wallUs));
                }
            }
            m_out << " |\n";
        }
        m_out << "| | geometric mean of varo / engine | | |";
        if (pages)
            m_out << " |";
        for (size_t e = 1; e < m_runs.size(); ++e) {
            double sum = 0;
            for (double value : logRatios[e])
                sum += value;
            const double mean = std::exp(sum / static_cast<double>(std::max<size_t>(1, logRatios[e].size())));
            m_out << " " << (logRatios[e].empty() ? "" : Format("%.3f", mean)) << " |";
        }
        m_out << "\n\n";
    }

    void Behind()
    {
        m_out << "## Where varo is not ahead\n\n";
        if (m_behind.empty())
            m_out << "Nowhere: varo answers every query of the mix first.\n";
        for (const std::string& line : m_behind)
            m_out << "- " << line << "\n";
        m_out << "\n";
    }

    void AgreementTable()
    {
        m_out << "## Agreement with varo\n\n"
                 "Each engine's page set (pages table) and hits per page (counts table) against varo's "
                 "answer; +n pages the engine found that varo did not, −n pages it missed.\n\n";
        m_out << "| query";
        for (size_t e = 1; e < m_runs.size(); ++e)
            m_out << " | " << m_runs[e].name;
        m_out << " |\n|---";
        for (size_t e = 1; e < m_runs.size(); ++e)
            m_out << "|---";
        m_out << "|\n";
        for (const MixQuery& query : m_queries) {
            m_out << "| " << Cell(query.text) << (query.isAnd ? "" : " (or)");
            for (size_t e = 1; e < m_runs.size(); ++e)
                m_out << " | " << AgreementCell(m_runs[e], query.id);
            m_out << " |\n";
        }
        const auto varoPages = Varo().pageAnswers;
        size_t selfDifferences = 0;
        for (const MixQuery& query : m_queries) {
            const auto a = varoPages.find(query.id);
            const auto b = Varo().countAnswers.find(query.id);
            if (a == varoPages.end() || b == Varo().countAnswers.end() || a->second.pages != b->second.pages)
                ++selfDifferences;
        }
        m_out << "\nvaro with and without counting: "
              << (selfDifferences == 0 ? "the same pages for every query"
                                       : std::to_string(selfDifferences) + " queries differ")
              << ".\n\n";
    }

    std::string AgreementCell(const EngineRun& run, const std::string& id) const
    {
        std::string cell;
        for (AnswerMode mode : {AnswerMode::Pages, AnswerMode::Counts}) {
            const bool counts = mode == AnswerMode::Counts;
            const auto& mine = counts ? run.countAnswers : run.pageAnswers;
            const auto& reference = counts ? Varo().countAnswers : Varo().pageAnswers;
            const auto answer = mine.find(id);
            const auto expected = reference.find(id);
            if (answer == mine.end() || expected == reference.end())
                continue;
            cell += (cell.empty() ? "" : "; ") + std::string(counts ? "counts " : "pages ") +
                    Agreement(expected->second, answer->second, counts);
        }
        return cell.empty() ? "n/a" : cell;
    }

    void Unsupported()
    {
        m_out << "## Queries an engine cannot express\n\n";
        for (size_t e = 1; e < m_runs.size(); ++e) {
            // reason => query id => the modes it stands for
            std::map<std::string, std::map<std::string, std::set<std::string>>> byReason;
            for (const auto& [key, reason] : m_runs[e].unsupported)
                byReason[reason][key.first].insert(key.second);
            for (const auto& [reason, ids] : byReason) {
                m_out << "- " << m_runs[e].name << ": " << reason << ":";
                const char* separator = " ";
                for (const auto& [id, modes] : ids) {
                    m_out << separator << id << (modes.size() == 1 ? " (" + *modes.begin() + ")" : "");
                    separator = ", ";
                }
                m_out << "\n";
            }
        }
        m_out << "\nQuery ids: ";
        for (const MixQuery& query : m_queries)
            m_out << query.id << " = " << query.text << (query.isAnd ? "" : " (or)")
                  << (&query == &m_queries.back() ? ".\n\n" : ", ");
    }

    void BuildTable()
    {
        m_out << "## Index build, size and memory\n\n"
                 "Built from the exported texts, which every build reads into memory first (the build's "
                 "peak includes them). Peak memory is the resident set of the process (ripgrep: of its "
                 "largest run).\n\n"
                 "| engine | build | index on disk | peak memory, build | peak memory, queries | open | note |\n"
                 "|---|--:|--:|--:|--:|--:|---|\n";
        for (const EngineRun& run : m_runs) {
            if (!run.indexed && !run.queried)
                continue;
            const uint64_t queryPeak = run.name == "ripgrep" ? run.childPeakKib : run.queryPeakKib;
            m_out << "| " << run.name << " | " << Format("%.1f s", run.buildSeconds) << " | "
                  << Megabytes(static_cast<double>(run.indexBytes)) << " | "
                  << Megabytes(static_cast<double>(run.buildPeakKib) * 1024) << " | "
                  << Megabytes(static_cast<double>(queryPeak) * 1024) << " | " << Latency(run.openSeconds * 1e6)
                  << " | " << Cell(run.note) << " |\n";
        }
        m_out << "\n";
    }

    void RenderTable()
    {
        const auto rows = ReadTable(m_work.Results("render.tsv"));
        if (rows.empty())
            return;
        m_out << "## Rendering a result page (varo)\n\n"
                 "RenderResultPage on pages of the collection: the first page of each result and its page "
                 "with the most hits, median wall time.\n\n"
                 "| query | page | hits | variants | time | anchors | bytes |\n|---|---|--:|---|--:|--:|--:|\n";
        for (const auto& row : rows)
            if (row.size() >= 9 && row[0] == "render")
                m_out << "| " << Cell(row[1]) << " | " << row[2] << " (" << row[4] << ") | " << row[5] << " | "
                      << row[3] << " | " << Latency(Number(row, 6)) << " | " << row[7] << " | "
                      << Grouped(static_cast<uint64_t>(Number(row, 8))) << " |\n";
        m_out << "\n";
    }

    void DesktopTable()
    {
        const auto rows = ReadTable(m_work.Results("desktop.tsv"));
        if (rows.empty())
            return;
        m_out << "## Desktop program (offscreen)\n\n| measure | median | runs | note |\n|---|--:|--:|---|\n";
        for (const auto& row : rows)
            if (row.size() >= 5 && row[0] == "desktop")
                m_out << "| " << Cell(row[1]) << " | " << Latency(Number(row, 2)) << " | " << row[3] << " | "
                      << Cell(row[4]) << " |\n";
        m_out << "\n";
    }

    WorkFolder m_work;
    std::vector<EngineRun> m_runs;
    std::vector<MixQuery> m_queries;
    std::vector<std::string> m_behind;
    std::ostringstream m_out;
};

}  // namespace

int ReportStep(const StepOptions& options, const std::filesystem::path& markdown)
{
    const std::string text = Report(options).Text();
    std::fputs(text.c_str(), stdout);
    if (!markdown.empty()) {
        std::ofstream out(markdown);
        out << text;
        if (!out) {
            std::fprintf(stderr, "varo-peers: cannot write %s\n", markdown.string().c_str());
            return 1;
        }
    }
    return 0;
}

}  // namespace varo::peers
