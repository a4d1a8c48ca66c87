// The search panel's share of a search: turning a hit set of 100,000 pages in a category scope
// into named, sorted results and showing the first list page; and loading a full catalogue.
#include "panel/catalogue.h"
#include "panel/resultlist.h"
#include "text/codeconverter.h"
#include "tools/writer/cataloguewriter.h"
#include "tools/writer/textsetwriter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using varo::writer::CatalogueEntry;

// A folder under the temporary folder, removed at the end.
class BenchFolder {
public:
    BenchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "varo-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr)
            m_path = pattern;
    }
    ~BenchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& Path() const { return m_path; }
    std::u16string Folder() const { return varo::CCodeConverter::Utf8ToUtf16(m_path.string()); }

private:
    std::filesystem::path m_path;
};

// Categories of titles of volumes of pages, laid out in page order.
std::vector<CatalogueEntry> MakeCatalogue(int categories, int titles, int volumes, uint32_t pagesPerVolume)
{
    std::vector<CatalogueEntry> entries;
    uint32_t docID = 1;
    const uint32_t titlePages = static_cast<uint32_t>(volumes) * pagesPerVolume;
    for (int c = 0; c < categories; ++c) {
        entries.push_back({u"類" + std::u16string(1, static_cast<char16_t>(u'甲' + c)), 1, docID,
                           titlePages * static_cast<uint32_t>(titles), 1});
        for (int t = 0; t < titles; ++t) {
            entries.push_back(
                {u"書名" + varo::CCodeConverter::Utf8ToUtf16(std::to_string(t)), 2, docID, titlePages, 1});
            for (int v = 0; v < volumes; ++v) {
                entries.push_back(
                    {u"巻" + varo::CCodeConverter::Utf8ToUtf16(std::to_string(v + 1)), 3, docID, pagesPerVolume, 1});
                docID += pagesPerVolume;
            }
        }
    }
    return entries;
}

struct LoadedCatalogue {
    BenchFolder folder;
    varo::CCatalogue catalogue;

    explicit LoadedCatalogue(const std::vector<CatalogueEntry>& entries)
    {
        std::string image;
        varo::writer::BuildCatalogueImage(entries, image);
        varo::writer::WriteFileBytes(folder.Path() / "zlq.dir", image);
        catalogue.SetListingFolder(folder.Folder());
        catalogue.LoadCatalogue(folder.Folder(), nullptr);
    }
};

// Two categories of 200 titles of 10 volumes of 50 pages: 100,000 pages each.
LoadedCatalogue& TwoCategories()
{
    static LoadedCatalogue loaded(MakeCatalogue(2, 200, 10, 50));
    return loaded;
}

// A hit set over both categories: every page of the first (the scope) and every tenth page of
// the second, in ascending order as an and-search leaves it, or shuffled like an or-search.
void MakeHitSet(bool shuffled, std::vector<uint32_t>& pages, std::vector<uint32_t>& counts)
{
    pages.clear();
    for (uint32_t p = 0; p < 100000; ++p)
        pages.push_back(p);
    for (uint32_t p = 100000; p < 200000; p += 10)
        pages.push_back(p);
    if (shuffled)
        std::shuffle(pages.begin(), pages.end(), std::mt19937(7));
    counts.assign(pages.size(), 3);
}

void BM_CollectAndShowFirstListPage(benchmark::State& state)
{
    const varo::CCatalogue& catalogue = TwoCategories().catalogue;
    const varo::ContentsNodeTag* scope =
        varo::CCatalogue::FindNodeForRecord(catalogue.m_root.get(), catalogue.m_NodeItem[1]);
    std::vector<uint32_t> pages, counts;
    MakeHitSet(state.range(0) != 0, pages, counts);
    for (auto _ : state) {
        varo::CResultList list;
        list.m_scanPages = pages;
        list.m_scanCounts = counts;
        const uint64_t total = list.CollectResults(*scope);
        list.ShowFirstListPage();
        benchmark::DoNotOptimize(total);
        if (list.m_results.size() != 100000 || list.Rows().size() != 100)
            state.SkipWithError("unexpected result count");
    }
    state.SetLabel(state.range(0) != 0 ? "or-order hit set" : "ascending hit set");
}
BENCHMARK(BM_CollectAndShowFirstListPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LoadFullCatalogue(benchmark::State& state)
{
    // 9,999 records: 9 categories of 111 titles of 9 volumes.
    const std::vector<CatalogueEntry> entries = MakeCatalogue(9, 111, 9, 5);
    BenchFolder folder;
    std::string image;
    varo::writer::BuildCatalogueImage(entries, image);
    varo::writer::WriteFileBytes(folder.Path() / "zlq.dir", image);
    for (auto _ : state) {
        varo::CCatalogue catalogue;
        catalogue.SetListingFolder(folder.Folder());
        catalogue.LoadCatalogue(folder.Folder(), nullptr);
        if (catalogue.m_nodeCount != varo::kCatalogueSlots)
            state.SkipWithError("catalogue not loaded");
    }
}
BENCHMARK(BM_LoadFullCatalogue)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
