#include "text/querysyntax.h"

#include <algorithm>

namespace varo {

// A refused unit ends the check at once; until then every unit after a separator (or at the
// start) opens a term.
QueryCheckTag CheckQuerySyntax(std::u16string_view query)
{
    QueryCheckTag check;
    bool inTerm = false;
    for (char16_t unit : query) {
        if (IsTermSeparator(unit)) {
            inTerm = false;
            continue;
        }
        if (!IsQueryUnit(unit))
            return {0, unit};
        if (!inTerm)
            ++check.terms;
        inTerm = true;
    }
    return check;
}

void ReplaceWideBlanks(std::u16string& text)
{
    std::replace(text.begin(), text.end(), kWideBlank, kBlank);
}

}  // namespace varo
