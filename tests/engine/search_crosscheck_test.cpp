// Random collections and random queries, searched through the index files and by a reference
// that applies the same rules to positions taken straight from the indexed texts. The reference
// knows nothing of streams, blocks, slots tables or the merge walk. Terms of '*' segments are
// also checked against an exhaustive search of every arrangement of their segments.

#include "tests/engine/searchcollection.h"
#include "text/codeconverter.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>
#include <set>

namespace varo {
namespace {

using Text = std::u32string;
using Random = std::mt19937;

constexpr char32_t kJia = U'甲', kYi = U'乙', kBing = U'丙', kDing = U'丁', kQian = U'乾', kGan = U'干';
constexpr char32_t kKana = U'あ', kSupplementary = U'\U00020000', kCompatibility = U'\uF900';
constexpr char32_t kComma = U'、', kLatin = U'a', kWideBlank = U'\u3000';

// 丙 is in two groups and belongs to the first; 、 is a member without a slot of its own.
const writer::VariantGroups kGroups = {
    {kQian, kGan}, {kBing, kKana, kComma}, {kSupplementary, kBing}, {kCompatibility}};

// Characters with weights: a small alphabet so that terms repeat, some characters without a slot.
char32_t RandomChar(Random& random)
{
    static const std::pair<char32_t, int> weighted[] = {
        {kJia, 30}, {kYi, 18}, {kBing, 10}, {kKana, 6},  {kSupplementary, 6}, {kCompatibility, 5},
        {kQian, 5}, {kGan, 5}, {kDing, 8},  {kComma, 3}, {kLatin, 2},         {kWideBlank, 2},
    };
    int total = 0;
    for (const auto& [c, weight] : weighted)
        total += weight;
    int pick = std::uniform_int_distribution<int>(0, total - 1)(random);
    for (const auto& [c, weight] : weighted)
        if ((pick -= weight) < 0)
            return c;
    return kJia;
}

int Between(Random& random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

// Mostly short texts; now and then a long one of filler with a few characters spread out, so that
// the 300-character gaps of '*' are reached and streams span several blocks.
Text RandomPiece(Random& random)
{
    Text text;
    if (Between(random, 0, 9) == 0) {
        text.assign(static_cast<size_t>(Between(random, 250, 900)), kDing);
        for (int i = Between(random, 1, 6); i > 0; --i)
            text[static_cast<size_t>(Between(random, 0, static_cast<int>(text.size()) - 1))] = RandomChar(random);
        return text;
    }
    for (int i = Between(random, 0, 25); i > 0; --i)
        text += RandomChar(random);
    return text;
}

// A page of main text and annotations in turns; the full text holds both.
writer::PageInput RandomPage(Random& random, size_t number)
{
    std::array<Text, 3> indexed;
    for (int piece = Between(random, 1, 4); piece > 0; --piece) {
        const Text text = RandomPiece(random);
        indexed[INDEX_FULL_TEXT] += text;
        indexed[Between(random, 0, 2) == 0 ? INDEX_ANNOTATIONS : INDEX_MAIN_TEXT] += text;
    }
    writer::PageInput page;
    page.recordName = "c\\t\\v\\" + std::to_string(1000 + number) + ".htm";
    page.html = test::PageHtml("T", test::Utf8(indexed[INDEX_FULL_TEXT]), "");
    page.indexed = indexed;
    return page;
}

// Filler with a few characters spread over up to 1,500 positions, some in short runs, so that
// whether a page holds a term of '*' segments turns on gaps near 300 and on which occurrence of
// each segment is taken.
writer::PageInput SparsePage(Random& random, size_t number)
{
    Text text(static_cast<size_t>(Between(random, 1, 1500)), kDing);
    for (int i = Between(random, 1, 14); i > 0; --i) {
        size_t at = static_cast<size_t>(Between(random, 0, static_cast<int>(text.size()) - 1));
        for (int run = Between(random, 1, 3); run > 0 && at < text.size(); --run)
            text[at++] = RandomChar(random);
    }
    return test::SimplePage("c\\t\\v\\" + std::to_string(1000 + number) + ".htm", text);
}

// A character of a term: never the filler, which stands everywhere in a sparse page, nor a Latin
// letter, which would have the query refused.
char32_t RandomTermChar(Random& random)
{
    char32_t c = kDing;
    while (c == kDing || c == kLatin)
        c = RandomChar(random);
    return c;
}

// One to five segments of one to three units, wildcards inside them; now and then a leading '*',
// a run of '*' or a segment of wildcards only, which widen the gap around them.
std::u16string RandomStarTerm(Random& random)
{
    std::u16string term = Between(random, 0, 5) == 0 ? u"*" : u"";
    for (int segment = Between(random, 1, 5); segment > 0; --segment) {
        for (int i = Between(random, 1, 3); i > 0; --i) {
            const int kind = Between(random, 0, 9);
            if (kind == 0)
                term += u'?';
            else if (kind == 1)
                term += u'？';
            else
                CCodeConverter::AppendUtf16(term, RandomTermChar(random));
        }
        if (segment > 1)
            term += Between(random, 0, 9) == 0 ? u"*??*" : Between(random, 0, 9) == 0 ? u"**" : u"*";
    }
    return term;
}

std::u16string RandomTerm(Random& random)
{
    std::u16string term;
    if (Between(random, 0, 7) == 0)
        term += u'*';
    for (int i = Between(random, 1, 5); i > 0; --i) {
        const int kind = Between(random, 0, 11);
        if (kind == 0)
            term += u'?';
        else if (kind == 1)
            term += u'？';
        else if (kind == 2)
            term += u'*';
        else
            CCodeConverter::AppendUtf16(term, RandomChar(random));
    }
    return term;
}

// Now and then a query holds a Latin letter and is rejected.
std::u16string RandomQuery(Random& random)
{
    std::u16string query = Between(random, 0, 5) == 0 ? u" " : u"";
    for (int i = Between(random, 1, 3); i > 0; --i) {
        query += RandomTerm(random);
        query += Between(random, 0, 4) == 0 ? u"  " : u" ";
    }
    if (Between(random, 0, 1) == 0)
        query.pop_back();
    return query;
}

// ---- The reference ----

struct HitSet {
    CDWordArray pages;
    CDWordArray counts;
};

// How a term of '*' segments is matched.
enum class StarRule {
    // The engine's rule: the passes for one and two segments, every arrangement from three on.
    PassesUpToTwoSegments,
    // Every arrangement, whatever the number of segments.
    EveryArrangement,
};

class Reference {
public:
    Reference(const std::vector<writer::PageInput>& pages, int kind, StarRule rule = StarRule::PassesUpToTwoSegments)
        : m_rule(rule)
    {
        for (const auto& page : pages) {
            std::map<char32_t, std::vector<uint64_t>>& positions = m_positions.emplace_back();
            const Text& text = m_texts.emplace_back(page.indexed[static_cast<size_t>(kind)]);
            for (size_t p = 0; p < text.size(); ++p)
                positions[text[p]].push_back(p);
        }
    }

    int Query(std::u16string& query, bool isAnd, bool countHits, bool useVariants, HitSet& hits) const;

private:
    // One indexed character of a term: what it matches and its term position.
    struct Char {
        std::vector<char32_t> matches;
        uint32_t termPosition;
    };
    struct Segment {
        std::vector<Char> chars;
        uint64_t maxGap;  // to the previous segment that holds characters
    };

    uint32_t Term(std::u16string_view term, int mode, bool countHits, bool useVariants, HitSet& hits) const;
    bool Parse(std::u16string_view term, bool useVariants, std::vector<Segment>& segments, uint32_t& total) const;
    uint32_t CountHits(uint32_t page, const std::vector<Segment>& segments, uint32_t total, bool countHits) const;
    uint32_t CountPasses(uint32_t page, const std::vector<Segment>& segments, uint32_t total, bool countHits) const;
    uint32_t CountArrangements(uint32_t page, const std::vector<Segment>& segments) const;
    std::vector<uint64_t> PositionsOf(uint32_t page, const std::vector<char32_t>& matches) const;

    StarRule m_rule;
    std::vector<Text> m_texts;
    // For each page, where each character stands in its indexed text.
    std::vector<std::map<char32_t, std::vector<uint64_t>>> m_positions;
};

bool CheckQueryOf(std::u16string_view query)
{
    bool any = false;
    for (char16_t unit : query) {
        if (unit < 0x100 && unit != u' ' && unit != u'*' && unit != u'?')
            return false;
        any = any || (unit != u' ' && unit != u'\u3000');
    }
    return any;
}

int Reference::Query(std::u16string& query, bool isAnd, bool countHits, bool useVariants, HitSet& hits) const
{
    if (!CheckQueryOf(query))
        return 0;
    hits = {};
    std::vector<std::u16string> terms(1);
    for (char16_t& unit : query) {
        if (unit == u' ') {
            unit = u'\u3000';
            terms.emplace_back();
        } else {
            terms.back() += unit;
        }
    }
    int sum = 0;
    bool first = true;
    for (const std::u16string& term : terms) {
        if (term.empty())
            continue;
        const int mode = !isAnd ? SEARCH_UNION : first ? SEARCH_REPLACE : SEARCH_INTERSECT;
        sum += static_cast<int>(Term(term, mode, countHits, useVariants, hits));
        first = false;
    }
    return sum;
}

bool Reference::Parse(std::u16string_view term, bool useVariants, std::vector<Segment>& segments, uint32_t& total) const
{
    // Code points, then the normal form: no leading '*', single '*', a closing '*', no
    // character without a slot.
    std::vector<char32_t> chars;
    for (size_t i = 0; i < term.size();) {
        const char32_t c = CCodeConverter::DecodeUtf16(term, i);
        if (c == U'*' && (chars.empty() || chars.back() == U'*'))
            continue;
        chars.push_back(c);
    }
    if (!chars.empty() && chars.back() != U'*')
        chars.push_back(U'*');
    std::erase_if(chars, [](char32_t c) { return c != U'*' && c != U'?' && CIndex::GetCharSlot(c) < 0; });

    total = 0;
    uint64_t stars = 0;
    Segment current{{}, 0};
    for (char32_t c : chars) {
        if (c == U'*') {
            if (!current.chars.empty()) {
                current.maxGap = stars * 300;
                segments.push_back(current);
                stars = 0;
            }
            if (!segments.empty())
                ++stars;
            current.chars.clear();
        } else if (c == U'?' || c == U'？') {
            ++total;
        } else {
            std::vector<char32_t> matches = {c};
            if (useVariants)
                for (size_t g = 0; g < kGroups.size(); ++g)
                    if (std::find(kGroups[g].begin(), kGroups[g].end(), c) != kGroups[g].end()) {
                        matches.assign(kGroups[g].begin(), kGroups[g].end());
                        break;
                    }
            bool occurs = false;
            for (uint32_t page = 0; page < m_positions.size(); ++page)
                occurs = occurs || !PositionsOf(page, matches).empty();
            if (!occurs)
                return false;
            current.chars.push_back({matches, total++});
        }
    }
    return !segments.empty();
}

uint32_t Reference::Term(std::u16string_view term, int mode, bool countHits, bool useVariants, HitSet& hits) const
{
    std::vector<Segment> segments;
    uint32_t total = 0;
    if (!Parse(term, useVariants, segments, total)) {
        if (mode != SEARCH_UNION)
            hits = {};
        return 0;
    }
    HitSet own;
    for (uint32_t page = 0; page < m_positions.size(); ++page)
        if (const uint32_t count = CountHits(page, segments, total, countHits); count > 0) {
            own.pages.push_back(page);
            if (countHits)
                own.counts.push_back(count);
        }
    // The merges, by plain search of the earlier hit set.
    const auto indexOf = [&hits](uint32_t page, size_t limit) {
        return static_cast<size_t>(
            std::find(hits.pages.begin(), hits.pages.begin() + static_cast<ptrdiff_t>(limit), page) -
            hits.pages.begin());
    };
    if (mode == SEARCH_REPLACE) {
        hits = own;
    } else if (mode == SEARCH_UNION) {
        const size_t before = hits.pages.size();
        for (size_t k = 0; k < own.pages.size(); ++k) {
            const size_t t = indexOf(own.pages[k], before);
            if (t < before) {
                if (countHits)
                    hits.counts[t] += own.counts[k];
            } else {
                hits.pages.push_back(own.pages[k]);
                if (countHits)
                    hits.counts.push_back(own.counts[k]);
            }
        }
        if (!countHits)
            hits.counts.clear();
    } else {
        HitSet kept;
        for (size_t k = 0; k < own.pages.size(); ++k)
            if (const size_t t = indexOf(own.pages[k], hits.pages.size()); t < hits.pages.size()) {
                kept.pages.push_back(own.pages[k]);
                if (countHits)
                    kept.counts.push_back(own.counts[k] + hits.counts[t]);
            }
        hits = kept;
    }
    return static_cast<uint32_t>(hits.pages.size());
}

std::vector<uint64_t> Reference::PositionsOf(uint32_t page, const std::vector<char32_t>& matches) const
{
    std::vector<uint64_t> positions;
    for (char32_t c : matches)
        if (const auto found = m_positions[page].find(c); found != m_positions[page].end())
            positions.insert(positions.end(), found->second.begin(), found->second.end());
    std::sort(positions.begin(), positions.end());
    return positions;
}

uint32_t Reference::CountHits(uint32_t page, const std::vector<Segment>& segments, uint32_t total, bool countHits) const
{
    if (segments.size() <= 2 && m_rule == StarRule::PassesUpToTwoSegments)
        return CountPasses(page, segments, total, countHits);
    return CountArrangements(page, segments);
}

// Every arrangement tried: a first-segment occurrence counts one hit when a chain of
// occurrences, one of each later segment, follows it, each 0 to its gap positions after the one
// before. A segment occurs where each of its characters stands at its term position's distance
// from the first; its place is that text position less the first character's term position, so
// that places differ by exactly the number of characters beyond the term's own wildcards. An
// occurrence from which no chain goes on is remembered as a dead end; nothing else is cut short.
uint32_t Reference::CountArrangements(uint32_t page, const std::vector<Segment>& segments) const
{
    const Text& text = m_texts[page];
    std::vector<std::vector<int64_t>> places(segments.size());
    for (size_t s = 0; s < segments.size(); ++s) {
        const std::vector<Char>& chars = segments[s].chars;
        for (size_t t = 0; t < text.size(); ++t) {
            bool occurs = true;
            for (const Char& c : chars) {
                const size_t at = t + c.termPosition - chars[0].termPosition;
                occurs = occurs && at < text.size() &&
                         std::find(c.matches.begin(), c.matches.end(), text[at]) != c.matches.end();
            }
            if (occurs)
                places[s].push_back(static_cast<int64_t>(t) - chars[0].termPosition);
        }
    }
    std::vector<std::set<size_t>> deadEnds(segments.size());
    const std::function<bool(size_t, size_t)> chains = [&](size_t s, size_t i) {
        if (s + 1 == segments.size())
            return true;
        if (deadEnds[s].count(i) > 0)
            return false;
        for (size_t k = 0; k < places[s + 1].size(); ++k) {
            const int64_t gap = places[s + 1][k] - places[s][i];
            if (gap >= 0 && static_cast<uint64_t>(gap) <= segments[s + 1].maxGap && chains(s + 1, k))
                return true;
        }
        deadEnds[s].insert(i);
        return false;
    };
    uint32_t hits = 0;
    for (size_t i = 0; i < places[0].size(); ++i)
        hits += chains(0, i) ? 1 : 0;
    return hits;
}

// The passes over one page, on positions read from the text.
uint32_t Reference::CountPasses(uint32_t page, const std::vector<Segment>& segments, uint32_t total,
                                bool countHits) const
{
    struct Walk {
        std::vector<uint64_t> positions;  // adjusted
        size_t next = 0;
        size_t segment = 0;
    };
    std::vector<Walk> walks;
    std::vector<size_t> segmentStart;
    for (size_t s = 0; s < segments.size(); ++s) {
        segmentStart.push_back(walks.size());
        for (const Char& c : segments[s].chars) {
            Walk walk;
            walk.segment = s;
            walk.positions = PositionsOf(page, c.matches);
            for (uint64_t& position : walk.positions)
                position += total - c.termPosition - 1;
            if (walk.positions.empty())
                return 0;
            walks.push_back(walk);
        }
    }
    segmentStart.push_back(walks.size());
    const auto pos = [&walks](size_t i) { return walks[i].positions[walks[i].next]; };
    const auto largest = [&](size_t end) {
        uint64_t m = 0;
        for (size_t i = 0; i < end; ++i)
            m = std::max(m, pos(i));
        return m;
    };

    uint32_t hits = 0;
    while (true) {
        size_t start = 0;
        uint64_t target = 0;
        bool failed = false;
        for (size_t i = 1; i < walks.size() && !failed; ++i)
            if (walks[i].segment == walks[i - 1].segment && pos(i) != pos(i - 1)) {
                failed = true;
                start = segmentStart[walks[i].segment];
                target = largest(segmentStart[walks[i].segment + 1]);
            }
        for (size_t s = 0; s + 1 < segments.size() && !failed; ++s) {
            const uint64_t a = pos(segmentStart[s + 1] - 1);
            const uint64_t b = pos(segmentStart[s + 1]);
            if (b < a || b - a > segments[s + 1].maxGap) {
                failed = true;
                start = b < a ? segmentStart[s] : 0;
                target = b < a ? largest(segmentStart[s + 1]) : largest(walks.size());
            }
        }
        if (!failed) {
            ++hits;
            if (!countHits)
                return hits;
            target = largest(segmentStart[1]) + 1;
        }
        for (size_t i = start; i < walks.size(); ++i)
            if (pos(i) < target && ++walks[i].next == walks[i].positions.size())
                return hits;
    }
}

// ---- The cross-check ----

TEST(SearchCrossCheck, randomCollections_matchTheReference)
{
    Random random(20240611);
    for (int round = 0; round < 18; ++round) {
        static const size_t kPageCounts[] = {1, 4, 12, 40, 160};
        const size_t pageCount = kPageCounts[static_cast<size_t>(Between(random, 0, 4))];
        std::vector<writer::PageInput> pages;
        for (size_t i = 0; i < pageCount; ++i)
            pages.push_back(RandomPage(random, i));
        writer::WriterOptions options;
        options.scrambleBlocks = round % 2 == 1;
        options.scrambleSeed = static_cast<uint32_t>(round);
        test::SearchCollection collection(pages, kGroups, options, INDEX_FULL_TEXT);
        CIndex& index = collection.Index();

        for (int kind : {INDEX_FULL_TEXT, INDEX_ANNOTATIONS, INDEX_MAIN_TEXT}) {
            index.Close();
            ASSERT_TRUE(index.Open(collection.Dir().Folder(), u"Index", kind));
            const Reference reference(pages, kind);
            HitSet expected;
            for (int q = 0; q < 40; ++q) {
                std::u16string query = RandomQuery(random);
                const bool isAnd = Between(random, 0, 1) == 0;
                const bool countHits = Between(random, 0, 3) != 0;
                const bool useVariants = Between(random, 0, 1) == 0;
                SCOPED_TRACE(testing::Message() << "round " << round << " kind " << kind << " query "
                                                << CCodeConverter::Utf16ToUtf8(query) << (isAnd ? " and" : " or")
                                                << (countHits ? " counted" : "") << (useVariants ? " variants" : ""));
                std::u16string referenceQuery = query;
                const int expectedResult = reference.Query(referenceQuery, isAnd, countHits, useVariants, expected);
                const int result = isAnd ? index.SearchAnd(query, countHits, useVariants)
                                         : index.SearchOr(query, countHits, useVariants);
                ASSERT_EQ(index.GetHitPages(), expected.pages);
                ASSERT_EQ(index.GetHitCounts(), expected.counts);
                ASSERT_EQ(index.m_hitPageCount, expected.pages.size());
                ASSERT_EQ(result, expectedResult);
                ASSERT_EQ(query, referenceQuery);
            }
        }
    }
}

// The engine against every arrangement: terms of three to five segments are matched by it, and
// terms of one and two segments by the passes, which must find the same pages and counts.
TEST(SearchCrossCheck, starTerms_findEveryArrangement)
{
    Random random(20);
    for (int round = 0; round < 10; ++round) {
        std::vector<writer::PageInput> pages;
        for (size_t i = 0; i < 40; ++i)
            pages.push_back(Between(random, 0, 2) == 0 ? RandomPage(random, i) : SparsePage(random, i));
        writer::WriterOptions options;
        options.scrambleBlocks = round % 2 == 1;
        options.scrambleSeed = static_cast<uint32_t>(round);
        test::SearchCollection collection(pages, kGroups, options, INDEX_FULL_TEXT);
        CIndex& index = collection.Index();
        const Reference reference(pages, INDEX_FULL_TEXT, StarRule::EveryArrangement);
        // A term of wide blanks only is refused and leaves both hit sets as they were.
        HitSet expected;
        for (int q = 0; q < 60; ++q) {
            std::u16string term = RandomStarTerm(random);
            const bool countHits = Between(random, 0, 3) != 0;
            const bool useVariants = Between(random, 0, 1) == 0;
            SCOPED_TRACE(testing::Message() << "round " << round << " term " << CCodeConverter::Utf16ToUtf8(term)
                                            << (countHits ? " counted" : "") << (useVariants ? " variants" : ""));
            std::u16string referenceTerm = term;
            reference.Query(referenceTerm, true, countHits, useVariants, expected);
            index.SearchAnd(term, countHits, useVariants);
            ASSERT_EQ(index.GetHitPages(), expected.pages);
            ASSERT_EQ(index.GetHitCounts(), expected.counts);
        }
    }
}

}  // namespace
}  // namespace varo
