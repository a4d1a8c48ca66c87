#pragma once
// Find in the shown page: the matches of a plain text in the page's text, and which of them is
// the current one. The view hands over the page as plain text (UTF-16) and the forms to find;
// the matches are positions in that text, so the view can mark them in its own document.
// What to find is given position by position as the characters that may stand there: one each
// for plain find, and with the panel's variant option on every variant of the character
// (学 and 學), so that the cost stays linear however many variants the text's characters have.

#include <cstddef>
#include <string>
#include <vector>

namespace varo {

struct PageMatchTag {
    std::size_t position = 0;  // in UTF-16 code units of the page's text
    std::size_t length = 0;
};

class CPageFind {
public:
    /// The most matches one page keeps; a page with more marks the first ones only.
    static constexpr std::size_t kMaxMatches = 10000;

    /// The characters that may stand at each position of what to find: one each, the text as
    /// it is.
    static std::vector<std::u16string> Plain(const std::u16string& what);

    /// Finds every match in text, in text order, without overlaps. The current match becomes
    /// the first one at or after from, or the first one. Nothing to find finds nothing.
    void Find(const std::u16string& text, const std::vector<std::u16string>& alternatives, std::size_t from = 0);
    void Clear();

    const std::vector<PageMatchTag>& Matches() const { return m_matches; }
    std::size_t Count() const { return m_matches.size(); }
    /// The current match's index, or -1 without matches.
    long Current() const { return m_current; }

    /// Moves to the next or previous match, wrapping around; false without matches.
    bool Next();
    bool Previous();

    /// "n / m" for the find bar, "0 / 0" without matches.
    std::u16string CountText() const;

private:
    std::vector<PageMatchTag> m_matches;
    long m_current = -1;
};

}  // namespace varo
