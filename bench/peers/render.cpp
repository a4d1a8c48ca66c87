// Rendering result pages of the collection, as the search panel asks for them after a search:
// for a few queries, the first page of the result and the page with the most hits, with the
// variant option off and on.

#include "bench/peers/steps.h"

#include "engine/index.h"
#include "text/codeconverter.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace varo::peers {

namespace {

struct RenderQuery {
    const char* text;
    bool isAnd;
};

constexpr RenderQuery kRenderQueries[] = {
    {"明月", true},
    {"不", true},
    {"山 水 雲", false},
    {"春*秋", true},
};

}  // namespace

int RenderStep(const StepOptions& options)
{
    CIndex index;
    if (!index.Open(CCodeConverter::Utf8ToUtf16(options.collection.string()), u"Index", INDEX_FULL_TEXT)) {
        std::fprintf(stderr, "varo-peers: cannot open the text set Index in %s\n", options.collection.string().c_str());
        return 1;
    }
    std::ofstream results(options.work.Results("render.tsv"));
    for (const RenderQuery& query : kRenderQueries) {
        // The query as the panel hands it to the renderer: terms separated by U+3000.
        std::u16string text = CCodeConverter::Utf8ToUtf16(query.text);
        if (query.isAnd)
            index.SearchAnd(text, true, false);
        else
            index.SearchOr(text, true, false);
        const CDWordArray pages = index.GetHitPages();
        const CDWordArray counts = index.GetHitCounts();
        if (pages.empty())
            continue;
        const size_t most = static_cast<size_t>(std::max_element(counts.begin(), counts.end()) - counts.begin());
        const std::pair<const char*, size_t> picks[] = {{"first", 0}, {"most hits", most}};
        for (const auto& [which, at] : picks) {
            for (bool variants : {false, true}) {
                std::string output;
                int anchors = 0;
                Timing timing;
                Measure(
                    [&] {
                        output.clear();
                        anchors = index.RenderResultPage(pages[at], output, text, 0, variants);
                        return true;
                    },
                    options.policy, timing);
                results << "render\t" << query.text << '\t' << which << '\t' << (variants ? "on" : "off") << '\t'
                        << pages[at] << '\t' << counts[at] << '\t' << timing.wallUs << '\t' << anchors << '\t'
                        << output.size() << '\n';
                std::fprintf(stderr, "  render %-10s %-9s variants %-3s %8.1f us, %d anchors, %zu bytes\n", query.text,
                             which, variants ? "on" : "off", timing.wallUs, anchors, output.size());
            }
        }
    }
    return 0;
}

}  // namespace varo::peers
