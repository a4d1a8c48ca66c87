// Search latency per query class, beside the time a bare loop needs to decode the same posting
// streams in full. The search reads each of those streams at most once, so the bare loop is the
// bound it is measured against: the closing table gives the median CPU time of each (steadier
// than wall time on a busy machine) and their ratio.
//
//   search_bench [--collection=FOLDER] [--benchmark_filter=...]
//
// Without --collection a collection of 30,000 pages with Zipf-distributed characters is generated
// first (this takes a while). With it, the text set "Index" of FOLDER is searched, for instance
// the full sample collection (scripts/build-sample.sh full FOLDER), with queries of real text.

#include "bench/generated_collection.h"
#include "engine/index.h"
#include "text/codeconverter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>

namespace {

using namespace varo;

struct QueryClass {
    std::string name;
    std::u16string query;
    bool isAnd = true;
};

class SearchFixture {
public:
    /// An empty folder generates the collection.
    explicit SearchFixture(const std::string& folder)
    {
        if (folder.empty())
            m_generated = std::make_unique<bench::GeneratedTextSet>();
        const std::u16string path = m_generated ? m_generated->Folder() : CCodeConverter::Utf8ToUtf16(folder);
        if (!m_index.Open(path, u"Index", INDEX_FULL_TEXT))
            throw std::runtime_error("cannot open the collection in " +
                                     (folder.empty() ? "a temporary folder" : folder));
        m_classes = m_generated ? GeneratedClasses() : PoetryClasses();
    }

    CIndex& Index() { return m_index; }
    const std::vector<QueryClass>& Classes() const { return m_classes; }

    /// Every character slot the query's terms read.
    static std::vector<uint32_t> Slots(std::u16string_view query)
    {
        std::vector<uint32_t> slots;
        for (char16_t unit : query)
            if (const int slot = CIndex::GetCharSlot(unit); slot >= 0)
                slots.push_back(static_cast<uint32_t>(slot));
        return slots;
    }

private:
    // Characters at a place of a generated page, so that phrases occur at least once.
    std::u16string At(uint32_t page, size_t offset) const
    {
        return std::u16string(1, static_cast<char16_t>(m_generated->Pages()[page].indexed[INDEX_FULL_TEXT][offset]));
    }
    static std::u16string Ranked(uint32_t rank)
    {
        return std::u16string(1, static_cast<char16_t>(bench::RankedCharacter(rank)));
    }

    std::vector<QueryClass> GeneratedClasses() const
    {
        const std::u16string three = Ranked(10) + u" " + Ranked(50) + u" " + Ranked(200);
        return {
            {"frequent character", Ranked(0)},
            {"rare character", Ranked(4000)},
            {"2-character phrase", At(1000, 10) + At(1000, 11)},
            {"4-character phrase", At(2000, 20) + At(2000, 21) + At(2000, 22) + At(2000, 23)},
            {"A?B", At(3000, 30) + u"?" + At(3000, 32)},
            {"A*B", At(4000, 40) + u"*" + At(4000, 140)},
            {"A*B*C", At(5000, 50) + u"*" + At(5000, 150) + u"*" + At(5000, 250)},
            {"3 terms, and", three, true},
            {"3 terms, or", three, false},
        };
    }

    // For a collection of classical poetry and prose.
    static std::vector<QueryClass> PoetryClasses()
    {
        return {
            {"frequent character", u"不"},
            {"rare character", u"鼇"},
            {"2-character phrase", u"明月"},
            {"4-character phrase", u"白日依山"},
            {"A?B", u"明?月"},
            {"A*B", u"春*秋"},
            {"AB*CD", u"明月*清風"},
            {"A*B*C", u"山*水*雲"},
            {"A*B?C*D*E", u"春*花?月*秋*風"},
            {"3 terms, and", u"山 水 雲", true},
            {"3 terms, or", u"山 水 雲", false},
        };
    }

