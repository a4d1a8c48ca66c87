#include "panel/bookmarks.h"

#include "panel/catalogueorder.h"
#include "panel/paneltext.h"

#include <array>
#include <climits>

namespace varo {

namespace {

struct EntryNamesTag {
    std::u16string category, title, volume;
};

EntryNamesTag NamesOf(const ContentsNodeTag& entry)
{
    EntryNamesTag names;
    for (const ContentsNodeTag* node = &entry; node != nullptr; node = node->parent) {
        if (node->level == 1)
            names.category = node->name;
        else if (node->level == 2)
            names.title = node->name;
        else if (node->level == 3)
            names.volume = node->name;
    }
    return names;
}

// The entries of levels 1 to 3 in tree order.
void CollectEntries(const ContentsNodeTag& node, std::vector<const ContentsNodeTag*>& entries)
{
    for (const auto& child : node.children) {
        if (child->level >= 1 && child->level <= 3)
            entries.push_back(child.get());
        CollectEntries(*child, entries);
    }
}

std::u16string Escaped(const std::u16string& field)
{
    std::u16string out;
    for (char16_t unit : field) {
        switch (unit) {
        case u'\\': out += u"\\\\"; break;
        case u'\t': out += u"\\t"; break;
        case u'\n': out += u"\\n"; break;
        case u'\r': out += u"\\r"; break;
        default: out += unit; break;
        }
    }
    return out;
}

std::u16string Unescaped(const std::u16string& field)
{
    std::u16string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != u'\\' || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        switch (field[++i]) {
        case u't': out += u'\t'; break;
        case u'n': out += u'\n'; break;
        case u'r': out += u'\r'; break;
        default: out += field[i]; break;
        }
    }
    return out;
}

// A decimal field that fits 32 bits.
std::optional<uint32_t> Number(const std::u16string& field)
{
    if (field.empty() || field.size() > 10)
        return std::nullopt;
    uint64_t value = 0;
    for (char16_t unit : field) {
        if (unit < u'0' || unit > u'9')
            return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(unit - u'0');
    }
    if (value > UINT32_MAX)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

// The tab-separated fields of a line; the last field takes the rest of the line, tabs and all.
template <size_t N>
std::optional<std::array<std::u16string, N>> SplitFields(const std::u16string& line)
{
    std::array<std::u16string, N> fields;
    size_t field = 0;
    for (char16_t unit : line) {
        if (unit == u'\t' && field + 1 < N)
            ++field;
        else
            fields[field] += unit;
    }
    if (field + 1 != N)
        return std::nullopt;
    return fields;
}

std::u16string BookmarkFields(const BookmarkTag& entry)
{
    return Escaped(entry.category) + u'\t' + Escaped(entry.title) + u'\t' + Escaped(entry.volume) + u'\t' +
           DecimalText(static_cast<int64_t>(entry.label)) + u'\t' + DecimalText(entry.slotHint) + u'\t' +
           DecimalText(static_cast<int64_t>(entry.pageHint)) + u'\t' + Escaped(entry.note);
}

// Fields 0 .. 6 of a bookmark line.
template <size_t N>
std::optional<BookmarkTag> ParseBookmarkFields(const std::array<std::u16string, N>& fields)
{
    static_assert(N >= 7);
    const std::optional<uint32_t> label = Number(fields[3]);
    const std::optional<uint32_t> slot = Number(fields[4]);
    const std::optional<uint32_t> page = Number(fields[5]);
    if (!label || !slot || !page || *slot > INT32_MAX)
        return std::nullopt;
    return BookmarkTag{
        Unescaped(fields[0]), Unescaped(fields[1]), Unescaped(fields[2]), *label, static_cast<int>(*slot), *page,
        Unescaped(fields[6])};
}

}  // namespace

std::u16string LastPlaceLine(const LastPlaceTag& place)
{
    return BookmarkFields(place.page) + u'\t' + (place.result ? u"1" : u"0") + u'\t' + DecimalText(place.target) +
           u'\t' + (place.variants ? u"1" : u"0") + u'\t' + DecimalText(place.anchor) + u'\t' +
           DecimalText(place.topPosition) + u'\t' + Escaped(place.query);
}

std::optional<LastPlaceTag> ParseLastPlaceLine(const std::u16string& line)
{
    const auto fields = SplitFields<13>(line);
    if (!fields)
        return std::nullopt;
    const std::optional<BookmarkTag> page = ParseBookmarkFields(*fields);
    const std::optional<uint32_t> result = Number((*fields)[7]);
    const std::optional<uint32_t> target = Number((*fields)[8]);
    const std::optional<uint32_t> variants = Number((*fields)[9]);
    const std::optional<uint32_t> anchor = Number((*fields)[10]);
    const std::optional<uint32_t> top = Number((*fields)[11]);
    if (!page || !result || !target || !variants || !anchor || !top || *result > 1 || *target > 2 || *variants > 1 ||
        *anchor > INT32_MAX || *top > INT32_MAX)
        return std::nullopt;
    return LastPlaceTag{*page,
                        *result == 1,
                        Unescaped((*fields)[12]),
                        static_cast<int>(*target),
                        *variants == 1,
                        static_cast<int>(*anchor),
                        static_cast<int>(*top)};
}

std::optional<BookmarkTag> BookmarkOf(const CCatalogue& catalogue, uint32_t page)
{
    if (catalogue.m_root == nullptr)
        return std::nullopt;
    const ContentsNodeTag* entry = CPageLocator(*catalogue.m_root).EntryOf(page);
    if (entry == nullptr)
        return std::nullopt;
    const EntryNamesTag names = NamesOf(*entry);
    BookmarkTag bookmark;
    bookmark.category = names.category;
    bookmark.title = names.title;
    bookmark.volume = names.volume;
    // The entry holds the page, so page + 1 >= docID.
    bookmark.label = page + 1 - entry->docID + entry->curFileName;
    bookmark.slotHint = entry->slot;
    bookmark.pageHint = page;
    return bookmark;
}

std::optional<BookmarkPlaceTag> FindBookmark(const CCatalogue& catalogue, const BookmarkTag& bookmark)
{
    if (catalogue.m_root == nullptr)
        return std::nullopt;
    std::vector<const ContentsNodeTag*> entries;
    CollectEntries(*catalogue.m_root, entries);
    const int level = !bookmark.volume.empty() ? 3 : !bookmark.title.empty() ? 2 : 1;
    const ContentsNodeTag* found = nullptr;
    for (const ContentsNodeTag* entry : entries) {
        if (entry->level != level)
            continue;
        const EntryNamesTag names = NamesOf(*entry);
        if (names.category != bookmark.category || names.title != bookmark.title || names.volume != bookmark.volume)
            continue;
        if (found == nullptr || entry->slot == bookmark.slotHint)
            found = entry;
        if (entry->slot == bookmark.slotHint)
            break;
    }
    if (found == nullptr || bookmark.label < found->curFileName || bookmark.label > INT32_MAX)
        return std::nullopt;
    const uint64_t page = uint64_t{found->docID} - 1 + (bookmark.label - found->curFileName);
    if (found->docID == 0 || page > UINT32_MAX || !found->HoldsPage(static_cast<uint32_t>(page)))
        return std::nullopt;
    return BookmarkPlaceTag{found->slot, static_cast<int>(bookmark.label), static_cast<uint32_t>(page)};
}

std::optional<size_t> CBookmarks::IndexOf(const BookmarkTag& bookmark) const
{
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].SamePage(bookmark))
            return i;
    }
    return std::nullopt;
}

