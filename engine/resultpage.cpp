// The result page hand-off: a page rendered with the hits of the last query highlighted, and
// with the variant option every variant form of every term as well. The store renders; the
// index only knows which forms each character of the query has.

#include "engine/index.h"
#include "store/pagerender.h"
#include "store/variantrender.h"
#include "text/codeconverter.h"

namespace varo {

namespace {

// The variant forms of every character of the query (a surrogate pair is one), in table order;
// a character in no group is its own one form. A character finds its group by its whole code
// point, as the search finds it, and each form stands whole, beyond the basic plane too.
QueryAlternatives AlternativesOf(const CIndex& index, std::u16string_view query)
{
    QueryAlternatives alternatives;
    for (size_t i = 0; i < query.size();) {
        const std::vector<uint32_t> members = index.GetVariants(CCodeConverter::DecodeUtf16(query, i));
        alternatives.emplace_back(members.begin(), members.end());
    }
    return alternatives;
}

}  // namespace

int CIndex::RenderResultPage(uint32_t page, std::string& output, std::u16string_view query, int target,
                             bool useVariants, bool* complete) const
{
    if (!useVariants)
        return m_fileList.RenderPage(page, output, query, target, complete);
    if (complete != nullptr)
        *complete = true;
    std::string text;
    int cell = 0;
    if (!m_fileList.ReadPageToRender(page, text, cell) || query.empty())
        return 0;
    return RenderVariantPage(std::move(text), cell, target, AlternativesOf(*this, query), output, complete);
}

bool CIndex::LocateHits(uint32_t page, std::u16string_view query, int target, bool useVariants, PageHitsTag& hits) const
{
    hits = PageHitsTag{};
    std::string text;
    int cell = 0;
    if (CheckQuery(query) == 0 || !m_fileList.ReadPageToRender(page, text, cell))
        return false;
    std::vector<AnchorPassTag> passes;
    std::string document;
    if (useVariants)
        RenderVariantPage(std::move(text), cell, target, AlternativesOf(*this, query), document, nullptr, &passes);
    else
        render::RenderQuery(std::move(text), cell, target, query, document, nullptr, &passes);
    varo::LocateHits(document, cell, passes, hits);
    return true;
}

}  // namespace varo
