// The variant-character table yitizi.txt: one group of interchangeable characters per line,
// code points written in hexadecimal and separated by commas.

#include "engine/index.h"

#include "platform/nativepath.h"
#include "platform/readonlyfile.h"
#include "text/codeconverter.h"

namespace varo {

namespace {

bool IsSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads a field as strtoul(field, 0, 16) would: blanks, an optional "0x", hexadecimal digits up
// to the first other character. No digit reads as 0; too many digits saturate.
uint32_t ParseHexField(std::string_view field)
{
    size_t i = 0;
    while (i < field.size() && IsSpace(field[i]))
        ++i;
    if (i + 2 < field.size() && field[i] == '0' && (field[i + 1] == 'x' || field[i + 1] == 'X') &&
        HexDigit(field[i + 2]) >= 0)
        i += 2;
    uint64_t value = 0;
    for (; i < field.size() && HexDigit(field[i]) >= 0; ++i)
        value = std::min<uint64_t>(value * 16 + static_cast<uint64_t>(HexDigit(field[i])), UINT32_MAX);
    return static_cast<uint32_t>(value);
}

// Splits text at separator and calls take(piece) for every non-empty piece.
template <typename Take>
void ForEachPiece(std::string_view text, char separator, Take take)
{
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::string_view::npos)
            end = text.size();
        if (end > start)
            take(text.substr(start, end - start));
        start = end + 1;
    }
}

}  // namespace

void CIndex::LoadVariantTable(const std::u16string& folder)
{
    m_variantGroups.clear();
    m_variantGroupOf.clear();
    ReadOnlyFile file;
    if (!file.Open(JoinPath(folder, u"yitizi.txt")))
        return;
    std::string bytes(file.Size(), '\0');
    if (!file.ReadAt(0, bytes.data(), bytes.size()))
        return;
    ForEachPiece(bytes, '\n', [this](std::string_view line) {
        std::vector<uint32_t> group;
        ForEachPiece(line, ',', [&group](std::string_view field) { group.push_back(ParseHexField(field)); });
        // A line of one CR has no field separator and reads as the single member 0; a line of
        // commas only has no fields at all and makes an empty group, which still takes a number.
        const auto number = static_cast<uint32_t>(m_variantGroups.size());
        for (uint32_t member : group)
            m_variantGroupOf.try_emplace(member, number);
        m_variantGroups.push_back(std::move(group));
    });
}

bool CIndex::FindVariantSlot(uint32_t codePoint, uint32_t& slot) const
{
    const auto found = m_variantGroupOf.find(codePoint);
    // Groups past the last slot of the index files cannot be searched as groups; their
    // characters are searched as themselves.
    if (found == m_variantGroupOf.end() || found->second >= kMaxVariantGroups)
        return false;
    slot = VARIANT_SLOT_BASE + found->second;
    return true;
}

std::vector<uint32_t> CIndex::GetVariants(uint32_t codePoint) const
{
    const auto found = m_variantGroupOf.find(codePoint);
    if (found == m_variantGroupOf.end())
        return {codePoint};
    // A member above U+10FFFF (a field of too many digits) cannot be written in a query or a
    // page; the character itself is always among the rest.
    std::vector<uint32_t> forms;
    for (uint32_t member : m_variantGroups[found->second])
        if (member <= kLastCodePoint)
            forms.push_back(member);
    return forms;
}

void CIndex::ExpandVariantForms(std::u16string_view query, std::vector<std::u16string>& forms) const
{
    std::vector<std::vector<uint32_t>> alternatives;
    for (size_t i = 0; i < query.size();)
        alternatives.push_back(GetVariants(CCodeConverter::DecodeUtf16(query, i)));
    // An odometer over the alternatives: the last position turns fastest.
    std::vector<size_t> choice(alternatives.size(), 0);
    while (true) {
        std::u16string form;
        form.reserve(query.size());
        for (size_t i = 0; i < alternatives.size(); ++i)
            CCodeConverter::AppendUtf16(form, alternatives[i][choice[i]]);
        forms.push_back(std::move(form));
        size_t position = alternatives.size();
        while (position > 0) {
            --position;
            if (++choice[position] < alternatives[position].size())
                break;
            choice[position] = 0;
            if (position == 0)
                return;
        }
        if (alternatives.empty())
            return;
    }
}

}  // namespace varo
