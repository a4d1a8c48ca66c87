#pragma once
// The concordance of a search (keyword in context): every hit of the listed pages as one line,
// the hit in the middle with the characters before and after it. The lines come from the
// engine's hit positions, the same hits the text view jumps between (kwicjob.h collects them),
// and sort by the characters before the hit (read backwards from it), after it, by catalogue
// order or by page.

#include "store/hitpositions.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varo {

inline constexpr int kDefaultKwicWidth = 12;
inline constexpr int kMaxKwicWidth = 100;

/// One line of the concordance.
struct KwicLineTag {
    uint32_t result = 0;       // the page's index in the result pages the lines were collected for
    uint32_t offset = 0;       // the hit's place in its cell's text, in characters
    int anchor = 0;            // the hit's first anchor: where the text view scrolls to
    std::u16string text;       // the characters before the hit, the hit, the characters after it
    uint32_t beforeUnits = 0;  // UTF-16 units of text before the hit
    uint32_t hitUnits = 0;     // UTF-16 units of the hit
    /// Stretches of text that are annotation text: (first unit, number of units), in order.
    std::vector<std::pair<uint32_t, uint32_t>> notes;

    std::u16string_view Before() const { return std::u16string_view(text).substr(0, beforeUnits); }
    std::u16string_view Hit() const { return std::u16string_view(text).substr(beforeUnits, hitUnits); }
    std::u16string_view After() const { return std::u16string_view(text).substr(beforeUnits + hitUnits); }
    /// Whether the unit at index of text is annotation text.
    bool IsAnnotation(size_t unit) const;
};

/// The lines of one page's hits, in the order of the hits, each with up to width characters on
/// either side from the same cell. The cell's text is shown as a reader sees it: entities
/// (&amp; &lt; &gt; &quot; &apos; &nbsp; and numeric ones) as their characters and every run of
/// blanks, tabs and line ends as one blank.
void AppendKwicLines(const PageHitsTag& hits, uint32_t result, int width, std::vector<KwicLineTag>& lines);

enum class KwicOrder {
    Page,       // the order of the result list, hits of a page in reading order
    Catalogue,  // catalogue order, hits of a page in reading order
    Before,     // by the characters before the hit, nearest first
    After,      // by the characters after the hit
};

/// Sorts lines. ranks holds each result's place in catalogue order (CatalogueRanks); the
/// context sorts compare characters by code point (a character beyond the basic plane after
/// every character of it), then the hit, then the other side, then by page.
void SortKwicLines(std::vector<KwicLineTag>& lines, KwicOrder order, const std::vector<uint64_t>& ranks);

}  // namespace varo
