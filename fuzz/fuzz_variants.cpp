// Loads an arbitrary variant table over the fuzz collection and expands, searches and renders
// queries with it. Where the expansion is small enough to render literally, the result page of
// the variant option must equal the plain render of every variant form joined by blanks,
// whenever neither render stopped at its budget.
//
// Input: u32-prefixed yitizi.txt, then operations to the end: u8 op, query.

#include "fuzz/fuzzcollection.h"
#include "fuzz/fuzzinput.h"

#include "engine/index.h"
#include "platform/memoryfiles.h"
#include "text/codeconverter.h"

using namespace varo;

namespace {

// Every operation makes a variant render, which on a hostile table may use its whole budget
// (in this build a 64th of the program's, some ten milliseconds under the sanitizers): an input
// runs two.
constexpr int kMaxOperations = 2;
// Expansions up to this many forms are also rendered literally and compared.
constexpr uint64_t kLiteralForms = 256;

uint64_t FormCount(const CIndex& index, std::u16string_view query)
{
    uint64_t forms = 1;
    for (size_t i = 0; i < query.size();)
        forms = std::min<uint64_t>(forms * index.GetVariants(CCodeConverter::DecodeUtf16(query, i)).size(),
                                   kLiteralForms + 1);
    return forms;
}

void CheckLookups(const CIndex& index, std::u16string_view query)
{
    for (size_t i = 0; i < query.size();) {
        uint32_t slot = 7;
        if (index.FindVariantSlot(CCodeConverter::DecodeUtf16(query, i), slot))
            VARO_FUZZ_CHECK(slot >= VARIANT_SLOT_BASE && slot < SLOT_COUNT);
        else
            VARO_FUZZ_CHECK(slot == 7);
    }
    for (size_t i = 0; i < query.size();)
        VARO_FUZZ_CHECK(!index.GetVariants(CCodeConverter::DecodeUtf16(query, i)).empty());
}

// The render of the variant option against the literal join of the expansion.
void CheckRender(const CIndex& index, std::u16string_view query, uint32_t page, int target)
{
    std::string viaVariants;
    bool complete = false;
    const int anchors = index.RenderResultPage(page, viaVariants, query, target, true, &complete);
    VARO_FUZZ_CHECK(anchors >= 0);
    if (query.empty() || FormCount(index, query) > kLiteralForms)
        return;
    std::vector<std::u16string> forms;
    index.ExpandVariantForms(query, forms);
    VARO_FUZZ_CHECK(forms.size() == FormCount(index, query));
    std::u16string joined;
    for (const std::u16string& form : forms) {
        joined += form;
        joined += u' ';
    }
    joined.pop_back();
    std::string literal;
    bool literalComplete = false;
    const int literalAnchors = index.RenderResultPage(page, literal, joined, target, false, &literalComplete);
    // Each render stops at a budget of its own; where neither did, they agree byte for byte.
    if (!complete || !literalComplete)
        return;
    VARO_FUZZ_CHECK(anchors == literalAnchors);
    VARO_FUZZ_CHECK(viaVariants == literal);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::HoldCollection();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Reader input(data, size);
    MemoryFiles::Put(fuzz::HeldPath(u"yitizi.txt"), std::string(input.Blob(4)));
    // An index of its own for each input, opened with the input's table: no table, hit set or
    // skip directory of one input survives into the next, so an input replays alone as it ran,
    // and what an input allocates it frees (libFuzzer runs an input again to look for a leak
    // whenever its allocations outnumber its frees).
    CIndex index;
    if (!index.Open(fuzz::kHeldFolder, u"Index", INDEX_FULL_TEXT))
        std::abort();
    for (int operations = 0; !input.Empty() && operations < kMaxOperations; ++operations) {
        const uint8_t op = input.Byte();
        std::u16string query = input.Query();
        CheckLookups(index, query);
        if ((op & 0x80) != 0) {
            if ((op & 0x40) != 0)
                index.SearchAnd(query, true, true);
            else
                index.SearchOr(query, true, true);
        }
        CheckRender(index, query, op % 8, (op >> 3) % 4);
    }
    return 0;
}
