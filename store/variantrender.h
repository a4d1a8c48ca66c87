#pragma once
// Rendering a page with every variant form of a query highlighted, without writing the forms
// out: the caller says which characters each position of the query may be, and the renderer
// highlights the terms those choices spell, as rendering the whole expansion joined into one
// query would, in bounded time and memory.

#include "store/hitpositions.h"

#include <string>
#include <vector>

namespace varo {

/// The forms of a query, position by position: the alternatives of position i are the UTF-16
/// units that may stand at i (itself first when it is in no variant group), in variant-table
/// order. A blank (U+0020 or U+3000) among the alternatives of a position ends a term there.
///   query 干 with the group {乾, 干}  =>  {{u'乾', u'干'}}: the forms 乾 and 干
using QueryAlternatives = std::vector<std::vector<char16_t>>;

/// Renders page (a stored page's text; cell 0 or 1 the cell its label selects, target 0 full
/// text, 1 main text, 2 annotations) into output with every term of the expansion highlighted,
/// terms in the order the expansion first names them, and returns the number of anchors
/// written. The document is the one that rendering the expansion (every combination of
/// alternatives, joined by blanks) as one query gives, byte for byte (render::RenderQuery).
/// Without alternatives, or when they name no term, output is left alone and the result is 0.
///
/// One render does a bounded amount of work. complete, when given, tells whether the render
/// got through the whole expansion; when it did not, the document is the joined render's after
/// an initial run of the expansion's terms (the first always among them): those are highlighted
/// as the joined render highlights them, the rest not at all. passes, when given, receives what
/// each highlighting pass of the document anchored.
int RenderVariantPage(std::string page, int cell, int target, const QueryAlternatives& alternatives,
                      std::string& output, bool* complete = nullptr, std::vector<AnchorPassTag>* passes = nullptr);

}  // namespace varo
