#include "engine/index.h"

#include "platform/nativepath.h"
#include "platform/readonlyfile.h"

#include <algorithm>
#include <new>

namespace varo {

namespace {

void LoadWords(const std::vector<uint8_t>& bytes, size_t offset, CDWordArray& words)
{
    for (size_t i = 0; i < words.size(); ++i) {
        const uint8_t* p = bytes.data() + offset + i * 4;
        words[i] = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
    }
}

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
        m_aux2.assign(kAux2Size, 0);
        m_aux1.assign(kAux1Size, 0);
        m_firstBlock.assign(SLOT_COUNT, kNoBlock);
        m_lastPage.assign(SLOT_COUNT, 0);

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

// Reads the four fixed tables and the block chain. The two auxiliary regions are kept as read;
// nothing uses them.
bool CIndex::LoadHeader(const std::u16string& path)
{
    ReadOnlyFile header;
    if (!header.Open(path) || header.Size() == 0) {
        Fail(IndexError::HeaderMissing);
        return false;
    }
    if (header.Size() < kChainOffset) {
        Fail(IndexError::HeaderTooShort);
        return false;
    }
    const uint64_t chainBytes = (header.Size() - kChainOffset) / 4 * 4;
    if (chainBytes / 4 > UINT32_MAX) {
        Fail(IndexError::HeaderTooShort);
        return false;
    }
    std::vector<uint8_t> bytes(kChainOffset + chainBytes);
    if (!header.ReadAt(0, bytes.data(), bytes.size())) {
        Fail(IndexError::HeaderMissing);
        return false;
    }
    LoadWords(bytes, kFirstBlockOffset, m_firstBlock);
    std::copy_n(bytes.begin() + kAux1Offset, kAux1Size, m_aux1.begin());
    std::copy_n(bytes.begin() + kAux2Offset, kAux2Size, m_aux2.begin());
    LoadWords(bytes, kLastPageOffset, m_lastPage);
    m_chainLength = static_cast<uint32_t>(chainBytes / 4);
    m_blockChain.resize(m_chainLength);
    LoadWords(bytes, kChainOffset, m_blockChain);
    return true;
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
    m_postings.Unmap();
    m_chainLength = 0;
    m_postingBlocks = 0;
    m_skipDirectories.clear();
    m_skipDirectoryBytes = 0;
    m_fileList.Close();
}

void CIndex::ClearHitSet()
{
    m_hitPages.clear();
    m_hitCounts.clear();
    m_hitPageCount = 0;
}

}  // namespace varo
