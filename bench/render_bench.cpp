// Rendering a typical result page: a page of about 3 KB of text in the collection's template,
// with annotations and paragraphs, rendered for queries of one and three terms with the variant
// option off and on, and for a 20-character query with the variant option on.

#include "engine/index.h"
#include "store/pagemarkup.h"
#include "text/codeconverter.h"
#include "tools/writer/textsetwriter.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace {

using namespace varo;

// 60 groups of three forms; group i holds U+4E00 + 3i, + 1, + 2.
writer::VariantGroups Groups()
{
    writer::VariantGroups groups;
    for (uint32_t i = 0; i < 60; ++i)
        groups.push_back({0x4E00 + 3 * i, 0x4E01 + 3 * i, 0x4E02 + 3 * i});
    return groups;
}

std::string Utf8(char32_t c)
{
    std::string out;
    CCodeConverter::AppendUtf8(out, c);
    return out;
}

// About a thousand characters drawn from the grouped block and beyond it, in paragraphs, with an
// annotation every few sentences; the first query's characters occur a few times in varied forms.
std::string TypicalCell()
{
    std::string cell;
    uint32_t seed = 12345;
    for (int sentence = 0; sentence < 60; ++sentence) {
        cell += sentence % 10 == 0 ? "<p>" : "";
        const bool note = sentence % 4 == 3;
        if (note)
            cell += kAnnotationStart;
        for (int k = 0; k < 16; ++k) {
            seed = seed * 1103515245 + 12345;
            cell += Utf8(0x4E00 + (seed >> 16) % 400);
        }
        if (sentence % 7 == 0)
            cell += Utf8(0x4E00 + 3 * (sentence % 3)) + Utf8(0x4E04) + Utf8(0x4E06);
        // The twenty-character query, spelt with other forms of some of its characters.
        if (sentence == 20 || sentence == 45)
            for (uint32_t i = 0; i < 20; ++i)
                cell += Utf8(0x4E00 + 3 * i + (i * sentence) % 3);
        if (note)
            cell += kAnnotationEnd;
        cell += "。";
    }
    return cell;
}

class Collection {
public:
    Collection()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "varo-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder");
        m_folder = pattern;
        writer::PageInput page{"bench\\0002.htm",
                               "<html><head><title>題</title></head><body><TABLE><tr><TD width=80>" + TypicalCell() +
                                   "</TD><TD width=450>margin</TD></tr></TABLE></body></html>",
                               {}};
        writer::StoreImage image;
        if (!writer::BuildStoreImage({page}, {}, image).empty() ||
            !writer::WriteFileBytes(m_folder / "Index-fl.h", image.list) ||
            !writer::WriteFileBytes(m_folder / "Index-fl.cnt", image.content) ||
            !writer::WriteFileBytes(m_folder / "yitizi.txt", writer::FormatVariantTable(Groups())))
            throw std::runtime_error("cannot write the collection");
        const std::u16string folder = CCodeConverter::Utf8ToUtf16(m_folder.string());
        if (!index.m_fileList.Open(folder, u"Index"))
            throw std::runtime_error("cannot open the collection");
        index.LoadVariantTable(folder);
    }

    ~Collection()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    CIndex index;

private:
    std::filesystem::path m_folder;
};

Collection& Shared()
{
    static Collection collection;
    return collection;
}

void Render(benchmark::State& state, const std::u16string& query, bool useVariants)
{
    CIndex& index = Shared().index;
    int anchors = 0;
    size_t bytes = 0;
    for (auto _ : state) {
        std::string output;
        anchors = index.RenderResultPage(0, output, query, 0, useVariants);
        bytes = output.size();
        benchmark::DoNotOptimize(output.data());
    }
    state.counters["anchors"] = anchors;
    state.counters["bytes"] = static_cast<double>(bytes);
}

const std::u16string kOneTerm = u"\u4E00\u4E04\u4E06";
const std::u16string kThreeTerms = u"\u4E00\u4E04\u3000\u4E10\u3000\u4E07\u4E22";

std::u16string TwentyCharacters()
{
    std::u16string query;
    for (char16_t i = 0; i < 20; ++i)
        query += static_cast<char16_t>(0x4E01 + 3 * i);
    return query;
}

// The twenty characters with '?' after each, on a page that holds every form of them.
std::u16string TwentyWildcardedCharacters()
{
    std::u16string query;
    for (char16_t c : TwentyCharacters())
        query += std::u16string{c, u'?'};
    return query;
}

// The twenty characters joined by '*': on this page nearly every combination of forms matches
// somewhere, more than can be highlighted; the render stops at its budget.
std::u16string TwentyStarredCharacters()
{
    std::u16string query;
    for (char16_t c : TwentyCharacters())
        query += std::u16string{c, u'*'};
    return query;
}

}  // namespace

BENCHMARK_CAPTURE(Render, oneTerm, kOneTerm, false);
BENCHMARK_CAPTURE(Render, oneTermVariants, kOneTerm, true);
BENCHMARK_CAPTURE(Render, threeTerms, kThreeTerms, false);
BENCHMARK_CAPTURE(Render, threeTermsVariants, kThreeTerms, true);
BENCHMARK_CAPTURE(Render, twentyCharactersVariants, TwentyCharacters(), true);
// Each character may stand apart from its neighbours, so every form of each looks possible.
BENCHMARK_CAPTURE(Render, twentyWildcardedCharactersVariants, TwentyWildcardedCharacters(), true);
BENCHMARK_CAPTURE(Render, twentyStarredCharactersVariants, TwentyStarredCharacters(), true)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
