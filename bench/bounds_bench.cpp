// Resource bounds of hostile and extreme requests: the longest query the query field takes
// (32,767 characters, the most a text field holds), a query of 1,000 terms, a variant-heavy
// query with the variant option on, a page of 4 MB, and a hostile variant table whose groups
// hold characters of the highlight markup, wildcards and blanks, with a page of 24 MB. Each is
// searched and rendered the way the search panel asks for it; every benchmark reports its time
// and the peak heap it took (peak_heap_MB: the most memory allocated at once during one run,
// above what was allocated before it).
//
//   bounds_bench [--benchmark_filter=...]   (a collection of 300 pages and one of 4 MB, and a
//                                             small one with the hostile table, are built first)

#include "engine/index.h"
#include "store/pagemarkup.h"
#include "text/codeconverter.h"
#include "tools/writer/textsetwriter.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <new>
#include <stdexcept>

// Every allocation of the program is counted, so that a benchmark can report the peak it
// reached. Not under AddressSanitizer, whose allocator must see every allocation itself; the
// peak then reads 0.
#if defined(__SANITIZE_ADDRESS__)
#define VARO_COUNT_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VARO_COUNT_ALLOCATIONS 0
#endif
#endif
#ifndef VARO_COUNT_ALLOCATIONS
#define VARO_COUNT_ALLOCATIONS 1
#endif

namespace {

std::atomic<size_t> g_allocated{0};
std::atomic<size_t> g_peak{0};

[[maybe_unused]] void* Allocate(size_t size)
{
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr)
        throw std::bad_alloc();
    const size_t now = g_allocated += malloc_usable_size(block);
    size_t peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
    return block;
}

[[maybe_unused]] void Release(void* block) noexcept
{
    if (block == nullptr)
        return;
    g_allocated -= malloc_usable_size(block);
    std::free(block);
}

}  // namespace

#if VARO_COUNT_ALLOCATIONS
void* operator new(size_t size)
{
    return Allocate(size);
}
void* operator new[](size_t size)
{
    return Allocate(size);
}
void operator delete(void* block) noexcept
{
    Release(block);
}
void operator delete[](void* block) noexcept
{
    Release(block);
}
void operator delete(void* block, size_t) noexcept
{
    Release(block);
}
void operator delete[](void* block, size_t) noexcept
{
    Release(block);
}
#endif

