#include "tools/varo-build/varianttable.h"

namespace varo::build {

namespace {

std::string_view TrimSpace(std::string_view text)
{
    constexpr std::string_view kSpace = " \t\r";
    const size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool ParseCodePoint(std::string_view field, uint32_t& codePoint)
{
    if (field.size() > 2 && (field.substr(0, 2) == "0x" || field.substr(0, 2) == "0X" || field.substr(0, 2) == "U+"))
        field.remove_prefix(2);
    if (field.empty() || field.size() > 6)
        return false;
    codePoint = 0;
    for (char c : field) {
        const int digit = HexValue(c);
        if (digit < 0)
            return false;
        codePoint = codePoint * 16 + static_cast<uint32_t>(digit);
    }
    return codePoint <= 0x10FFFF;
}

}  // namespace

std::string ParseVariantTable(std::string_view text, writer::VariantGroups& groups)
{
    groups.clear();
    size_t lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (TrimSpace(line).empty())
            continue;
        std::vector<uint32_t> group;
        size_t fieldStart = 0;
        while (fieldStart <= line.size()) {
            size_t fieldEnd = line.find(',', fieldStart);
            if (fieldEnd == std::string_view::npos)
                fieldEnd = line.size();
            const std::string_view field = TrimSpace(line.substr(fieldStart, fieldEnd - fieldStart));
            fieldStart = fieldEnd + 1;
            if (field.empty())
                continue;
            uint32_t codePoint = 0;
            if (!ParseCodePoint(field, codePoint))
                return "line " + std::to_string(lineNumber) + ": \"" + std::string(field) +
                       "\" is not a hexadecimal code point";
            group.push_back(codePoint);
        }
        groups.push_back(std::move(group));
    }
    return {};
}

}  // namespace varo::build
