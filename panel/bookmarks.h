#pragma once
// Bookmarks: pages the reader keeps across starts, with a note. A bookmark names its page by
// what survives a rebuild of the collection with the same catalogue: the category, title and
// volume names and the page label; the entry's slot and the page record are kept as hints only.
// The list goes to the settings store as lines of text under a format version.

#include "panel/catalogue.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varo {

struct BookmarkTag {
    std::u16string category;
    std::u16string title;
    std::u16string volume;
    uint32_t label = 0;
    /// Where the page was when it was kept: the entry's slot and the page record.
    int slotHint = 0;
    uint32_t pageHint = 0;
    std::u16string note;

    /// The same page: the same names and label, whatever the hints and the note.
    bool SamePage(const BookmarkTag& other) const
    {
        return category == other.category && title == other.title && volume == other.volume && label == other.label;
    }
};

/// Where a bookmark's page is in the catalogue now.
struct BookmarkPlaceTag {
    int slot = 0;  // the entry the page is read in
    int label = 0;
    uint32_t page = 0;
};

/// The bookmark of page record page, named from the entry it is read in; none when no entry of
/// the catalogue holds it.
std::optional<BookmarkTag> BookmarkOf(const CCatalogue& catalogue, uint32_t page);

/// The page a bookmark names in this catalogue: the entry with its names (the hinted slot first
/// when several have them) and the label inside its range; none when the catalogue has no such
/// entry or the entry no such page.
std::optional<BookmarkPlaceTag> FindBookmark(const CCatalogue& catalogue, const BookmarkTag& bookmark);

/// The page shown when the program last ended, to open it again at start: the page named as a
/// bookmark names it, a result page's search and hit, and the text at the view's top.
struct LastPlaceTag {
    BookmarkTag page;
    bool result = false;
    std::u16string query;
    int target = 0;
    bool variants = false;
    int anchor = 0;
    int topPosition = 0;
};

/// One line for the settings store: the bookmark's fields, then result, target, variants,
/// anchor, top position and the query, separated by tabs and escaped as bookmarks are.
std::u16string LastPlaceLine(const LastPlaceTag& place);
/// The place of a line LastPlaceLine wrote; none for a line of another shape.
std::optional<LastPlaceTag> ParseLastPlaceLine(const std::u16string& line);

class CBookmarks {
public:
    static constexpr int kFormatVersion = 1;
    /// The most a list holds; a store that claims more is read up to here.
    static constexpr size_t kMaxEntries = 5000;

    const std::vector<BookmarkTag>& Entries() const { return m_entries; }
    /// The index of the bookmark of the same page; none when there is none.
    std::optional<size_t> IndexOf(const BookmarkTag& bookmark) const;
    /// Adds the bookmark, or removes the one of the same page; true when it was added. A full
    /// list adds nothing and answers false.
    bool Toggle(const BookmarkTag& bookmark);
    void Remove(size_t index);
    void SetNote(size_t index, const std::u16string& note);

    /// One line per bookmark, fields separated by tabs: category, title, volume, label, slot
    /// hint, page hint, note; a backslash, tab or line end inside a field is escaped
    /// (\\ \t \n \r).
    std::vector<std::u16string> ToLines() const;
    /// Replaces the list with the lines of a store of format version; false, leaving the list
    /// empty, for a version this program does not know (a newer program's store, which the
    /// caller then leaves as it is). A line of another shape is skipped.
    bool FromLines(int version, const std::vector<std::u16string>& lines);

private:
    std::vector<BookmarkTag> m_entries;
};

}  // namespace varo