    std::unique_ptr<bench::GeneratedTextSet> m_generated;
    CIndex m_index;
    std::vector<QueryClass> m_classes;
};

std::string g_collection;

SearchFixture& Fixture()
{
    static SearchFixture fixture(g_collection);
    return fixture;
}

// The bound: every entry and position of a stream decoded as plainly as it can be done, trusting
// the file as the search may not.
uint64_t DecodeStream(const CIndex& index, uint32_t slot)
{
    uint32_t block = index.m_firstBlock[slot];
    if (block == kNoBlock)
        return 0;
    const uint8_t* data = index.m_postings.Data();
    const uint32_t* chain = index.m_blockChain.data();
    uint32_t offset = 0;
    const auto next = [&]() -> uint32_t {
        if (offset == kBlockSize) {
            block = chain[block];
            offset = 0;
        }
        return data[size_t{block} * kBlockSize + offset++];
    };
    const auto packed = [&](uint32_t& bytes) {
        uint32_t value = next();
        if (value < 0x80) {
            bytes = 1;
            return value;
        }
        bytes = value < 0xC0 ? 2 : 3;
        value &= 0x3F;
        for (uint32_t i = 1; i < bytes; ++i)
            value = value << 8 | next();
        return value;
    };
    uint64_t sum = 0;
    uint32_t page = 0;
    for (bool first = true;; first = false) {
        uint32_t bytes = 0;
        const uint32_t delta = packed(bytes);
        page = first ? delta : page + delta;
        uint32_t length = next();
        length |= next() << 8;
        while (length > 0) {
            sum += packed(bytes);
            length -= std::min(length, bytes);
        }
        if (page == index.m_lastPage[slot])
            return sum + page;
    }
}

void Search(benchmark::State& state, size_t which)
{
    SearchFixture& fixture = Fixture();
    const QueryClass& c = fixture.Classes()[which];
    for (auto _ : state) {
        std::u16string query = c.query;
        const int result =
            c.isAnd ? fixture.Index().SearchAnd(query, true, false) : fixture.Index().SearchOr(query, true, false);
        benchmark::DoNotOptimize(result);
    }
    uint64_t hits = 0;
    for (uint32_t count : fixture.Index().GetHitCounts())
        hits += count;
    state.counters["pages"] = static_cast<double>(fixture.Index().GetHitPages().size());
    state.counters["hits"] = static_cast<double>(hits);
}

void Decode(benchmark::State& state, size_t which)
{
    SearchFixture& fixture = Fixture();
    const std::vector<uint32_t> slots = SearchFixture::Slots(fixture.Classes()[which].query);
    for (auto _ : state)
        for (uint32_t slot : slots)
            benchmark::DoNotOptimize(DecodeStream(fixture.Index(), slot));
}

// The console output, plus a closing table of medians and their ratio per query class.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                m_medians[run.run_name.function_name] = run.GetAdjustedCPUTime();
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\n%-22s %14s %14s %7s\n", "query class", "search cpu us", "decode cpu us", "ratio");
        for (const QueryClass& c : Fixture().Classes()) {
            const auto search = m_medians.find("search/" + c.name);
            const auto decode = m_medians.find("decode/" + c.name);
            if (search == m_medians.end() || decode == m_medians.end())
                continue;
            std::printf("%-22s %14.1f %14.1f %7.2f\n", c.name.c_str(), search->second, decode->second,
                        search->second / decode->second);
        }
    }

private:
    std::map<std::string, double> m_medians;
};

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
    try {
        Fixture();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    const auto& classes = Fixture().Classes();
    for (size_t i = 0; i < classes.size(); ++i) {
        for (const char* kind : {"search/", "decode/"}) {
            const bool search = kind[0] == 's';
            benchmark::RegisterBenchmark((kind + classes[i].name).c_str(), search ? Search : Decode, i)
                ->Unit(benchmark::kMicrosecond)
                ->MinTime(0.2)
                ->Repetitions(9)
                ->ReportAggregatesOnly(true);
        }
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
