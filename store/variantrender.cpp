// Rendering a page for the variant forms of a query. Rendering the variant expansion literally
// (every combination of variants, joined into one query) costs the product of the group sizes
// over the query: 30 characters with 3 forms each would never finish. The joined render passes
// every distinct term once, in the order the expansion first names it, each pass highlighting
// the page as the passes before it left it. The same document comes out of this:
//
// - The expansion's terms are walked depth first over the query's positions, each position's
//   distinct variants in table order; that visits the terms in the order in which the
//   combinations of the expansion first name them. Prefixes are nodes of a trie, so a term
//   named twice is known as such.
// - A term that cannot match the page as it stands is not passed: such a pass only re-emits the
//   page in the template, and the next pass over a re-emitted page highlights exactly what it
//   would over the page before. At the end, the page is re-emitted once more where the joined
//   render's last pass is such a pass and the page's last highlight cut a tag open (which makes
//   the page parse differently).
// - A prefix is given up with all its continuations only when none of them can match at any
//   later pass either. A pass only adds its markup to the cell, so a byte the markup never
//   holds (every non-ASCII byte, and ASCII such as "x" or "?") stays where it was: a stretch
//   of such bytes that the cell lacks stays missing, and two of them that '?' or other
//   characters of the term keep a fixed distance apart stand at most that distance apart in
//   the cell now. '?', '*' and the characters of the markup may match what later markup
//   brings, so they never rule a term out. A cell that hides a tag the page is cut at inside
//   another tag can lose or gain text when a highlight cuts that tag open; no prefix is given
//   up there.
//
// One budget of work bounds every render, and the passes are bounded as the joined render's
// are. Queries whose forms the page mostly lacks, as a reader's are, render in full; a render
// stops early only for terms that may match through the markup or keep matching ('*' between
// characters of many forms). A render that stops is the joined render cut after its first
// terms: every term before the stop is highlighted as the joined render highlights it, and no
// term after it.

#include "store/variantrender.h"

#include "store/pagemarkup.h"
#include "store/pagerender.h"
#include "text/codeconverter.h"
#include "text/querysyntax.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_set>

namespace varo {

namespace {

// The budget of one render, in units of about a nanosecond of work: a byte searched counts 1, a
// place where a check finds a stretch kPlacementWork, a byte a pass reads or writes
// kPassByteWork, a step of the walk kStepWork, a term named for the first time kTermWork and its
// bytes. It keeps one render of any query over any table to some tens of milliseconds beyond
// the pass that every render makes. Pages of the collections hold 2 to 3 KB, where the queries
// a reader types (phrases of up to thirty characters, several terms, '?' and '*') take less
// than a hundredth of it. Passes are bounded as the joined render bounds them as well
// (render::kMaxPassBytes, render::kMaxPassGrowth), and its first term is always highlighted, as
// there.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
// The fuzz targets render with a 64th of it, as with a 64th of the pass budgets
// (render::kMaxPassBytes): an input that spends the budget costs a 64th of the time, and a
// render still reaches every way of stopping.
constexpr uint64_t kMaxWork = uint64_t{1} << 20;
#else
constexpr uint64_t kMaxWork = uint64_t{64} << 20;
#endif
constexpr uint64_t kPassByteWork = 4;
constexpr uint64_t kStepWork = 1024;
constexpr uint64_t kTermWork = 1024;
constexpr uint64_t kPlacementWork = 32;

// A prefix is checked over its last units only: a check over a part of a term is weaker, never
// wrong, and the earlier units were checked when the walk added them.
constexpr size_t kCheckedUnits = 48;

// A check that would have to follow more placements than this through the cell answers that
// the run may occur: weaker, never wrong, and bounded in memory.
constexpr size_t kMaxPlacements = size_t{1} << 16;

// Expansions of at most this many UTF-16 units, on pages of at most kLiteralPageBytes, are
// rendered literally when the walk cannot tell whether its last pass is followed by a
// re-emission (see VariantPasses::Finish).
constexpr uint64_t kLiteralUnits = uint64_t{1} << 16;
constexpr size_t kLiteralPageBytes = size_t{1} << 20;

// The bytes a pass can write into the highlighted cell: the highlight and anchor around a hit
// with the anchor's number, and the annotation tags it puts back around every annotation.
class MarkupBytes {
public:
    MarkupBytes()
    {
        for (char digit = '0'; digit <= '9'; ++digit)
            m_bytes[static_cast<unsigned char>(digit)] = true;
        for (std::string_view markup :
             {kAnchorStart, kAnchorEnd, kHighlightStart, kHighlightEnd, kAnnotationStart, kAnnotationEnd})
            for (char c : markup)
                m_bytes[static_cast<unsigned char>(c)] = true;
    }