namespace {

using namespace varo;

constexpr size_t kLongestQuery = 32767;
constexpr uint32_t kPages = 300;
constexpr uint32_t kBigPage = kPages;  // the record of the 4 MB page
constexpr size_t kBigPageBytes = size_t{4} << 20;
constexpr uint32_t kGroupCount = 150;  // groups of four forms over U+4E00 .. U+4E00 + 599

uint32_t g_seed = 2024;
uint32_t Random(uint32_t limit)
{
    g_seed = g_seed * 1103515245 + 12345;
    return (g_seed >> 8) % limit;
}

char32_t RandomCharacter()
{
    return static_cast<char32_t>(0x4E00 + Random(kGroupCount * 4));
}

std::string Utf8(const std::u32string& text)
{
    std::string out;
    for (char32_t c : text)
        CCodeConverter::AppendUtf8(out, c);
    return out;
}

std::string PageHtml(const std::string& cell)
{
    return "<html><head><title>題</title></head><body><TABLE><tr><TD width=80>" + cell +
           "</TD><TD width=450>margin</TD></tr></TABLE></body></html>";
}

// Paragraphs of text with an annotation every few sentences.
std::string Cell(const std::u32string& text)
{
    std::string cell;
    for (size_t at = 0; at < text.size(); at += 40) {
        const std::string sentence = Utf8(text.substr(at, 40));
        cell += at % 400 == 0 ? "<p>" : "";
        cell += at % 160 == 120 ? std::string(kAnnotationStart) + sentence + std::string(kAnnotationEnd) : sentence;
    }
    return cell;
}

writer::VariantGroups Groups()
{
    writer::VariantGroups groups;
    for (uint32_t g = 0; g < kGroupCount; ++g)
        groups.push_back({0x4E00 + 4 * g, 0x4E01 + 4 * g, 0x4E02 + 4 * g, 0x4E03 + 4 * g});
    return groups;
}

class Collection {
public:
    Collection()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "varo-bounds-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder");
        m_folder = pattern;
        std::vector<writer::PageInput> pages;
        for (uint32_t p = 0; p < kPages; ++p) {
            std::u32string text;
            for (int k = 0; k < 2000; ++k)
                text += RandomCharacter();
            pages.push_back({"c\\v\\" + std::to_string(2 * p + 2) + ".htm", PageHtml(Cell(text)), {text, text, text}});
        }
        // The big page is stored only: rendering it is what is measured.
        std::u32string text;
        while (text.size() * 3 < kBigPageBytes)
            text += RandomCharacter();
        pages.push_back({"c\\v\\2.htm", PageHtml(Cell(text)), {}});
        const std::string error = writer::WriteTextSet(m_folder, "Index", pages, Groups());
        if (!error.empty())
            throw std::runtime_error(error);
        if (!index.Open(CCodeConverter::Utf8ToUtf16(m_folder.string()), u"Index", INDEX_FULL_TEXT))
            throw std::runtime_error("cannot open the collection");
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

// Terms of `length` random characters separated by blanks, cut at `units`.
std::u16string Terms(size_t units, size_t length)
{
    std::u16string query;
    while (query.size() < units) {
        if (!query.empty())
            query += u' ';
        for (size_t k = 0; k < length; ++k)
            query += static_cast<char16_t>(RandomCharacter());
    }
    query.resize(units);
    if (query.back() == u' ')
        query.back() = static_cast<char16_t>(RandomCharacter());
    return query;
}

const std::u16string& LongestQueryOfTerms()
{
    static const std::u16string q = Terms(kLongestQuery, 3);
    return q;
}
const std::u16string& LongestSingleTerm()
{
    static const std::u16string q = Terms(kLongestQuery, kLongestQuery);
    return q;
}
// 1,000 terms of one character: 1,999 units.
const std::u16string& ThousandTerms()
{
    static const std::u16string q = Terms(1999, 1);
    return q;
}
// Forty characters of four forms each: 4^40 variant forms.
const std::u16string& VariantHeavy()
{
    static const std::u16string q = Terms(40, 40);
    return q;
}
// Three terms of two characters.
const std::u16string& ThreeTerms()
{
    static const std::u16string q = Terms(8, 2);
    return q;
}

// Runs one request per iteration and reports the peak heap above what was allocated before it.
template <typename Request>
void Measure(benchmark::State& state, Request request)
{
    Shared();
    size_t peak = 0;
    for (auto _ : state) {
        const size_t before = g_allocated.load();
        g_peak = before;
        request();
        peak = std::max(peak, g_peak.load() - before);
    }
    state.counters["peak_heap_MB"] = static_cast<double>(peak) / 1e6;
}

void Search(benchmark::State& state, const std::u16string& query, bool andQuery, bool useVariants)
{
    uint32_t pages = 0;
    Measure(state, [&] {
        std::u16string keywords = query;
        CIndex& index = Shared().index;
        if (andQuery)
            index.SearchAnd(keywords, true, useVariants);
        else
            index.SearchOr(keywords, true, useVariants);
        pages = static_cast<uint32_t>(index.GetHitPages().size());
    });
    state.counters["pages"] = pages;
}

void Render(benchmark::State& state, uint32_t page, const std::u16string& query, bool useVariants)
{
    int anchors = 0;
    size_t bytes = 0;
    Measure(state, [&] {
        std::string output;
        anchors = Shared().index.RenderResultPage(page, output, query, 0, useVariants);
        bytes = output.size();
    });
    state.counters["anchors"] = anchors;
    state.counters["output_MB"] = static_cast<double>(bytes) / 1e6;
}

// A collection with a hostile variant table: 而 has the short page's characters and characters of
// the markup among its forms (a, 詩, 學 and 云 stand alone), 1 the anchors' digits, b letters of
// the highlight markup, x wildcards and letters no page holds, 經 the page's characters and '*'.
// Page 0 is a short page, page 1 a page of 24 MB that is nothing but "a".
class HostileCollection {
public:
    HostileCollection()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "varo-hostile-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder");
        m_folder = pattern;
        const std::string shortCell =
            "詩云詩云詩<p>" + std::string(kAnnotationStart) + "書曰" + std::string(kAnnotationEnd) + "<br>學而之";
        std::vector<writer::PageInput> pages = {{"c\\v\\2.htm", PageHtml(shortCell), {}},
                                                {"c\\v\\4.htm", PageHtml(std::string(size_t{24} << 20, 'a')), {}}};
        const writer::VariantGroups groups = {{'a'},
                                              {0x8A69},
                                              {0x5B78},
                                              {0x4E91},
                                              {0x800C, 'a', 0x8A69, '0', 0x5B78, 0x66F0, 0x4E4B, 0x66F8, 0x4E91},
                                              {'1', '0', '2', '3', '4', '5', '6', '7', '8', '9'},
                                              {'b', 'a', 'c', 'e', 'l', 'm', 'n', 'r', 's', 't'},
                                              {'x', '?', '*', 'q', 'z', 'w'},
                                              {0x7D93, 0x8A69, 0x4E91, 0x66F8, 0x66F0, 0x5B78, 0x800C, 0x4E4B, '*'}};
        const std::string error = writer::WriteTextSet(m_folder, "Index", pages, groups);
        if (!error.empty())
            throw std::runtime_error(error);
        if (!index.Open(CCodeConverter::Utf8ToUtf16(m_folder.string()), u"Index", INDEX_FULL_TEXT))
            throw std::runtime_error("cannot open the hostile collection");
    }

    ~HostileCollection()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    CIndex index;

