// The search of one term: its normal form, one posting-stream cursor per indexed character, the
// walk of the streams page by page with the position passes inside a page (for three or more
// '*' segments a walk over every arrangement of them instead), and the merge of the term's
// pages into the hit set.
//
// Choices where the index format leaves room:
// - Terms of any length are searched whole; nothing is cut at 299 units.
// - A segment without an indexed character (A*??*B, or 中*、 once 、 is dropped) is not checked
//   on its own. Its wildcards keep their term positions, so they count toward the distance
//   between the neighbouring segments, and each '*' it is closed by widens that gap by another
//   300 characters: A*??*B finds B after A with 2 to 602 characters between. Before the first
//   and after the last indexed character such segments impose nothing.
// - A query on a closed index finds nothing: the hit set is emptied and the result is 0.

#include "engine/hitmerge.h"
#include "engine/index.h"
#include "engine/postingcursor.h"
#include "text/codeconverter.h"
#include "text/querysyntax.h"

#include <algorithm>
#include <span>

namespace varo {

namespace {

constexpr uint64_t kGapPerStar = 300;

// Leading '*' dropped, runs of '*' made one, a closing '*' added, and every character without a
// slot of its own removed.
//   u"**中a國" => u"中國*"    u"中*、" => u"中**"    u"*" => u""
std::u16string NormaliseTerm(std::u16string_view term)
{
    const size_t start = term.find_first_not_of(u'*');
    if (start == std::u16string_view::npos)
        return {};
    std::u16string starred;
    starred.reserve(term.size() - start + 1);
    for (char16_t unit : term.substr(start))
        if (unit != u'*' || starred.back() != u'*')
            starred += unit;
    if (starred.back() != u'*')
        starred += u'*';

    std::u16string normalised;
    normalised.reserve(starred.size());
    for (size_t index = 0; index < starred.size();) {
        const size_t begin = index;
        const uint32_t c = CCodeConverter::DecodeUtf16(starred, index);
        if (c == u'*' || c == u'?' || CIndex::GetCharSlot(c) >= 0)
            normalised.append(starred, begin, index - begin);
    }
    return normalised;
}

// The normalised term as the passes use it: one entry per indexed character in term order and
// the segments that hold at least one of them.
struct TermPattern {
    struct Char {
        uint32_t slot = 0;
        uint32_t termPosition = 0;
    };
    struct Segment {
        size_t begin = 0;  // first character of the segment
        size_t end = 0;    // one past its last character
        // Widest distance allowed between the adjusted positions of the previous segment's last
        // character and this segment's first one.
        uint64_t maxGap = 0;
    };
    std::vector<Char> chars;
    std::vector<Segment> segments;
    uint32_t total = 0;  // number of term positions
};

// False when a character of the term occurs nowhere, so the term cannot match.
bool CollectPattern(const CIndex& index, std::u16string_view normalised, bool useVariants, TermPattern& pattern)
{
    uint32_t termPosition = 0;
    uint64_t starsBefore = 0;  // '*' since the last segment that holds a character
    size_t segmentBegin = 0;
    for (size_t i = 0; i < normalised.size();) {
        const uint32_t c = CCodeConverter::DecodeUtf16(normalised, i);
        if (c == u'*') {
            if (pattern.chars.size() > segmentBegin) {
                pattern.segments.push_back({segmentBegin, pattern.chars.size(), starsBefore * kGapPerStar});
                segmentBegin = pattern.chars.size();
                starsBefore = 1;
            } else if (!pattern.segments.empty()) {
                ++starsBefore;
            }
        } else if (IsOneCharWildcard(c)) {
            ++termPosition;
        } else {
            uint32_t slot = static_cast<uint32_t>(CIndex::GetCharSlot(c));
            if (useVariants)
                index.FindVariantSlot(c, slot);
            if (index.m_firstBlock[slot] == kNoBlock)
                return false;
            pattern.chars.push_back({slot, termPosition++});
        }
    }
    pattern.total = termPosition;
    return !pattern.chars.empty();
}

// What the pair files say of a term: a pair of characters that occurs nowhere proves it
// absent; the pages its rare pairs share hold every page it can match.
enum class PairVerdict { Unknown, Absent, Narrowed };

// Only characters of one segment form pairs, at the distance they stand apart in the term:
// neighbours in the neighbour file, two characters with one position between them (白日依山's
// 白 and 依, or 明?月's 明 and 月) in the gap file; a '*' allows any distance, so characters on
// either side of one form no pair. Every pair is looked up before any list is read, so an
// absent pair answers at once; then the lists are intersected shortest first, and a list far
// longer than the pages left is not read at all: the walk verifies those pages anyway.
PairVerdict NarrowByPairs(std::span<PairTable> tables, const TermPattern& pattern, CDWordArray& candidates)
{
    // Decoding a list costs a nanosecond or two a page, checking a candidate in the streams
    // some hundred: a list more than 16 times longer than the candidates left removes too few
    // of them to pay (on ten times the full sample, 白日依山 leaves 依山's 2,160 pages unread
    // once 白?依 and 日依 have left 70 candidates: 15 µs instead of 17).
    constexpr size_t kLongerThanWorthReading = 16;
    std::vector<PairTable::PageList> lists;
    for (const TermPattern::Segment& segment : pattern.segments)
        for (size_t i = segment.begin; i < segment.end; ++i)
            for (size_t j = i + 1; j < segment.end; ++j) {
                const TermPattern::Char& left = pattern.chars[i];
                const TermPattern::Char& right = pattern.chars[j];
                const uint32_t gap = right.termPosition - left.termPosition - 1;
                if (gap >= tables.size())
                    break;
                if (!tables[gap].IsUsable())
                    continue;
                PairTable::PageList list;
                switch (tables[gap].Find(left.slot, right.slot, list)) {
                case PairTable::Lookup::Absent: return PairVerdict::Absent;
                case PairTable::Lookup::Rare: lists.push_back(list); break;
                default: break;
                }
            }
    std::sort(lists.begin(), lists.end(),
              [](const PairTable::PageList& a, const PairTable::PageList& b) { return a.count < b.count; });
    bool narrowed = false;
    std::vector<uint32_t> kept;
    for (const PairTable::PageList& list : lists) {
        if (narrowed && list.count / kLongerThanWorthReading > candidates.size())
            break;
        if (!(narrowed ? PairTable::KeepListed(list, candidates, kept) : PairTable::Decode(list, candidates)))
            continue;
        narrowed = true;
        if (candidates.empty())
            return PairVerdict::Absent;
    }
    return narrowed ? PairVerdict::Narrowed : PairVerdict::Unknown;
}

// Walks the streams of a term's characters in step and runs the position passes on every page
// that all of them list. The rarest stream leads: every other cursor seeks the page it stands
// on, leaping over the entries before it through its stream's skip directory without reading
// their positions, and a cursor that lands further on sends the rarest one ahead in turn.
// Given candidate pages (ascending), only those are looked at.
class TermMatcher {
public:
    TermMatcher(const PostingFile& file, const TermPattern& pattern, const std::vector<uint32_t>& firstBlocks,
                const std::vector<uint32_t>& lastPages, std::vector<const SkipDirectory*> directories)
        : m_pattern(pattern), m_cursors(pattern.chars.size()), m_directories(std::move(directories)),
          m_pos(pattern.chars.size())
    {
        for (size_t i = 0; i < m_cursors.size(); ++i)
            m_cursors[i] = PostingCursor(file, firstBlocks[i], lastPages[i]);
        // Rarest first: fewest entries, by the directory when there is one.
        m_order.resize(m_cursors.size());
        for (size_t i = 0; i < m_order.size(); ++i)
            m_order[i] = i;
        std::stable_sort(m_order.begin(), m_order.end(),
                         [this](size_t a, size_t b) { return EntryCount(a) < EntryCount(b); });
    }