    bool Holds(char c) const { return m_bytes[static_cast<unsigned char>(c)]; }

private:
    std::array<bool, 256> m_bytes{};
};

// The shortest piece of markup a pass writes: between two bytes of the page, passes put
// nothing or at least this many bytes.
const size_t kShortestMarkup = std::min({kHighlightEnd.size(), kHighlightStart.size(), AnchorTag(0).size(),
                                         kAnnotationStart.size(), kAnnotationEnd.size()});

// A byte of a term that can only match a byte the page had before any pass.
bool IsFixedByte(char c)
{
    static const MarkupBytes markup;
    return c != '?' && !markup.Holds(c);
}

// The work one render may do.
class WorkBudget {
public:
    void Spend(uint64_t work) { m_spent += work; }
    bool Exhausted() const { return m_spent > kMaxWork; }

private:
    uint64_t m_spent = 0;
};

// The checks of a term's '*'-free runs against the highlighted cell. A run is cut into stretches
// of bytes and the exact distances between them; the buffers are kept from check to check.
class CellChecks {
public:
    explicit CellChecks(WorkBudget& budget) : m_budget(budget) {}

    /// Whether a run can match in the cell after any number of further passes: its stretches of
    /// fixed bytes occur in the cell now, each next one its distance after the one before or
    /// closer by room for markup (later passes can only add whole markup between them). A check
    /// that the budget or kMaxPlacements cuts short answers true.
    bool MayEverPlace(std::string_view cell, std::string_view run)
    {
        Cut(run, IsFixedByte);
        m_ends.clear();
        for (size_t k = 0; k < m_stretches.size(); ++k) {
            if (m_budget.Exhausted())
                return true;
            const Stretch& stretch = m_stretches[k];
            // Of the last stretch one placement is enough.
            const bool last = k + 1 == m_stretches.size();
            m_budget.Spend(cell.size());
            m_nextEnds.clear();
            size_t before = 0;  // m_ends[before - 1] is the last end at or before the occurrence
            for (size_t at = render::FindBytes(cell, stretch.bytes, 0); at != std::string_view::npos;
                 at = render::FindBytes(cell, stretch.bytes, at + 1)) {
                m_budget.Spend(kPlacementWork);
                if (k > 0) {
                    while (before < m_ends.size() && m_ends[before] <= at)
                        ++before;
                    if (!Follows(at, before, stretch.distance))
                        continue;
                }
                if (last)
                    return true;
                if (m_nextEnds.size() == kMaxPlacements)
                    return true;
                m_nextEnds.push_back(at + stretch.bytes.size());
            }
            if (m_nextEnds.empty())
                return false;
            m_ends.swap(m_nextEnds);
        }
        return true;
    }

    /// Whether the cell as it stands holds a run: its literals at the exact distances the '?'
    /// between them demand.
    bool Places(std::string_view cell, std::string_view run)
    {
        Cut(run, [](char c) { return c != '?'; });
        if (m_stretches.empty())
            return true;
        m_budget.Spend(cell.size());
        const std::string_view first = m_stretches.front().bytes;
        for (size_t at = render::FindBytes(cell, first, 0); at != std::string_view::npos;
             at = render::FindBytes(cell, first, at + 1)) {
            size_t end = at + first.size(), compared = kPlacementWork;
            bool fits = true;
            for (size_t k = 1; k < m_stretches.size() && fits; ++k) {
                const Stretch& stretch = m_stretches[k];
                compared += stretch.bytes.size();
                const size_t start = end + stretch.distance;
                fits = start <= cell.size() && cell.substr(start).starts_with(stretch.bytes);
                end = start + stretch.bytes.size();
            }
            m_budget.Spend(compared);
            if (fits)
                return true;
        }
        return false;
    }

private:
    // Whether a placement of the stretch before ends at at - distance exactly, or early enough
    // that whole markup fits into the rest (m_ends[0 .. before) are the ends at or before at).
    bool Follows(size_t at, size_t before, size_t distance) const
    {
        if (before == 0)
            return false;
        const size_t last = m_ends[before - 1];
        if (distance >= kShortestMarkup && at - last <= distance - kShortestMarkup)
            return true;
        return at >= distance && std::binary_search(m_ends.begin(), m_ends.begin() + before, at - distance);
    }

