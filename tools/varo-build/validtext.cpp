#include "tools/varo-build/validtext.h"

#include "text/codeconverter.h"

#include <cstdio>

namespace varo::build {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsControl(uint32_t codePoint)
{
    return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F);
}

bool IsSurrogate(uint32_t codePoint)
{
    return codePoint >= 0xD800 && codePoint <= 0xDFFF;
}

// Decodes the character at text[index] and moves index past it; false (index past the first
// byte) when the bytes there are not a well-formed sequence. The lenient decoder gives U+FFFD
// for a malformed byte and advances by one; U+FFFD itself takes three bytes.
bool DecodeWellFormed(std::string_view text, size_t& index, uint32_t& codePoint)
{
    const size_t start = index;
    codePoint = CCodeConverter::DecodeUtf8(text, index);
    return !(codePoint == kReplacement && index - start != 3) && !IsSurrogate(codePoint);
}

std::string Hex(const char* format, uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, format, static_cast<unsigned>(value));
    return text;
}

// The bytes of a malformed sequence for a message: the lead byte and the continuation bytes
// that follow it, at most four.
std::string MalformedBytes(std::string_view text, size_t start)
{
    std::string bytes = Hex("%02X", static_cast<uint8_t>(text[start]));
    for (size_t i = start + 1; i < text.size() && i < start + 4 && (static_cast<uint8_t>(text[i]) & 0xC0) == 0x80; ++i)
        bytes += " " + Hex("%02X", static_cast<uint8_t>(text[i]));
    return bytes;
}

}  // namespace

std::string TextFault(std::string_view text, bool allowLineBreaks)
{
    for (size_t index = 0; index < text.size();) {
        const size_t start = index;
        uint32_t codePoint = 0;
        if (!DecodeWellFormed(text, index, codePoint))
            return "bytes that are not UTF-8 (" + MalformedBytes(text, start) + ") at byte " + std::to_string(start);
        const bool lineBreak = codePoint == '\t' || codePoint == '\n' || codePoint == '\r';
        if (IsControl(codePoint) && !(allowLineBreaks && lineBreak))
            return "the control character " + Hex("U+%04X", codePoint) + " at byte " + std::to_string(start);
    }
    return {};
}

std::string Printable(std::string_view text)
{
    std::string out;
    for (size_t index = 0; index < text.size();) {
        const size_t start = index;
        uint32_t codePoint = 0;
        if (!DecodeWellFormed(text, index, codePoint)) {
            index = start + 1;
            out += Hex("\\x%02x", static_cast<uint8_t>(text[start]));
        } else if (codePoint < 0x80 && IsControl(codePoint)) {
            out += Hex("\\x%02x", codePoint);
        } else if (IsControl(codePoint)) {
            out += Hex("\\u%04x", codePoint);
        } else {
            out.append(text.substr(start, index - start));
        }
    }
    return out;
}

std::string_view WithoutByteOrderMark(std::string_view text)
{
    if (text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    return text;
}

}  // namespace varo::build
