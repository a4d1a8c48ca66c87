// varo-cli run as a program on a small collection: what each command prints, and its exit codes.

#include "tests/tools/clirunner.h"

#include "engine/index.h"
#include "store/filelist.h"
#include "text/codeconverter.h"
#include "tools/writer/cataloguewriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace varo::test {
namespace {

namespace fs = std::filesystem;

class CliTest : public ::testing::Test {
protected:
    void SetUp() override { WriteCliCollection(m_data.Path()); }

    CliRun Run(std::vector<std::string> args, const CliEnvironment& environment = {}) const
    {
        args.insert(args.begin(), {"--data", m_data.Path().string()});
        return RunCli(args, environment);
    }

    // The engine's return value for a query on a freshly opened full-text index.
    int EngineReturn(std::u16string query, bool orMode) const
    {
        CIndex index;
        EXPECT_TRUE(index.Open(m_data.Folder(), u"Index", INDEX_FULL_TEXT));
        return orMode ? index.SearchOr(query, true, true) : index.SearchAnd(query, true, true);
    }

    TempDir m_data;
};

CliEnvironment Feeding(const std::string& input)
{
    CliEnvironment environment;
    environment.input = input;
    return environment;
}

CliEnvironment InFolder(const fs::path& folder)
{
    CliEnvironment environment;
    environment.workingFolder = folder;
    return environment;
}

// Removes the field ,"elapsed_us":N from the end of a batch answer. (Written out by hand: GCC 12
// warns inside <regex> when sanitizers are on.)
std::string WithoutElapsed(const std::string& line)
{
    const std::string field = ",\"elapsed_us\":";
    const size_t start = line.rfind(field);
    if (start == std::string::npos)
        return line;
    size_t end = start + field.size();
    const size_t digits = end;
    while (end < line.size() && line[end] >= '0' && line[end] <= '9')
        ++end;
    if (end == digits || end >= line.size() || line[end] != '}')
        return line;
    return line.substr(0, start) + line.substr(end);
}

// "varo-cli X.Y.Z\n" with three decimal numbers.
bool IsVersionLine(const std::string& text)
{
    const std::string prefix = "varo-cli ";
    if (text.rfind(prefix, 0) != 0 || text.empty() || text.back() != '\n')
        return false;
    int numbers = 0;
    bool inNumber = false;
    for (size_t i = prefix.size(); i + 1 < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            numbers += inNumber ? 0 : 1;
            inNumber = true;
        } else if (c == '.' && inNumber) {
            inNumber = false;
        } else {
            return false;
        }
    }
    return numbers == 3 && inNumber;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

TEST_F(CliTest, hits_giveHitSetAfterAndOrOr)
{
    const int andReturn = EngineReturn(u"詩 經", false);
    const int orReturn = EngineReturn(u"詩 經", true);

    const CliRun both = Run({"hits", "--json", "詩 經"});
    EXPECT_EQ(both.exitCode, 0) << both.err;
    EXPECT_EQ(both.out, R"({"query":"詩　經","return":)" + std::to_string(andReturn) +
                            R"(,"pages":[2,6],"counts":[2,2]})"
                            "\n");

    // Terms as separate arguments are one query; or lists the first term's pages first.
    const CliRun either = Run({"hits", "--or", "--json", "詩", "經"});
    EXPECT_EQ(either.out, R"({"query":"詩　經","return":)" + std::to_string(orReturn) +
                              R"(,"pages":[0,2,4,5,6,3],"counts":[3,2,1,1,2,1]})"
                              "\n");

    const CliRun text = Run({"hits", "詩 經"});
    EXPECT_EQ(text.out, "query: 詩　經\nreturn: " + std::to_string(andReturn) + "\npages: 2\npage\thits\n2\t2\n6\t2\n");
}

TEST_F(CliTest, hits_followVariantAndCountSwitches)
{
    EXPECT_EQ(Run({"hits", "--json", "干"}).out, R"({"query":"干","return":1,"pages":[7],"counts":[1]})"
                                                 "\n");
    EXPECT_EQ(Run({"hits", "--json", "--no-variants", "干"}).out, R"({"query":"干","return":0,"pages":[],"counts":[]})"
                                                                  "\n");
    const CliRun uncounted = Run({"hits", "--json", "--no-count", "經"});
    EXPECT_NE(uncounted.out.find(R"("pages":[2,3,6],"counts":[]})"), std::string::npos) << uncounted.out;
}

// The kinds open different index files: without the annotation index, kind 1 and the target
// 注釈 (2) fail while kind 2 and the target 正文 (1) work.
TEST_F(CliTest, kindAndTarget_openTheirIndexFiles)
{
    fs::remove(m_data.Path() / "Index_desc-idx.h");
    EXPECT_EQ(Run({"hits", "--kind", "1", "詩"}).exitCode, 1);
    EXPECT_EQ(Run({"hits", "--kind", "2", "詩"}).exitCode, 0);
    EXPECT_EQ(Run({"search", "--target", "2", "詩"}).exitCode, 1);
    EXPECT_EQ(Run({"search", "--target", "1", "詩"}).exitCode, 0);
    EXPECT_EQ(Run({"render", "--page", "0", "--target", "2", "詩"}).exitCode, 1);
}

TEST_F(CliTest, search_listsScopeResultsInLabelOrder)
{
    const std::string scopeOne = R"({"summary":"全部で 4 頁で、6 箇所でした。","pages":4,"hits":6,"results":[)"
                                 R"({"category":"經部","title":"論語","volume":"爲政","label":1,"page":2,"hits":1},)"
                                 R"({"category":"經部","title":"孟子","volume":"梁惠王","label":1,"page":5,"hits":1},)"
                                 R"({"category":"經部","title":"論語","volume":"爲政","label":3,"page":4,"hits":1},)"
                                 R"({"category":"經部","title":"論語","volume":"學而","label":5,"page":0,"hits":3}]})"
                                 "\n";
    EXPECT_EQ(Run({"search", "--json", "詩"}).out, scopeOne);
    EXPECT_EQ(Run({"search", "--json", "--scope", "1", "詩"}).out, scopeOne);

    const std::string history = R"({"category":"史部","title":"史記","volume":"本紀","label":7,"page":6,"hits":1})";
    EXPECT_EQ(Run({"search", "--json", "--scope", "9", "詩"}).out,
              R"({"summary":"全部で 1 頁で、1 箇所でした。","pages":1,"hits":1,"results":[)" + history + "]}\n");

    const CliRun all = Run({"search", "--json", "--scope", "all", "詩"});
    EXPECT_EQ(all.out.substr(0, all.out.find('[')),
              R"({"summary":"全部で 5 頁で、7 箇所でした。","pages":5,"hits":7,"results":)");
    EXPECT_NE(all.out.find(R"("page":0,"hits":3},)" + history + "]}"), std::string::npos) << all.out;

    EXPECT_EQ(Run({"search", "--scope", "9", "詩"}).out,
              "全部で 1 頁で、1 箇所でした。\n類別\t書名\t巻\t頁\tpage\thits\n史部\t史記\t本紀\t7\t6\t1\n");
    EXPECT_EQ(Run({"search", "--scope", "9", "孟"}).out, "全部で 0 頁で、0 箇所でした。\n");
}

TEST_F(CliTest, kwic_listsEveryHitWithItsContext)
{
    // The search's list order: pages 2, 5, 4, 0; page 0 reads 詩云詩云詩.
    const auto line = [](int page, int label, const char* volume, const char* title, const char* before,
                         const char* after, int anchor) {
        return std::string(R"({"page":)") + std::to_string(page) + R"(,"label":)" + std::to_string(label) +
               R"(,"before":")" + before + R"(","hit":"詩","after":")" + after + R"(","category":"經部","title":")" +
               title + R"(","volume":")" + volume + R"(","anchor":)" + std::to_string(anchor) + "}";
    };
    const std::string p2 = line(2, 1, "爲政", "論語", "", "經", 0), p5 = line(5, 1, "梁惠王", "孟子", "", "", 0),
                      p4 = line(4, 3, "爲政", "論語", "", "", 0), p0a = line(0, 5, "學而", "論語", "", "云", 0),
                      p0b = line(0, 5, "學而", "論語", "云", "云", 1), p0c = line(0, 5, "學而", "論語", "云", "", 2);
    const std::string head = R"({"summary":"全部で 4 頁で、6 箇所でした。","pages":4,"hits":6,"lines":[)";
    EXPECT_EQ(Run({"kwic", "--json", "--width", "1", "詩"}).out,
              head + p2 + "," + p5 + "," + p4 + "," + p0a + "," + p0b + "," + p0c + "]}\n");
    // Nearest character before first: none, then 云; equal before, the characters after decide.
    EXPECT_EQ(Run({"kwic", "--json", "--width", "1", "--sort", "before", "詩"}).out,
              head + p5 + "," + p4 + "," + p0a + "," + p2 + "," + p0c + "," + p0b + "]}\n");
    EXPECT_EQ(Run({"kwic", "--json", "--width", "1", "--sort", "after", "詩"}).out,
              head + p5 + "," + p4 + "," + p0c + "," + p0a + "," + p0b + "," + p2 + "]}\n");
    EXPECT_EQ(Run({"kwic", "--json", "--width", "1", "--sort", "catalogue", "詩"}).out,
              head + p0a + "," + p0b + "," + p0c + "," + p2 + "," + p4 + "," + p5 + "]}\n");

    EXPECT_EQ(Run({"kwic", "--scope", "9", "--width", "3", "詩"}).out,
              "全部で 1 頁で、1 箇所でした。\n類別\t書名\t巻\t頁\tpage\tbefore\thit\tafter\n"
              "史部\t史記\t本紀\t7\t6\t\t詩\t經\n");
    EXPECT_EQ(Run({"kwic", "--scope", "9", "孟"}).out, "全部で 0 頁で、0 箇所でした。\n");
    // The variant option: 干 finds 乾, and its line shows the form the page holds.
    EXPECT_NE(Run({"kwic", "--json", "--scope", "7", "干"}).out.find(R"("before":"","hit":"乾","after":"史")"),
              std::string::npos);
    EXPECT_NE(Run({"kwic", "--json", "--scope", "7", "--no-variants", "干"}).out.find(R"("lines":[])"),
              std::string::npos);
}

