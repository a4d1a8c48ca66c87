// Opens an index set from arbitrary header and posting bytes and runs queries of every kind on
// it: and / or queries, single terms in every merge mode, with and without hit counting and
// variant groups, and the result page of a hit.
//
// Input: u8 header mode, u32 header cut, u16 n + n x (u32 slot selector, u32 FirstBlock,
// u32 LastPage), u16 m + m x u32 BlockChain, the posting file (u16 k + k x u16-prefixed block,
// u16 bytes cut from its end), u16-prefixed yitizi.txt, then operations (u8 op, query) to the end. A slot selector
// below 0x100 names the slot of an alphabet character, below 0x200 a variant group, any other value slot value %
// 100,000. Header mode 0 writes the whole header, 1 cuts it at the cut % (size + 1), 2 appends cut % 4 stray bytes
// after the chain.

#include "fuzz/fuzzcollection.h"
#include "fuzz/fuzzinput.h"

#include "engine/index.h"
#include "platform/memoryfiles.h"

#include <algorithm>

using namespace varo;

namespace {

void PutWord(std::string& bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint32_t GetWord(const std::string& bytes, size_t offset)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= uint32_t{static_cast<uint8_t>(bytes[offset + static_cast<size_t>(i)])} << (8 * i);
    return value;
}

uint32_t SlotOf(uint32_t selector)
{
    if (selector < 0x100) {
        const int slot = CIndex::GetCharSlot(fuzz::kAlphabet[selector % fuzz::kAlphabetSize]);
        return slot < 0 ? 0 : static_cast<uint32_t>(slot);
    }
    if (selector < 0x200)
        return VARIANT_SLOT_BASE + (selector & 0xFF);
    return selector % SLOT_COUNT;
}

// The header an input makes: the fixed tables of a header in which no slot has a stream, with
// the input's words put in and its chain appended. One buffer serves every run, held by
// reference, and is put back to blank afterwards: a fresh 1.4 MB header for each input would
// cost more than the rest of the run.
class InputHeader {
public:
    InputHeader() : m_bytes(kChainOffset, '\0') { std::fill_n(m_bytes.begin(), SLOT_COUNT * 4, '\xFF'); }

    /// Reads the header fields of the input and holds the header as path.
    void Hold(fuzz::Reader& input, std::u16string_view path)
    {
        const uint8_t mode = input.Byte();
        const uint32_t cut = input.U32();
        for (uint16_t n = input.U16(); n > 0 && !input.Empty(); --n) {
            const uint32_t slot = SlotOf(input.U32());
            Put(kFirstBlockOffset + slot * 4, input.U32());
            Put(kLastPageOffset + slot * 4, input.U32());
        }
        for (uint16_t m = input.U16(); m > 0 && !input.Empty(); --m) {
            m_bytes.append(4, '\0');
            PutWord(m_bytes, m_bytes.size() - 4, input.U32());
        }
        std::string_view held = m_bytes;
        if (mode % 3 == 1)
            held = held.substr(0, cut % (m_bytes.size() + 1));
        else if (mode % 3 == 2)
            held = m_bytes.append(cut % 4, '\x7F');
        MemoryFiles::PutReference(path, held);
    }

    /// Puts the blank tables back (after the run, when nothing reads the header any more).
    void Reset()
    {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it)
            PutWord(m_bytes, it->first, it->second);
        m_saved.clear();
        m_bytes.resize(kChainOffset);
    }

private:
    void Put(size_t offset, uint32_t value)
    {
        m_saved.emplace_back(offset, GetWord(m_bytes, offset));
        PutWord(m_bytes, offset, value);
    }

    std::string m_bytes;
    std::vector<std::pair<size_t, uint32_t>> m_saved;  // offset and word before the run
};

InputHeader& Header()
{
    static InputHeader header;
    return header;
}

