#include "bench/peers/querymix.h"

#include "text/codeconverter.h"

namespace varo::peers {

namespace {

MixTerm ParseTerm(const std::u32string& term)
{
    const size_t first = term.find_first_not_of(U"?*");
    const size_t last = term.find_last_not_of(U"?*");
    MixTerm parsed;
    if (first == std::u32string::npos)
        return parsed;
    std::u32string segment;
    for (size_t i = first; i <= last; ++i) {
        if (term[i] != U'*') {
            segment += term[i];
        } else if (!segment.empty()) {
            parsed.segments.push_back(segment);
            segment.clear();
        }
    }
    parsed.segments.push_back(segment);
    return parsed;
}

MixQuery Query(std::string id, std::string className, std::string text, bool isAnd = true)
{
    MixQuery query{std::move(id), std::move(className), std::move(text), isAnd, {}};
    query.terms = ParseTerms(query.text);
    return query;
}

}  // namespace

bool MixTerm::HasSingleWildcard() const
{
    for (const std::u32string& segment : segments)
        if (segment.find(U'?') != std::u32string::npos)
            return true;
    return false;
}

std::vector<MixTerm> ParseTerms(const std::string& text)
{
    std::vector<MixTerm> terms;
    std::u32string term;
    const auto flush = [&] {
        if (!term.empty()) {
            MixTerm parsed = ParseTerm(term);
            if (!parsed.segments.empty())
                terms.push_back(std::move(parsed));
        }
        term.clear();
    };
    for (size_t i = 0; i < text.size();) {
        const uint32_t c = CCodeConverter::DecodeUtf8(text, i);
        if (c == U' ' || c == U'\u3000')
            flush();
        else
            term += static_cast<char32_t>(c == U'？' ? U'?' : c);
    }
    flush();
    return terms;
}

std::vector<MixQuery> QueryMix()
{
    // Page counts on the full sample collection (93,919 pages) are in the comments.
    return {
        Query("freq-1", "frequent character", "不"),           // 82,548 pages
        Query("freq-2", "frequent character", "人"),           // 78,855
        Query("mid-1", "mid character", "鶴"),                 // 11,308
        Query("mid-2", "mid character", "鷺"),                 // 3,020
        Query("rare", "rare character", "砠"),                 // 8
        Query("supp", "supplementary-plane character", "𣂏"),  // U+2308F, 63
        Query("phr2-1", "2-character phrase", "明月"),         // 5,508
        Query("phr2-2", "2-character phrase", "不知"),         // 10,326
        Query("phr4-1", "4-character phrase", "白日依山"),     // 7
        Query("phr4-2", "4-character phrase", "不知何處"),     // 279
        Query("absent", "phrase that never occurs", "人不月明"),
        Query("and2", "and, 2 terms", "春 秋"),
        Query("and3", "and, 3 terms", "山 水 雲"),
        Query("and-phr", "and, 2 phrases", "明月 清風"),
        Query("or2", "or, 2 terms", "鶴 鷺", false),
        Query("or3", "or, 3 terms", "山 水 雲", false),
        Query("any-1", "'?' one character", "明?月"),     // 242
        Query("any-2", "'?' one character", "不?不"),     // 927
        Query("gap-1", "'*' gap of 0-300", "春*秋"),      // 14,265
        Query("gap-2", "'*' gap of 0-300", "明月*清風"),  // 357
        Query("gap-3", "'*' gap of 0-300", "山*水*雲"),   // 10,741
    };
}

std::string Utf8(const std::u32string& text)
{
    std::string out;
    for (char32_t c : text)
        CCodeConverter::AppendUtf8(out, c);
    return out;
}

}  // namespace varo::peers
