#include "postingcursor.h"

#include <algorithm>

namespace varo {

namespace {

constexpr uint32_t kBlockBytes = 4096;

}  // namespace

PostingCursor::PostingCursor(const PostingFile& file, uint32_t firstBlock, uint32_t lastPage)
    : m_file(&file), m_lastPage(lastPage), m_ended(false)
{
    if (!EnterBlock(firstBlock))
        End();
}

bool PostingCursor::NextEntry()
{
    Skip(m_remaining);
    m_remaining = 0;
    uint32_t delta = 0;
    uint8_t low = 0;
    uint8_t high = 0;
    if (!ReadPacked(delta) || !ReadByte(low) || !ReadByte(high))
        return false;
    if (m_started && delta > UINT32_MAX - m_page) {
        // Page numbers past the 32-bit range exist in no text store.
        End();
        return false;
    }
    m_page = m_started ? m_page + delta : delta;
    m_started = true;
    m_remaining = uint32_t{low} | uint32_t{high} << 8;
    return true;
}

bool PostingCursor::FinishPosition(uint8_t first, uint32_t& value)
{
    const uint32_t extra = first < 0xC0 ? 1 : 2;
    if (extra > m_remaining) {
        // The list's length cuts the number off: the list holds nothing more.
        Skip(m_remaining);
        m_remaining = 0;
        return false;
    }
    value = first & 0x3F;
    for (uint32_t i = 0; i < extra; ++i) {
        uint8_t byte = 0;
        if (!ReadByte(byte))
            return false;
        --m_remaining;
        value = value << 8 | byte;
    }
    return true;
}

bool PostingCursor::ReadPacked(uint32_t& value)
{
    uint8_t first = 0;
    if (!ReadByte(first))
        return false;
    const uint32_t extra = first < 0x80 ? 0 : first < 0xC0 ? 1 : 2;
    value = extra == 0 ? first : first & 0x3Fu;
    for (uint32_t i = 0; i < extra; ++i) {
        uint8_t byte = 0;
        if (!ReadByte(byte))
            return false;
        value = value << 8 | byte;
    }
    return true;
}

bool PostingCursor::ReadByteSlow(uint8_t& byte)
{
    if (m_ended)
        return false;
    // Short of a full block the file itself has ended; only a full block links on.
    if (m_offset < kBlockBytes || !FollowChain()) {
        End();
        return false;
    }
    return ReadByte(byte);
}

bool PostingCursor::EnterBlock(uint32_t block)
{
    if (block >= m_file->blockCount)
        return false;
    const size_t start = size_t{block} * kBlockBytes;
    if (start >= m_file->size)
        return false;
    m_blockNumber = block;
    m_block = m_file->data + start;
    m_limit = static_cast<uint32_t>(std::min<size_t>(kBlockBytes, m_file->size - start));
    m_offset = 0;
    return true;
}

bool PostingCursor::FollowChain()
{
    // A valid stream visits each block at most once, so it follows fewer links than the file
    // has blocks; more means the chain runs in a circle.
    if (m_blockNumber >= m_file->chainLength || ++m_linksFollowed >= m_file->blockCount)
        return false;
    const uint32_t next = m_file->chain[m_blockNumber];
    return next != m_blockNumber && EnterBlock(next);
}

void PostingCursor::Skip(uint32_t count)
{
    if (m_ended)
        return;
    uint64_t offset = uint64_t{m_offset} + count;
    // An offset of exactly 4096 stays: the next read follows the chain.
    while (offset > kBlockBytes) {
        if (m_limit < kBlockBytes || !FollowChain()) {
            End();
            return;
        }
        offset -= kBlockBytes;
    }
    if (offset > m_limit && m_limit < kBlockBytes) {
        End();
        return;
    }
    m_offset = static_cast<uint32_t>(offset);
}

void PostingCursor::End()
{
    m_ended = true;
    m_offset = 0;
    m_limit = 0;
    m_remaining = 0;
}

}  // namespace varo
