// varo-peers: the steps of the comparison with other search engines (bench/compare.sh runs
// them in order, each in a process of its own).

#include "bench/peers/engine.h"
#include "bench/peers/steps.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr char kUsage[] =
    "usage: varo-peers COMMAND [ENGINE] --collection DIR --work DIR [options]\n"
    "\n"
    "Compares varo's search engine with other engines on one collection; bench/compare.sh runs\n"
    "every step in order.\n"
    "\n"
    "commands:\n"
    "  export          write the indexed full text of every page to WORK/pages.txt\n"
    "  index ENGINE    build ENGINE's index from WORK/pages.txt into WORK/index/ENGINE\n"
    "  query ENGINE    open the index once and time the query mix (pages, then hits per page)\n"
    "  render          time the rendering of result pages of the collection\n"
    "  report          compare the answers and print the tables (--markdown FILE: also write them)\n"
    "\n"
    "engines: varo, fts5, fts5-trigram, groonga, xapian, ripgrep\n"
    "\n"
    "  --collection DIR  the collection (the text set Index, yitizi.txt)\n"
    "  --work DIR        where the texts, indexes, answers and results go\n"
    "  --min-time S      time each query for at least S seconds (default 0.5)\n"
    "  --help            this text\n"
    "exit codes: 0 done; 1 a step failed; 64 bad arguments\n";

int Usage(const char* problem)
{
    if (problem != nullptr)
        std::fprintf(stderr, "varo-peers: %s\n\n", problem);
    std::fputs(kUsage, problem != nullptr ? stderr : stdout);
    return problem != nullptr ? 64 : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace varo::peers;
    StepOptions options;
    std::string command;
    std::filesystem::path markdown;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--help" || argument == "-h")
            return Usage(nullptr);
        if (argument == "--collection" && hasValue)
            options.collection = argv[++i];
        else if (argument == "--work" && hasValue)
            options.work.root = argv[++i];
        else if (argument == "--markdown" && hasValue)
            markdown = argv[++i];
        else if (argument == "--min-time" && hasValue)
            options.policy.minSeconds = std::strtod(argv[++i], nullptr);
        else if (argument.starts_with("--"))
            return Usage(("unknown option " + argument).c_str());
        else if (command.empty())
            command = argument;
        else if (options.engine.empty())
            options.engine = argument;
        else
            return Usage(("unexpected argument " + argument).c_str());
    }
    if (options.work.root.empty())
        return Usage("--work is missing");
    const bool needsCollection = command == "export" || command == "render" || options.engine == "varo";
    if (needsCollection && options.collection.empty())
        return Usage("--collection is missing");
    const bool needsEngine = command == "index" || command == "query";
    if (needsEngine && MakeEngine(options.engine, {}) == nullptr)
        return Usage(options.engine.empty() ? "which engine?" : ("unknown engine " + options.engine).c_str());
    std::filesystem::create_directories(options.work.root / "results");
    if (command == "export")
        return ExportStep(options);
    if (command == "index")
        return IndexStep(options);
    if (command == "query")
        return QueryStep(options);
    if (command == "render")
        return RenderStep(options);
    if (command == "report")
        return ReportStep(options, markdown);
    return Usage(command.empty() ? "which command?" : ("unknown command " + command).c_str());
}
