// Rendering a page for the variant forms of a query. Rendering the variant expansion literally
// (every combination of variants, joined into one query) costs the product of the group sizes
// over the query: 30 characters with 3 forms each would never finish. The same document comes out of rendering only the
// terms that can match in the highlighted cell, in the order in which the expansion first names them:
//
// - A pass whose term matches nothing only re-emits the page in the template, and a pass over
//   the re-emitted page highlights exactly what it would over the page before, so skipping such
//   passes changes neither the highlights nor the anchor numbers.
// - The expansion's terms are walked depth first over the query's positions, each position's
//   variants in table order; that visits the terms in the order in which the combinations of
//   the expansion first name them. A walk state (position, term so far) met a second time can
//   only name terms already named, so it is not walked again.
// - A term whose prefix cannot be found in the highlighted cell is given up with all its
//   continuations. Highlight markup is ASCII and never removes bytes, so a run of non-ASCII
//   bytes that the cell does not hold never appears in it later. Where a prefix fails only on
//   the distances its '?' demand, markup added later could still make them fit; that failure
//   is final only once no later term of the query is left to be highlighted first.
//
// Budgets on the walk and on the passes keep any query within bounded time and memory. Only a
// query with '*' can have more matching forms than they allow (each '*' lets the forms of its
// neighbours combine anywhere in a paragraph); past them further terms are not highlighted.

#include "store/variantrender.h"

#include "store/pagemarkup.h"
#include "store/pagerender.h"
#include "text/codeconverter.h"
#include "text/querysyntax.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <set>
#include <string_view>
#include <tuple>
#include <unordered_map>

namespace varo {

namespace {

// Budgets. The walk's own work is counted in steps plus the characters of the terms it builds;
// the checks against the cell in the bytes of cell they search; the highlighting passes in
// passes and in the bytes of page they process (render::kMaxPassBytes). A query of four
// characters with four forms each names at most 512 distinct terms, so such a query renders in
// full on any ordinary page.
constexpr uint64_t kMaxWalkWork = uint64_t{4} << 20;
constexpr uint64_t kMaxSearchedBytes = uint64_t{256} << 20;
constexpr int kMaxPasses = 4096;

bool IsAscii(char16_t unit)
{
    return unit < 0x80;
}

// Whether a character occurs in the markup a pass writes into the cell: the highlight and the
// anchor around a hit, and the annotation tags put back around every annotation.
bool IsMarkupCharacter(char16_t unit)
{
    if (!IsAscii(unit))
        return false;
    const char c = static_cast<char>(unit);
    if (c >= '0' && c <= '9')  // the anchor numbers
        return true;
    for (std::string_view markup :
         {kAnchorStart, kAnchorEnd, kHighlightStart, kHighlightEnd, kAnnotationStart, kAnnotationEnd})
        if (markup.find(c) != std::string_view::npos)
            return true;
    return false;
}

// Whether haystack holds one '*'-free run of a term: its stretches of bytes at the distances
// the '?' between them demand (kWildcardCharBytes each). '?' before the first stretch
// or after the last has no effect on matching.
bool Places(std::string_view haystack, std::string_view run)
{
    struct Stretch {
        size_t offset;
        std::string_view bytes;
    };
    std::vector<Stretch> stretches;
    size_t offset = 0;
    for (size_t i = 0; i < run.size();) {
        if (run[i] == '?') {
            if (!stretches.empty())
                offset += kWildcardCharBytes;
            ++i;
            continue;
        }
        const size_t end = std::min(run.find('?', i), run.size());
        stretches.push_back({offset, run.substr(i, end - i)});
        offset += end - i;
        i = end;
    }
    if (stretches.empty())
        return true;
    const std::string_view first = stretches.front().bytes;
    for (size_t at = render::FindBytes(haystack, first, 0); at != std::string_view::npos;
         at = render::FindBytes(haystack, first, at + 1)) {
        const bool fits = std::all_of(stretches.begin() + 1, stretches.end(), [&](const Stretch& stretch) {
            return haystack.substr(std::min(at + stretch.offset, haystack.size())).starts_with(stretch.bytes);
        });
        if (fits)
            return true;
    }
    return false;
}

// Cuts a term at its '*' and calls take(run) for every run.
template <typename Take>
bool AllRuns(std::string_view term, Take take)
{
    size_t start = 0;
    while (start <= term.size()) {
        const size_t end = std::min(term.find('*', start), term.size());
        if (!take(term.substr(start, end - start)))
            return false;
        start = end + 1;
    }
    return true;
}

// The highlighting side of the walk: the page as marked up so far and the terms named so far.
class VariantHighlighter {
public:
    VariantHighlighter(std::string page, int cell, int target, std::vector<AnchorPassTag>* passes)
        : m_page(std::move(page)), m_cell(cell), m_target(target), m_passLog(passes)
    {}

