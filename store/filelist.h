#pragma once
// The text store of a text set: a list file (<base>-fl.h) describing each page record and a
// content file (<base>-fl.cnt) holding the page texts back to back, every byte XOR-ed with a
// one-byte store key. Also renders a page with the hits of a query highlighted, from the pieces of
// the renderer (pagerender.h).

#include "platform/readonlyfile.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace varo {

/// The key our writer scrambles stores with. The reader detects the key of the store it opens
/// from the first page (every page is an HTML document), so stores written with another key
/// read as well.
inline constexpr uint8_t STORE_KEY = 0x5A;

/// List file layout.
inline constexpr uint32_t kListHeaderSize = 268;  // header word, R, 260-byte header block
inline constexpr uint32_t kHeaderBlockSize = 260;
inline constexpr uint32_t kMaxNameSize = 260;  // readers hold a record name in 260 bytes
inline constexpr uint32_t kDefaultNameSize = 100;

/// The largest page record the store reads and varo-build writes. A page holds at most
/// 4,194,304 indexed characters (the packed positions' limit), at most 4 bytes each, plus its
/// markup; a record that claims more is damaged, and reading it would cost memory and time for
/// nothing.
inline constexpr uint32_t kMaxPageBytes = 32u << 20;

/// Why the last Open failed (kept for tests and diagnostics; callers see only the boolean).
enum class StoreError {
    None,
    ListFileMissing,
    ContentFileMissing,
    HeaderTruncated,
    BadNameSize,  // R is 0 or above 260
};

class CFileList {
public:
    CFileList() = default;
    virtual ~CFileList();
    CFileList(const CFileList&) = delete;
    CFileList& operator=(const CFileList&) = delete;

    /// Opens folder/base-fl.h and folder/base-fl.cnt and reads the list file's header.
    bool Open(const std::u16string& folder, const std::u16string& base);
    void Close();

    /// Text length of a record; false when the store is not open, the record does not exist,
    /// its text does not lie inside the content file or it claims more than kMaxPageBytes.
    bool GetTextLength(uint32_t record, uint32_t& length) const;

    /// Reads and unscrambles a record's text into text (replacing its contents). False, with
    /// text untouched, whenever GetTextLength is false for the record.
    bool ReadText(uint32_t record, std::string& text) const;

    /// Scans the records from first upwards for the first whose page label equals label. On
    /// false, record holds the last record examined (first - 1 when first is past the end).
    /// At most maxRecords records are examined: a caller that takes only a page of a catalogue
    /// entry passes the entry's record count, so that a huge list file costs no more than the
    /// entry.
    bool FindPage(uint32_t first, int label, int64_t& record, uint64_t maxRecords = UINT64_MAX) const;

    /// Number of page records in the list file (0 when not open).
    uint32_t GetRecordCount() const;

    /// A record's name up to its terminator. False when the record does not exist or its name
    /// has no terminator inside its field: such a name is not a valid name and has no label,
    /// here as in FindPage.
    bool GetRecordName(uint32_t record, std::string& name) const;

    /// The page label of a record name: the number between the last backslash and the last dot
    /// after it ("a\b.c\0012.htm" => 12). False when the name has no such number.
    static bool ParseLabel(std::string_view name, int& label);

    /// Renders a record for a query and search target (0 full text, 1 main text,
    /// 2 annotations) into output, returning the number of anchors written (render::RenderQuery;
    /// complete, when given, tells whether every term was highlighted in full).
    int RenderPage(uint32_t record, std::string& output, std::u16string_view query, int target,
                   bool* complete = nullptr) const;
    /// A record's text and the cell its page label selects for highlighting (1 for an odd label;
    /// 0 for a record whose name has no label or is not a valid name).
    bool ReadPageToRender(uint32_t record, std::string& page, int& cell) const;

    StoreError LastError() const { return m_lastError; }
    uint8_t StoreKey() const { return m_storeKey; }

    uint32_t m_headerWord = 0;
    uint8_t m_headerBlock[kHeaderBlockSize] = {};
    bool m_isOpen = false;
    uint32_t m_nameSize = kDefaultNameSize;

private:
    uint64_t RecordOffset(uint32_t record) const;
    bool ReadRecordTail(uint32_t record, uint32_t& endOffset, uint32_t& length) const;
    bool CanRead() const { return m_isOpen && m_listFile.IsOpen() && m_textFile.IsOpen(); }
    void DetectStoreKey();

    ReadOnlyFile m_listFile;
    ReadOnlyFile m_textFile;
    uint8_t m_storeKey = STORE_KEY;
    StoreError m_lastError = StoreError::None;
};

}  // namespace varo