    // A stretch and its distance from the end of the stretch before it.
    struct Stretch {
        std::string_view bytes;
        size_t distance;
    };

    // Cuts a run into the stretches of bytes that keep: the bytes between them count one each,
    // a '?' kWildcardCharBytes. Before the first stretch nothing counts: '?' there, as after
    // the last, has no effect on matching.
    template <typename Keeps>
    void Cut(std::string_view run, Keeps keeps)
    {
        m_stretches.clear();
        size_t distance = 0;
        for (size_t i = 0; i < run.size();) {
            if (!keeps(run[i])) {
                if (!m_stretches.empty())
                    distance += run[i] == '?' ? kWildcardCharBytes : 1;
                ++i;
                continue;
            }
            size_t end = i;
            while (end < run.size() && keeps(run[end]))
                ++end;
            m_stretches.push_back({run.substr(i, end - i), distance});
            distance = 0;
            i = end;
        }
    }

    WorkBudget& m_budget;
    std::vector<Stretch> m_stretches;
    std::vector<size_t> m_ends, m_nextEnds;  // where placements so far end, ascending
};

// The highlighting side of the walk: the page as the passes so far left it, and whether terms
// were named after the last pass. It passes exactly the terms the joined render would find a
// match for, in the same order; the joined render's other passes only re-emit the page.
class VariantPasses {
public:
    VariantPasses(std::string page, int cell, int target, WorkBudget& budget, std::vector<AnchorPassTag>* passLog)
        : m_page(std::move(page)), m_cell(cell), m_target(target), m_budget(budget), m_checks(budget),
          m_passLog(passLog)
    {
        m_canGiveUp = !render::HidesPageTags(CellText());
    }

    /// Whether the walk may give up a prefix whose continuations cannot match now: only where
    /// passes never take text out of the cell or bring text into it.
    bool CanGiveUp() const { return m_canGiveUp; }

    /// Whether a '*'-free run of a term can match at this pass or any later one.
    bool MayEverPlace(std::string_view run) { return m_checks.MayEverPlace(CellText(), run); }

    bool AnyTerm() const { return m_anyTerm; }

    /// Whether passes stopped before the expansion's end: the budget ran out, or the passes
    /// reached the joined render's own limits.
    bool Stopped() const { return m_stopped; }

    /// A term of the expansion named again: nothing to do but note that terms exist.
    void NameAgain() { m_anyTerm = true; }

    /// A term the expansion names for the first time, as UTF-8: its pass. The first term is
    /// always highlighted; a later one only within the budget.
    void Offer(std::string_view term)
    {
        const bool first = !m_anyOffered;
        m_anyTerm = m_anyOffered = true;
        if (m_stopped)
            return;
        const bool couldMatch = CouldMatch(term);
        if (!first && m_budget.Exhausted())
            m_stopped = true;
        else if (couldMatch)
            Pass(term, first);
        else
            m_namedSinceLastPass = true;
    }

    /// Terms of the expansion that cannot match now or later. certainlyNew: none of them was
    /// named before (else some may have been).
    void GiveUp(bool certainlyNew)
    {
        m_anyTerm = true;
        (certainlyNew ? m_namedSinceLastPass : m_maybeNamedSinceLastPass) = true;
    }

