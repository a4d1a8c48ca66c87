#pragma once
// The syntax of a query, in one place: terms separated by blanks, '*' for a gap and '?' for one
// character, and which units a query may hold at all.
//
// Two sides read a term, and their wildcard rules differ because they see different things:
//
// - The index side (the engine's term search) sees characters: every indexed character of a
//   page has a position, and a term's characters must stand at the right distances. '?' and
//   its full-width form '？' (U+FF1F, which an input method types) each take one position,
//   whatever the width of the character there; '*' lets 0 to 300 characters stand between its
//   neighbours. Characters the index does not know (punctuation, Latin letters, blanks) are
//   dropped from the term before it is searched.
// - The byte side (the renderer) sees the UTF-8 bytes of the stored page, markup included, and
//   has no positions to count with. There only the ASCII '?' is a wildcard, and it stands for
//   kWildcardCharBytes bytes: one character of the basic plane, which is what the texts are
//   made of. '？' is matched as itself, so a term with '？' finds its pages but is highlighted
//   only where the page holds a literal '？'. '*' stands for any bytes up to the next
//   paragraph or heading start.
//
// The two sides agree on terms of characters of the basic plane with '?'. Where they differ (a
// '？', a character beyond the basic plane where a '?' stands, a '*' gap of more than 300
// characters or across a paragraph, a character the index drops), a page may be found and
// highlighted differently; the renderer keeps its rules, since rendered pages stay as they are.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varo {

/// The term separators: the blank and the ideographic space.
inline constexpr char16_t kBlank = u' ';
inline constexpr char16_t kWideBlank = u'\u3000';

/// '*': a gap between the characters on either side of it.
inline constexpr char16_t kStar = u'*';

/// '?': one character. On the index side its full-width form '？' is one as well.
inline constexpr char16_t kOneCharWildcard = u'?';
inline constexpr char16_t kWideOneCharWildcard = u'\uFF1F';

/// On the byte side a '?' stands for this many bytes of the page.
inline constexpr size_t kWildcardCharBytes = 3;

constexpr bool IsTermSeparator(char16_t unit)
{
    return unit == kBlank || unit == kWideBlank;
}

/// The one-character wildcards of the index side: '?' and '？'.
constexpr bool IsOneCharWildcard(uint32_t codePoint)
{
    return codePoint == kOneCharWildcard || codePoint == kWideOneCharWildcard;
}

/// Whether a query may hold the unit: every unit from U+0100 up, the separators, '*' and '?'.
/// ASCII and Latin-1 otherwise are refused, since the index holds no such character.
constexpr bool IsQueryUnit(char16_t unit)
{
    return unit >= 0x100 || IsTermSeparator(unit) || unit == kStar || unit == kOneCharWildcard;
}

/// Calls take(term) for every term of the query in order: the maximal runs of units that are
/// not separators, so leading, trailing and repeated separators make no empty terms. take
/// returns false to stop.
///   u" 詩　經  詩" => u"詩", u"經", u"詩"
template <typename Take>
void ForEachTerm(std::u16string_view query, Take take)
{
    size_t start = 0;
    for (size_t i = 0; i <= query.size(); ++i) {
        if (i < query.size() && !IsTermSeparator(query[i]))
            continue;
        if (i > start && !take(query.substr(start, i - start)))
            return;
        start = i + 1;
    }
}

/// What the engine's check says of a query.
struct QueryCheckTag {
    /// The number of terms, or 0 when the query is refused.
    int terms = 0;
    /// The first unit the query may not hold, when one refused it; none for an empty query or
    /// one of separators only.
    std::optional<char16_t> rejected;
};

/// The engine's check of a query, separators being U+0020 and U+3000:
///   u"詩 經" => {2}    u"詩a經" => {0, u'a'}    u" \u3000" => {0}    u"?*" => {1}
QueryCheckTag CheckQuerySyntax(std::u16string_view query);

/// Turns every U+3000 of typed text into U+0020, as the panel hands it to the engine.
void ReplaceWideBlanks(std::u16string& text);

}  // namespace varo
