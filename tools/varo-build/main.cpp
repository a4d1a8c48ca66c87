// varo-build: writes a collection's data folder from a source corpus.

#include "tools/varo-build/collection.h"
#include "tools/varo-build/interruption.h"

#include "platform/nativepath.h"
#include "tools/common/arguments.h"

#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace {

using varo::build::BuildOptions;
using varo::build::BuildSummary;

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "usage: varo-build [options] SOURCE OUTPUT\n"
    "\n"
    "Writes a collection (zlq.dir, the Index text store, the three indexes with their pair\n"
    "files and yitizi.txt) into the folder OUTPUT from the corpus in the folder SOURCE, laid out as\n"
    "category/title/volume/NNNN.txt (or NNNN.htm); see docs/source-format.md.\n"
    "Files of OUTPUT with other names are left alone; nothing is changed when the build fails\n"
    "or is stopped (SIGTERM, SIGHUP, Ctrl-C).\n"
    "\n"
    "options:\n"
    "  --variants FILE  the variant-character table (default: SOURCE/yitizi.txt, else the\n"
    "                   yitizi.txt beside varo-build, else none)\n"
    "  --no-pairs       write no pair files (Index*-idx.pairs, Index*-idx.gappairs): the\n"
    "                   collection answers the same, rare and absent phrases only take\n"
    "                   longer\n"
    "  --quiet          no progress and no summary, only warnings and errors\n"
    "  --help           this text\n"
    "\n"
    "exit codes: 0 built, 1 refused or failed (the message names the cause), 2 usage error\n";

constexpr varo::cli::OptionSpec kOptionSpec[] = {
    {"--variants", true}, {"--no-pairs"}, {"--quiet"}, {"--help"}, {"-h"},
};

// Progress as a percentage on one line, only when standard error is a terminal.
class TerminalProgress : public varo::build::IBuildProgress {
public:
    void Report(std::string_view phase, double done) override
    {
        const int percent = static_cast<int>(done * 100);
        if (percent == m_percent && phase == m_phase)
            return;
        m_percent = percent;
        m_phase = phase;
        std::fprintf(stderr, "\r%3d%%  %-40.*s", percent, static_cast<int>(phase.size()), phase.data());
        std::fflush(stderr);
        m_shown = true;
    }

    void Finish()
    {
        if (m_shown)
            std::fprintf(stderr, "\r%50s\r", "");
    }

private:
    int m_percent = -1;
    std::string m_phase;
    bool m_shown = false;
};

std::string Grouped(uint64_t value)
{
    std::string digits = std::to_string(value);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<size_t>(i), ",");
    return digits;
}

void PrintSummary(const BuildSummary& summary, const std::filesystem::path& output, double seconds)
{
    std::printf("built %s in %.1f s\n", output.string().c_str(), seconds);
    std::printf("  pages       %s\n", Grouped(summary.pages).c_str());
    std::printf("  characters  %s\n", Grouped(summary.characters).c_str());
    std::printf("  records     %s (catalogue)\n", Grouped(summary.records).c_str());
    std::printf("  variants    %s groups%s%s\n", Grouped(summary.variantGroups).c_str(),
                summary.variantSource.empty() ? "" : " from ", summary.variantSource.c_str());
    for (const auto& file : summary.files)
        std::printf("  %-26s %15s bytes\n", file.name.c_str(), Grouped(file.bytes).c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    varo::cli::Arguments arguments;
    try {
        arguments = varo::cli::Arguments::Parse(args, kOptionSpec);
    } catch (const varo::cli::UsageError& error) {
        std::fprintf(stderr, "varo-build: %s\n\n%s", error.what(), kUsage);
        return kExitUsage;
    }
    if (arguments.Has("--help") || arguments.Has("-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const std::vector<std::string>& operands = arguments.Operands();
    if (operands.size() != 2) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    BuildOptions options;
    options.source = operands[0];
    options.output = operands[1];
    if (const std::optional<std::string> variants = arguments.Value("--variants"))
        options.variants = *variants;
    options.pairs = !arguments.Has("--no-pairs");
    const bool quiet = arguments.Has("--quiet");
    options.fallbackFolder = varo::ToNativePath(varo::ExecutableFolder());

    varo::build::BuildInterruption::InstallHandlers();
    TerminalProgress progress;
    const bool showProgress = !quiet && isatty(STDERR_FILENO);
    const auto start = std::chrono::steady_clock::now();
    BuildSummary summary;
    const std::string error = varo::build::BuildCollection(options, showProgress ? &progress : nullptr, summary);
    progress.Finish();
    for (const std::string& warning : summary.warnings)
        std::fprintf(stderr, "varo-build: warning: %s\n", warning.c_str());
    if (varo::build::BuildInterruption::SignalDeferred())
        std::fprintf(stderr,
                     "varo-build: a stop signal came while the files were moved into %s; "
                     "the move was finished first\n",
                     options.output.c_str());
    if (!error.empty()) {
        std::fprintf(stderr, "varo-build: %s\n", error.c_str());
        if (!summary.targetMixed)
            std::fprintf(stderr, "nothing was written to %s\n", options.output.c_str());
        return kExitFailed;
    }
    if (!quiet)
        PrintSummary(summary, options.output,
                     std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return 0;
}