    /// The document into output, and the anchors written; output is left alone when the
    /// expansion names no term. complete: the walk named every term, and stays so when every
    /// pass came through whole and the end of the document is known.
    int Finish(bool& complete, const std::string& original, const QueryAlternatives& alternatives, std::string& output)
    {
        if (!m_anyTerm)
            return 0;
        complete = complete && !m_stopped;
        // The first term always has a pass, and every term named after the last pass re-emits
        // the page. Re-emitting changes a page only when its last highlight cut a tag open, so
        // that it parses differently now; once re-emitted it stays as it is. A render that
        // stopped ends with its last pass: the joined render's page after that pass's term.
        if (m_passes == 0) {
            Pass({}, true);
        } else if (!m_reemitted && complete) {
            if (m_namedSinceLastPass)
                Pass({}, true);
            else if (m_maybeNamedSinceLastPass)
                return RenderLiterally(original, alternatives, complete, output);
        }
        output = std::move(m_page);
        return m_counter;
    }

private:
    // A term can match only when it has a literal and the cell holds each of its runs.
    bool CouldMatch(std::string_view term)
    {
        if (term.find_first_not_of("*?") == std::string_view::npos)
            return false;
        size_t start = 0;
        while (start <= term.size()) {
            const size_t end = std::min(term.find('*', start), term.size());
            if (!m_checks.Places(CellText(), term.substr(start, end - start)))
                return false;
            start = end + 1;
        }
        return true;
    }

    // The text of the highlighted cell of the page as it stands, for one search through it.
    const std::string& CellText()
    {
        if (m_cellStale) {
            m_parsed.clear();
            render::ParseNodes(m_page, m_parsed);
            m_cellStale = false;
            m_budget.Spend(kPassByteWork * m_page.size());
        }
        return m_parsed[m_cell % 2 == 0 ? 1 : 2]->GetText();
    }

    // One pass, as the joined render makes it: past render::kMaxPassBytes no further term is
    // highlighted, nor after a pass that reached render::kMaxPassGrowth. An empty term renders
    // no highlight: the pass only re-emits the page.
    void Pass(std::string_view term, bool always)
    {
        if (!always && m_passBytes + m_page.size() > render::kMaxPassBytes) {
            m_stopped = true;
            return;
        }
        ++m_passes;
        m_passBytes += m_page.size();
        // The page before the pass becomes the next pass's buffer: its room is reused.
        m_spare.clear();
        render::PassWatch watch;
        const int firstAnchor = m_counter;
        render::RenderTerm(m_page, m_spare, term, m_cell, m_target, m_counter, &watch);
        LogPass(term, firstAnchor, m_counter, m_passLog);
        m_budget.Spend(kPassByteWork * (m_page.size() + m_spare.size()));
        m_page.swap(m_spare);
        m_cellStale = true;
        m_reemitted = !watch.cutTag;
        m_stopped = m_stopped || watch.cutShort;
        m_namedSinceLastPass = false;
        m_maybeNamedSinceLastPass = false;
    }

    // Whether the joined render ends with a re-emission depends on whether terms the walk gave
    // up were named before; the joined render itself says, when the expansion is short enough.
    int RenderLiterally(const std::string& original, const QueryAlternatives& alternatives, bool& complete,
                        std::string& output)
    {
        uint64_t units = 0, forms = 1;
        for (const auto& position : alternatives) {
            forms = std::min(forms * position.size(), kLiteralUnits + 1);
            // The longest spelling at the position: one unit, or two beyond the basic plane.
            const bool pair = std::any_of(position.begin(), position.end(), [](char32_t c) { return c > 0xFFFF; });
            units = std::min(units + (pair ? 2 : 1), kLiteralUnits + 1);
        }
        if (forms * (units + 1) > kLiteralUnits || original.empty()) {
            complete = false;
            output = std::move(m_page);
            return m_counter;
        }
        std::u16string joined;
        std::vector<size_t> choice(alternatives.size(), 0);
        for (bool more = true; more;) {
            if (!joined.empty())
                joined += u' ';
            for (size_t i = 0; i < alternatives.size(); ++i)
                CCodeConverter::AppendUtf16(joined, alternatives[i][choice[i]]);
            more = false;
            for (size_t position = alternatives.size(); position > 0 && !more; --position) {
                more = ++choice[position - 1] < alternatives[position - 1].size();
                if (!more)
                    choice[position - 1] = 0;
            }
        }
        // The joined render's own passes replace those made so far.
        if (m_passLog != nullptr)
            m_passLog->clear();
        return render::RenderQuery(original, m_cell, m_target, joined, output, &complete, m_passLog);
    }

