// Marking every match of one query term inside one cell item, and numbering the marked pieces
// with anchors so that the text view can jump from hit to hit. Matching works on UTF-8 bytes:
// '?' stands for one three-byte character, and a '*' gap may not run past a paragraph or
// heading start.

#include "store/pagemarkup.h"
#include "store/pagerender.h"
#include "text/querysyntax.h"

#include <climits>

namespace varo::render {

namespace {

// Anchors are numbered in the order they are written.
void AppendAnchor(std::string& output, int& counter)
{
    output += AnchorTag(counter++);
}

// Cuts one '*'-free run of a term at its '?': every stretch of bytes becomes the literal of the
// last piece, and the number of '?' after it becomes the gap of the next piece. The last piece
// is always left open (without a literal) and is removed at the end, so '?' before the first or
// after the last stretch of the run has no effect.
void SplitRun(std::string_view run, std::vector<std::unique_ptr<Seg>>& pieces)
{
    int count = 1;
    size_t position = 0;
    while (position < run.size()) {
        if (run[position] == '?') {
            if (count < INT_MAX)
                ++count;
            ++position;
            continue;
        }
        size_t end = run.find('?', position);
        if (end == std::string_view::npos)
            end = run.size();
        Seg& last = *pieces.back();
        last.literal.append(run.substr(position, end - position));
        last.gap = count;
        auto next = std::make_unique<Seg>();
        next->kind = Seg::SEG_AFTER_WILDCARDS;
        pieces.push_back(std::move(next));
        count = 1;
        position = end < run.size() ? end + 1 : end;
    }
    pieces.pop_back();
}

// The first occurrence of a needle at or after a position. The match loop only ever asks from
// positions that grow, so an answer stays valid until the question moves past it; this keeps a
// page with many failed attempts from rescanning the rest of the text for each one.
class NextOccurrence {
public:
    NextOccurrence(std::string_view text, std::string_view needle) : m_text(text), m_needle(needle) {}

    size_t From(size_t start)
    {
        const bool known = m_asked && start >= m_askedFrom && (m_found == std::string_view::npos || start <= m_found);
        if (!known) {
            m_found = FindBytes(m_text, m_needle, start);
            m_askedFrom = start;
            m_asked = true;
        }
        return m_found;
    }

private:
    std::string_view m_text;
    std::string_view m_needle;
    size_t m_found = std::string_view::npos;
    size_t m_askedFrom = 0;
    bool m_asked = false;
};

class ItemMatcher {
public:
    ItemMatcher(std::string_view text, const std::vector<std::unique_ptr<Seg>>& pieces)
        : m_text(text), m_pieces(pieces), m_paragraphs(text, kParagraphStart), m_headings(text, kHeadingStart)
    {
        for (const auto& piece : pieces)
            m_literals.emplace_back(text, piece->literal);
    }

    // Makes one match attempt from scan. Returns true when every piece recorded a match point;
    // scan then lies just after the last literal. Otherwise scan lies after what the attempt
    // consumed.
    bool Attempt(size_t& scan, std::vector<size_t>& points)
    {
        points.clear();
        for (size_t i = 0; i < m_pieces.size(); ++i) {
            switch (m_pieces[i]->kind) {
            case Seg::SEG_FIRST: MatchFirst(i, scan, points); break;
            case Seg::SEG_AFTER_STAR: MatchAfterStar(i, scan, points); break;
            default: MatchAfterWildcards(i, scan, points); break;
            }
        }
        return points.size() == m_pieces.size();
    }

private:
    void Record(size_t piece, size_t at, size_t& scan, std::vector<size_t>& points)
    {
        points.push_back(at);
        scan = at + m_pieces[piece]->literal.size();
    }

    void MatchFirst(size_t piece, size_t& scan, std::vector<size_t>& points)
    {
        const size_t at = m_literals[piece].From(scan);
        if (at == std::string_view::npos)
            scan = m_text.size();
        else
            Record(piece, at, scan, points);
    }

    // A '*' gap may not cross a paragraph or heading start: the attempt then gives up on this
    // piece and moves past the tag, so the next attempt starts in the new paragraph.
    void MatchAfterStar(size_t piece, size_t& scan, std::vector<size_t>& points)
    {
        if (scan >= m_text.size())
            return;
        const size_t at = m_literals[piece].From(scan);
        const size_t limit = at == std::string_view::npos ? m_text.size() : at;
        const size_t paragraph = m_paragraphs.From(scan);
        const size_t heading = m_headings.From(scan);
        if (paragraph != std::string_view::npos && paragraph < limit)
            scan = paragraph + kParagraphStart.size();
        else if (heading != std::string_view::npos && heading < limit)
            scan = heading + kHeadingStart.size();
        else if (at != std::string_view::npos)
            Record(piece, at, scan, points);
        else
            scan = m_text.size();
    }

    // The literal must start exactly gap characters of three bytes after the previous one.
    void MatchAfterWildcards(size_t piece, size_t& scan, std::vector<size_t>& points)
    {
        if (scan >= m_text.size())
            return;
        const size_t gapBytes = kWildcardCharBytes * static_cast<size_t>(m_pieces[piece]->gap);
        if (gapBytes >= m_text.size() - scan)
            return;
        const size_t expected = scan + gapBytes;
        const size_t at = m_literals[piece].From(expected);
        if (at == expected)
            Record(piece, at, scan, points);
        else if (at == std::string_view::npos)
            scan = m_text.size();
    }