private:
    std::filesystem::path m_folder;
};

HostileCollection& Hostile()
{
    static HostileCollection collection;
    return collection;
}

void HostileRender(benchmark::State& state, uint32_t page, const std::u16string& query, bool useVariants)
{
    Hostile();
    int anchors = 0;
    size_t bytes = 0;
    Measure(state, [&] {
        std::string output;
        anchors = Hostile().index.RenderResultPage(page, output, query, 0, useVariants);
        bytes = output.size();
    });
    state.counters["anchors"] = anchors;
    state.counters["output_MB"] = static_cast<double>(bytes) / 1e6;
}

void ReadPage(benchmark::State& state, uint32_t page)
{
    Measure(state, [page] {
        std::string text;
        Shared().index.ReadText(page, text);
        benchmark::DoNotOptimize(text.data());
    });
}

}  // namespace

#define VARO_BOUND(...) BENCHMARK_CAPTURE(__VA_ARGS__)->Unit(benchmark::kMillisecond)->MinTime(0.2)

VARO_BOUND(Search, longestQuery_or, LongestQueryOfTerms(), false, true);
VARO_BOUND(Search, longestQuery_and, LongestQueryOfTerms(), true, true);
VARO_BOUND(Search, longestSingleTerm, LongestSingleTerm(), true, true);
VARO_BOUND(Render, longestQuery, 0, LongestQueryOfTerms(), false);
VARO_BOUND(Render, longestQuery_variants, 0, LongestQueryOfTerms(), true);
VARO_BOUND(Search, thousandTerms_or, ThousandTerms(), false, true);
VARO_BOUND(Search, thousandTerms_and, ThousandTerms(), true, true);
VARO_BOUND(Render, thousandTerms, 0, ThousandTerms(), false);
VARO_BOUND(Render, thousandTerms_variants, 0, ThousandTerms(), true);
VARO_BOUND(Search, variantHeavy, VariantHeavy(), true, true);
VARO_BOUND(Render, variantHeavy_variants, 0, VariantHeavy(), true);
VARO_BOUND(ReadPage, fourMegabytePage, kBigPage);
VARO_BOUND(Render, fourMegabytePage_threeTerms, kBigPage, ThreeTerms(), false);
VARO_BOUND(Render, fourMegabytePage_threeTerms_variants, kBigPage, ThreeTerms(), true);
VARO_BOUND(Render, fourMegabytePage_thousandTerms, kBigPage, ThousandTerms(), false);
VARO_BOUND(Render, fourMegabytePage_variantHeavy, kBigPage, VariantHeavy(), true);
// Every character of these queries has ten forms or so, none of which can be ruled out: the
// markup of earlier passes may bring any of them into the page.
VARO_BOUND(HostileRender, hostileTable_formsAndMarkup, 0, u"而而而而而而而a而而詩學云云云", true);
VARO_BOUND(HostileRender, hostileTable_eightFormsAndMarkup, 0, u"而而而而而而而而", true);
VARO_BOUND(HostileRender, hostileTable_digits, 0, std::u16string(48, u'1'), true);
VARO_BOUND(HostileRender, hostileTable_markupLetters, 0, std::u16string(48, u'b'), true);
VARO_BOUND(HostileRender, hostileTable_wildcards, 0, std::u16string(48, u'x'), true);
VARO_BOUND(HostileRender, hostileTable_starredForms, 0, std::u16string(48, u'經'), true);
// One pass over a page that is nothing but hits.
VARO_BOUND(HostileRender, pageOfHits_plain, 1, u"a", false);
VARO_BOUND(HostileRender, pageOfHits_variants, 1, u"a", true);

BENCHMARK_MAIN();