    /// Whether the highlighted cell holds bytes (a run of non-ASCII bytes of a term, which
    /// once missing stays missing).
    bool CellHolds(std::string_view bytes) { return render::FindBytes(CellText(), bytes, 0) != std::string_view::npos; }

    /// Whether the highlighted cell holds a '*'-free run of a term as its '?' demand.
    bool CellPlaces(std::string_view run) { return Places(CellText(), run); }

    /// A complete term of the expansion, in the order the expansion names it.
    void Offer(std::u16string_view term)
    {
        m_anyTerm = true;
        std::string utf8 = CCodeConverter::Utf16ToUtf8(term);
        if (!m_named.insert(utf8).second)
            return;
        if (CouldMatch(utf8))
            Pass(utf8);
        else
            m_skippedSinceLastPass = true;
    }

    /// A complete term that the walk knows cannot match.
    void SkipUnmatchable()
    {
        m_anyTerm = true;
        m_skippedSinceLastPass = true;
    }

    bool Exhausted() const
    {
        return m_passes >= kMaxPasses || m_passBytes > render::kMaxPassBytes || m_searchedBytes > kMaxSearchedBytes;
    }

    int Finish(std::string& output)
    {
        if (!m_anyTerm)
            return 0;
        // Every term of the expansion takes a pass, even one that matches nothing: such a pass
        // re-emits the page in the template. A page already re-emitted comes out the same,
        // unless the last highlight cut through a tag so that it parses differently now: any
        // literal that stands inside a tag does that, since the markup closes the tag early.
        // Re-emitting once more gives a page that further empty passes leave as it is.
        if (m_passes == 0 || m_skippedSinceLastPass)
            Pass({});
        output = std::move(m_page);
        return m_counter;
    }

private:
    // A term can match only when it has a literal and the cell holds each of its runs.
    bool CouldMatch(std::string_view term)
    {
        return term.find_first_not_of("*?") != std::string_view::npos &&
               AllRuns(term, [this](std::string_view run) { return CellPlaces(run); });
    }

    // The text of the highlighted cell of the page as it stands, for one search through it.
    const std::string& CellText()
    {
        if (m_cellStale) {
            std::vector<std::unique_ptr<HTMLNode>> nodes;
            render::ParseNodes(m_page, nodes);
            m_cellText = nodes[m_cell % 2 == 0 ? 1 : 2]->GetText();
            m_cellStale = false;
        }
        m_searchedBytes += m_cellText.size();
        return m_cellText;
    }

    // An empty term renders no highlight: the pass only re-emits the page.
    void Pass(std::string_view term)
    {
        ++m_passes;
        m_passBytes += m_page.size();
        std::string output;
        const int firstAnchor = m_counter;
        render::RenderTerm(m_page, output, term, m_cell, m_target, m_counter);
        LogPass(term, firstAnchor, m_counter, m_passLog);
        m_page = std::move(output);
        m_cellStale = true;
        m_skippedSinceLastPass = false;
    }

    std::string m_page;
    int m_cell;
    int m_target;
    std::vector<AnchorPassTag>* m_passLog;
    int m_counter = 0;
    std::string m_cellText;
    bool m_cellStale = true;
    std::set<std::string> m_named;
    bool m_anyTerm = false;
    bool m_skippedSinceLastPass = false;
    int m_passes = 0;
    uint64_t m_passBytes = 0;
    uint64_t m_searchedBytes = 0;
};

// The depth-first walk over the expansion's terms. Terms under construction are nodes of a
// trie, so that a long query costs memory in proportion to the distinct prefixes it visits.
class VariantTermWalk {
public:
    explicit VariantTermWalk(const QueryAlternatives& alternatives) : m_alternatives(alternatives)
    {
        for (size_t position = 0; position + 1 < m_alternatives.size(); ++position)
            if (std::any_of(m_alternatives[position].begin(), m_alternatives[position].end(), IsTermSeparator))
                m_termStartsAhead.insert(position + 1);
        m_nodes.push_back({kNoNode, u'\0', 0, 0, false});
    }

    void Run(VariantHighlighter& highlighter)
    {
        Enter({0, false, kRoot}, highlighter);
        while (!m_stack.empty() && !highlighter.Exhausted() && m_work <= kMaxWalkWork) {
            Frame& top = m_stack.back();
            const std::vector<char16_t>& alternatives = m_alternatives[top.state.position];
            if (top.next == alternatives.size()) {
                m_stack.pop_back();
                continue;
            }
            const char16_t unit = alternatives[top.next++];
            ++m_work;
            Enter(Advance(top.state, unit, highlighter), highlighter);
        }
    }

private:
    static constexpr uint32_t kNoNode = UINT32_MAX;
    static constexpr uint32_t kRoot = 0;