    std::string_view m_text;
    const std::vector<std::unique_ptr<Seg>>& m_pieces;
    std::vector<NextOccurrence> m_literals;
    NextOccurrence m_paragraphs;
    NextOccurrence m_headings;
};

// Appends one complete match: every literal highlighted behind its own anchor; the bytes a '?'
// gap stood for highlighted behind an anchor as well; the bytes of a '*' gap unmarked.
void AppendMatch(std::string_view text, const std::vector<std::unique_ptr<Seg>>& pieces,
                 const std::vector<size_t>& points, std::string& output, int& counter)
{
    for (size_t j = 0; j < points.size(); ++j) {
        const size_t literalEnd = points[j] + pieces[j]->literal.size();
        AppendAnchor(output, counter);
        output += kHighlightStart;
        output += text.substr(points[j], pieces[j]->literal.size());
        output += kHighlightEnd;
        if (j + 1 == points.size())
            break;
        const std::string_view gap = text.substr(literalEnd, points[j + 1] - literalEnd);
        if (pieces[j + 1]->kind == Seg::SEG_AFTER_WILDCARDS) {
            output += kHighlightStart;
            AppendAnchor(output, counter);
            output += gap;
            output += kHighlightEnd;
        } else if (pieces[j + 1]->kind == Seg::SEG_AFTER_STAR) {
            output += gap;
        }
    }
}

// Follows an item's text from its start through text and tags ("<" to the next ">"), for
// positions asked in ascending order: whether a position lies inside a tag.
class TagCursor {
public:
    explicit TagCursor(std::string_view text) : m_text(text) {}

    bool InsideTagAt(size_t position)
    {
        for (; m_position < position && m_position < m_text.size(); ++m_position) {
            if (!m_inTag && m_text[m_position] == '<')
                m_inTag = true;
            else if (m_inTag && m_text[m_position] == '>')
                m_inTag = false;
        }
        return m_inTag;
    }

private:
    std::string_view m_text;
    size_t m_position = 0;
    bool m_inTag = false;
};

// Markup goes in before and after every literal of a match (the gaps of '?' between literals
// lie between those same places).
bool MatchCutsTag(const std::vector<std::unique_ptr<Seg>>& pieces, const std::vector<size_t>& points, TagCursor& tags)
{
    bool cut = false;
    for (size_t j = 0; j < points.size(); ++j)
        cut = tags.InsideTagAt(points[j]) || tags.InsideTagAt(points[j] + pieces[j]->literal.size()) || cut;
    return cut;
}

}  // namespace

size_t FindBytes(std::string_view text, std::string_view needle, size_t start)
{
    if (needle.empty())
        return start;
    if (start > text.size() || needle.size() > text.size() - start)
        return std::string_view::npos;
    for (size_t end = text.find(needle.back(), start + needle.size() - 1); end != std::string_view::npos;
         end = text.find(needle.back(), end + 1)) {
        const size_t at = end + 1 - needle.size();
        if (text.compare(at, needle.size(), needle) == 0)
            return at;
    }
    return std::string_view::npos;
}

void SplitTerm(std::string_view term, std::vector<std::unique_ptr<Seg>>& pieces)
{
    size_t start = 0;
    while (start < term.size()) {
        size_t end = term.find('*', start);
        if (end == std::string_view::npos)
            end = term.size();
        if (end > start) {
            auto piece = std::make_unique<Seg>();
            piece->kind = start == 0 ? Seg::SEG_FIRST : Seg::SEG_AFTER_STAR;
            pieces.push_back(std::move(piece));
            SplitRun(term.substr(start, end - start), pieces);
        }
        start = end + 1;
    }
}

void HighlightItem(const FilterItem& item, std::string_view term, std::string& output, int& counter, PassWatch* watch)
{
    std::vector<std::unique_ptr<Seg>> pieces;
    SplitTerm(term, pieces);
    const std::string_view text = item.GetText();
    if (text.empty())
        return;
    // A term of wildcards only has nothing to find; a match of no pieces would never move on.
    if (pieces.empty()) {
        output += text;
        return;
    }
    ItemMatcher matcher(text, pieces);
    TagCursor tags(text);
    std::vector<size_t> points;
    const size_t start = output.size();
    size_t scan = 0;
    size_t copied = 0;
    while (copied < text.size()) {
        if (watch != nullptr && watch->grown + (output.size() - start - copied) > watch->maxGrowth) {
            output += text.substr(copied);
            watch->cutShort = true;
            break;
        }
        if (matcher.Attempt(scan, points)) {
            output += text.substr(copied, points.front() - copied);
            if (watch != nullptr && MatchCutsTag(pieces, points, tags))
                watch->cutTag = true;
            AppendMatch(text, pieces, points, output, counter);
        } else {
            output += text.substr(copied, scan - copied);
        }
        copied = scan;
    }
    if (watch != nullptr)
        watch->grown += output.size() - start - text.size();
}

}  // namespace varo::render
