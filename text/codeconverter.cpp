#include "text/codeconverter.h"

namespace varo {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(uint32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(uint32_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

uint32_t CCodeConverter::DecodeUtf16(std::u16string_view text, size_t& index)
{
    const uint32_t unit = text[index++];
    if (IsHighSurrogate(unit) && index < text.size() && IsLowSurrogate(text[index])) {
        const uint32_t low = text[index++];
        return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }
    return unit;
}

void CCodeConverter::AppendUtf16(std::u16string& out, uint32_t codePoint)
{
    if (codePoint >= 0x10000 && codePoint <= 0x10FFFF) {
        codePoint -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (codePoint >> 10));
        out += static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
    } else {
        out += static_cast<char16_t>(codePoint > 0xFFFF ? kReplacement : codePoint);
    }
}

void CCodeConverter::AppendUtf8(std::string& out, uint32_t codePoint)
{
    if (codePoint > 0x10FFFF)
        codePoint = kReplacement;
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

std::string CCodeConverter::Utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    AppendUtf16AsUtf8(out, text);
    return out;
}

void CCodeConverter::AppendUtf16AsUtf8(std::string& out, std::u16string_view text)
{
    out.reserve(out.size() + text.size() * 3);
    size_t index = 0;
    while (index < text.size()) {
        // A high surrogate with nothing after it is the cut-off half of a pair: drop it.
        if (index + 1 == text.size() && IsHighSurrogate(text[index]))
            break;
        AppendUtf8(out, DecodeUtf16(text, index));
    }
}

uint32_t CCodeConverter::DecodeUtf8(std::string_view text, size_t& index)
{
    const auto byteAt = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t lead = byteAt(index);
    size_t length = 0;
    uint32_t value = 0;
    uint32_t minimum = 0;
    if (lead < 0x80) {
        ++index;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        ++index;
        return kReplacement;
    }
    if (text.size() - index < length) {
        ++index;
        return kReplacement;
    }
    for (size_t i = 1; i < length; ++i) {
        const uint8_t next = byteAt(index + i);
        if ((next & 0xC0) != 0x80) {
            ++index;
            return kReplacement;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF) {
        ++index;
        return kReplacement;
    }
    index += length;
    return value;
}

std::u16string CCodeConverter::Utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    size_t index = 0;
    while (index < text.size())
        AppendUtf16(out, DecodeUtf8(text, index));
    return out;
}

}  // namespace varo
