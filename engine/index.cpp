#include "engine/index.h"

#include "platform/nativepath.h"

#include <algorithm>
#include <new>

namespace varo {

namespace {

std::u16string KindSuffix(int kind)
{
    switch (kind) {
    case INDEX_MAIN_TEXT: return u"_content";
    case INDEX_ANNOTATIONS: return u"_desc";
    default: return u"";
    }
}

}  // namespace

CIndex::CIndex() = default;

CIndex::~CIndex()
{
    Close();
}

int CIndex::GetCharSlot(uint32_t c)
{
    if (c >= 0x3400 && c <= 0x9FFF)
        return static_cast<int>(c - 0x3400);
    if (c >= 0xF900 && c <= 0xFAFF)
        return static_cast<int>(c - 0x8C00);
    if (c >= 0x20000 && c <= 0x2A6DF)
        return static_cast<int>(c - 0x18100);
    if (c >= 0x2F800 && c <= 0x2FA1F)
        return static_cast<int>(c - 0x1D220);
    if (c >= 0x3042 && c <= 0x30F6)
        return static_cast<int>(c + 0xF7BE);
    if (c >= 0xE000 && c <= 0xFFFF)
        return static_cast<int>(c + 0x48B5);
    return -1;
}

bool CIndex::Open(const std::u16string& folder, const std::u16string& name, int kind)
{
    Close();
    m_lastError = IndexError::None;
    try {
        const std::u16string stem = JoinPath(folder, name) + KindSuffix(kind);
        LoadVariantTable(folder);
        ClearHitSet();

        if (!LoadHeader(stem + u"-idx.h"))
            return false;
        if (!m_postings.Map(stem + u"-idx.m")) {
            Fail(IndexError::PostingsUnmappable);
            return false;
        }
        m_postingBlocks = static_cast<uint32_t>((m_postings.Size() + kBlockSize - 1) / kBlockSize);
        AttachPairTables(stem);
        if (!m_fileList.Open(folder, name)) {
            Fail(IndexError::StoreFailed);
            return false;
        }
    } catch (const std::bad_alloc&) {
        Fail(IndexError::HeaderTooShort);
        return false;
    }
    return true;
}

// Maps the header and reads the four fixed tables in place: opening, and reopening for another
// search target, costs no copy of the 1.4 MB of tables. Only the block chain is copied, into
// words of this machine's order as the posting cursors read it. The two auxiliary regions are
// kept as they stand; nothing uses them.
bool CIndex::LoadHeader(const std::u16string& path)
{
    if (!m_header.Map(path)) {
        Fail(IndexError::HeaderMissing);
        return false;
    }
    if (m_header.Size() < kChainOffset) {
        Fail(IndexError::HeaderTooShort);
        return false;
    }
    const uint64_t chainWords = (m_header.Size() - kChainOffset) / 4;
    if (chainWords > UINT32_MAX) {
        Fail(IndexError::HeaderTooShort);
        return false;
    }
    const uint8_t* bytes = m_header.Data();
    m_firstBlock = HeaderWords(bytes + kFirstBlockOffset, SLOT_COUNT);
    m_aux1 = std::span<const uint8_t>(bytes + kAux1Offset, kAux1Size);
    m_aux2 = std::span<const uint8_t>(bytes + kAux2Offset, kAux2Size);
    m_lastPage = HeaderWords(bytes + kLastPageOffset, SLOT_COUNT);
    m_chainLength = static_cast<uint32_t>(chainWords);
    m_blockChain.resize(m_chainLength);
    const HeaderWords chain(bytes + kChainOffset, m_chainLength);
    for (uint32_t i = 0; i < m_chainLength; ++i)
        m_blockChain[i] = chain[i];
    return true;
}

// The pair files are optional: missing, unreadable, stale or damaged, each is left aside and
// every search reads the streams alone where it would have helped, as for an index built
// without one. One fingerprint serves both, so the index files are hashed once.
void CIndex::AttachPairTables(const std::u16string& stem)
{
    IndexFingerprint index = Fingerprint();
    for (uint32_t gap = 0; gap <= kMaxPairGap; ++gap) {
        const std::string_view end = PairFileEnd(gap);
        MappedFile& mapped = m_pairFiles[gap];
        if (!mapped.Map(stem + std::u16string(end.begin(), end.end())))
            continue;
        if (!m_pairs[gap].Attach({mapped.Data(), mapped.Size()}, index, gap))
            mapped.Unmap();
    }
}

IndexFingerprint CIndex::Fingerprint() const
{
    return IndexFingerprint({m_header.Data(), m_header.Size()}, {m_postings.Data(), m_postings.Size()});
}

bool CIndex::UsePairFile(std::span<const uint8_t> bytes, IndexFingerprint& fingerprint, uint32_t gap)
{
    if (gap > kMaxPairGap)
        return false;
    m_pairs[gap].Clear();
    m_pairFiles[gap].Unmap();
    return IsOpen() && m_pairs[gap].Attach(bytes, fingerprint, gap);
}

void CIndex::Fail(IndexError error)
{
    m_lastError = error;
    if (m_messages != nullptr)
        m_messages->ShowMessage(kOpenFailedMessage);
    Close();
}

void CIndex::Close()
{
    m_blockChain = {};
    m_aux2 = {};
    m_aux1 = {};
    m_firstBlock = {};
    m_lastPage = {};
    m_header.Unmap();
    m_postings.Unmap();
    m_chainLength = 0;
    m_postingBlocks = 0;
    m_skipDirectories.clear();
    m_skipDirectoryBytes = 0;
    m_termPages = {};
    m_termCounts = {};
    m_located = {};
    for (uint32_t gap = 0; gap <= kMaxPairGap; ++gap) {
        m_pairs[gap].Clear();
        m_pairFiles[gap].Unmap();
    }
    m_fileList.Close();
}

void CIndex::ClearHitSet()
{
    m_hitPages.clear();
    m_hitCounts.clear();
    m_hitPageCount = 0;
}

}  // namespace varo
