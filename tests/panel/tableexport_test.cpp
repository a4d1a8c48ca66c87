// Tables taken away as TSV and CSV, and the search history kept as lines of text.
#include "panel/searchhistory.h"
#include "panel/tableexport.h"

#include <gtest/gtest.h>

namespace varo {
namespace {

TEST(TableExport, fieldsCannotSplitRowsOrRunFormulas)
{
    struct Case {
        std::u16string field;
        std::string tsv;
        std::string csv;
    } const cases[] = {
        {u"論語", "論語", "論語"},
        {u"a\tb", "a\\tb", "a\tb"},
        {u"a,b", "a,b", "\"a,b\""},
        {u"say \"hi\"", "say \"hi\"", "\"say \"\"hi\"\"\""},
        {u"line\nend\r", "line\\nend\\r", "\"line\nend\r\""},
        {u"back\\slash", "back\\\\slash", "back\\slash"},
        {u"=SUM(A1)", "'=SUM(A1)", "'=SUM(A1)"},
        {u"-1+2", "'-1+2", "'-1+2"},
        {u"@cmd", "'@cmd", "'@cmd"},
        {u"", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tsv);
        EXPECT_EQ(FormatTable({{c.field, u"x"}}, TableFormat::Tsv), c.tsv + "\tx\n");
        EXPECT_EQ(FormatTable({{c.field, u"x"}}, TableFormat::Csv), c.csv + ",x\r\n");
    }
}

TEST(TableExport, tablesNameEveryRowsPage)
{
    SearchNodeTag result{u"經部", u"論語", u"爲政", 21, 2, 1, 0};
    EXPECT_EQ(FormatTable(ResultTable({result}), TableFormat::Tsv),
              "類別\t書名\t巻\t頁\t頁番号\t箇所\n經部\t論語\t爲政\t2\t21\t1\n");

    KwicLineTag line;
    line.text = u"子曰{x}君子學";
    line.beforeUnits = 5;
    line.hitUnits = 2;
    line.notes = {{1, 3}, {7, 1}};  // 曰{x and 學
    EXPECT_EQ(MarkedBefore(line), u"子{曰\\{x}\\}");
    EXPECT_EQ(MarkedHit(line), u"君子");
    EXPECT_EQ(MarkedAfter(line), u"{學}");
    EXPECT_EQ(FormatTable(KwicTable({line}, {result}), TableFormat::Csv),
              "類別,書名,巻,頁,頁番号,前,語,後\r\n經部,論語,爲政,2,21,子{曰\\{x}\\},君子,{學}\r\n");

    const std::vector<StatNodeTag> stats = {
        {1, 1, 0, u"經部", 4, 6}, {2, 2, 1, u"論語", 3, 5}, {3, 3, 2, u"學而", 1, 3}, {5, 2, 1, u"孟子", 1, 1}};
    EXPECT_EQ(FormatTable(StatisticsTable(stats), TableFormat::Tsv),
              "類別\t書名\t巻\t階層\t頁数\t箇所\n經部\t\t\t1\t4\t6\n經部\t論語\t\t2\t3\t5\n"
              "經部\t論語\t學而\t3\t1\t3\n經部\t孟子\t\t2\t1\t1\n");
}

TEST(SearchHistory, newestFirstWithoutRepeatsAndAtMostFifty)
{
    CSearchHistory history;
    for (int i = 0; i < 60; ++i)
        history.Add({u"詩" + std::u16string(static_cast<size_t>(i % 55), u'經'), 0, 1, 0, false});
    history.Add({u"詩", 0, 1, 0, false});  // met before: moves up
    history.Add({u"詩", 1, 1, 0, false});  // other options: a search of its own
    const auto& entries = history.Entries();
    ASSERT_EQ(entries.size(), CSearchHistory::kMaxEntries);
    EXPECT_EQ(entries[0].andOr, 1);
    EXPECT_EQ(entries[1].query, u"詩");
    EXPECT_EQ(std::count(entries.begin(), entries.end(), entries[1]), 1);
}

TEST(SearchHistory, linesForTheSettingsStore_comeBackAndSkipOtherShapes)
{
    CSearchHistory history;
    history.Add({u"君子　小人", 0, 1, 2, false});
    history.Add({u"詩 經", 1, 0, 0, true});
    const std::vector<std::u16string> lines = history.ToLines();
    EXPECT_EQ(lines, (std::vector<std::u16string>{u"1\t0\t0\t1\t詩 經", u"0\t1\t2\t0\t君子　小人"}));

    CSearchHistory restored;
    std::vector<std::u16string> stored = lines;
    for (const char16_t* bad :
         {u"", u"0\t1\t0\t0\t", u"2\t1\t0\t0\t詩", u"0\t1\t3\t0\t詩", u"0 1 0 0 詩", u"x", u"0\t1\t0\t0\ta\tb"})
        stored.insert(stored.begin() + 1, bad);
    restored.FromLines(stored);
    EXPECT_EQ(restored.Entries(), history.Entries());
}

}  // namespace
}  // namespace varo