// The posting file: blocks of up to 4096 bytes, each zero-padded to a whole block, and then cut
// short by a number of bytes. Built in one buffer that every run reuses and held by reference.
std::string_view PostingBytes(fuzz::Reader& input)
{
    static std::string postings;
    postings.clear();
    for (uint16_t blocks = input.U16(); blocks > 0 && !input.Empty(); --blocks) {
        const std::string_view block = input.Blob(2);
        postings += block.substr(0, kBlockSize);
        postings.resize((postings.size() + kBlockSize - 1) / kBlockSize * kBlockSize, '\0');
    }
    postings.resize(postings.size() - std::min<size_t>(postings.size(), input.U16() % kBlockSize));
    return postings;
}

// Properties of the hit set after an accepted query.
void CheckHitSet(const CIndex& index, bool andQuery, bool countHits)
{
    const CDWordArray& pages = index.GetHitPages();
    VARO_FUZZ_CHECK(index.m_hitPageCount == pages.size());
    if (countHits)
        VARO_FUZZ_CHECK(index.GetHitCounts().size() == pages.size());
    if (andQuery) {
        VARO_FUZZ_CHECK(std::adjacent_find(pages.begin(), pages.end(), std::greater_equal<uint32_t>()) == pages.end());
    } else {
        CDWordArray sorted = pages;
        std::sort(sorted.begin(), sorted.end());
        VARO_FUZZ_CHECK(std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end());
    }
}

void CheckDocument(const std::string& html)
{
    if (html.empty())
        return;
    VARO_FUZZ_CHECK(html.starts_with("<html><head>"));
    VARO_FUZZ_CHECK(html.ends_with("</BODY></html>"));
}

// A variant render with a hostile table may use its whole budget (in this build a 64th of the
// program's, some ten milliseconds under the sanitizers): the render operations after the
// second such render render without the variant option.
constexpr int kMaxVariantRenders = 2;

void RunOperation(CIndex& index, uint8_t op, std::u16string query, int& variantRenders)
{
    const bool countHits = (op & 0x04) != 0;
    bool useVariants = (op & 0x08) != 0;
    switch (op & 0x03) {
    case 0:
    case 1: {
        const bool andQuery = (op & 0x03) == 0;
        const bool accepted = CIndex::CheckQuery(query) > 0;
        if (andQuery)
            index.SearchAnd(query, countHits, useVariants);
        else
            index.SearchOr(query, countHits, useVariants);
        if (accepted)
            CheckHitSet(index, andQuery, countHits);
        break;
    }
    case 2:
        index.SearchTerm(query, (op >> 4) & 0x03, countHits, useVariants);
        VARO_FUZZ_CHECK(index.m_hitPageCount == index.GetHitPages().size());
        break;
    default: {
        const CDWordArray& pages = index.GetHitPages();
        const uint32_t page = pages.empty() ? 0 : pages[(op >> 4) % pages.size()];
        useVariants = useVariants && ++variantRenders <= kMaxVariantRenders;
        std::string html;
        const int anchors = index.RenderResultPage(page, html, query, op >> 6, useVariants);
        VARO_FUZZ_CHECK(anchors >= 0);
        CheckDocument(html);
        break;
    }
    }
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
    Header().Hold(input, fuzz::HeldPath(u"Index-idx.h"));
    MemoryFiles::PutReference(fuzz::HeldPath(u"Index-idx.m"), PostingBytes(input));
    MemoryFiles::Put(fuzz::HeldPath(u"yitizi.txt"), std::string(input.Blob(2)));
    {
        RecordingMessageSink messages;
        CIndex index;
        index.SetMessageSink(&messages);
        const bool opened = index.Open(fuzz::kHeldFolder, u"Index", INDEX_FULL_TEXT);
        // A failed open tells the user exactly once; a successful one says nothing.
        VARO_FUZZ_CHECK(messages.messages.size() == (opened ? 0u : 1u));
        VARO_FUZZ_CHECK(opened == index.IsOpen());
        int variantRenders = 0;
        for (int operations = 0; !input.Empty() && operations < 16; ++operations) {
            const uint8_t op = input.Byte();
            RunOperation(index, op, input.Query(), variantRenders);
        }
    }
    Header().Reset();
    return 0;
}