    void FindPages(bool countHits, const CDWordArray* candidates, CDWordArray& pages, CDWordArray& counts);

private:
    struct Pass {
        bool hit = false;
        size_t start = 0;     // first cursor that may advance
        uint64_t target = 0;  // cursors below it advance
    };

    uint32_t EntryCount(size_t cursor) const
    {
        return m_directories[cursor] != nullptr ? m_directories[cursor]->EntryCount() : UINT32_MAX;
    }
    bool Align(uint64_t& n);
    void FindPagesOfOneCharacter(bool countHits, CDWordArray& pages, CDWordArray& counts);
    uint32_t MatchPage(bool countHits);
    uint32_t CountOccurrences();
    uint32_t MatchOneSegment(bool countHits);
    uint32_t MatchTwoSegments(bool countHits);
    Pass CheckPass() const;
    uint32_t MatchArrangements(bool countHits);
    bool FindArrangement(uint64_t from);
    bool SeekOccurrence(const TermPattern::Segment& segment, uint64_t from);
    bool Advance(size_t start, size_t end, uint64_t target);
    uint64_t LargestPos(size_t begin, size_t end) const;

    const TermPattern& m_pattern;
    std::vector<PostingCursor> m_cursors;
    std::vector<const SkipDirectory*> m_directories;  // per cursor, or null
    std::vector<size_t> m_order;                      // cursors, rarest first
    // Candidate pages (ascending) and the first one not yet passed; null means every page.
    const CDWordArray* m_candidates = nullptr;
    size_t m_nextCandidate = 0;
    // Adjusted positions: a character's position in the page plus the term positions after it,
    // so the characters of one segment that stand as far apart as in the term share one value.
    std::vector<uint64_t> m_pos;
};

void TermMatcher::FindPages(bool countHits, const CDWordArray* candidates, CDWordArray& pages, CDWordArray& counts)
{
    m_candidates = candidates;
    if (m_cursors.size() == 1 && candidates == nullptr) {
        FindPagesOfOneCharacter(countHits, pages, counts);
        return;
    }
    for (PostingCursor& cursor : m_cursors)
        if (!cursor.NextEntry())
            return;
    // 64 bits, so that a match on the last possible page still moves n past it.
    for (uint64_t n = 0; Align(n); ++n) {
        const uint32_t hits = MatchPage(countHits);
        if (hits > 0) {
            pages.push_back(static_cast<uint32_t>(n));
            if (countHits)
                counts.push_back(hits);
        }
    }
}

// Brings every cursor to the first entry at or after page n, raising n to the furthest page a
// cursor lands on (and to the next candidate) until all of them stand on page n. False once a
// stream or the candidates hold nothing at or after n: no later page can match.
bool TermMatcher::Align(uint64_t& n)
{
    while (true) {
        if (m_candidates != nullptr) {
            const auto next = std::lower_bound(m_candidates->begin() + static_cast<ptrdiff_t>(m_nextCandidate),
                                               m_candidates->end(), n);
            if (next == m_candidates->end())
                return false;
            m_nextCandidate = static_cast<size_t>(next - m_candidates->begin());
            n = *next;
        }
        bool aligned = true;
        for (size_t i : m_order) {
            PostingCursor& cursor = m_cursors[i];
            if (cursor.Page() < n && !cursor.SeekPage(n, m_directories[i]))
                return false;
            if (cursor.Page() > n) {
                n = cursor.Page();
                aligned = false;
                break;
            }
        }
        if (aligned)
            return true;
    }
}

// The walk of one character over its whole stream, the commonest term: every entry with a
// position is a page of the term, and every position one hit.
void TermMatcher::FindPagesOfOneCharacter(bool countHits, CDWordArray& pages, CDWordArray& counts)
{
    PostingCursor& cursor = m_cursors[0];
    uint64_t n = 0;  // pages below n are done
    if (!cursor.NextEntry())
        return;
    while (true) {
        uint32_t first = 0;
        if (cursor.Page() >= n && cursor.NextPosition(first)) {
            pages.push_back(cursor.Page());
            if (countHits)
                counts.push_back(CountOccurrences());
        }
        n = std::max<uint64_t>(n, uint64_t{cursor.Page()} + 1);
        if (cursor.Page() >= cursor.LastPage() || !cursor.NextEntry())
            return;
    }
}

// The number of hits on the current page; without counting, stops at the first.
uint32_t TermMatcher::MatchPage(bool countHits)
{
    if (m_cursors.size() == 1) {
        uint32_t first = 0;
        if (!m_cursors[0].NextPosition(first))
            return 0;
        return countHits ? CountOccurrences() : 1;
    }
    for (size_t i = 0; i < m_cursors.size(); ++i) {
        uint32_t first = 0;
        if (!m_cursors[i].NextPosition(first))
            return 0;
        m_pos[i] = first + uint64_t{m_pattern.total - m_pattern.chars[i].termPosition - 1};
    }
    switch (m_pattern.segments.size()) {
    case 1: return MatchOneSegment(countHits);
    case 2: return MatchTwoSegments(countHits);
    default: return MatchArrangements(countHits);
    }
}

// One character whose first position has been read: every pass is a hit that moves it on, so
// each position is one hit.
uint32_t TermMatcher::CountOccurrences()
{
    uint32_t hits = 1;
    for (uint32_t delta = 0; m_cursors[0].NextPosition(delta);)
        ++hits;
    return hits;
}

// The passes for a term without '*': a hit is an adjusted position that every character
// shares. Each character in turn catches up with the furthest one so far, reading its positions
// until it reaches or passes it; one that passes it sets a new furthest and the others catch
// up again. A round in which none passes it is a hit, after which all of them move on.
uint32_t TermMatcher::MatchOneSegment(bool countHits)
{
    const size_t count = m_pos.size();
    uint64_t target = LargestPos(0, count);
    uint32_t hits = 0;
    while (true) {
        bool shared = true;
        for (size_t i = 0; i < count; ++i) {
            while (m_pos[i] < target)
                if (!Advance(i, i + 1, target))
                    return hits;
            if (m_pos[i] > target) {
                target = m_pos[i];
                shared = false;
            }
        }
        if (!shared)
            continue;
        ++hits;
        if (!countHits)
            return hits;
        ++target;
    }
}

// The passes for a term of two segments: each pass checks the segments, then the gap between
// them, and names the cursors that move on before the next pass. With two segments every step
// is safe: a first-segment occurrence is given up only when no later second-segment occurrence
// can follow it, so every occurrence that starts a hit is counted.
uint32_t TermMatcher::MatchTwoSegments(bool countHits)
{
    uint32_t hits = 0;
    while (true) {
        Pass pass = CheckPass();
        if (pass.hit) {
            ++hits;
            if (!countHits)
                return hits;
            // Every cursor at the hit's first-segment position moves on, so overlapping
            // occurrences are counted too.
            pass.target += 1;
        }
        if (!Advance(pass.start, m_cursors.size(), pass.target))
            return hits;
    }
}

TermMatcher::Pass TermMatcher::CheckPass() const
{
    const auto& segments = m_pattern.segments;
    // A segment out of step: its characters behind the furthest one so far catch up.
    for (const auto& segment : segments)
        for (size_t i = segment.begin + 1; i < segment.end; ++i)
            if (m_pos[i] != m_pos[i - 1])
                return {false, segment.begin, LargestPos(0, segment.end)};
    for (size_t s = 0; s + 1 < segments.size(); ++s) {
        const uint64_t left = m_pos[segments[s].end - 1];
        const uint64_t right = m_pos[segments[s + 1].begin];
        // The next segment stands before this one: it catches up.
        if (right < left)
            return {false, segments[s].begin, LargestPos(0, segments[s].end)};
        // Too far apart: everything behind the furthest character moves on.
        if (right - left > segments[s + 1].maxGap)
            return {false, 0, LargestPos(0, m_pos.size())};
    }
    return {true, 0, LargestPos(0, segments[0].end)};
}

// Terms of three or more segments. The passes cannot serve them: a pass that fails as too wide
// moves every cursor below the largest position, a middle segment's too, so an arrangement
// that needs a later occurrence of the first segment with an earlier one of the middle segment
// is never tried (山 at 83 and 359, 水 at 490, 雲 at 775: 山*水*雲 holds through 359, 490, 775,
// but the passes give the page up). Nor does taking each next segment's nearest occurrence
// serve: with a gap of 300, 甲 at 0, 乙 at 10 and 300 and 丙 at 550 hold only through the later
// 乙. Here every first-segment occurrence that starts an arrangement is found, and each counts
// one hit, as the passes count a hit per first-segment occurrence.
uint32_t TermMatcher::MatchArrangements(bool countHits)
{
    uint32_t hits = 0;
    // The first character is the first segment's: m_pos[0] is the hit's first occurrence.
    for (uint64_t from = 0; FindArrangement(from); from = m_pos[0] + 1) {
        ++hits;
        if (!countHits)
            break;
    }
    return hits;
}

// Moves the segments' cursors on to the first arrangement whose first-segment occurrence lies
// at or after from; false when there is none. Each segment stands on an occurrence (the common
// adjusted position of its characters, read at its first cursor) once it has been sought. The
// walk goes forward while each next segment's occurrence lies 0 to its gap after the previous
// one's. When it lies further, no arrangement holds the previous occurrence, since every
// occurrence the next segment has passed over holds none either: the walk steps back, and the
// previous segment seeks an occurrence no more than the gap before the further one. No cursor
// ever moves back: an occurrence a segment passes over belongs to no arrangement that starts at
// or after from, so the next search (from one past a hit) goes on from where this one ended.
// Memory stays one cursor per character, as in the passes, however long the page's lists are.
bool TermMatcher::FindArrangement(uint64_t from)
{
    const auto& segments = m_pattern.segments;
    size_t s = 0;
    uint64_t need = from;
    while (true) {
        if (!SeekOccurrence(segments[s], need))
            return false;
        const uint64_t occurrence = m_pos[segments[s].begin];
        if (s > 0) {
            const uint64_t previous = m_pos[segments[s - 1].begin];
            if (occurrence - previous > segments[s].maxGap) {
                need = occurrence - segments[s].maxGap;
                --s;
                continue;
            }
        }
        if (s + 1 == segments.size())
            return true;
        need = occurrence;
        ++s;
    }
}

// Moves the segment's cursors on until its characters share one adjusted position at or after
// from; false once a list that has to move is used up.
bool TermMatcher::SeekOccurrence(const TermPattern::Segment& segment, uint64_t from)
{
    while (true) {
        uint64_t target = from;
        for (size_t i = segment.begin; i < segment.end; ++i)
            target = std::max(target, m_pos[i]);
        bool equal = true;
        for (size_t i = segment.begin; i < segment.end; ++i)
            equal = equal && m_pos[i] == target;
        if (equal)
            return true;
        if (!Advance(segment.begin, segment.end, target))
            return false;
    }
}

// One step for every cursor from start to end that lies below target; false once a list that
// has to move is used up, which ends the page.
bool TermMatcher::Advance(size_t start, size_t end, uint64_t target)
{
    for (size_t i = start; i < end; ++i) {
        if (m_pos[i] >= target)
            continue;
        uint32_t delta = 0;
        if (!m_cursors[i].NextPosition(delta))
            return false;
        m_pos[i] += delta;
    }
    return true;
}

uint64_t TermMatcher::LargestPos(size_t begin, size_t end) const
{
    return *std::max_element(m_pos.begin() + static_cast<ptrdiff_t>(begin),
                             m_pos.begin() + static_cast<ptrdiff_t>(end));
}

}  // namespace

PostingFile CIndex::Postings() const
{
    return {m_postings.Data(), m_postings.Size(), m_blockChain.data(),
            std::min(m_chainLength, static_cast<uint32_t>(m_blockChain.size())), m_postingBlocks};
}

std::vector<const SkipDirectory*> CIndex::SkipDirectoriesOf(const std::vector<uint32_t>& slots)
{
    // Past the budget everything kept goes before any is built, so no directory handed out
    // below is dropped while the caller holds it.
    size_t missing = 0;
    for (uint32_t slot : slots)
        missing += m_skipDirectories.count(slot) == 0 ? 1 : 0;
    if (missing > 0 && m_skipDirectoryBytes > kSkipDirectoryBudget) {
        m_skipDirectories.clear();
        m_skipDirectoryBytes = 0;
    }
    const PostingFile file = Postings();
    std::vector<const SkipDirectory*> directories;
    for (uint32_t slot : slots) {
        auto found = m_skipDirectories.find(slot);
        if (found == m_skipDirectories.end()) {
            found = m_skipDirectories.try_emplace(slot, file, m_firstBlock[slot], m_lastPage[slot]).first;
            m_skipDirectoryBytes += found->second.MemoryBytes();
        }
        directories.push_back(&found->second);
    }
    return directories;
}

uint32_t CIndex::SearchTerm(std::u16string_view term, int mode, bool countHits, bool useVariants)
{
    if (countHits && m_hitCounts.size() != m_hitPages.size() && mode != SEARCH_UNION) {
        ClearHitSet();
        return 0;
    }
    if (!IsOpen() || m_firstBlock.size() != SLOT_COUNT || m_lastPage.size() != SLOT_COUNT) {
        ClearHitSet();
        return 0;
    }
    TermPattern pattern;
    if (!CollectPattern(*this, NormaliseTerm(term), useVariants, pattern)) {
        if (mode != SEARCH_UNION)
            ClearHitSet();
        return 0;
    }

    // Intersecting, only the pages of the hit set can be kept: the term's walk looks at those.
    CDWordArray sortedHits;
    const CDWordArray* candidates = nullptr;
    if (mode == SEARCH_INTERSECT) {
        candidates = &m_hitPages;
        if (!std::is_sorted(m_hitPages.begin(), m_hitPages.end())) {
            sortedHits = m_hitPages;
            std::sort(sortedHits.begin(), sortedHits.end());
            candidates = &sortedHits;
        }
    }
    // The pair file can only take pages away that no walk would find: the pages the walk then
    // looks at are fewer, and those it finds the same.
    CDWordArray pairPages;
    const PairVerdict verdict = NarrowByPairs(m_pairs, pattern, pairPages);
    if (verdict == PairVerdict::Narrowed) {
        if (candidates != nullptr)
            pairPages.erase(std::set_intersection(pairPages.begin(), pairPages.end(), candidates->begin(),
                                                  candidates->end(), pairPages.begin()),
                            pairPages.end());
        candidates = &pairPages;
    }
    // The term's lists, and after a merge the hit set's former ones: their memory stays with
    // the index from term to term and search to search.
    CDWordArray& pages = m_termPages;
    CDWordArray& counts = m_termCounts;
    pages.clear();
    counts.clear();
    if (verdict != PairVerdict::Absent && (candidates == nullptr || !candidates->empty())) {
        std::vector<uint32_t> slots;
        std::vector<uint32_t> firstBlocks;
        std::vector<uint32_t> lastPages;
        for (const TermPattern::Char& c : pattern.chars) {
            slots.push_back(c.slot);
            firstBlocks.push_back(m_firstBlock[c.slot]);
            lastPages.push_back(m_lastPage[c.slot]);
        }
        // A lone character without candidates reads its whole stream: it needs no directory.
        std::vector<const SkipDirectory*> directories(slots.size(), nullptr);
        if (slots.size() > 1 || candidates != nullptr)
            directories = SkipDirectoriesOf(slots);
        TermMatcher(Postings(), pattern, firstBlocks, lastPages, std::move(directories))
            .FindPages(countHits, candidates, pages, counts);
    }

    if (mode == SEARCH_UNION) {
        UniteHits(m_hitPages, m_hitCounts, pages, counts, countHits, m_located);
    } else if (mode == SEARCH_INTERSECT) {
        IntersectHits(m_hitPages, m_hitCounts, pages, counts, countHits, m_located);
    } else {
        std::swap(m_hitPages, pages);
        std::swap(m_hitCounts, counts);
    }
    m_hitPageCount = static_cast<uint32_t>(m_hitPages.size());
    return m_hitPageCount;
}

}  // namespace varo
