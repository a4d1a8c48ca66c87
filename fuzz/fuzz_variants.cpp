// Loads an arbitrary variant table over the fuzz collection and expands, searches and renders
// queries with it. Where the expansion is small enough to render literally, the result page of
// the variant option must equal the plain render of every variant form joined by blanks,
// whenever neither render stopped at its budget.
//
// Input: u32-prefixed yitizi.txt, then operations to the end: u8 op, query.

#include "fuzz/fuzzcollection.h"
#include "fuzz/fuzzinput.h"

#include "engine/index.h"
#include "text/codeconverter.h"

using namespace varo;

namespace {

// Every operation makes a variant render, which on a hostile table may use its whole budget
// (about a second under the sanitizers): an input runs two.
constexpr int kMaxOperations = 2;
// Expansions up to this many forms are also rendered literally and compared.
constexpr uint64_t kLiteralForms = 256;

const fuzz::ScratchFolder& Folder()
{
    static fuzz::ScratchFolder folder;
    return folder;
}

CIndex& Index()
{
    static CIndex index;
    return index;
}

uint64_t FormCount(const CIndex& index, std::u16string_view query)
{
    uint64_t forms = 1;
    for (char16_t unit : query)
        forms = std::min<uint64_t>(forms * index.GetVariants(unit).size(), kLiteralForms + 1);
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
    for (char16_t unit : query)
        VARO_FUZZ_CHECK(!index.GetVariants(unit).empty());
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
        VARO_FUZZ_CHECK(form.size() == query.size());
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
    fuzz::WriteCollection(Folder().Path());
    if (!Index().Open(CCodeConverter::Utf8ToUtf16(Folder().Path().string()), u"Index", INDEX_FULL_TEXT))
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Reader input(data, size);
    const std::filesystem::path& folder = Folder().Path();
    if (!writer::WriteFileBytes(folder / "yitizi.txt", std::string(input.Blob(4))))
        std::abort();
    CIndex& index = Index();
    index.LoadVariantTable(CCodeConverter::Utf8ToUtf16(folder.string()));
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
