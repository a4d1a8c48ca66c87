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
inline constexpr uint64_t kMaxPassBytes = uint64_t{16} << 20;

/// One highlighting pass: the page re-emitted in the result template, with every match of the
/// UTF-8 term highlighted in the cell (0 the first, 1 the second) as the search target (0 full
/// text, 1 main text, 2 annotations) allows, the anchors numbered on from counter. An empty
/// term only re-emits the page.
void RenderTerm(std::string_view page, std::string& output, std::string_view term, int cell, int target, int& counter);

/// Renders page (a stored page's text) for a query of terms separated by blanks (U+0020 or
/// U+3000): every distinct term, in the order the query first names it, is highlighted in one
/// pass over the page as the passes before it left it, within kMaxPassBytes. Returns the number
/// of anchors written; output receives the last pass's document and is left alone when the query
/// names no term. passes, when given, receives what each pass anchored.
int RenderQuery(std::string page, int cell, int target, std::u16string_view query, std::string& output,
                std::vector<AnchorPassTag>* passes = nullptr);

/// The title, the first cell and the second cell of a page, always three nodes.
void ParseNodes(std::string_view page, std::vector<std::unique_ptr<HTMLNode>>& nodes);

/// A cell cut into main-text and annotation items, in order.
void SplitFilterItems(const HTMLNode& node, std::vector<std::unique_ptr<FilterItem>>& items);

/// A UTF-8 term cut into its literals and the gaps before them.
///   "a?b???c*d" => {first "a"}, {after 1 '?', "b"}, {after 3 '?', "c"}, {after '*', "d"}
void SplitTerm(std::string_view term, std::vector<std::unique_ptr<Seg>>& pieces);

/// Appends the item's text with every match of the term highlighted and anchored.
void HighlightItem(const FilterItem& item, std::string_view term, std::string& output, int& counter);

/// The first occurrence of needle in text at or after start, or npos. An empty needle is found
/// at start itself. CJK text repeats the leading bytes of its characters everywhere, so the
/// search anchors on the needle's last byte, which varies most.
size_t FindBytes(std::string_view text, std::string_view needle, size_t start);

}  // namespace render

}  // namespace varo
