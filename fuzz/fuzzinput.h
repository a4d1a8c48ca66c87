#pragma once
// The byte layout the fuzz targets read their input in, and the seed generator writes it in.
//
// An input is a sequence of fields: fixed-width little-endian numbers and length-prefixed
// blobs. A reader never fails: a number or blob cut off by the end of the input reads as what is
// left (zero-filled), and a length larger than the rest takes the rest. So every byte string is a
// valid input, and mutations that break one field leave the others readable.
//
// Queries are written one byte per UTF-16 unit through a small alphabet (the characters of the
// seed collections, blanks and wildcards), so that mutations keep producing characters the index
// knows; a byte of 0xF0 or above is followed by two bytes giving any unit at all.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>

namespace varo::fuzz {

/// Units a query byte below 0xF0 stands for (byte % size).
inline constexpr char16_t kAlphabet[] = {
    u' ',      u'\u3000', u'*',  u'?',  u'？', u'a',  u'<',  u'\xD840', u'\xDC00', u'あ', u'\xE000',
    u'\xF900', u'詩',     u'經', u'書', u'易', u'禮', u'樂', u'春',     u'秋',     u'乾', u'干',
    u'一',     u'二',     u'三', u'云', u'之', u'學', u'而', u'孟',     u'史',     u'p',
};
inline constexpr size_t kAlphabetSize = sizeof kAlphabet / sizeof kAlphabet[0];
inline constexpr uint8_t kRawUnit = 0xF0;

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool Empty() const { return m_position >= m_size; }

    uint32_t Number(int bytes)
    {
        uint32_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= uint32_t{Byte()} << (8 * i);
        return value;
    }
    uint8_t Byte() { return m_position < m_size ? m_data[m_position++] : 0; }
    uint16_t U16() { return static_cast<uint16_t>(Number(2)); }
    uint32_t U32() { return Number(4); }

    /// A blob with a length prefix of prefixBytes bytes.
    std::string_view Blob(int prefixBytes)
    {
        const size_t wanted = Number(prefixBytes);
        const size_t length = std::min(wanted, m_size - std::min(m_position, m_size));
        const std::string_view blob(reinterpret_cast<const char*>(m_data) + m_position, length);
        m_position += length;
        return blob;
    }

    /// A query written through the alphabet, with a 1-byte length prefix.
    std::u16string Query()
    {
        const std::string_view bytes = Blob(1);
        std::u16string query;
        for (size_t i = 0; i < bytes.size(); ++i) {
            const auto byte = static_cast<uint8_t>(bytes[i]);
            if (byte < kRawUnit) {
                query += kAlphabet[byte % kAlphabetSize];
            } else if (i + 2 < bytes.size()) {
                query +=
                    static_cast<char16_t>(static_cast<uint8_t>(bytes[i + 1]) | static_cast<uint8_t>(bytes[i + 2]) << 8);
                i += 2;
            }
        }
        return query;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_position = 0;
};

class Writer {
public:
    void Number(uint32_t value, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            m_bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    void Byte(uint8_t value) { Number(value, 1); }
    void U16(uint16_t value) { Number(value, 2); }
    void U32(uint32_t value) { Number(value, 4); }
    void Blob(std::string_view blob, int prefixBytes)
    {
        Number(static_cast<uint32_t>(blob.size()), prefixBytes);
        m_bytes += blob;
    }
    void Query(std::u16string_view query)
    {
        std::string bytes;
        for (char16_t unit : query) {
            size_t k = 0;
            while (k < kAlphabetSize && kAlphabet[k] != unit)
                ++k;
            if (k < kAlphabetSize) {
                bytes += static_cast<char>(k);
            } else {
                bytes += static_cast<char>(kRawUnit);
                bytes += static_cast<char>(unit & 0xFF);
                bytes += static_cast<char>(unit >> 8);
            }
        }
        Blob(bytes.substr(0, 255), 1);
    }
    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

/// A folder of the fuzzing process for the files a target writes, in memory (/dev/shm) where
/// the system has it so that writing an index header every run stays cheap. Removed at exit.
class ScratchFolder {
public:
    ScratchFolder()
    {
        std::error_code error;
        const bool shm = std::filesystem::is_directory("/dev/shm", error) && access("/dev/shm", W_OK) == 0;
        std::string pattern =
            ((shm ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path()) / "varo-fuzz-XXXXXX")
                .string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("varo fuzz: cannot create a scratch folder");
            std::abort();
        }
        m_path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

/// Stops the run as a crash when a property every input must keep does not hold.
#define VARO_FUZZ_CHECK(condition)                                                                                     \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);                         \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

}  // namespace varo::fuzz
