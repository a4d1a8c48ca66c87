#include "text/querysyntax.h"

#include <gtest/gtest.h>

#include <vector>

namespace varo {
namespace {

// The check names the first unit that refuses a query, which the command line and the desktop
// program show; the term counts are the engine's (tests/engine/query_test.cpp).
TEST(CheckQuerySyntax, namesTheFirstRefusedUnit)
{
    struct Case {
        std::u16string query;
        int terms;
        std::optional<char16_t> rejected;
    };
    const Case cases[] = {
        {u"詩 經", 2, std::nullopt}, {u"詩a經b", 0, u'a'},           {u"a 詩", 0, u'a'},
        {u"詩\t經", 0, u'\t'},       {u"詩 \u00E9", 0, u'\u00E9'},   {u"?*？", 1, std::nullopt},
        {u"", 0, std::nullopt},      {u" \u3000 ", 0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.query.size()));
        const QueryCheckTag check = CheckQuerySyntax(c.query);
        EXPECT_EQ(check.terms, c.terms);
        EXPECT_EQ(check.rejected, c.rejected);
    }
}

TEST(ForEachTerm, skipsEmptyTermsAndStopsWhenAsked)
{
    std::vector<std::u16string> terms;
    ForEachTerm(u" 詩　經  詩\u3000", [&](std::u16string_view term) {
        terms.emplace_back(term);
        return true;
    });
    EXPECT_EQ(terms, (std::vector<std::u16string>{u"詩", u"經", u"詩"}));

    terms.clear();
    ForEachTerm(u"詩 經 書", [&](std::u16string_view term) {
        terms.emplace_back(term);
        return terms.size() < 2;
    });
    EXPECT_EQ(terms, (std::vector<std::u16string>{u"詩", u"經"}));
}

}  // namespace
}  // namespace varo
