#pragma once
// "引用をコピー": a passage taken from the text view followed by a line that says where it comes
// from, in a format the reader chooses. Any page record can be named from the catalogue, so
// the citation works for a result page and for a page opened from the contents tree alike.

#include "panel/catalogue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varo {

/// Placeholders: {category} {title} {volume} {label} (the page label) {page} (the page record).
inline constexpr char16_t kDefaultCitationFormat[] = u"{category}『{title}』{volume}、{label}頁";

struct CitationTag {
    std::u16string category;
    std::u16string title;
    std::u16string volume;
    uint32_t label = 0;
    uint32_t page = 0;
};

/// The page's place in the catalogue: the entry it is read in (CPageLocator) and the entries
/// above it; none when no entry holds it.
std::optional<CitationTag> CitationOf(const CCatalogue& catalogue, uint32_t page);

/// The citation line: the format with its placeholders filled in; anything else, unknown
/// placeholders included, as written.
///   u"{title}、{label}頁" with 論語, 3 => u"論語、3頁"
std::u16string FormatCitation(std::u16string_view format, const CitationTag& citation);

/// The selected text, a line end, the citation line. Line ends inside the selection stay.
std::u16string CitedText(std::u16string_view selection, std::u16string_view format, const CitationTag& citation);

}  // namespace varo