    std::string m_page;
    std::string m_spare;  // the buffer the next pass writes into
    int m_cell;
    int m_target;
    WorkBudget& m_budget;
    CellChecks m_checks;
    std::vector<AnchorPassTag>* m_passLog;
    bool m_canGiveUp = false;
    int m_counter = 0;
    std::vector<std::unique_ptr<HTMLNode>> m_parsed;  // the page as it stands, parsed
    bool m_cellStale = true;
    bool m_anyTerm = false;
    bool m_anyOffered = false;
    bool m_stopped = false;
    int m_passes = 0;
    uint64_t m_passBytes = 0;
    // Whether the page as it stands is its own re-emission: no highlight of the last pass cut
    // a tag open (the stored page itself has not been through the template yet).
    bool m_reemitted = false;
    // Terms named after the last pass: certainly new ones, or ones the walk gave up that may
    // have been named before.
    bool m_namedSinceLastPass = false;
    bool m_maybeNamedSinceLastPass = false;
};

// The children of the trie's nodes: (parent node, unit) to node, in one open-addressed table, so
// that adding a node costs no allocation of its own.
class ChildTable {
public:
    ChildTable() : m_slots(1024, kEmpty) {}

    /// The node of (parent, unit), or kNone.
    uint32_t Find(uint32_t parent, char16_t unit) const
    {
        const uint64_t key = Key(parent, unit);
        for (size_t i = Home(key);; i = (i + 1) & (m_slots.size() - 1)) {
            if (m_slots[i].key == key)
                return m_slots[i].node;
            if (m_slots[i].key == kEmptyKey)
                return kNone;
        }
    }

    void Add(uint32_t parent, char16_t unit, uint32_t node)
    {
        if (2 * (m_count + 1) > m_slots.size())
            Grow();
        Place({Key(parent, unit), node});
        ++m_count;
    }

    static constexpr uint32_t kNone = UINT32_MAX;

private:
    struct Slot {
        uint64_t key;
        uint32_t node;
    };
    static constexpr uint64_t kEmptyKey = UINT64_MAX;
    static constexpr Slot kEmpty = {kEmptyKey, kNone};

    static uint64_t Key(uint32_t parent, char16_t unit) { return uint64_t{parent} << 16 | unit; }
    size_t Home(uint64_t key) const
    {
        return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & (m_slots.size() - 1);
    }

    void Place(const Slot& slot)
    {
        size_t i = Home(slot.key);
        while (m_slots[i].key != kEmptyKey)
            i = (i + 1) & (m_slots.size() - 1);
        m_slots[i] = slot;
    }

    void Grow()
    {
        std::vector<Slot> old(m_slots.size() * 2, kEmpty);
        old.swap(m_slots);
        for (const Slot& slot : old)
            if (slot.key != kEmptyKey)
                Place(slot);
    }

    std::vector<Slot> m_slots;
    size_t m_count = 0;
};

// The depth-first walk over the expansion's terms. Terms under construction are nodes of a
// trie, so that a long query costs memory in proportion to the distinct prefixes it visits.
class VariantTermWalk {
public:
    VariantTermWalk(const QueryAlternatives& alternatives, WorkBudget& budget)
        : m_alternatives(alternatives), m_budget(budget), m_entered(alternatives.size(), 0)
    {
        m_nodes.push_back({kNoNode, u'\0', 0, false});
    }

    /// Walks until every term is named or the budget is spent; true when every term was named.
    bool Run(VariantPasses& passes)
    {
        Enter({0, kRoot, Kind::kLive}, passes);
        while (!m_stack.empty()) {
            if (m_budget.Exhausted() || passes.Stopped())
                return false;
            Frame& top = m_stack.back();
            const std::vector<char32_t>& alternatives = m_alternatives[top.state.position];
            if (top.next == alternatives.size()) {
                m_stack.pop_back();
                continue;
            }
            const char32_t character = alternatives[top.next++];
            m_budget.Spend(kStepWork);
            Enter(Advance(top.state, character, passes), passes);
        }
        return true;
    }

private:
    static constexpr uint32_t kNoNode = UINT32_MAX;
    static constexpr uint32_t kRoot = 0;