TEST_F(CliTest, stats_countPagesAndHitsPerEntry)
{
    const std::string scopeOne = R"({"slot":1,"level":1,"name":"經部","pages":4,"hits":6,"depth":0},)"
                                 R"({"slot":2,"level":2,"name":"論語","pages":3,"hits":5,"depth":1},)"
                                 R"({"slot":3,"level":3,"name":"學而","pages":1,"hits":3,"depth":2},)"
                                 R"({"slot":4,"level":3,"name":"爲政","pages":2,"hits":2,"depth":2},)"
                                 R"({"slot":5,"level":2,"name":"孟子","pages":1,"hits":1,"depth":1},)"
                                 R"({"slot":6,"level":3,"name":"梁惠王","pages":1,"hits":1,"depth":2})";
    EXPECT_EQ(Run({"stats", "--json", "詩"}).out,
              R"({"summary":"全部で 4 頁で、6 箇所でした。","pages":4,"hits":6,"nodes":[)" + scopeOne + "]}\n");
    // Every top-level entry in turn; the totals are search's for the same query.
    EXPECT_EQ(Run({"stats", "--json", "--scope", "all", "詩"}).out,
              R"({"summary":"全部で 5 頁で、7 箇所でした。","pages":5,"hits":7,"nodes":[)" + scopeOne +
                  R"(,{"slot":7,"level":1,"name":"史部","pages":1,"hits":1,"depth":0},)"
                  R"({"slot":8,"level":2,"name":"史記","pages":1,"hits":1,"depth":1},)"
                  R"({"slot":9,"level":3,"name":"本紀","pages":1,"hits":1,"depth":2}]})"
                  "\n");
    EXPECT_EQ(Run({"stats", "--scope", "4", "詩"}).out,
              "全部で 2 頁で、2 箇所でした。\nslot\tlevel\tdepth\tname\tpages\thits\n4\t3\t0\t爲政\t2\t2\n");
    const std::string search = Run({"search", "--or", "--scope", "4", "詩 經"}).out;
    EXPECT_EQ(Run({"stats", "--or", "--scope", "4", "詩 經"}).out.substr(0, search.find('\n')),
              search.substr(0, search.find('\n')));
}

