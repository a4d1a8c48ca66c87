// Rendering a stored page for a query: each distinct term highlights the page in one pass, and
// every pass re-emits the page in the fixed document template. The template's own title and
// cell tags are exactly the ones the page parser recognises, so the next pass finds the same
// three parts again, with the markup of earlier passes inside them as ordinary tags.

#include "store/pagerender.h"
#include "store/filelist.h"
#include "store/pagemarkup.h"
#include "text/codeconverter.h"
#include "text/querysyntax.h"

#include <algorithm>
#include <set>

namespace varo {

namespace {

constexpr std::string_view kDocumentStart =
    "<html><head>\t\t<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\"><title>";
constexpr std::string_view kAfterTitle =
    "</title></head><div align=\"center\"><center><BODY>\t\t<TABLE border=1 cellPadding=0 cellSpacing=1 "
    "class=wd_gray height=477 width=635 bordercolor=\"#FFCC66\">\t\t<tr>  <TD height=477 width=80 vAlign=top "
    "align=\"center\" background=\"../Back.gif\">";
constexpr std::string_view kBetweenCells = "</TD>\t\t<TD height=477 width=450 vAlign=top align=\"center\">";
constexpr std::string_view kDocumentEnd = "</TD> \t\t</tr></table></div></div>\t\t</center></BODY></html>";

constexpr int kTargetFullText = 0;
constexpr int kTargetMainText = 1;
constexpr int kTargetAnnotations = 2;

constexpr size_t kCellReserve = 10000;

// Appends one item of the highlighted cell. Annotation items get their font tags back, since
// the item split removed them.
void AppendItem(const FilterItem& item, std::string_view term, int target, std::string& cell, int& counter,
                render::PassWatch& watch)
{
    // An unknown target shows nothing of the cell rather than guessing what to highlight.
    if (target != kTargetFullText && target != kTargetMainText && target != kTargetAnnotations)
        return;
    const bool annotation = item.GetKind() == FilterItem::kAnnotation;
    const bool highlight = target == kTargetFullText || (target == kTargetMainText && !annotation) ||
                           (target == kTargetAnnotations && annotation);
    if (annotation)
        cell += kAnnotationStart;
    if (highlight)
        render::HighlightItem(item, term, cell, counter, &watch);
    else
        cell += item.GetText();
    if (annotation)
        cell += kAnnotationEnd;
}

// Whether the page lacks a literal of the term, so that no pass over it can highlight the term.
// Of a page the passes left in the template, the highlighted cell is one stretch of its bytes.
bool LacksLiteral(std::string_view page, std::string_view term)
{
    std::vector<std::unique_ptr<Seg>> pieces;
    render::SplitTerm(term, pieces);
    return std::any_of(pieces.begin(), pieces.end(), [&](const std::unique_ptr<Seg>& piece) {
        return !piece->literal.empty() && render::FindBytes(page, piece->literal, 0) == std::string_view::npos;
    });
}

}  // namespace

bool CFileList::ReadPageToRender(uint32_t record, std::string& page, int& cell) const
{
    if (!ReadText(record, page))
        return false;
    // A name that is not valid has no label, as in FindPage, and counts as label 0.
    std::string name;
    int label = 0;
    if (GetRecordName(record, name))
        ParseLabel(name, label);
    // Record names carry unsigned numbers; a minus sign would give a negative remainder, which
    // is taken as odd rather than as an index before the first cell.
    cell = label % 2 == 0 ? 0 : 1;
    return true;
}

void render::RenderTerm(std::string_view page, std::string& output, std::string_view term, int cell, int target,
                        int& counter, PassWatch* watch)
{
    std::vector<std::unique_ptr<HTMLNode>> nodes;
    ParseNodes(page, nodes);
    HTMLNode& chosen = *nodes[cell % 2 == 0 ? 1 : 2];
    std::vector<std::unique_ptr<FilterItem>> items;
    SplitFilterItems(chosen, items);

    PassWatch ownWatch;
    PassWatch& passWatch = watch != nullptr ? *watch : ownWatch;
    passWatch.maxGrowth = kMaxPassGrowth;
    // Reserved once, so that a long page is not copied again and again as its cell grows.
    std::string text;
    text.reserve(std::max(kCellReserve, chosen.GetText().size() + chosen.GetText().size() / 4));
    for (const auto& item : items)
        AppendItem(*item, term, target, text, counter, passWatch);
    chosen.SetText(std::move(text));

    output.reserve(output.size() + kDocumentStart.size() + kAfterTitle.size() + kBetweenCells.size() +
                   kDocumentEnd.size() + nodes[0]->GetText().size() + nodes[1]->GetText().size() +
                   nodes[2]->GetText().size());
    output += kDocumentStart;
    output += nodes[0]->GetText();
    output += kAfterTitle;
    output += nodes[1]->GetText();
    output += kBetweenCells;
    output += nodes[2]->GetText();
    output += kDocumentEnd;
}

int render::RenderQuery(std::string page, int cell, int target, std::u16string_view query, std::string& output,
                        bool* complete, std::vector<AnchorPassTag>* passes)
{
    std::set<std::string> rendered;
    int counter = 0;
    bool anyRendered = false;
    bool stopped = false;
    uint64_t passBytes = 0;
    // The page as the last pass left it re-emits as itself: true after a pass whose highlights
    // cut no tag open (a cut tag makes the page parse differently once).
    bool settled = false;
    std::string pass;
    ForEachTerm(query, [&](std::u16string_view wideTerm) {
        std::string term = CCodeConverter::Utf16ToUtf8(wideTerm);
        if (!rendered.insert(term).second)
            return true;
        // The pass budget (render::kMaxPassBytes): the first term is always highlighted, and
        // pages of a few kilobytes reach the limit only after thousands of terms.
        if (anyRendered && passBytes + page.size() > kMaxPassBytes) {
            stopped = true;
            return false;
        }
        passBytes += page.size();
        // A pass that highlights nothing over a settled page writes the same page again: a term
        // whose literal the page lacks is left out, at the cost it would have had. A query of
        // many terms, of which a page holds a few, makes only their passes.
        if (settled && LacksLiteral(page, term))
            return true;
        pass.clear();
        PassWatch watch;
        const int firstAnchor = counter;
        RenderTerm(page, pass, term, cell, target, counter, &watch);
        LogPass(term, firstAnchor, counter, passes);
        // The next term is highlighted in the page as already marked up.
        page.swap(pass);
        anyRendered = true;
        settled = !watch.cutTag;
        // A pass cut short by its markup budget ends the query: later terms would only match
        // through the markup it already multiplied.
        stopped = watch.cutShort;
        return !stopped;
    });
    if (anyRendered)
        output = std::move(page);
    if (complete != nullptr)
        *complete = !stopped;
    return counter;
}

int CFileList::RenderPage(uint32_t record, std::string& output, std::u16string_view query, int target,
                          bool* complete) const
{
    if (complete != nullptr)
        *complete = true;
    std::string page;
    int cell = 0;
    if (!ReadPageToRender(record, page, cell) || query.empty())
        return 0;
    return render::RenderQuery(std::move(page), cell, target, query, output, complete);
}

}  // namespace varo
