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

class SkipDirectory;

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
    /// Where the cursor stands between two entries, enough to come back there later: the
    /// block, the offset in it, the chain links followed and the page of the entry before.
    struct Mark {
        uint32_t block = 0;
        uint32_t offset = 0;
        uint32_t linksFollowed = 0;
        uint32_t page = 0;
        bool started = false;
    };

    PostingCursor() = default;
    /// A cursor before the first entry of the stream that starts at firstBlock. A block number
    /// outside the file gives a stream that has already ended. The file must outlive the cursor.
    PostingCursor(const PostingFile& file, uint32_t firstBlock, uint32_t lastPage);

    /// Skips what is left of the current entry and reads the next entry's header: the page
    /// moves on by the delta (the first entry's delta is the page itself) and the position list
    /// becomes readable. False once the stream has ended; the page then stays as it was.
    bool NextEntry()
    {
        SkipList();
        uint32_t delta = 0;
        if (!ReadPacked(delta))
            return false;
        const int low = ReadByte();
        const int high = ReadByte();
        if (high < 0)
            return false;
        return StartEntry(delta, static_cast<uint32_t>(low | high << 8));
    }

    /// Reads the next packed number of the current position list. False when the list is used
    /// up, or when its last number is cut off by the list's length or by the end of the stream.
    bool NextPosition(uint32_t& value)
    {
        if (m_remaining == 0)
            return false;
        const int byte = ReadByte();
        if (byte < 0)
            return false;
        --m_remaining;
        if (byte < 0x80) {
            value = static_cast<uint32_t>(byte);
            return true;
        }
        const uint32_t extra = byte < 0xC0 ? 1 : 2;
        if (extra > m_remaining)
            return CutOffList();
        m_remaining -= extra;
        return ReadPackedTail(static_cast<uint32_t>(byte), value);
    }

    /// Moves on to the first entry whose page is at least target, passing over the entries
    /// before it without reading their positions; the directory, when given, lets the cursor
    /// leap over whole runs of entries. False once the stream holds no such entry: its last
    /// page lies below target, or it ended. Reads the same entries a step-by-step walk would,
    /// so a damaged stream ends at the same place.
    bool SeekPage(uint64_t target, const SkipDirectory* directory);

    /// Skips what is left of the current entry, so that the cursor stands between entries.
    void SkipEntry() { SkipList(); }
    /// Where the cursor stands; only meaningful between entries (after SkipEntry).
    Mark Here() const { return {m_blockNumber, m_offset, m_linksFollowed, m_page, m_started}; }
    /// Puts the cursor back on a mark taken from a walk of the same stream, before its entry
    /// number entries (counting from 0).
    void Return(const Mark& mark, uint32_t entries);
    /// Number of entries read so far.
    uint32_t EntriesRead() const { return m_entries; }

    uint32_t Page() const { return m_page; }
    uint32_t LastPage() const { return m_lastPage; }
    /// Bytes of the current position list not read yet.
    uint32_t Remaining() const { return m_remaining; }
    bool Ended() const { return m_ended; }

private:
    // The next byte of the stream, or -1 once it has ended.
    int ReadByte()
    {
        if (m_offset < m_limit)
            return m_block[m_offset++];
        return ReadByteSlow();
    }
    int ReadByteSlow();

    bool ReadPacked(uint32_t& value)
    {
        const int first = ReadByte();
        if (first < 0)
            return false;
        if (first < 0x80) {
            value = static_cast<uint32_t>(first);
            return true;
        }
        return ReadPackedTail(static_cast<uint32_t>(first), value);
    }

    // The one or two bytes that follow a packed number's first byte, as its mark says.
    bool ReadPackedTail(uint32_t first, uint32_t& value)
    {
        const int second = ReadByte();
        if (second < 0)
            return false;
        value = (first & 0x3F) << 8 | static_cast<uint32_t>(second);
        if (first < 0xC0)
            return true;
        const int third = ReadByte();
        if (third < 0)
            return false;
        value = value << 8 | static_cast<uint32_t>(third);
        return true;
    }
    bool CutOffList();

    void SkipList()
    {
        // Inside the block the rest of the list is passed over at once; Skip follows the chain.
        if (m_remaining <= m_limit - m_offset)
            m_offset += m_remaining;
        else
            Skip(m_remaining);
        m_remaining = 0;
    }
    bool StartEntry(uint32_t delta, uint32_t length)
    {
        if (m_started && delta > UINT32_MAX - m_page) {
            // Page numbers past the 32-bit range exist in no text store.
            End();
            return false;
        }
        m_page = m_started ? m_page + delta : delta;
        m_started = true;
        ++m_entries;
        m_remaining = length;
        return true;
    }
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
    uint32_t m_entries = 0;
    bool m_started = false;
    bool m_ended = true;
};

}  // namespace varo