// Each batch answer equals the answer of a single run of the same query, whatever came before
// it: an and-query with a term that cannot match empties the hit set, a refused one is skipped.
TEST_F(CliTest, batch_answersEachLineAsASingleRunWould)
{
    const std::vector<std::string> queries = {"詩 經", "詩 *", "經", "ab", "", "詩　經"};
    std::string input;
    for (const std::string& query : queries)
        input += query + "\n";
    for (const std::vector<std::string>& command : {std::vector<std::string>{"hits"},
                                                    {"hits", "--or"},
                                                    {"search", "--scope", "all"},
                                                    {"search", "--or"},
                                                    {"kwic", "--sort", "before"},
                                                    {"stats", "--scope", "all"}}) {
        std::vector<std::string> batchArgs = command;
        batchArgs.push_back("--batch");
        const CliRun batch = Run(batchArgs, Feeding(input));
        ASSERT_EQ(batch.exitCode, 0) << batch.err;
        const std::vector<std::string> answers = Lines(batch.out);
        ASSERT_EQ(answers.size(), queries.size()) << batch.out;
        for (size_t i = 0; i < queries.size(); ++i) {
            std::vector<std::string> singleArgs = command;
            singleArgs.insert(singleArgs.end(), {"--json", "--", queries[i]});
            const CliRun single = Run(singleArgs);
            if (single.exitCode == 2) {
                EXPECT_NE(answers[i].find(R"({"query":")" + queries[i] + R"(","error":"the query )"), std::string::npos)
                    << answers[i];
                continue;
            }
            EXPECT_NE(answers[i].find(R"(,"elapsed_us":)"), std::string::npos) << answers[i];
            EXPECT_EQ(WithoutElapsed(answers[i]) + "\n", single.out) << command[0] << " " << queries[i];
        }
    }
}

TEST_F(CliTest, refusedQuery_exits2NamingWhy)
{
    const struct {
        std::string query;
        std::string why;
    } cases[] = {
        {"", "the query is empty"},
        {" \xE3\x80\x80 ", "the query holds only blanks"},
        {"詩a", "'a' (U+0061)"},
        {"詩 1", "'1' (U+0031)"},
        {"詩\t經", "U+0009"},
        {"詩\xC3\xA9", "U+00E9"},
        {"\xE8\xA9", "not valid UTF-8"},
        {"\xC0\x80", "not valid UTF-8"},
    };
    for (const auto& c : cases) {
        for (const char* command : {"hits", "search", "kwic", "stats"}) {
            const CliRun run = Run({command, "--", c.query});
            EXPECT_EQ(run.exitCode, 2) << command << " " << c.query;
            EXPECT_NE(run.err.find(c.why), std::string::npos) << run.err;
            EXPECT_EQ(run.out, "");
        }
    }
}

TEST_F(CliTest, badArguments_exit64)
{
    const std::vector<std::vector<std::string>> withUsage = {
        {"frob"},
        {"hits"},
        {"hits", "--kind", "3", "詩"},
        {"hits", "--kind=x", "詩"},
        {"hits", "--frob", "詩"},
        {"hits", "--or=1", "詩"},
        {"hits", "--batch", "詩"},
        {"search", "--scope", "0", "詩"},
        {"search", "--target"},
        {"render", "詩"},
        {"render", "--page", "-1", "詩"},
        {"page"},
        {"page", "--page", "0", "--slot", "1"},
        {"page", "--page", "0", "--label", "1"},
        {"catalogue", "extra"},
        {"kwic", "--width", "101", "詩"},
        {"kwic", "--sort", "middle", "詩"},
        {"stats", "--width", "3", "詩"},
        {"stats"},
    };
    for (const auto& args : withUsage) {
        const CliRun run = Run(args);
        EXPECT_EQ(run.exitCode, 64) << args[0];
        EXPECT_NE(run.err.find("usage: varo-cli"), std::string::npos) << run.err;
    }
    EXPECT_EQ(RunCli({}).exitCode, 64);
    EXPECT_EQ(RunCli({"--data"}).exitCode, 64);

    // Well-formed arguments that name what the collection lacks.
    const std::vector<std::vector<std::string>> missing = {
        {"page", "--page", "8"},          {"render", "--page", "8", "詩"},   {"page", "--slot", "4", "--label", "9"},
        {"page", "--slot", "10"},         {"search", "--scope", "10", "詩"}, {"kwic", "--scope", "10", "詩"},
        {"stats", "--scope", "10", "詩"},
    };
    for (const auto& args : missing) {
        const CliRun run = Run(args);
        EXPECT_EQ(run.exitCode, 64) << args[1] << " " << args[2];
        EXPECT_EQ(run.err.find("usage:"), std::string::npos) << run.err;
    }
}

TEST_F(CliTest, helpAndVersion_printToStandardOutput)
{
    for (const char* command : {"hits", "search", "render", "page", "catalogue", "kwic", "stats"}) {
        const CliRun run = RunCli({command, "--help"});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out.rfind(std::string("usage: varo-cli ") + command, 0), 0u) << run.out;
    }
    EXPECT_EQ(RunCli({"--help"}).out.rfind("usage: varo-cli", 0), 0u);
    const CliRun version = RunCli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(IsVersionLine(version.out)) << version.out;
}

