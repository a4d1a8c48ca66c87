// The result page hand-off: a page rendered with the hits of the last query highlighted, and
// with the variant option every variant form of every term as well. The store renders; the
// index only knows which forms each character of the query has.

#include "engine/index.h"
#include "store/pagerender.h"
#include "store/variantrender.h"

namespace varo {

namespace {

// The variant forms of every position of the query, in table order; a unit in no group is its
// own one form. The index files know only the basic plane's forms by their low 16 bits.
QueryAlternatives AlternativesOf(const CIndex& index, std::u16string_view query)
{
    QueryAlternatives alternatives;
    alternatives.reserve(query.size());
    for (char16_t unit : query) {
        std::vector<char16_t> units;
        for (uint32_t member : index.GetVariants(unit))
            units.push_back(static_cast<char16_t>(member & 0xFFFF));
        alternatives.push_back(std::move(units));
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
