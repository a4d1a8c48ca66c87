#include "tools/varo-cli/searchrunner.h"

#include "panel/paneltext.h"
#include "panel/resultlist.h"
#include "tools/varo-cli/batch.h"
#include "tools/varo-cli/querytext.h"

#include <chrono>

namespace varo::cli {

SearchRunner::SearchRunner(CliPanel& panel, const Arguments& args) : m_panel(panel)
{
    CLeftFormModel& model = m_panel.Model();
    model.m_andOr = args.Has("--or") ? 1 : 0;
    model.m_variant = args.Has("--no-variants") ? 0 : 1;
    const std::string scope = args.Value("--scope").value_or("1");
    if (scope == "all") {
        for (int slot = 1; slot < model.m_catalogue.m_nodeCount; ++slot) {
            if (model.m_catalogue.TreeParentOf(slot) == 0)
                m_scopes.push_back(slot);
        }
    } else {
        const auto slot = static_cast<int>(args.Integer("--scope", 1, kCatalogueSlots - 1, 1));
        m_panel.RequireSlot("--scope", slot);
        m_scopes.push_back(slot);
    }
}

SearchAnswer SearchRunner::Run(const std::u16string& query)
{
    CLeftFormModel& model = m_panel.Model();
    model.m_index.m_hitPages.clear();
    model.m_index.m_hitCounts.clear();
    model.m_index.m_hitPageCount = 0;
    m_panel.SetQuery(query);
    SearchAnswer answer;
    const auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < m_scopes.size() && answer.error.empty(); ++i) {
        if (i == 0)
            SearchFirstScope(answer);
        else
            CollectScope(m_scopes[i], answer);
    }
    answer.elapsedUs = MicrosecondsSince(start);
    if (m_scopes.size() != 1)
        answer.summary = SummaryText(answer.results.size(), answer.hits);
    return answer;
}

void SearchRunner::SearchFirstScope(SearchAnswer& answer)
{
    CLeftFormModel& model = m_panel.Model();
    model.m_scopeRecord = static_cast<uint16_t>(m_scopes.front());
    model.RunSearch();
    answer.error = m_panel.TakeMessages();
    answer.summary = m_panel.Summary();
    answer.scopes.push_back({m_scopes.front(), model.ScopeNode(), answer.results.size()});
    Append(model.m_resultList.m_results, answer);
}

void SearchRunner::CollectScope(int slot, SearchAnswer& answer)
{
    CLeftFormModel& model = m_panel.Model();
    const ContentsNodeTag* scope =
        CCatalogue::FindNodeForRecord(model.m_catalogue.m_root.get(), model.m_catalogue.m_NodeItem[slot]);
    if (scope == nullptr) {
        answer.error = DisplayText(kScopeNotFoundMessage);
        return;
    }
    CResultList& list = model.m_resultList;
    // Only the entry's own share of the hit set is walked, not the whole set per entry.
    CHitSetShares(model.m_index.GetHitPages(), model.m_index.GetHitCounts())
        .Take(*scope, list.m_scanPages, list.m_scanCounts);
    list.CollectResults(*scope);
    answer.scopes.push_back({slot, scope, answer.results.size()});
    Append(list.m_results, answer);
}

void SearchRunner::Append(const std::vector<SearchNodeTag>& results, SearchAnswer& answer)
{
    for (const SearchNodeTag& result : results) {
        answer.results.push_back(result);
        answer.hits += result.hitCount;
    }
}

int TargetOption(const Arguments& args)
{
    return static_cast<int>(args.Integer("--target", 0, 2, TARGET_FULL_TEXT));
}

}  // namespace varo::cli