TEST_F(CliTest, unopenableData_exits1WithTheSystemMessage)
{
    const std::vector<std::vector<std::string>> commands = {
        {"hits", "詩"},          {"search", "詩"},        {"render", "--page", "0", "詩"},
        {"page", "--page", "0"}, {"page", "--slot", "1"}, {"kwic", "詩"},
        {"stats", "詩"},
    };
    for (const auto& args : commands) {
        std::vector<std::string> withData = {"--data", (m_data.Path() / "absent").string()};
        withData.insert(withData.end(), args.begin(), args.end());
        const CliRun run = RunCli(withData);
        EXPECT_EQ(run.exitCode, 1) << args[0];
        EXPECT_EQ(run.err, "varo-cli: データを開けませんでした。\n");
        EXPECT_EQ(run.out, "");
    }
    // Without its catalogue the panel's commands stop with the panel's message.
    fs::remove(m_data.Path() / "zlq.dir");
    for (const std::vector<std::string>& args : {std::vector<std::string>{"search", "詩"}, {"catalogue"}}) {
        const CliRun run = Run(args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, "varo-cli: you delete data file!\n");
    }
}

// Page 0's record claims the last 4 GiB - 1 bytes of a content file grown as large (sparse):
// every command that reads the page refuses it with the system's message instead of reading
// 4 GiB and printing garbage.
TEST_F(CliTest, pageClaiming4GiB_exits1WithTheSystemMessage)
{
    const fs::path list = m_data.Path() / "Index-fl.h";
    std::string bytes = ReadFileBytes(list);
    for (size_t i = 0; i < 8; ++i)
        bytes[kListHeaderSize + kDefaultNameSize + i] = '\xFF';
    ASSERT_TRUE(writer::WriteFileBytes(list, bytes));
    fs::resize_file(m_data.Path() / "Index-fl.cnt", 0xFFFFFFFF);
    const std::vector<std::vector<std::string>> commands = {
        {"render", "--page", "0", "詩"}, {"page", "--page", "0"}, {"page", "--slot", "3"}};
    for (const auto& args : commands) {
        const CliRun run = Run(args);
        EXPECT_EQ(run.exitCode, 1) << args[0];
        EXPECT_EQ(run.err, "varo-cli: page 0 cannot be read from the text store: データを開けませんでした。\n");
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(Run({"page", "--page", "1"}).out, StoredPage(1));
}

// zlq.dir grown to 20 GiB (sparse, its records first): the commands answer as before, at once.
TEST_F(CliTest, hugeSparseCatalogue_answersAsTheRecordsItHolds)
{
    const std::vector<std::vector<std::string>> commands = {{"catalogue"}, {"search", "--json", "詩"}};
    std::vector<std::string> before;
    TempDir current;
    for (const auto& args : commands)
        before.push_back(Run(args, InFolder(current.Path())).out);
    fs::resize_file(m_data.Path() / "zlq.dir", uint64_t{20} << 30);
    for (size_t i = 0; i < commands.size(); ++i) {
        const CliRun run = Run(commands[i], InFolder(current.Path()));
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, before[i]);
    }
}

