#include "store/filelist.h"

#include "platform/nativepath.h"

#include <algorithm>
#include <cstring>

namespace varo {

namespace {

constexpr uint8_t kBom[3] = {0xEF, 0xBB, 0xBF};

uint32_t LoadLittleEndian32(const uint8_t* bytes)
{
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
}

// Reads a number the way atoi does (leading blanks, a sign, then digits up to the first other
// character), but saturates instead of overflowing.
int ParseDecimal(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min<int64_t>(value * 10 + (text[i] - '0'), int64_t{INT32_MAX} + 1);
    if (negative)
        return static_cast<int>(-value);
    return static_cast<int>(std::min<int64_t>(value, INT32_MAX));
}

// The name in a record's name field. A name needs its terminator inside the field: without one
// the field holds no valid name (the writer always ends a name inside its field), so GetRecordName
// and FindPage both refuse it.
bool NameInField(const char* field, size_t fieldSize, std::string_view& name)
{
    const size_t length = strnlen(field, fieldSize);
    if (length == fieldSize)
        return false;
    name = std::string_view(field, length);
    return true;
}

}  // namespace

CFileList::~CFileList()
{
    Close();
}

bool CFileList::Open(const std::u16string& folder, const std::u16string& base)
{
    Close();
    m_lastError = StoreError::None;
    const std::u16string stem = JoinPath(folder, base);
    if (!m_listFile.Open(stem + u"-fl.h")) {
        m_lastError = StoreError::ListFileMissing;
        return false;
    }
    if (!m_textFile.Open(stem + u"-fl.cnt")) {
        m_lastError = StoreError::ContentFileMissing;
        Close();
        return false;
    }
    uint8_t header[8];
    if (!m_listFile.ReadAt(0, header, sizeof header) || !m_listFile.ReadAt(8, m_headerBlock, sizeof m_headerBlock)) {
        m_lastError = StoreError::HeaderTruncated;
        Close();
        return false;
    }
    m_headerWord = LoadLittleEndian32(header);
    m_nameSize = LoadLittleEndian32(header + 4);
    // Record names are held in a 260-byte buffer and must end with a terminator inside it; a
    // name size of 0 would make every record 8 bytes of offsets without a name.
    if (m_nameSize == 0 || m_nameSize > kMaxNameSize) {
        m_lastError = StoreError::BadNameSize;
        m_nameSize = kDefaultNameSize;
        Close();
        return false;
    }
    m_isOpen = true;
    DetectStoreKey();
    return true;
}

void CFileList::Close()
{
    m_listFile.Close();
    m_textFile.Close();
    m_isOpen = false;
}

// Every page text is an HTML document, so its first byte is '<' or the first byte of a UTF-8
// byte-order mark; XOR-ing the stored byte with it gives the key the store was written with.
void CFileList::DetectStoreKey()
{
    m_storeKey = STORE_KEY;
    uint32_t endOffset = 0;
    uint32_t length = 0;
    uint8_t first[3] = {};
    if (!ReadRecordTail(0, endOffset, length) || length == 0 ||
        !m_textFile.ReadAt(uint64_t{endOffset} - length, first, length >= 3 ? 3 : 1))
        return;
    const uint8_t bomKey = first[0] ^ kBom[0];
    if (length >= 3 && (first[1] ^ bomKey) == kBom[1] && (first[2] ^ bomKey) == kBom[2])
        m_storeKey = bomKey;
    else
        m_storeKey = first[0] ^ static_cast<uint8_t>('<');
}

uint64_t CFileList::RecordOffset(uint32_t record) const
{
    return kListHeaderSize + uint64_t{record} * (uint64_t{m_nameSize} + 8);
}

uint32_t CFileList::GetRecordCount() const
{
    if (!CanRead() || m_listFile.Size() < kListHeaderSize)
        return 0;
    const uint64_t records = (m_listFile.Size() - kListHeaderSize) / (uint64_t{m_nameSize} + 8);
    return records > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(records);
}

// Reads a record's end offset and text length and checks that the text lies inside the
// content file, so that no later read leaves it, and that it is no longer than a page can be:
// a damaged record may claim up to 4 GiB, which would cost as much memory and time to read.
bool CFileList::ReadRecordTail(uint32_t record, uint32_t& endOffset, uint32_t& length) const
{
    if (!CanRead())
        return false;
    uint8_t tail[8];
    if (!m_listFile.ReadAt(RecordOffset(record) + m_nameSize, tail, sizeof tail))
        return false;
    endOffset = LoadLittleEndian32(tail);
    length = LoadLittleEndian32(tail + 4);
    return length <= kMaxPageBytes && length <= endOffset && endOffset <= m_textFile.Size();
}

bool CFileList::GetTextLength(uint32_t record, uint32_t& length) const
{
    uint32_t endOffset = 0;
    uint32_t textLength = 0;
    if (!ReadRecordTail(record, endOffset, textLength))
        return false;
    length = textLength;
    return true;
}

bool CFileList::ReadText(uint32_t record, std::string& text) const
{
    uint32_t endOffset = 0;
    uint32_t length = 0;
    if (!ReadRecordTail(record, endOffset, length))
        return false;
    std::string bytes(length, '\0');
    if (length > 0 && !m_textFile.ReadAt(uint64_t{endOffset} - length, bytes.data(), length))
        return false;
    for (char& byte : bytes)
        byte = static_cast<char>(static_cast<uint8_t>(byte) ^ m_storeKey);
    text = std::move(bytes);
    return true;
}

bool CFileList::GetRecordName(uint32_t record, std::string& name) const
{
    if (!CanRead())
        return false;
    char buffer[kMaxNameSize];
    std::string_view field;
    if (!m_listFile.ReadAt(RecordOffset(record), buffer, m_nameSize) || !NameInField(buffer, m_nameSize, field))
        return false;
    name.assign(field);
    return true;
}

bool CFileList::ParseLabel(std::string_view name, int& label)
{
    const size_t backslash = name.rfind('\\');
    if (backslash == std::string_view::npos)
        return false;
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot < backslash)
        return false;
    label = ParseDecimal(name.substr(backslash + 1, std::min<size_t>(dot - backslash - 1, 11)));
    return true;
}

bool CFileList::FindPage(uint32_t first, int label, int64_t& record, uint64_t maxRecords) const
{
    if (!CanRead())
        return false;
    const uint64_t fileLength = m_listFile.Size();
    uint64_t position = RecordOffset(first);
    record = int64_t{first} - 1;
    char buffer[kMaxNameSize];
    for (uint64_t examined = 0; position < fileLength && examined < maxRecords; ++examined) {
        ++record;
        // A record cut short by the end of the file has no complete name: the scan ends.
        if (!m_listFile.ReadAt(position, buffer, m_nameSize))
            return false;
        std::string_view name;
        int found = 0;
        if (NameInField(buffer, m_nameSize, name) && ParseLabel(name, found) && found == label)
            return true;
        position += uint64_t{m_nameSize} + 8;
    }
    return false;
}

}  // namespace varo
