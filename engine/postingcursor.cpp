#include "engine/postingcursor.h"

#include "engine/skipdirectory.h"

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

bool PostingCursor::SeekPage(uint64_t target, const SkipDirectory* directory)
{
    bool leapt = directory == nullptr;
    while (m_page < target || !m_started) {
        // Nothing after the last page's entry belongs to the stream.
        if (m_started && m_page >= m_lastPage)
            return false;
        // Once, the furthest recorded entry below target that lies ahead, so that at most a
        // directory step of entries is walked. Before answers at once when the next recorded
        // entry is not below target, the common case between neighbouring pages. Every entry
        // passed over on the way was read without fault when the directory was built, and none
        // of them is the last page's, as this walk would have stopped there too.
        if (!leapt && m_started) {
            leapt = true;
            if (const SkipDirectory::Point* point = directory->Before(target, m_entries); point != nullptr)
                Return(point->mark, point->entry);
        }
        if (!NextEntry())
            return false;
    }
    return true;
}

void PostingCursor::Return(const Mark& mark, uint32_t entries)
{
    if (m_ended || !EnterBlock(mark.block)) {
        End();
        return;
    }
    m_offset = mark.offset;
    m_linksFollowed = mark.linksFollowed;
    m_page = mark.page;
    m_started = mark.started;
    m_remaining = 0;
    m_entries = entries;
}

// A list whose length cuts its last number off holds nothing more; the next entry starts where
// the length says.
bool PostingCursor::CutOffList()
{
    Skip(m_remaining);
    m_remaining = 0;
    return false;
}

int PostingCursor::ReadByteSlow()
{
    if (m_ended)
        return -1;
    // Short of a full block the file itself has ended; only a full block links on.
    if (m_offset < kBlockBytes || !FollowChain()) {
        End();
        return -1;
    }
    return ReadByte();
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
