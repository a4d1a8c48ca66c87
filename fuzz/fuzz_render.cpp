// Renders arbitrary page bytes with arbitrary queries and search targets, plain and with the
// variant option (the fuzz collection's variant table). Where the variant expansion is small
// enough to render literally, both must give the same document. The hit positions read back
// from the same rendering take the anchors in order and lie inside the cell's text, and the
// concordance lines cut from them stay inside it too.
//
// Input: u16 page label, u32-prefixed page bytes, then operations to the end: u8 op (target in
// bits 0-2, where 3 to 7 stand for values no radio gives; variant option in bit 3), query.

#include "fuzz/fuzzcollection.h"
#include "fuzz/fuzzinput.h"

#include "engine/index.h"
#include "panel/kwic.h"
#include "platform/memoryfiles.h"
#include "text/codeconverter.h"

#include <cstdio>

using namespace varo;

namespace {

// An input runs a few operations. A variant render on a hostile page may use its whole budget
// (in this build a 64th of the program's, some ten milliseconds under the sanitizers): the
// operations after the second such render render without the variant option.
constexpr int kMaxOperations = 4;
constexpr int kMaxVariantRenders = 2;
// Expansions up to this many forms are also rendered literally and compared.
constexpr uint64_t kLiteralForms = 64;
constexpr uint32_t kFuzzedRecord = 1;

CIndex& Index()
{
    static CIndex index;
    return index;
}

int TargetOf(uint8_t op)
{
    static constexpr int kTargets[] = {0, 1, 2, 0, 3, -1, 1000, -2147483647 - 1};
    return kTargets[op & 0x07];
}

// The store holds a fixed first record, from which the reader learns the store key, and the
// fuzzed page as the second.
void WriteStore(uint16_t label, std::string_view page)
{
    std::vector<writer::PageInput> pages(2);
    pages[0].recordName = "c\\v\\0001.htm";
    pages[0].html = fuzz::StoredPage("T", "x", "y");
    char name[32];
    std::snprintf(name, sizeof name, "c\\v\\%u.htm", unsigned{label});
    pages[1].recordName = name;
    pages[1].html = page;
    writer::StoreImage image;
    if (!writer::BuildStoreImage(pages, {}, image).empty())
        std::abort();
    MemoryFiles::Put(fuzz::HeldPath(u"Index-fl.h"), std::move(image.list));
    MemoryFiles::Put(fuzz::HeldPath(u"Index-fl.cnt"), std::move(image.content));
}

void CheckDocument(const std::string& html)
{
    if (html.empty())
        return;
    VARO_FUZZ_CHECK(html.starts_with("<html><head>"));
    VARO_FUZZ_CHECK(html.ends_with("</BODY></html>"));
}

void CheckAgainstLiteralExpansion(const CIndex& index, std::u16string_view query, int target,
                                  const std::string& viaVariants, int anchors, bool complete)
{
    uint64_t count = 1;
    for (size_t i = 0; i < query.size();)
        count = std::min<uint64_t>(count * index.GetVariants(CCodeConverter::DecodeUtf16(query, i)).size(),
                                   kLiteralForms + 1);
    if (query.empty() || count > kLiteralForms)
        return;
    std::vector<std::u16string> forms;
    index.ExpandVariantForms(query, forms);
    std::u16string joined;
    for (const std::u16string& form : forms)
        joined += form + u' ';
    joined.pop_back();
    std::string literal;
    bool literalComplete = false;
    const int literalAnchors = index.RenderResultPage(kFuzzedRecord, literal, joined, target, false, &literalComplete);
    // Each render stops at a budget of its own; where neither did, they agree byte for byte.
    if (!complete || !literalComplete)
        return;
    VARO_FUZZ_CHECK(literalAnchors == anchors);
    VARO_FUZZ_CHECK(literal == viaVariants);
}

void CheckHitPositions(const CIndex& index, std::u16string_view query, int target, bool useVariants, int anchors)
{
    PageHitsTag hits;
    if (!index.LocateHits(kFuzzedRecord, query, target, useVariants, hits))
        return;
    VARO_FUZZ_CHECK(hits.annotation.size() == hits.text.size());
    int next = 0;
    for (const HitPositionTag& hit : hits.hits) {
        VARO_FUZZ_CHECK(hit.anchors >= 1);
        VARO_FUZZ_CHECK(uint64_t{hit.offset} + hit.length <= hits.text.size());
        // Passes come in term order and each pass's hits in document order, so anchors grow.
        VARO_FUZZ_CHECK(hit.anchor >= next);
        next = hit.anchor + hit.anchors;
    }
    VARO_FUZZ_CHECK(next <= anchors);
    std::vector<KwicLineTag> lines;
    AppendKwicLines(hits, 0, 3, lines);
    VARO_FUZZ_CHECK(lines.size() == hits.hits.size());
    for (const KwicLineTag& line : lines)
        VARO_FUZZ_CHECK(size_t{line.beforeUnits} + line.hitUnits <= line.text.size());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::HoldCollection();
    if (!Index().Open(fuzz::kHeldFolder, u"Index", INDEX_FULL_TEXT))
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Reader input(data, size);
    const uint16_t label = input.U16();
    WriteStore(label, input.Blob(4));
    CIndex& index = Index();
    if (!index.m_fileList.Open(fuzz::kHeldFolder, u"Index"))
        std::abort();
    int variantRenders = 0;
    for (int operations = 0; !input.Empty() && operations < kMaxOperations; ++operations) {
        const uint8_t op = input.Byte();
        const std::u16string query = input.Query();
        const int target = TargetOf(op);
        const bool useVariants = (op & 0x08) != 0 && ++variantRenders <= kMaxVariantRenders;
        std::string html;
        bool complete = false;
        const int anchors = index.RenderResultPage(kFuzzedRecord, html, query, target, useVariants, &complete);
        VARO_FUZZ_CHECK(anchors >= 0);
        CheckDocument(html);
        CheckHitPositions(index, query, target, useVariants, anchors);
        if (useVariants)
            CheckAgainstLiteralExpansion(index, query, target, html, anchors, complete);
    }
    return 0;
}
