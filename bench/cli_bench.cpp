// A whole varo-cli search run: open the data folder, one two-character query, the result list
// written out. Measured twice: as a process of its own (what a script calling varo-cli waits
// for, process start included) and in-process through the same entry point as the program (the
// work of the run alone).
//
//   cli_bench [--collection=FOLDER] [--benchmark_filter=...]
//
// Without --collection a collection of 30,000 pages with Zipf-distributed characters and a
// catalogue of 50-page volumes is generated first (this takes a while). With it, FOLDER is
// searched, for instance the full sample collection (scripts/build-sample.sh full FOLDER).

#include "bench/generated_collection.h"
#include "text/codeconverter.h"
#include "tools/varo-cli/cli.h"
#include "tools/writer/cataloguewriter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace varo;

constexpr uint32_t kVolumePages = 50;

struct SearchCase {
    std::string name;
    std::vector<std::string> args;  // after "--data FOLDER"
};

// The generated pages grouped as the generator names them: one category, one title, a volume
// of 50 pages labelled from 1.
void WriteGeneratedCatalogue(const bench::GeneratedTextSet& set)
{
    const auto pages = static_cast<uint32_t>(set.Pages().size());
    std::vector<writer::CatalogueEntry> entries = {{u"類", 1, 1, pages, 1}, {u"書", 2, 1, pages, 1}};
    for (uint32_t first = 0; first < pages; first += kVolumePages) {
        const std::u16string name = u"巻" + CCodeConverter::Utf8ToUtf16(std::to_string(first / kVolumePages + 1));
        entries.push_back({name, 3, first + 1, std::min(kVolumePages, pages - first), 1});
    }
    std::string image;
    if (!writer::BuildCatalogueImage(entries, image).empty() || !writer::WriteFileBytes(set.Path() / "zlq.dir", image))
        throw std::runtime_error("cannot write the generated catalogue");
}

class CliFixture {
public:
    explicit CliFixture(const std::string& folder) : m_folder(folder)
    {
        std::string pair = "君子";
        std::string frequent = "明月";
        if (m_folder.empty()) {
            m_generated = std::make_unique<bench::GeneratedTextSet>();
            WriteGeneratedCatalogue(*m_generated);
            m_folder = m_generated->Path().string();
            pair.clear();
            CCodeConverter::AppendUtf8(pair, bench::RankedCharacter(0));
            CCodeConverter::AppendUtf8(pair, bench::RankedCharacter(1));
            frequent = pair;
        }
        m_cases = {
            {"search/scope1", {"search", pair}},
            {"search/all", {"search", "--scope", "all", frequent}},
            {"search-json/all", {"search", "--json", "--scope", "all", frequent}},
        };
    }

    const std::vector<SearchCase>& Cases() const { return m_cases; }

    std::vector<std::string> Arguments(const SearchCase& searchCase) const
    {
        std::vector<std::string> args = {"--data", m_folder};
        args.insert(args.end(), searchCase.args.begin(), searchCase.args.end());
        return args;
    }

private:
    std::unique_ptr<bench::GeneratedTextSet> m_generated;
    std::string m_folder;
    std::vector<SearchCase> m_cases;
};

std::string g_collection;

CliFixture& Fixture()
{
    static CliFixture fixture(g_collection);
    return fixture;
}

// The program with its output sent to /dev/null; returns its exit code.
int RunProgram(const std::vector<std::string>& args)
{
    std::vector<std::string> copies = args;
    std::string program = VARO_CLI_PROGRAM;
    std::vector<char*> argv = {program.data()};
    for (std::string& argument : copies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    int status = -1;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0)
        waitpid(child, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void Process(benchmark::State& state, size_t index)
{
    const std::vector<std::string> args = Fixture().Arguments(Fixture().Cases()[index]);
    for (auto _ : state) {
        if (RunProgram(args) != 0) {
            state.SkipWithError("varo-cli failed");
            break;
        }
    }
}

void InProcess(benchmark::State& state, size_t index)
{
    const std::vector<std::string> args = Fixture().Arguments(Fixture().Cases()[index]);
    std::FILE* sink = std::fopen("/dev/null", "w");
    const cli::Streams streams{stdin, sink, sink};
    for (auto _ : state) {
        if (cli::RunCli(args, streams) != 0) {
            state.SkipWithError("the search run failed");
            break;
        }
    }
    std::fclose(sink);
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--collection=", 13) == 0) {
            g_collection = argv[i] + 13;
        } else {
            std::fprintf(stderr, "unknown option %s\n", argv[i]);
            return 2;
        }
    }
    if (g_collection.empty())
        std::fprintf(stderr, "Generating and indexing the collection...\n");
    const auto& cases = Fixture().Cases();
    for (size_t i = 0; i < cases.size(); ++i) {
        benchmark::RegisterBenchmark(("process/" + cases[i].name).c_str(), Process, i)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(1.0);
        benchmark::RegisterBenchmark(("in-process/" + cases[i].name).c_str(), InProcess, i)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(1.0);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
