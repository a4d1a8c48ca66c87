#include "tools/varo-cli/jsonwriter.h"

#include "text/codeconverter.h"

#include <cstdio>

namespace varo::cli {

namespace {

void AppendUnicodeEscape(std::string& out, uint32_t unit)
{
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(unit));
    out += escape;
}

bool IsSurrogate(uint32_t codePoint)
{
    return codePoint >= 0xD800 && codePoint <= 0xDFFF;
}

}  // namespace

JsonWriter& JsonWriter::BeginObject()
{
    BeforeValue();
    m_text += '{';
    m_hasValue.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndObject()
{
    m_text += '}';
    m_hasValue.pop_back();
    return *this;
}

JsonWriter& JsonWriter::BeginArray()
{
    BeforeValue();
    m_text += '[';
    m_hasValue.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndArray()
{
    m_text += ']';
    m_hasValue.pop_back();
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key)
{
    String(key);
    m_text += ':';
    m_afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::u16string_view text)
{
    BeforeValue();
    m_text += '"';
    for (size_t index = 0; index < text.size();) {
        // An unpaired surrogate is not a character: JSON readers would either refuse its escape
        // or turn it into something else, so it is written as U+FFFD, as UTF-8 text is below.
        const uint32_t codePoint = CCodeConverter::DecodeUtf16(text, index);
        AppendCodePoint(IsSurrogate(codePoint) ? 0xFFFD : codePoint);
    }
    m_text += '"';
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view utf8)
{
    BeforeValue();
    m_text += '"';
    for (size_t index = 0; index < utf8.size();) {
        const uint32_t codePoint = CCodeConverter::DecodeUtf8(utf8, index);
        // UTF-8 that encodes a surrogate is not well-formed either.
        AppendCodePoint(IsSurrogate(codePoint) ? 0xFFFD : codePoint);
    }
    m_text += '"';
    return *this;
}

JsonWriter& JsonWriter::Number(int64_t value)
{
    BeforeValue();
    m_text += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Number(uint64_t value)
{
    BeforeValue();
    m_text += std::to_string(value);
    return *this;
}

// A comma before every value of an object or array but the first; a member's value follows its
// key directly.
void JsonWriter::BeforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_hasValue.empty())
        return;
    if (m_hasValue.back())
        m_text += ',';
    m_hasValue.back() = true;
}

void JsonWriter::AppendCodePoint(uint32_t codePoint)
{
    switch (codePoint) {
    case '"': m_text += "\\\""; return;
    case '\\': m_text += "\\\\"; return;
    case '\b': m_text += "\\b"; return;
    case '\f': m_text += "\\f"; return;
    case '\n': m_text += "\\n"; return;
    case '\r': m_text += "\\r"; return;
    case '\t': m_text += "\\t"; return;
    default: break;
    }
    if (codePoint < 0x20)
        AppendUnicodeEscape(m_text, codePoint);
    else
        CCodeConverter::AppendUtf8(m_text, codePoint);
}

}  // namespace varo::cli