    // A term under construction: parent prefix, last unit, how many of its last units are
    // non-ASCII (a run a match needs in one piece) and follow the last '*', and whether those
    // after the last '*' include a character of the markup.
    struct Node {
        uint32_t parent;
        char16_t unit;
        uint32_t wideRunLength;
        uint32_t starRunLength;
        bool markupInStarRun;
    };

    // Where the walk stands: the next query position and the term being built there, or dead
    // when that term cannot match and nothing will be highlighted before its continuations.
    struct State {
        size_t position;
        bool dead;
        uint32_t term;
    };

    struct Frame {
        State state;
        size_t next = 0;
    };

    State Advance(const State& state, char16_t unit, VariantHighlighter& highlighter)
    {
        const size_t next = state.position + 1;
        if (IsTermSeparator(unit)) {
            Complete(state, highlighter);
            return {next, false, kRoot};
        }
        if (state.dead)
            return {next, true, kRoot};
        const uint32_t term = Extend(state.term, unit);
        const Node& node = m_nodes[term];
        if (!highlighter.CellHolds(Utf8Tail(term, node.wideRunLength)))
            return {next, true, kRoot};
        // Terms that start further on are walked, and may be highlighted, before the other
        // continuations of this one: their markup could still make the distances fit. A
        // character of the markup itself can appear at any later pass ("0" after the first
        // anchor), so a run holding one is never given up.
        const bool laterTermsWalked = m_termStartsAhead.upper_bound(state.position + 1) == m_termStartsAhead.end();
        if (laterTermsWalked && node.starRunLength > node.wideRunLength && !node.markupInStarRun &&
            !highlighter.CellPlaces(Utf8Tail(term, node.starRunLength)))
            return {next, true, kRoot};
        return {next, false, term};
    }

    void Enter(const State& state, VariantHighlighter& highlighter)
    {
        if (state.position == m_alternatives.size()) {
            Complete(state, highlighter);
            return;
        }
        if (!m_visited.emplace(state.position, state.dead, state.term).second)
            return;
        if (!state.dead && state.term == kRoot)
            m_termStartsAhead.erase(state.position);
        m_stack.push_back({state});
    }

    void Complete(const State& state, VariantHighlighter& highlighter)
    {
        if (state.dead)
            highlighter.SkipUnmatchable();
        else if (state.term != kRoot)
            highlighter.Offer(Tail(state.term, UINT32_MAX));
    }

    uint32_t Extend(uint32_t parent, char16_t unit)
    {
        const uint64_t key = uint64_t{parent} << 16 | unit;
        const auto found = m_children.find(key);
        if (found != m_children.end())
            return found->second;
        const Node& above = m_nodes[parent];
        const Node node{parent, unit, IsAscii(unit) ? 0 : above.wideRunLength + 1,
                        unit == u'*' ? 0 : above.starRunLength + 1,
                        unit != u'*' && (above.markupInStarRun || IsMarkupCharacter(unit))};
        const auto index = static_cast<uint32_t>(m_nodes.size());
        m_nodes.push_back(node);
        m_children.emplace(key, index);
        return index;
    }

    // The last units of a term, at most limit of them.
    std::u16string Tail(uint32_t node, uint32_t limit)
    {
        std::u16string text;
        for (; node != kRoot && text.size() < limit; node = m_nodes[node].parent)
            text += m_nodes[node].unit;
        m_work += text.size();
        return {text.rbegin(), text.rend()};
    }

    // The same as UTF-8. A high surrogate at the end is left out: the character it starts is
    // not known yet.
    std::string Utf8Tail(uint32_t node, uint32_t limit) { return CCodeConverter::Utf16ToUtf8(Tail(node, limit)); }

    const QueryAlternatives& m_alternatives;
    std::vector<Node> m_nodes;
    std::unordered_map<uint64_t, uint32_t> m_children;
    std::set<std::tuple<size_t, bool, uint32_t>> m_visited;
    // Positions where a term can start (after a separator) that the walk has not yet entered.
    std::set<size_t> m_termStartsAhead;
    std::vector<Frame> m_stack;
    uint64_t m_work = 0;
};

}  // namespace

int RenderVariantPage(std::string page, int cell, int target, const QueryAlternatives& alternatives,
                      std::string& output, std::vector<AnchorPassTag>* passes)
{
    VariantHighlighter highlighter(std::move(page), cell, target, passes);
    VariantTermWalk(alternatives).Run(highlighter);
    return highlighter.Finish(output);
}

}  // namespace varo
