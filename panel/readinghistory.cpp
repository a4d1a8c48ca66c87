#include "panel/readinghistory.h"

namespace varo {

bool ReadingPlaceTag::SamePage(const ReadingPlaceTag& other) const
{
    if (result != other.result || page != other.page || slot != other.slot || label != other.label)
        return false;
    return !result || (query == other.query && target == other.target && variants == other.variants);
}

void CReadingHistory::Visit(const ReadingPlaceTag& place)
{
    if (ReadingPlaceTag* current = Current(); current != nullptr && current->SamePage(place)) {
        // The hit moved or the page was shown again: the entry keeps the latest hit; the place
        // in the text stays the one the reader last left it at.
        current->anchor = place.anchor;
        return;
    }
    if (!m_entries.empty())
        m_entries.resize(m_current + 1);
    m_entries.push_back(place);
    if (m_entries.size() > kMaxEntries)
        m_entries.erase(m_entries.begin(),
                        m_entries.begin() + static_cast<std::ptrdiff_t>(m_entries.size() - kMaxEntries));
    m_current = m_entries.size() - 1;
}

const ReadingPlaceTag* CReadingHistory::Back()
{
    if (!CanGoBack())
        return nullptr;
    return &m_entries[--m_current];
}

const ReadingPlaceTag* CReadingHistory::Forward()
{
    if (!CanGoForward())
        return nullptr;
    return &m_entries[++m_current];
}

ReadingPlaceTag* CReadingHistory::Current()
{
    return m_current < m_entries.size() ? &m_entries[m_current] : nullptr;
}

}  // namespace varo