    // A term under construction: parent prefix, last unit, how many of its last units follow
    // the last '*' (at most kCheckedUnits + 1 are counted), and whether the walk named it as a
    // complete term.
    struct Node {
        uint32_t parent;
        char16_t unit;
        uint32_t runLength;
        bool named = false;
    };

    // A live state builds a term; a given-up one only walks on to the terms that start after
    // it. A prefix given up the first time the walk spells it has no continuation named before;
    // one spelt before may have.
    enum class Kind : uint8_t { kLive, kGivenUpNew, kGivenUpSpelt };

    // Where the walk stands: the next query position and the term being built there.
    struct State {
        size_t position;
        uint32_t term;
        Kind kind;
    };

    struct Frame {
        State state;
        size_t next = 0;
    };

    State Advance(const State& state, char32_t character, VariantPasses& passes)
    {
        const size_t next = state.position + 1;
        if (character <= 0xFFFF && IsTermSeparator(static_cast<char16_t>(character))) {
            Complete(state, passes);
            return {next, kRoot, Kind::kLive};
        }
        if (state.kind != Kind::kLive)
            return {next, kRoot, state.kind};
        // The trie spells terms in UTF-16 units, as the joined query holds them: a character
        // beyond the basic plane adds both units of its surrogate pair.
        m_spelling.clear();
        CCodeConverter::AppendUtf16(m_spelling, character);
        bool spelt = true;
        uint32_t term = state.term;
        for (char16_t unit : m_spelling)
            term = Extend(term, unit, spelt);
        // Only a character of fixed bytes adds to what the cell must hold; the prefix before it
        // may still match, or the walk would not have come here.
        const bool addsFixedBytes = character >= 0x80 || IsFixedByte(static_cast<char>(character));
        if (addsFixedBytes && passes.CanGiveUp() && !passes.MayEverPlace(Utf8Tail(term)))
            return {next, kRoot, spelt ? Kind::kGivenUpSpelt : Kind::kGivenUpNew};
        return {next, term, Kind::kLive};
    }

    // Whether the walk meets a state for the first time. A state that builds a term is met only
    // once: its prefix was met once, and a position's alternatives are all different.
    bool FirstVisit(const State& state)
    {
        uint8_t bit = 0;
        if (state.kind != Kind::kLive)
            bit = state.kind == Kind::kGivenUpNew ? 2 : 4;
        else if (state.term == kRoot)
            bit = 1;
        else
            return true;
        uint8_t& entered = m_entered[state.position];
        const bool first = (entered & bit) == 0;
        entered |= bit;
        return first;
    }

    void Enter(const State& state, VariantPasses& passes)
    {
        if (state.position == m_alternatives.size()) {
            Complete(state, passes);
            return;
        }
        if (!FirstVisit(state)) {
            // The walk from here named its terms the first time, but the prefix given up now
            // stands for terms of its own, named now.
            if (state.kind != Kind::kLive)
                passes.GiveUp(state.kind == Kind::kGivenUpNew);
            return;
        }
        m_stack.push_back({state});
    }

    void Complete(const State& state, VariantPasses& passes)
    {
        if (state.kind != Kind::kLive)
            passes.GiveUp(state.kind == Kind::kGivenUpNew);
        else if (state.term != kRoot)
            Name(state.term, passes);
    }

    // A complete term: its pass when the expansion names it for the first time. Terms are named
    // by their UTF-8, in which a high surrogate that ends a term is left out, so such a term is
    // the same as its prefix.
    void Name(uint32_t term, VariantPasses& passes)
    {
        const char16_t last = m_nodes[term].unit;
        Node& named = m_nodes[last >= 0xD800 && last <= 0xDBFF ? m_nodes[term].parent : term];
        if (named.named) {
            passes.NameAgain();
            return;
        }
        named.named = true;
        const std::string_view utf8 = Utf8Of(term, UINT32_MAX, false);
        m_budget.Spend(kTermWork + utf8.size());
        passes.Offer(utf8);
    }

