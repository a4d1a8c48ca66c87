#include "panel/pagefind.h"

#include <algorithm>

namespace varo {

std::vector<std::u16string> CPageFind::Plain(const std::u16string& what)
{
    std::vector<std::u16string> alternatives;
    for (char16_t unit : what)
        alternatives.emplace_back(1, unit);
    return alternatives;
}

namespace {

bool MatchesAt(const std::u16string& text, std::size_t position, const std::vector<std::u16string>& alternatives)
{
    for (std::size_t i = 0; i < alternatives.size(); ++i) {
        if (alternatives[i].find(text[position + i]) == std::u16string::npos)
            return false;
    }
    return true;
}

}  // namespace

void CPageFind::Find(const std::u16string& text, const std::vector<std::u16string>& alternatives, std::size_t from)
{
    Clear();
    const std::size_t length = alternatives.size();
    if (length == 0 || length > text.size())
        return;
    std::size_t position = 0;
    while (position + length <= text.size() && m_matches.size() < kMaxMatches) {
        if (MatchesAt(text, position, alternatives)) {
            m_matches.push_back({position, length});
            position += length;
        } else {
            ++position;
        }
    }
    if (m_matches.empty())
        return;
    const auto first = std::find_if(m_matches.begin(), m_matches.end(),
                                    [from](const PageMatchTag& match) { return match.position >= from; });
    m_current = first == m_matches.end() ? 0 : static_cast<long>(first - m_matches.begin());
}

void CPageFind::Clear()
{
    m_matches.clear();
    m_current = -1;
}

bool CPageFind::Next()
{
    if (m_matches.empty())
        return false;
    m_current = (m_current + 1) % static_cast<long>(m_matches.size());
    return true;
}

bool CPageFind::Previous()
{
    if (m_matches.empty())
        return false;
    const long count = static_cast<long>(m_matches.size());
    m_current = (m_current + count - 1) % count;
    return true;
}

std::u16string CPageFind::CountText() const
{
    const auto number = [](std::size_t value) {
        const std::string digits = std::to_string(value);
        return std::u16string(digits.begin(), digits.end());
    };
    return number(m_matches.empty() ? 0 : static_cast<std::size_t>(m_current) + 1) + u" / " + number(m_matches.size());
}

}  // namespace varo
