#pragma once
// The stored page of a source page and the texts the index is built from.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace varo::build {

/// The exact tags by which the renderer recognises an annotation.
inline constexpr std::string_view kAnnotationStart = "<font size=-1 color=\"#993366\">";
inline constexpr std::string_view kAnnotationEnd = "</font>";

struct PageFrame {
    std::string title;   // the page's <title>
    std::string margin;  // the short text of the cell that does not hold the page text
    uint64_t label = 0;  // selects the text cell: label mod 2 (0 the first cell)
};

/// Wraps a plain-text page in the page template. Each line is a paragraph; a line starting
/// with '#' is a heading; {…} marks an annotation inside a line; a backslash takes the next
/// character literally (\{ \} \\ \#); blank lines are skipped; '&', '<' and '>' become
/// entities. A trailing CR of a line and blanks or tabs around it are dropped.
///   "# 學而\n子曰{孔子}" => ...<h4>學而</h4><p>子曰<font size=-1 color="#993366">孔子</font></p>...
std::string WrapPlainText(std::string_view text, const PageFrame& frame);

/// The indexed texts of a stored page, indexed by index kind (0 full text, 1 annotations,
/// 2 main text): the text cell (label mod 2) split into items the way the renderer splits it,
/// with every <...> tag removed. Kind 0 is all items in order, kind 2 the main-text items,
/// kind 1 the annotation items. Entities stay as they are written (each of their characters
/// takes a position), so that positions agree with the bytes the highlighter matches.
std::array<std::u32string, 3> IndexedTexts(std::string_view html, uint64_t label);

/// Escapes '&', '<' and '>' for HTML text.
std::string EscapeHtml(std::string_view text);

}  // namespace varo::build
