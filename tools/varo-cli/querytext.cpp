#include "tools/varo-cli/querytext.h"

#include "text/codeconverter.h"
#include "text/querysyntax.h"

#include <cstdio>

namespace varo::cli {

namespace {

bool IsSurrogate(uint32_t codePoint)
{
    return codePoint >= 0xD800 && codePoint <= 0xDFFF;
}

}  // namespace

bool DecodeUtf8Strictly(std::string_view utf8, std::u16string& text)
{
    text.clear();
    std::string again;
    for (size_t index = 0; index < utf8.size();) {
        const size_t start = index;
        const uint32_t codePoint = CCodeConverter::DecodeUtf8(utf8, index);
        // The decoder stands U+FFFD in for what it cannot read, and re-encoding shows whether
        // the bytes were the one shortest form of the code point.
        again.clear();
        CCodeConverter::AppendUtf8(again, codePoint);
        if (IsSurrogate(codePoint) || utf8.substr(start, index - start) != again)
            return false;
        CCodeConverter::AppendUtf16(text, codePoint);
    }
    return true;
}

std::string RejectionReason(std::u16string_view query)
{
    const QueryCheckTag check = CheckQuerySyntax(query);
    if (check.terms > 0)
        return {};
    if (query.empty())
        return "the query is empty";
    if (!check.rejected)
        return "the query holds only blanks";
    const char16_t unit = *check.rejected;
    char reason[160];
    const char* rule = "ASCII and Latin-1 characters other than '*' and '?' are not searched";
    if (unit > 0x20 && unit < 0x7F)
        std::snprintf(reason, sizeof reason, "the query holds '%c' (U+%04X): %s", static_cast<char>(unit),
                      static_cast<unsigned>(unit), rule);
    else
        std::snprintf(reason, sizeof reason, "the query holds U+%04X: %s", static_cast<unsigned>(unit), rule);
    return reason;
}

std::string CheckQueryBytes(std::string_view utf8, std::u16string& query)
{
    if (!DecodeUtf8Strictly(utf8, query))
        return "the query is not valid UTF-8";
    return RejectionReason(query);
}

std::string DisplayText(std::u16string_view text)
{
    std::string out;
    for (size_t index = 0; index < text.size();) {
        const uint32_t codePoint = CCodeConverter::DecodeUtf16(text, index);
        CCodeConverter::AppendUtf8(out, IsSurrogate(codePoint) ? 0xFFFD : codePoint);
    }
    return out;
}

std::string FieldText(std::u16string_view text)
{
    std::string out;
    for (size_t index = 0; index < text.size();) {
        const uint32_t codePoint = CCodeConverter::DecodeUtf16(text, index);
        switch (codePoint) {
        case '\\': out += "\\\\"; continue;
        case '\t': out += "\\t"; continue;
        case '\n': out += "\\n"; continue;
        case '\r': out += "\\r"; continue;
        default: break;
        }
        if (codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(codePoint));
            out += escape;
        } else {
            CCodeConverter::AppendUtf8(out, IsSurrogate(codePoint) ? 0xFFFD : codePoint);
        }
    }
    return out;
}

}  // namespace varo::cli