bool CBookmarks::Toggle(const BookmarkTag& bookmark)
{
    if (const std::optional<size_t> index = IndexOf(bookmark)) {
        Remove(*index);
        return false;
    }
    if (m_entries.size() >= kMaxEntries)
        return false;
    m_entries.push_back(bookmark);
    return true;
}

void CBookmarks::Remove(size_t index)
{
    if (index < m_entries.size())
        m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(index));
}

void CBookmarks::SetNote(size_t index, const std::u16string& note)
{
    if (index < m_entries.size())
        m_entries[index].note = note;
}

std::vector<std::u16string> CBookmarks::ToLines() const
{
    std::vector<std::u16string> lines;
    for (const BookmarkTag& entry : m_entries)
        lines.push_back(BookmarkFields(entry));
    return lines;
}

bool CBookmarks::FromLines(int version, const std::vector<std::u16string>& lines)
{
    m_entries.clear();
    if (version != kFormatVersion)
        return false;
    for (const std::u16string& line : lines) {
        if (m_entries.size() >= kMaxEntries)
            break;
        const auto fields = SplitFields<7>(line);
        if (!fields)
            continue;
        if (std::optional<BookmarkTag> bookmark = ParseBookmarkFields(*fields))
            m_entries.push_back(std::move(*bookmark));
    }
    return true;
}

}  // namespace varo
