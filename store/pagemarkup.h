#pragma once
// The markup a rendered page carries: the tags the stored pages use for annotations, paragraphs
// and headings, and the highlight and anchor the renderer puts around every hit. The renderer
// writes it, later passes of the renderer read it back as ordinary tags, and the tests compare
// with it, so it is spelled once, here.

#include <cstdio>
#include <string>
#include <string_view>

namespace varo {

/// An annotation is the stretch of a cell inside these two tags, exactly as written.
inline constexpr std::string_view kAnnotationStart = "<font size=-1 color=\"#993366\">";
inline constexpr std::string_view kAnnotationEnd = "</font>";

/// A '*' gap of a term never runs across the start of a paragraph or a heading.
inline constexpr std::string_view kParagraphStart = "<p>";
inline constexpr std::string_view kHeadingStart = "<h4>";

/// Every highlighted piece of a hit stands between these two tags.
inline constexpr std::string_view kHighlightStart = "<b style='color:red;background:#D9D9D9;'>";
inline constexpr std::string_view kHighlightEnd = "</b>";

/// Every highlighted piece has an anchor, numbered from 0 in the order the renderer writes them:
/// kAnchorStart, the number with at least kAnchorDigits digits, kAnchorEnd.
inline constexpr std::string_view kAnchorStart = "<a name=\"";
inline constexpr std::string_view kAnchorEnd = "\"></a>";
inline constexpr int kAnchorDigits = 4;

/// The anchor of a number: 7 => <a name="0007"></a>. Numbers above 9999 are written whole
/// rather than cut to a fixed width, which would lose the closing bracket.
inline std::string AnchorTag(int number)
{
    char digits[16];
    const int length = std::snprintf(digits, sizeof digits, "%0*d", kAnchorDigits, number);
    std::string tag(kAnchorStart);
    tag.append(digits, static_cast<size_t>(length));
    tag += kAnchorEnd;
    return tag;
}

}  // namespace varo
