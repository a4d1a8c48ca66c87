// Research with the results of one search over a whole collection: the concordance's first
// screenful and all its lines, sorting them by the characters before the hit, and the hit
// statistics, each timed from the moment the result list is filled.
//
//   research_bench --collection=FOLDER [--query=花] [--no-variants] [--benchmark_filter=...]
//
// FOLDER holds a collection (zlq.dir and the text set "Index"), for instance the full sample
// collection (scripts/build-sample.sh full FOLDER). The query is searched over every top-level
// entry of the catalogue, as `varo-cli search --scope all` does; on the full sample collection
// 花 has about 95,000 hits on 47,000 pages.

#include "engine/index.h"
#include "panel/catalogue.h"
#include "panel/catalogueorder.h"
#include "panel/hitstatistics.h"
#include "panel/kwicjob.h"
#include "panel/resultlist.h"
#include "text/codeconverter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

using namespace varo;

std::string g_collection;
std::u16string g_query = u"花";
bool g_variants = true;

// The lines of the concordance's first screen.
constexpr size_t kScreenLines = 40;

struct Scope {
    const ContentsNodeTag* node;
    std::vector<SearchNodeTag> results;
};

class ResearchFixture {
public:
    ResearchFixture()
    {
        const std::u16string folder = CCodeConverter::Utf8ToUtf16(g_collection);
        if (!m_index.Open(folder, u"Index", INDEX_FULL_TEXT))
            throw std::runtime_error("the collection does not open: " + g_collection);
        m_catalogue.SetListingFolder(CCodeConverter::Utf8ToUtf16(std::filesystem::temp_directory_path().string()));
        if (!m_catalogue.LoadCatalogue(folder, nullptr))
            throw std::runtime_error("the catalogue does not load");
        Search();
        for (const Scope& scope : m_scopes)
            for (const SearchNodeTag& result : scope.results) {
                m_pages.push_back(result.pageNumber);
                m_hits += result.hitCount;
            }
        std::printf("query %s: %zu pages, %llu hits in %zu top-level entries\n",
                    CCodeConverter::Utf16ToUtf8(g_query).c_str(), m_pages.size(),
                    static_cast<unsigned long long>(m_hits), m_scopes.size());
    }

    /// The search and the result lists of every top-level entry, as the panel fills them.
    void Search()
    {
        std::u16string query = g_query;
        m_keyWords = query;
        m_index.SearchAnd(m_keyWords, true, g_variants);
        m_scopes.clear();
        for (const auto& top : m_catalogue.m_root->children) {
            CResultList list;
            list.m_scanPages = m_index.GetHitPages();
            list.m_scanCounts = m_index.GetHitCounts();
            list.CollectResults(*top);
            m_scopes.push_back({top.get(), std::move(list.m_results)});
        }
    }

    const CIndex& Index() const { return m_index; }
    const std::u16string& KeyWords() const { return m_keyWords; }
    const std::vector<uint32_t>& Pages() const { return m_pages; }
    const std::vector<Scope>& Scopes() const { return m_scopes; }
    const ContentsNodeTag& Root() const { return *m_catalogue.m_root; }

private:
    CIndex m_index;
    CCatalogue m_catalogue;
    std::u16string m_keyWords;
    std::vector<Scope> m_scopes;
    std::vector<uint32_t> m_pages;
    uint64_t m_hits = 0;
};

ResearchFixture& Fixture()
{
    static ResearchFixture fixture;
    return fixture;
}

void SearchAndResults(benchmark::State& state)
{
    for (auto _ : state)
        Fixture().Search();
}

void KwicFirstScreen(benchmark::State& state)
{
    const ResearchFixture& f = Fixture();
    for (auto _ : state) {
        CKwicJob job(f.Index(), f.KeyWords(), 0, g_variants, kDefaultKwicWidth, f.Pages(), CKwicJob::DefaultThreads());
        std::vector<KwicLineTag> lines;
        while (!job.TakeLines(lines) && lines.size() < kScreenLines)
            std::this_thread::yield();
        benchmark::DoNotOptimize(lines.data());
        job.Cancel();
        state.PauseTiming();  // the stopped workers are waited for outside the measure
        job.Wait();
        state.ResumeTiming();
    }
}

void KwicAllLines(benchmark::State& state)
{
    const ResearchFixture& f = Fixture();
    const auto threads = static_cast<unsigned>(state.range(0));
    size_t count = 0;
    for (auto _ : state) {
        CKwicJob job(f.Index(), f.KeyWords(), 0, g_variants, kDefaultKwicWidth, f.Pages(), threads);
        job.Wait();
        std::vector<KwicLineTag> lines;
        job.TakeLines(lines);
        count = lines.size();
    }
    state.counters["lines"] = static_cast<double>(count);
}

void KwicSortBefore(benchmark::State& state)
{
    const ResearchFixture& f = Fixture();
    CKwicJob job(f.Index(), f.KeyWords(), 0, g_variants, kDefaultKwicWidth, f.Pages(), CKwicJob::DefaultThreads());
    job.Wait();
    std::vector<KwicLineTag> collected;
    job.TakeLines(collected);
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<KwicLineTag> lines = collected;
        state.ResumeTiming();
        SortKwicLines(lines, KwicOrder::Before, {});
    }
}

void KwicSortCatalogue(benchmark::State& state)
{
    const ResearchFixture& f = Fixture();
    CKwicJob job(f.Index(), f.KeyWords(), 0, g_variants, kDefaultKwicWidth, f.Pages(), CKwicJob::DefaultThreads());
    job.Wait();
    std::vector<KwicLineTag> collected;
    job.TakeLines(collected);
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<KwicLineTag> lines = collected;
        state.ResumeTiming();
        SortKwicLines(lines, KwicOrder::Catalogue, CatalogueRanks(f.Root(), f.Pages()));
    }
}

void Statistics(benchmark::State& state)
{
    size_t nodes = 0;
    for (auto _ : state) {
        nodes = 0;
        for (const Scope& scope : Fixture().Scopes())
            nodes += HitStatistics(*scope.node, scope.results).size();
    }
    state.counters["entries"] = static_cast<double>(nodes);
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--collection=", 13) == 0) {
            g_collection = argv[i] + 13;
        } else if (std::strncmp(argv[i], "--query=", 8) == 0) {
            g_query = CCodeConverter::Utf8ToUtf16(argv[i] + 8);
        } else if (std::strcmp(argv[i], "--no-variants") == 0) {
            g_variants = false;
        } else {
            std::fprintf(stderr, "unknown option %s\n", argv[i]);
            return 2;
        }
    }
    if (g_collection.empty()) {
        std::fprintf(stderr, "usage: research_bench --collection=FOLDER [--query=Q] [--no-variants]\n");
        return 2;
    }
    try {
        Fixture();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    const auto timed = [](benchmark::internal::Benchmark* b) {
        b->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
    };
    timed(benchmark::RegisterBenchmark("search and result lists", SearchAndResults));
    timed(benchmark::RegisterBenchmark("kwic first screen", KwicFirstScreen));
    timed(benchmark::RegisterBenchmark("kwic all lines", KwicAllLines)->Arg(1)->Arg(CKwicJob::DefaultThreads()));
    timed(benchmark::RegisterBenchmark("kwic sort before", KwicSortBefore));
    timed(benchmark::RegisterBenchmark("kwic sort catalogue", KwicSortCatalogue));
    timed(benchmark::RegisterBenchmark("statistics", Statistics));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
