// Cutting a stored page into its title and two table cells, and a cell into main-text and
// annotation items. No general HTML parser: the stored pages have one fixed shape, and the tags
// that matter are compared byte for byte, case-sensitively, at the start of a complete tag.

#include "store/pagemarkup.h"
#include "store/pagerender.h"

namespace varo::render {

namespace {

constexpr std::string_view kTitleStart = "<title";
constexpr std::string_view kTitleEnd = "</title>";
constexpr std::string_view kCellStart = "<TD";
constexpr std::string_view kCellEnd = "</TD";

bool Begins(std::string_view tag, std::string_view pattern)
{
    return tag.substr(0, pattern.size()) == pattern;
}

// Phases of the page scan: before the title, in it, between title and first cell, in the first
// cell, between the cells, in the second cell, after it.
enum Phase { kBeforeTitle, kInTitle, kAfterTitle, kInFirstCell, kBetweenCells, kInSecondCell, kAfterCells };

// The text that collects bytes in a phase, or none.
std::string* CollectorFor(Phase phase, std::string texts[3])
{
    switch (phase) {
    case kInTitle: return &texts[0];
    case kInFirstCell: return &texts[1];
    case kInSecondCell: return &texts[2];
    default: return nullptr;
    }
}

// Whether a tag can be one the page is cut at: those name "title" or "TD", opening or closing.
// A page of highlights holds a tag every few bytes, nearly all of them anchors and highlights,
// which a look at the first byte of the name sets aside without comparing them with each.
bool MayCutPage(std::string_view tag)
{
    const size_t name = tag.size() > 2 && tag[1] == '/' ? 2 : 1;
    return tag.size() > name && (tag[name] == 't' || tag[name] == 'T');
}

Phase NextPhase(Phase phase, std::string_view tag, bool& recognised)
{
    recognised = MayCutPage(tag);
    if (!recognised)
        return phase;
    if (Begins(tag, kTitleStart) && phase == kBeforeTitle)
        return kInTitle;
    if (Begins(tag, kCellStart))
        return phase == kAfterTitle ? kInFirstCell : phase == kBetweenCells ? kInSecondCell : phase;
    if (Begins(tag, kTitleEnd))
        return kAfterTitle;
    if (Begins(tag, kCellEnd))
        return phase == kInFirstCell ? kBetweenCells : phase == kInSecondCell ? kAfterCells : phase;
    recognised = false;
    return phase;
}

}  // namespace

namespace {

// Calls text(run) for every run of bytes outside tags and tag(whole tag) for every complete tag,
// in page order. A tag runs from "<" to the next ">"; an unfinished tag at the end is dropped.
template <typename OnText, typename OnTag>
void ScanTags(std::string_view bytes, OnText text, OnTag tag)
{
    size_t position = 0;
    while (position < bytes.size()) {
        const size_t open = bytes.find('<', position);
        if (open == std::string_view::npos) {
            text(bytes.substr(position));
            return;
        }
        if (open > position)
            text(bytes.substr(position, open - position));
        const size_t close = bytes.find('>', open + 1);
        if (close == std::string_view::npos)
            return;
        tag(bytes.substr(open, close - open + 1));
        position = close + 1;
    }
}

}  // namespace

void ParseNodes(std::string_view page, std::vector<std::unique_ptr<HTMLNode>>& nodes)
{
    std::string texts[3];
    Phase phase = kBeforeTitle;
    ScanTags(
        page,
        [&](std::string_view run) {
            if (std::string* text = CollectorFor(phase, texts))
                text->append(run);
        },
        [&](std::string_view tag) {
            bool recognised = false;
            phase = NextPhase(phase, tag, recognised);
            // Other tags inside the title or a cell stay in place, so markup of an earlier
            // highlighting pass survives a re-parse.
            if (!recognised)
                if (std::string* text = CollectorFor(phase, texts))
                    text->append(tag);
        });
    for (std::string& text : texts)
        nodes.push_back(std::make_unique<HTMLNode>(std::move(text)));
}

bool HidesPageTags(std::string_view cellText)
{
    for (std::string_view tag : {kTitleEnd, kCellStart, kCellEnd})
        if (cellText.find(tag) != std::string_view::npos)
            return true;
    return false;
}

void SplitFilterItems(const HTMLNode& node, std::vector<std::unique_ptr<FilterItem>>& items)
{
    items.push_back(std::make_unique<FilterItem>(std::string(), FilterItem::kMainText));
    FilterItem* current = items.back().get();
    bool inAnnotation = false;
    ScanTags(
        node.GetText(), [&](std::string_view run) { current->Text().append(run); },
        [&](std::string_view tag) {
            if (Begins(tag, kAnnotationStart)) {
                inAnnotation = true;
                items.push_back(std::make_unique<FilterItem>(std::string(), FilterItem::kAnnotation));
                current = items.back().get();
            } else if (inAnnotation && Begins(tag, kAnnotationEnd)) {
                inAnnotation = false;
                std::string text;
                text.reserve(1000);
                items.push_back(std::make_unique<FilterItem>(std::move(text), FilterItem::kMainText));
                current = items.back().get();
            } else {
                current->Text().append(tag);
            }
        });
}

}  // namespace varo::render