    // The node of parent followed by unit; spelt tells whether the walk had spelt it before.
    uint32_t Extend(uint32_t parent, char16_t unit, bool& spelt)
    {
        const uint32_t found = m_children.Find(parent, unit);
        spelt = found != ChildTable::kNone;
        if (spelt)
            return found;
        const uint32_t runLength =
            unit == u'*' ? 0 : std::min<uint32_t>(m_nodes[parent].runLength + 1, kCheckedUnits + 1);
        const auto index = static_cast<uint32_t>(m_nodes.size());
        m_nodes.push_back({parent, unit, runLength, false});
        m_children.Add(parent, unit, index);
        return index;
    }

    // The last units of a term, at most limit of them, as UTF-8 (in a buffer that the next call
    // reuses). A high surrogate at the end is left out, as when a term is highlighted. With
    // partOfTerm, the units may not be all of the term: a low surrogate at their start whose
    // high surrogate lies before them is left out too.
    std::string_view Utf8Of(uint32_t node, uint32_t limit, bool partOfTerm)
    {
        m_units.clear();
        for (; node != kRoot && m_units.size() < limit; node = m_nodes[node].parent)
            m_units += m_nodes[node].unit;
        std::reverse(m_units.begin(), m_units.end());
        std::u16string_view units = m_units;
        if (partOfTerm && node != kRoot && !units.empty() && units.front() >= 0xDC00 && units.front() <= 0xDFFF)
            units.remove_prefix(1);
        m_utf8.clear();
        CCodeConverter::AppendUtf16AsUtf8(m_utf8, units);
        m_budget.Spend(m_units.size());
        return m_utf8;
    }

    // The units after the term's last '*', at most kCheckedUnits of them, as UTF-8.
    std::string_view Utf8Tail(uint32_t node)
    {
        return Utf8Of(node, std::min<uint32_t>(m_nodes[node].runLength, kCheckedUnits), true);
    }

    const QueryAlternatives& m_alternatives;
    WorkBudget& m_budget;
    std::vector<Node> m_nodes;
    ChildTable m_children;
    // The states that can be met again, at each position: bit 0 a term's start, bits 1 and 2 a
    // given-up prefix of either kind.
    std::vector<uint8_t> m_entered;
    std::vector<Frame> m_stack;
    std::u16string m_units;
    std::u16string m_spelling;
    std::string m_utf8;
};

// The first term of the expansion's first form, or nothing when that form is all blanks.
std::u16string FirstTerm(const QueryAlternatives& alternatives)
{
    std::u16string term;
    for (const auto& position : alternatives) {
        const char32_t character = position.front();
        if (character > 0xFFFF || !IsTermSeparator(static_cast<char16_t>(character)))
            CCodeConverter::AppendUtf16(term, character);
        else if (!term.empty())
            break;
    }
    return term;
}

}  // namespace

int RenderVariantPage(std::string page, int cell, int target, const QueryAlternatives& alternatives,
                      std::string& output, bool* complete, std::vector<AnchorPassTag>* passLog)
{
    if (complete != nullptr)
        *complete = true;
    // A form that repeats an earlier choice at some position names no new term: each
    // position's alternatives are walked once each. A value that is no character has no form.
    QueryAlternatives distinct(alternatives.size());
    std::unordered_set<char32_t> seen;
    for (size_t i = 0; i < alternatives.size(); ++i) {
        seen.clear();
        for (char32_t character : alternatives[i])
            if (character <= kLastCodePoint && seen.insert(character).second)
                distinct[i].push_back(character);
    }
    // A position without alternatives leaves the expansion without forms.
    if (distinct.empty() ||
        std::any_of(distinct.begin(), distinct.end(), [](const auto& characters) { return characters.empty(); }))
        return 0;
    WorkBudget budget;
    // Kept for the rare render that must be made literally, on pages where that is affordable.
    const std::string original = page.size() <= kLiteralPageBytes ? page : std::string();
    VariantPasses passes(std::move(page), cell, target, budget, passLog);
    bool walked = VariantTermWalk(distinct, budget).Run(passes);
    // The joined render always highlights its first term, however long the walk to it.
    if (!walked && !passes.AnyTerm()) {
        const std::u16string first = FirstTerm(distinct);
        if (!first.empty())
            passes.Offer(CCodeConverter::Utf16ToUtf8(first));
    }
    const int anchors = passes.Finish(walked, original, distinct, output);
    if (complete != nullptr)
        *complete = walked;
    return anchors;
}

}  // namespace varo
