#include "panel/kwic.h"

#include "text/codeconverter.h"

#include <algorithm>
#include <tuple>

namespace varo {

namespace {

// The cell's text as a reader sees it, character by character, with where each character of
// the stored text went.
struct ShownText {
    std::u32string chars;
    std::vector<bool> annotation;
    std::vector<uint32_t> shownAt;  // stored character i starts at shown character shownAt[i]; one more at the end
};

bool IsBlank(char32_t c)
{
    return c == U' ' || c == U'\t' || c == U'\n' || c == U'\r' || c == U'\f';
}

// The character an entity at text[at] stands for, and its length; 0 length when there is none.
std::pair<char32_t, size_t> Entity(std::u32string_view text, size_t at)
{
    static const std::pair<std::u32string_view, char32_t> named[] = {
        {U"&amp;", U'&'}, {U"&lt;", U'<'}, {U"&gt;", U'>'}, {U"&quot;", U'"'}, {U"&apos;", U'\''}, {U"&nbsp;", U' '},
    };
    const std::u32string_view rest = text.substr(at);
    for (const auto& [name, c] : named)
        if (rest.starts_with(name))
            return {c, name.size()};
    if (!rest.starts_with(U"&#"))
        return {0, 0};
    const bool hex = rest.size() > 2 && (rest[2] == U'x' || rest[2] == U'X');
    uint32_t value = 0;
    size_t i = hex ? 3 : 2;
    const size_t first = i;
    for (; i < rest.size() && i < first + 8; ++i) {
        const char32_t c = rest[i];
        uint32_t digit = 0;
        if (c >= U'0' && c <= U'9')
            digit = c - U'0';
        else if (hex && c >= U'a' && c <= U'f')
            digit = c - U'a' + 10;
        else if (hex && c >= U'A' && c <= U'F')
            digit = c - U'A' + 10;
        else
            break;
        value = value * (hex ? 16 : 10) + digit;
    }
    if (i == first || i >= rest.size() || rest[i] != U';')
        return {0, 0};
    const bool codePoint = value > 0 && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
    return {codePoint ? static_cast<char32_t>(value) : U'\uFFFD', i + 1};
}

ShownText Show(const PageHitsTag& hits)
{
    ShownText shown;
    const std::u32string_view text = hits.text;
    shown.shownAt.assign(text.size() + 1, 0);
    for (size_t i = 0; i < text.size();) {
        const auto at = static_cast<uint32_t>(shown.chars.size());
        const bool note = i < hits.annotation.size() && hits.annotation[i];
        size_t length = 1;
        char32_t c = text[i];
        if (IsBlank(c)) {
            while (i + length < text.size() && IsBlank(text[i + length]))
                ++length;
            c = U' ';
        } else if (c == U'&') {
            const auto [entity, entityLength] = Entity(text, i);
            if (entityLength > 0) {
                c = entity;
                length = entityLength;
            }
        }
        for (size_t k = 0; k < length; ++k)
            shown.shownAt[i + k] = at;
        shown.chars += c;
        shown.annotation.push_back(note);
        i += length;
    }
    shown.shownAt[text.size()] = static_cast<uint32_t>(shown.chars.size());
    return shown;
}

// Appends shown characters [first, end) to the line, noting the annotation stretches.
void AppendShown(const ShownText& shown, size_t first, size_t end, KwicLineTag& line)
{
    for (size_t i = first; i < end; ++i) {
        const auto unit = static_cast<uint32_t>(line.text.size());
        CCodeConverter::AppendUtf16(line.text, shown.chars[i]);
        if (!shown.annotation[i])
            continue;
        const auto units = static_cast<uint32_t>(line.text.size()) - unit;
        if (!line.notes.empty() && line.notes.back().first + line.notes.back().second == unit)
            line.notes.back().second += units;
        else
            line.notes.emplace_back(unit, units);
    }
}

// Code points of a UTF-16 text, read forwards or backwards, compared one by one.
int CompareForward(std::u16string_view a, std::u16string_view b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const uint32_t x = CCodeConverter::DecodeUtf16(a, i);
        const uint32_t y = CCodeConverter::DecodeUtf16(b, j);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return (i < a.size()) - (j < b.size());
}

// The code point that ends text[0, end), moving end to its start.
uint32_t DecodeBackward(std::u16string_view text, size_t& end)
{
    const char16_t last = text[--end];
    if (last >= 0xDC00 && last <= 0xDFFF && end > 0 && text[end - 1] >= 0xD800 && text[end - 1] <= 0xDBFF) {
        size_t at = --end;
        return CCodeConverter::DecodeUtf16(text, at);
    }
    return last;
}

int CompareBackward(std::u16string_view a, std::u16string_view b)
{
    size_t i = a.size(), j = b.size();
    while (i > 0 && j > 0) {
        const uint32_t x = DecodeBackward(a, i);
        const uint32_t y = DecodeBackward(b, j);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return (i > 0) - (j > 0);
}

bool PageOrderLess(const KwicLineTag& a, const KwicLineTag& b)
{
    return std::tie(a.result, a.offset, a.anchor) < std::tie(b.result, b.offset, b.anchor);
}

}  // namespace

bool KwicLineTag::IsAnnotation(size_t unit) const
{
    for (const auto& [first, units] : notes)
        if (unit >= first && unit < first + units)
            return true;
    return false;
}

void AppendKwicLines(const PageHitsTag& hits, uint32_t result, int width, std::vector<KwicLineTag>& lines)
{
    if (hits.hits.empty())
        return;
    const ShownText shown = Show(hits);
    const size_t context = static_cast<size_t>(std::clamp(width, 0, kMaxKwicWidth));
    for (const HitPositionTag& hit : hits.hits) {
        const size_t storedEnd = std::min<size_t>(size_t{hit.offset} + hit.length, hits.text.size());
        const size_t start = shown.shownAt[std::min<size_t>(hit.offset, hits.text.size())];
        // A hit that ends inside an entity or a run of blanks takes the whole shown character.
        size_t end = shown.shownAt[storedEnd];
        if (storedEnd > hit.offset && storedEnd < hits.text.size() && shown.shownAt[storedEnd - 1] == end)
            ++end;
        KwicLineTag& line = lines.emplace_back();
        line.result = result;
        line.offset = hit.offset;
        line.anchor = hit.anchor;
        AppendShown(shown, start - std::min(start, context), start, line);
        line.beforeUnits = static_cast<uint32_t>(line.text.size());
        AppendShown(shown, start, end, line);
        line.hitUnits = static_cast<uint32_t>(line.text.size()) - line.beforeUnits;
        AppendShown(shown, end, std::min(shown.chars.size(), end + context), line);
    }
}

void SortKwicLines(std::vector<KwicLineTag>& lines, KwicOrder order, const std::vector<uint64_t>& ranks)
{
    const auto rankOf = [&ranks](const KwicLineTag& line) {
        return line.result < ranks.size() ? ranks[line.result] : UINT64_MAX;
    };
    switch (order) {
    case KwicOrder::Page: std::stable_sort(lines.begin(), lines.end(), PageOrderLess); break;
    case KwicOrder::Catalogue:
        std::stable_sort(lines.begin(), lines.end(), [&](const KwicLineTag& a, const KwicLineTag& b) {
            const uint64_t x = rankOf(a), y = rankOf(b);
            return x != y ? x < y : PageOrderLess(a, b);
        });
        break;
    case KwicOrder::Before:
        std::stable_sort(lines.begin(), lines.end(), [](const KwicLineTag& a, const KwicLineTag& b) {
            int c = CompareBackward(a.Before(), b.Before());
            if (c == 0)
                c = CompareForward(a.Hit(), b.Hit());
            if (c == 0)
                c = CompareForward(a.After(), b.After());
            return c != 0 ? c < 0 : PageOrderLess(a, b);
        });
        break;
    case KwicOrder::After:
        std::stable_sort(lines.begin(), lines.end(), [](const KwicLineTag& a, const KwicLineTag& b) {
            int c = CompareForward(a.After(), b.After());
            if (c == 0)
                c = CompareForward(a.Hit(), b.Hit());
            if (c == 0)
                c = CompareBackward(a.Before(), b.Before());
            return c != 0 ? c < 0 : PageOrderLess(a, b);
        });
        break;
    }
}

}  // namespace varo
