#include "panel/searchhistory.h"

#include <algorithm>

namespace varo {

namespace {

constexpr size_t kOptionFields = 4;

// "d\td\td\td\t" before the query: the digits of the options, each in its range.
bool ParseLine(const std::u16string& line, SearchHistoryEntryTag& entry)
{
    static constexpr char16_t kMaxDigit[kOptionFields] = {u'1', u'1', u'2', u'1'};
    if (line.size() <= 2 * kOptionFields)
        return false;
    int values[kOptionFields] = {};
    for (size_t i = 0; i < kOptionFields; ++i) {
        const char16_t digit = line[2 * i];
        if (digit < u'0' || digit > kMaxDigit[i] || line[2 * i + 1] != u'\t')
            return false;
        values[i] = digit - u'0';
    }
    entry.andOr = values[0];
    entry.variant = values[1];
    entry.target = values[2];
    entry.refine = values[3] != 0;
    entry.query = line.substr(2 * kOptionFields);
    return entry.query.find_first_of(u"\t\r\n") == std::u16string::npos;
}

}  // namespace

void CSearchHistory::Add(const SearchHistoryEntryTag& entry)
{
    m_entries.erase(std::remove(m_entries.begin(), m_entries.end(), entry), m_entries.end());
    m_entries.insert(m_entries.begin(), entry);
    if (m_entries.size() > kMaxEntries)
        m_entries.resize(kMaxEntries);
}

std::vector<std::u16string> CSearchHistory::ToLines() const
{
    std::vector<std::u16string> lines;
    for (const SearchHistoryEntryTag& entry : m_entries) {
        std::u16string line;
        for (int value : {entry.andOr, entry.variant != 0 ? 1 : 0, entry.target, entry.refine ? 1 : 0}) {
            line += static_cast<char16_t>(u'0' + value);
            line += u'\t';
        }
        lines.push_back(line + entry.query);
    }
    return lines;
}

void CSearchHistory::FromLines(const std::vector<std::u16string>& lines)
{
    m_entries.clear();
    for (const std::u16string& line : lines) {
        SearchHistoryEntryTag entry;
        if (m_entries.size() < kMaxEntries && ParseLine(line, entry) &&
            std::find(m_entries.begin(), m_entries.end(), entry) == m_entries.end())
            m_entries.push_back(entry);
    }
}

}  // namespace varo
