// Reading the hits back from a rendered page. The renderer writes every highlighted piece of a
// hit in one of two shapes:
//
//   a literal:          <a name="0007"></a><b style='…'>甲</b>
//   the bytes of a '?': <b style='…'><a name="0008"></a>丙</b>
//
// so an anchor counts as the renderer's only where it stands right next to a highlight start,
// and a piece ends at the "</b>" that closes its highlight. Later passes may highlight inside an
// earlier piece; their tags come in pairs, so a stack of open highlights finds each piece's end.

#include "store/hitpositions.h"

#include "store/pagemarkup.h"
#include "store/pagerender.h"
#include "text/codeconverter.h"

#include <algorithm>
#include <memory>

namespace varo {

namespace {

// The anchor markup after the number, cut at the end of its opening tag: "\">" and "</a>".
constexpr size_t kAnchorTagEnd = kAnchorEnd.find('>') + 1;
constexpr std::string_view kAnchorOpenRest = kAnchorEnd.substr(0, kAnchorTagEnd);
constexpr std::string_view kAnchorClose = kAnchorEnd.substr(kAnchorTagEnd);

constexpr int kNoAnchor = -1;
// Anchor numbers are read with at most this many digits, so no number overflows.
constexpr size_t kMaxAnchorDigits = 9;

// The number of an anchor tag (<a name="0012"> => 12), or kNoAnchor.
int AnchorNumber(std::string_view tag)
{
    if (!tag.starts_with(kAnchorStart))
        return kNoAnchor;
    const std::string_view rest = tag.substr(kAnchorStart.size());
    const size_t digits = std::min(rest.find_first_not_of("0123456789"), rest.size());
    if (digits == 0 || digits > kMaxAnchorDigits || rest.substr(digits) != kAnchorOpenRest)
        return kNoAnchor;
    int number = 0;
    for (char digit : rest.substr(0, digits))
        number = number * 10 + (digit - '0');
    return number;
}

// Walks the highlighted cell once, collecting its characters and where each anchor of the
// renderer starts and where the piece it marks ends.
class CellScanner {
public:
    CellScanner(int anchorCount, PageHitsTag& hits)
        : m_starts(static_cast<size_t>(anchorCount), kUnknown), m_ends(static_cast<size_t>(anchorCount), kUnknown),
          m_hits(hits)
    {}

    void Scan(std::string_view cell)
    {
        size_t text = 0;
        for (size_t i = 0; i < cell.size();) {
            if (cell[i] != '<') {
                ++i;
                continue;
            }
            AddText(cell.substr(text, i - text));
            const size_t close = cell.find('>', i);
            if (close == std::string_view::npos)
                return;  // an unfinished tag at the end is dropped, as the renderer drops it
            OnTag(cell.substr(i, close + 1 - i));
            i = text = close + 1;
        }
        AddText(cell.substr(text));
    }

    uint32_t Start(int anchor) const { return m_starts[static_cast<size_t>(anchor)]; }
    uint32_t End(int anchor) const { return m_ends[static_cast<size_t>(anchor)]; }

    static constexpr uint32_t kUnknown = UINT32_MAX;

private:
    struct OpenHighlight {
        int anchor;
        bool bare;  // nothing has come inside it yet: an anchor now is a '?' piece's
    };

    void AddText(std::string_view bytes)
    {
        if (bytes.empty())
            return;
        for (size_t i = 0; i < bytes.size();) {
            m_hits.text.push_back(CCodeConverter::DecodeUtf8(bytes, i));
            m_hits.annotation.push_back(m_inAnnotation);
        }
        m_pendingAnchor = kNoAnchor;
        if (!m_open.empty())
            m_open.back().bare = false;
    }

