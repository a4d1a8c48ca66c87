#pragma once
// Reads one slot's posting stream from the mapped posting file. A stream is a run of entries
// (packed page delta, 2-byte position list length, packed position deltas) laid over 4096-byte
// blocks that the header's BlockChain links. Block numbers, lengths and page deltas all come
// from the index files, so each is checked before use: a stream that leaves the file, cycles
// through its blocks, overruns its list or overflows its page number simply ends, which the
// search treats as "no more entries".

#include <cstddef>
#include <cstdint>

namespace varo {

/// The posting file and the chain linking its blocks, as the cursors read them.
struct PostingFile {
    const uint8_t* data = nullptr;
    size_t size = 0;
    const uint32_t* chain = nullptr;
    uint32_t chainLength = 0;
    /// Number of 4096-byte blocks in the file, a short last block included.
    uint32_t blockCount = 0;
};

class PostingCursor {
public:
    PostingCursor() = default;
    /// A cursor before the first entry of the stream that starts at firstBlock. A block number
    /// outside the file gives a stream that has already ended.
    PostingCursor(const PostingFile& file, uint32_t firstBlock, uint32_t lastPage);

    /// Skips what is left of the current entry and reads the next entry's header: the page
    /// moves on by the delta (the first entry's delta is the page itself) and the position list
    /// becomes readable. False once the stream has ended; the page then stays as it was.
    bool NextEntry();

    /// Reads the next packed number of the current position list. False when the list is used
    /// up, or when its last number is cut off by the list's length or by the end of the stream.
    bool NextPosition(uint32_t& value)
    {
        if (m_remaining == 0)
            return false;
        uint8_t byte = 0;
        if (!ReadByte(byte))
            return false;
        --m_remaining;
        if (byte < 0x80) {
            value = byte;
            return true;
        }
        return FinishPosition(byte, value);
    }

    uint32_t Page() const { return m_page; }
    uint32_t LastPage() const { return m_lastPage; }
    /// Bytes of the current position list not read yet.
    uint32_t Remaining() const { return m_remaining; }
    bool Ended() const { return m_ended; }

private:
    bool ReadByte(uint8_t& byte)
    {
        if (m_offset < m_limit) {
            byte = m_block[m_offset++];
            return true;
        }
        return ReadByteSlow(byte);
    }
    bool ReadByteSlow(uint8_t& byte);
    bool ReadPacked(uint32_t& value);
    bool FinishPosition(uint8_t first, uint32_t& value);
    bool EnterBlock(uint32_t block);
    bool FollowChain();
    void Skip(uint32_t count);
    void End();

    const PostingFile* m_file = nullptr;
    const uint8_t* m_block = nullptr;
    uint32_t m_blockNumber = 0;
    // Read offset in the current block, 0 to 4096; 4096 means the next read follows the chain.
    uint32_t m_offset = 0;
    // Bytes of the current block that lie inside the file: 4096 except in a short last block.
    uint32_t m_limit = 0;
    // Links followed so far; a valid stream cannot follow as many as the file has blocks.
    uint32_t m_linksFollowed = 0;
    uint32_t m_page = 0;
    uint32_t m_lastPage = 0;
    uint32_t m_remaining = 0;
    bool m_started = false;
    bool m_ended = true;
};

}  // namespace varo
