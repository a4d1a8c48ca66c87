#pragma once
// The pieces of the page renderer: cutting a stored page into its title and two cells, a cell
// into main text and annotations, a term into literals and wildcard gaps, highlighting one item,
// and one highlighting pass over a whole page. CFileList::RenderPage puts them together for a
// query; the variant renderer (variantrender.h) for the variant forms of one. Everything here
// works on the page's UTF-8 bytes.

#include "store/hitpositions.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace varo {

/// One part of a stored page: its title or one of its two table cells.
class HTMLNode {
public:
    explicit HTMLNode(std::string text) : m_text(std::move(text)) {}
    const std::string& GetText() const { return m_text; }
    void SetText(std::string text) { m_text = std::move(text); }

private:
    std::string m_text;
};

/// One stretch of a cell: main text (kind 0) or annotation (kind 1), with the annotation font
/// tags themselves removed.
class FilterItem {
public:
    static constexpr int kMainText = 0;
    static constexpr int kAnnotation = 1;

    FilterItem(std::string text, int kind) : m_text(std::move(text)), m_kind(kind) {}
    int GetKind() const { return m_kind; }
    const std::string& GetText() const { return m_text; }
    std::string& Text() { return m_text; }

private:
    std::string m_text;
    int m_kind;
};

/// One literal piece of a highlight term with the rule for the gap before it.
class Seg {
public:
    static constexpr int SEG_AFTER_STAR = 0;       // preceded by '*'
    static constexpr int SEG_AFTER_WILDCARDS = 1;  // preceded by one or more '?'
    static constexpr int SEG_FIRST = 2;            // the term's first piece

    int kind = SEG_FIRST;
    std::string literal;
    int gap = 0;  // number of '?' before the literal, for SEG_AFTER_WILDCARDS
};

namespace render {

/// Each pass re-emits the page with its highlights and the next term is searched in that page,
/// markup included, so terms that occur in the markup itself (a, b, name, color, ...) multiply
/// the page with every pass: twenty such terms would need gigabytes. Once the passes of one
/// rendering have gone through this many bytes the remaining terms are not highlighted.
///
/// The fuzz targets (FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION) render with a 64th of this
/// budget and of kMaxPassGrowth, as the variant render there has a 64th of its work: an input
/// whose passes multiply the page costs a 64th as much under the sanitizers, the budgets keep
/// the program's proportions, and every way of stopping is still reached (still hundreds of
/// times the fuzz collection's pages). The programs and the tests keep the full budgets.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
inline constexpr uint64_t kMaxPassBytes = uint64_t{256} << 10;
#else
inline constexpr uint64_t kMaxPassBytes = uint64_t{16} << 20;
#endif

/// A single pass adds its markup around every match, and a term that matches almost every byte
/// (a letter of the markup on a page of earlier highlights, or on a hostile page) multiplies the
/// page by up to 65: a 16 MB page would come out at a gigabyte. A pass stops highlighting once
/// it has made the cell this many bytes longer (some 60,000 hits; a page of the collections has
/// a few dozen); the rest of the cell is copied unmarked. A 64th of it in the fuzz targets.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
inline constexpr size_t kMaxPassGrowth = size_t{64} << 10;
#else
inline constexpr size_t kMaxPassGrowth = size_t{4} << 20;
#endif

/// What one pass may write and what it did. Highlighting stops once the markup written (grown,
/// summed over the items) exceeds maxGrowth, and the rest is copied unmarked (cutShort). cutTag
/// tells whether a highlight was put inside a tag, which cuts the tag open: the page then parses
/// differently and re-emitting it changes it; otherwise the pass's document re-emits as itself.
struct PassWatch {
    size_t maxGrowth = SIZE_MAX;
    size_t grown = 0;
    bool cutShort = false;
    bool cutTag = false;
};

/// One highlighting pass: the page re-emitted in the result template, with every match of the
/// UTF-8 term highlighted in the cell (0 the first, 1 the second) as the search target (0 full
/// text, 1 main text, 2 annotations) allows, the anchors numbered on from counter. An empty
/// term only re-emits the page. The cell grows by at most kMaxPassGrowth bytes (and a little
/// more for the match that crosses it); watch, when given, receives what the pass did.
void RenderTerm(std::string_view page, std::string& output, std::string_view term, int cell, int target, int& counter,
                PassWatch* watch = nullptr);

/// Renders page (a stored page's text) for a query of terms separated by blanks (U+0020 or
/// U+3000): every distinct term, in the order the query first names it, is highlighted in one
/// pass over the page as the passes before it left it. Returns the number of anchors written;
/// output receives the last pass's document and is left alone when the query names no term.
/// complete, when given, tells whether every term had its whole pass: past kMaxPassBytes, or
/// after a pass that reached kMaxPassGrowth, the remaining terms are not highlighted. passes,
/// when given, receives what each pass anchored.
int RenderQuery(std::string page, int cell, int target, std::u16string_view query, std::string& output,
                bool* complete = nullptr, std::vector<AnchorPassTag>* passes = nullptr);

/// The title, the first cell and the second cell of a page, always three nodes.
void ParseNodes(std::string_view page, std::vector<std::unique_ptr<HTMLNode>>& nodes);

/// Whether a cell's text holds, inside one of its tags, a tag the page is cut at ("</title>",
/// "<TD", "</TD"). Only then can a highlight that cuts a tag open change how the page parses:
/// the hidden tag then ends the cell early or brings the other cell's text into it. Any other
/// cell keeps every byte through any number of passes, which only add their markup.
bool HidesPageTags(std::string_view cellText);

/// A cell cut into main-text and annotation items, in order.
void SplitFilterItems(const HTMLNode& node, std::vector<std::unique_ptr<FilterItem>>& items);

/// A UTF-8 term cut into its literals and the gaps before them.
///   "a?b???c*d" => {first "a"}, {after 1 '?', "b"}, {after 3 '?', "c"}, {after '*', "d"}
void SplitTerm(std::string_view term, std::vector<std::unique_ptr<Seg>>& pieces);

/// Appends the item's text with every match of the term highlighted and anchored. watch, when
/// given, limits output and records where the highlights went (PassWatch).
void HighlightItem(const FilterItem& item, std::string_view term, std::string& output, int& counter,
                   PassWatch* watch = nullptr);

/// The first occurrence of needle in text at or after start, or npos. An empty needle is found
/// at start itself. CJK text repeats the leading bytes of its characters everywhere, so the
/// search anchors on the needle's last byte, which varies most.
size_t FindBytes(std::string_view text, std::string_view needle, size_t start);

}  // namespace render

}  // namespace varo