TEST_F(CliTest, render_writesTheResultDocument)
{
    CIndex index;
    ASSERT_TRUE(index.Open(m_data.Folder(), u"Index", INDEX_FULL_TEXT));
    std::string expected;
    ASSERT_EQ(index.RenderResultPage(0, expected, u"詩", 0, false), 3);

    const CliRun run = Run({"render", "--page", "0", "詩"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, expected);
    EXPECT_NE(run.out.find(R"(<a name="0002">)"), std::string::npos);

    EXPECT_EQ(Run({"render", "--page", "0", "--count", "詩"}).out, "3\n");
    EXPECT_EQ(Run({"render", "--page", "2", "--count", "詩　經"}).out, "2\n");
    EXPECT_EQ(Run({"render", "--page", "7", "--count", "干"}).out, "0\n");
    EXPECT_EQ(Run({"render", "--page", "7", "--count", "--variants", "干"}).out, "1\n");
    // Page 0 holds its text as main text: the main-text target highlights it, the annotation
    // target leaves it plain.
    EXPECT_EQ(Run({"render", "--page", "0", "--count", "--target", "1", "詩"}).out, "3\n");
    EXPECT_EQ(Run({"render", "--page", "0", "--count", "--target", "2", "詩"}).out, "0\n");
    const CliRun empty = Run({"render", "--page", "0", ""});
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_EQ(empty.out, "");
}

TEST_F(CliTest, page_writesStoredPages)
{
    EXPECT_EQ(Run({"page", "--page", "3"}).out, StoredPage(3));
    EXPECT_EQ(Run({"page", "--slot", "4"}).out, StoredPage(2));
    EXPECT_EQ(Run({"page", "--slot", "4", "--label", "3"}).out, StoredPage(4));
    EXPECT_EQ(Run({"page", "--slot", "1"}).out, StoredPage(0));
    // Label 7 exists, but in the next category: the entry does not hold it.
    EXPECT_EQ(Run({"page", "--slot", "4", "--label", "7"}).exitCode, 64);
}

TEST_F(CliTest, catalogue_drawsTreeAndWritesListingToCurrentFolder)
{
    TempDir current;
    const CliRun tree = Run({"catalogue"}, InFolder(current.Path()));
    EXPECT_EQ(tree.exitCode, 0) << tree.err;
    EXPECT_EQ(tree.out,
              "經部  [slot 1, level 1, docID 1, docNo 6, curFileName 5]\n"
              "├─ 論語  [slot 2, level 2, docID 1, docNo 5, curFileName 5]\n"
              "│  ├─ 學而  [slot 3, level 3, docID 1, docNo 2, curFileName 5]\n"
              "│  └─ 爲政  [slot 4, level 3, docID 3, docNo 3, curFileName 1]\n"
              "└─ 孟子  [slot 5, level 2, docID 6, docNo 1, curFileName 1]\n"
              "   └─ 梁惠王  [slot 6, level 3, docID 6, docNo 1, curFileName 1]\n"
              "史部  [slot 7, level 1, docID 7, docNo 2, curFileName 7]\n"
              "└─ 史記  [slot 8, level 2, docID 7, docNo 2, curFileName 7]\n"
              "   └─ 本紀  [slot 9, level 3, docID 7, docNo 2, curFileName 7]\n");
    EXPECT_EQ(Lines(ReadFileBytes(current.Path() / "zlq.txt")).size(), 9u);

    const CliRun json = Run({"catalogue", "--json"}, InFolder(current.Path()));
    const std::string records = json.out.substr(0, json.out.find("},{") + 1);
    EXPECT_EQ(records,
              R"({"records":[{"slot":1,"level":1,"name":"經部","docID":1,"docNo":6,"curFileName":5,"parent":0})");
    EXPECT_NE(json.out.find(R"({"slot":9,"level":3,"name":"本紀","docID":7,"docNo":2,"curFileName":7,"parent":8}]})"),
              std::string::npos);
}

// A catalogue made elsewhere may hold names with tabs, line breaks, backslashes and unpaired
// surrogates: the text output escapes them, so that a result stays one line of six fields and a
// record one line of the tree, and JSON stays well-formed UTF-8.
TEST_F(CliTest, namesWithControlCharacters_areEscapedInTextAndValidInJson)
{
    const std::u16string lone(1, char16_t(0xD800));
    const std::vector<writer::CatalogueEntry> entries = {
        {u"經部", 1, 1, 6, 5},   {u"論語", 2, 1, 5, 5},     {u"學而", 3, 1, 2, 5},
        {u"爲政", 3, 3, 3, 1},   {u"孟子", 2, 6, 1, 1},     {u"梁惠王", 3, 6, 1, 1},
        {u"史\t部", 1, 7, 2, 7}, {u"史\n記\\", 2, 7, 2, 7}, {u"本" + lone + u"\r", 3, 7, 2, 7},
    };
    std::string catalogue;
    ASSERT_EQ(writer::BuildCatalogueImage(entries, catalogue), "");
    ASSERT_TRUE(writer::WriteFileBytes(m_data.Path() / "zlq.dir", catalogue));

    EXPECT_EQ(Run({"search", "--scope", "9", "詩"}).out,
              "全部で 1 頁で、1 箇所でした。\n類別\t書名\t巻\t頁\tpage\thits\n"
              "史\\t部\t史\\n記\\\\\t本\uFFFD\\r\t7\t6\t1\n");
    EXPECT_NE(Run({"search", "--json", "--scope", "9", "詩"})
                  .out.find(R"({"category":"史\t部","title":"史\n記\\","volume":"本)"
                            "\uFFFD"
                            R"(\r","label":7)"),
              std::string::npos);
    TempDir current;
    const std::vector<std::string> tree = Lines(Run({"catalogue"}, InFolder(current.Path())).out);
    ASSERT_EQ(tree.size(), 9u);
    EXPECT_EQ(tree[6], "史\\t部  [slot 7, level 1, docID 7, docNo 2, curFileName 7]");
    EXPECT_EQ(tree[8], "   └─ 本\uFFFD\\r  [slot 9, level 3, docID 7, docNo 2, curFileName 7]");
}

// No command writes into the data folder, not even the catalogue run from inside it, and the
// page files and listings of the panel do not outlive the process.
TEST_F(CliTest, commands_leaveDataAndTemporaryFoldersAsTheyWere)
{
    const auto snapshot = [](const fs::path& folder) {
        std::map<std::string, uintmax_t> files;
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            files[entry.path().string()] = entry.is_regular_file() ? entry.file_size() : 0;
        return files;
    };
    const auto before = snapshot(m_data.Path());
    TempDir temporary;
    const std::vector<std::vector<std::string>> commands = {
        {"hits", "詩"},
        {"search", "--scope", "all", "詩"},
        {"render", "--page", "0", "詩"},
        {"page", "--slot", "3"},
        {"page", "--page", "1"},
        {"catalogue"},
    };
    for (const auto& args : commands) {
        CliEnvironment environment = InFolder(m_data.Path());
        environment.temporary = temporary.Path();
        const CliRun run = Run(args, environment);
        EXPECT_EQ(run.exitCode, 0) << args[0] << run.err;
        EXPECT_TRUE(fs::is_empty(temporary.Path())) << args[0];
    }
    EXPECT_EQ(snapshot(m_data.Path()), before);
}

}  // namespace
}  // namespace varo::test
