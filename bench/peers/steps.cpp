#include "bench/peers/steps.h"

#include "bench/peers/engines.h"
#include "bench/peers/measure.h"
#include "bench/peers/pagetexts.h"

#include <chrono>
#include <cstdio>
#include <fstream>

namespace varo::peers {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

EngineFolders FoldersOf(const StepOptions& options)
{
    return {options.collection, options.work.PageTexts(), options.work.Index(options.engine)};
}

std::unique_ptr<PeerEngine> EngineOf(const StepOptions& options)
{
    std::unique_ptr<PeerEngine> engine = MakeEngine(options.engine, FoldersOf(options));
    if (engine == nullptr)
        std::fprintf(stderr, "varo-peers: unknown engine %s\n", options.engine.c_str());
    return engine;
}

const char* ModeName(AnswerMode mode)
{
    return mode == AnswerMode::Pages ? "pages" : "counts";
}

// Tabs and line ends would break the result files.
std::string OneField(std::string text)
{
    for (char& c : text)
        if (c == '\t' || c == '\n')
            c = ' ';
    return text;
}

}  // namespace

int ExportStep(const StepOptions& options)
{
    std::filesystem::create_directories(options.work.root);
    ExportSummary summary;
    if (std::string error = ExportPageTexts(options.collection, options.work.PageTexts(), summary); !error.empty()) {
        std::fprintf(stderr, "varo-peers: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "exported %u pages, %llu characters, %llu bytes\n", summary.pages,
                 static_cast<unsigned long long>(summary.characters), static_cast<unsigned long long>(summary.bytes));
    std::ofstream(options.work.Results("export.tsv"))
        << "export\t" << summary.pages << '\t' << summary.characters << '\t' << summary.bytes << '\n';
    return 0;
}

int IndexStep(const StepOptions& options)
{
    std::unique_ptr<PeerEngine> engine = EngineOf(options);
    if (engine == nullptr)
        return 64;
    std::vector<std::string> pages;
    if (!ReadPageTexts(options.work.PageTexts(), pages)) {
        std::fprintf(stderr, "varo-peers: cannot read %s (run the export first)\n",
                     options.work.PageTexts().string().c_str());
        return 1;
    }
    const std::filesystem::path folder = options.work.Index(options.engine);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const uint64_t before = PeakKib();
    const Clock::time_point start = Clock::now();
    if (std::string error = engine->Build(pages); !error.empty()) {
        std::fprintf(stderr, "varo-peers: %s: %s\n", options.engine.c_str(), error.c_str());
        return 1;
    }
    const double seconds = SecondsSince(start);
    const uint64_t bytes = engine->IndexBytes();
    std::fprintf(stderr, "%s: built in %.1f s, %.1f MB\n", options.engine.c_str(), seconds, bytes / 1e6);
    std::ofstream(options.work.Results("index-" + options.engine + ".tsv"))
        << "index\t" << seconds << '\t' << bytes << '\t' << PeakKib() << '\t' << before << '\t'
        << OneField(engine->BuildNote()) << '\n';
    return 0;
}

int QueryStep(const StepOptions& options)
{
    std::unique_ptr<PeerEngine> engine = EngineOf(options);
    if (engine == nullptr)
        return 64;
    const Clock::time_point start = Clock::now();
    if (std::string error = engine->Open(); !error.empty()) {
        std::fprintf(stderr, "varo-peers: %s: %s\n", options.engine.c_str(), error.c_str());
        return 1;
    }
    const double openSeconds = SecondsSince(start);
    std::filesystem::create_directories(options.work.root / "answers");
    std::ofstream results(options.work.Results("query-" + options.engine + ".tsv"));
    results << "open\t" << openSeconds << '\n';
    for (AnswerMode mode : {AnswerMode::Pages, AnswerMode::Counts}) {
        std::ofstream answers(options.work.Answers(options.engine, mode));
        for (const MixQuery& query : QueryMix()) {
            if (std::string reason = engine->Unsupported(query, mode); !reason.empty()) {
                results << "unsupported\t" << query.id << '\t' << ModeName(mode) << '\t' << OneField(reason) << '\n';
                continue;
            }
            Answer answer;
            std::string error;
            Timing timing;
            if (!Measure([&] { return engine->Run(query, mode, answer, error); }, options.policy, timing)) {
                std::fprintf(stderr, "varo-peers: %s: %s: %s\n", options.engine.c_str(), query.id.c_str(),
                             error.c_str());
                results << "failed\t" << query.id << '\t' << ModeName(mode) << '\t' << OneField(error) << '\n';
                continue;
            }
            uint64_t hits = 0;
            for (uint32_t count : answer.counts)
                hits += count;
            results << "query\t" << query.id << '\t' << ModeName(mode) << '\t' << timing.wallUs << '\t' << timing.cpuUs
                    << '\t' << timing.runs << '\t' << answer.pages.size() << '\t' << hits << '\n';
            answers << FormatAnswer(query.id, answer) << '\n';
            std::fprintf(stderr, "  %-8s %-6s %-8s %10.1f us  %6zu pages\n", options.engine.c_str(), ModeName(mode),
                         query.id.c_str(), timing.wallUs, answer.pages.size());
        }
    }
    results << "memory\t" << PeakKib() << '\t' << ChildPeakKib() << '\n';
    return 0;
}

}  // namespace varo::peers