    void OnTag(std::string_view tag)
    {
        const bool bareHighlight = !m_open.empty() && m_open.back().bare;
        if (!m_open.empty())
            m_open.back().bare = false;
        if (tag == kHighlightStart) {
            const int anchor = m_pendingAnchor;
            if (anchor != kNoAnchor)
                Mark(m_starts, anchor);
            m_open.push_back({anchor, anchor == kNoAnchor});
            m_pendingAnchor = kNoAnchor;
        } else if (tag == kHighlightEnd) {
            if (!m_open.empty()) {
                if (m_open.back().anchor != kNoAnchor)
                    Mark(m_ends, m_open.back().anchor);
                m_open.pop_back();
            }
            m_pendingAnchor = kNoAnchor;
        } else if (const int anchor = AnchorNumber(tag); anchor != kNoAnchor) {
            if (bareHighlight) {
                m_open.back().anchor = anchor;
                Mark(m_starts, anchor);
                m_pendingAnchor = kNoAnchor;
            } else {
                m_pendingAnchor = anchor;
            }
        } else if (tag != kAnchorClose) {
            m_pendingAnchor = kNoAnchor;
            // Annotation tags as the cell's item split reads them: the start tag in either mode,
            // the end tag only inside an annotation.
            if (tag.starts_with(kAnnotationStart))
                m_inAnnotation = true;
            else if (m_inAnnotation && tag.starts_with(kAnnotationEnd))
                m_inAnnotation = false;
        }
    }

    // The first place an anchor is met counts.
    void Mark(std::vector<uint32_t>& places, int anchor)
    {
        const auto index = static_cast<size_t>(anchor);
        if (index < places.size() && places[index] == kUnknown)
            places[index] = static_cast<uint32_t>(m_hits.text.size());
    }

    std::vector<uint32_t> m_starts;
    std::vector<uint32_t> m_ends;
    PageHitsTag& m_hits;
    std::vector<OpenHighlight> m_open;
    int m_pendingAnchor = kNoAnchor;
    bool m_inAnnotation = false;
};

}  // namespace

int AnchorsPerMatch(std::string_view term)
{
    std::vector<std::unique_ptr<Seg>> pieces;
    render::SplitTerm(term, pieces);
    int anchors = 0;
    for (const auto& piece : pieces)
        anchors += piece->kind == Seg::SEG_AFTER_WILDCARDS ? 2 : 1;
    return anchors;
}

void LogPass(std::string_view term, int firstAnchor, int endAnchor, std::vector<AnchorPassTag>* passes)
{
    if (passes != nullptr && endAnchor > firstAnchor)
        passes->push_back({firstAnchor, endAnchor, AnchorsPerMatch(term)});
}

void LocateHits(std::string_view document, int cell, const std::vector<AnchorPassTag>& passes, PageHitsTag& hits)
{
    hits = PageHitsTag{};
    hits.cell = cell % 2 == 0 ? 0 : 1;
    int anchorCount = 0;
    for (const AnchorPassTag& pass : passes)
        anchorCount = std::max(anchorCount, pass.endAnchor);

    std::vector<std::unique_ptr<HTMLNode>> nodes;
    render::ParseNodes(document, nodes);
    CellScanner scanner(anchorCount, hits);
    scanner.Scan(nodes[hits.cell == 0 ? 1 : 2]->GetText());

    for (const AnchorPassTag& pass : passes) {
        if (pass.anchorsPerHit < 1 || pass.firstAnchor < 0)
            continue;
        for (int first = pass.firstAnchor; first < pass.endAnchor; first += pass.anchorsPerHit) {
            const int last = std::min(first + pass.anchorsPerHit, pass.endAnchor) - 1;
            const uint32_t start = scanner.Start(first);
            if (start == CellScanner::kUnknown)
                continue;
            uint32_t end = scanner.End(last);
            if (end == CellScanner::kUnknown)
                end = scanner.Start(last);
            const uint32_t length = end == CellScanner::kUnknown || end < start ? 0 : end - start;
            hits.hits.push_back({start, length, first, last + 1 - first});
        }
    }
}

}  // namespace varo
