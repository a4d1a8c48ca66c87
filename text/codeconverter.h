#pragma once
// Conversions between the program's wide strings (UTF-16) and the UTF-8 bytes of page texts
// and file names. All conversions are lenient: they never fail and never read out of range.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace varo {

class CCodeConverter {
public:
    /// Decodes the character that starts at text[index] and moves index past it. A high
    /// surrogate followed by a low surrogate is one code point; any other unit, an unpaired
    /// surrogate included, stands for itself. Requires index < text.size().
    ///   u"\xD840\xDC00A" at 0 => 0x20000, index 2
    static uint32_t DecodeUtf16(std::u16string_view text, size_t& index);

    /// Appends a code point as UTF-16 (a surrogate pair above U+FFFF).
    static void AppendUtf16(std::u16string& out, uint32_t codePoint);

    /// Appends a code point as UTF-8; values that are not code points (above U+10FFFF) are
    /// written as U+FFFD. A lone surrogate value is written as its 3-byte form.
    static void AppendUtf8(std::string& out, uint32_t codePoint);

    /// UTF-16 to UTF-8 the way page terms are converted: a surrogate pair becomes one 4-byte
    /// sequence, an unpaired surrogate 3 bytes, and a high surrogate that ends the text is
    /// dropped.
    static std::string Utf16ToUtf8(std::u16string_view text);
    /// The same, appended to out (which keeps its storage for the next conversion).
    static void AppendUtf16AsUtf8(std::string& out, std::u16string_view text);

    /// UTF-8 to UTF-16; each byte that does not begin a well-formed sequence becomes U+FFFD.
    static std::u16string Utf8ToUtf16(std::string_view text);

    /// Decodes one UTF-8 sequence at text[index] and moves index past it; a malformed byte
    /// yields U+FFFD and advances by one. Requires index < text.size().
    static uint32_t DecodeUtf8(std::string_view text, size_t& index);
};

}  // namespace varo
