// End to end: a random corpus goes through the varo-build program, and the engine's answers to
// random queries are compared with a brute-force scan of the corpus's own texts.

#include "tests/support/fixture.h"

#include "engine/index.h"
#include "text/codeconverter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <random>
#include <set>

#include <sys/wait.h>

namespace varo {
namespace {

namespace fs = std::filesystem;

// Characters of the corpus: plain ones, members of the variant groups below, one outside the
// basic plane, and characters without an index slot (they take positions but are never found).
const std::u32string kAlphabet = U"甲乙丙丁戊己庚辛乾干幹萬万一𠀀、&";
// 干 is listed in groups 0 and 3: it is searched as group 0 but occurs in both streams.
const char kVariantTable[] = "4E7E,5E72\n842C,4E07\n20000,4E00\n5E72,5E79\n";
const writer::VariantGroups kGroups = {{0x4E7E, 0x5E72}, {0x842C, 0x4E07}, {0x20000, 0x4E00}, {0x5E72, 0x5E79}};

struct Span {
    std::u32string text;
    bool annotation = false;
};

// One line of a page: a heading (main text only) or a paragraph of main and annotation spans.
struct Line {
    bool heading = false;
    std::vector<Span> spans;
};

struct Page {
    std::string recordName;
    uint32_t label = 0;
    bool html = false;
    std::vector<Line> lines;
    std::array<std::u32string, 3> expected;  // by index kind
};

struct Volume {
    std::string name;
    std::vector<Page> pages;
};

struct Title {
    std::string name;
    std::vector<Volume> volumes;
};

struct Category {
    std::string name;
    std::vector<Title> titles;
};

// What the page's indexed text is by the documented rules: spans in order, '&' written as the
// entity "&amp;" and indexed as its five characters.
std::u32string Indexed(const std::u32string& text)
{
    std::u32string out;
    for (char32_t c : text)
        out += c == U'&' ? std::u32string(U"&amp;") : std::u32string(1, c);
    return out;
}

std::string PlainSource(const Page& page)
{
    std::string text;
    for (const Line& line : page.lines) {
        text += line.heading ? "# " : "";
        for (const Span& span : line.spans)
            text += span.annotation ? "{" + test::Utf8(span.text) + "}" : test::Utf8(span.text);
        text += "\n\n";  // blank lines are skipped
    }
    return text;
}

std::string HtmlSource(const Page& page)
{
    std::string cell;
    for (const Line& line : page.lines) {
        std::string body;
        for (const Span& span : line.spans) {
            std::string text;
            for (char32_t c : span.text)
                text += c == U'&' ? "&amp;" : test::Utf8(std::u32string(1, c));
            body += span.annotation ? "<font size=-1 color=\"#993366\">" + text + "</font>" : text;
        }
        cell += line.heading ? "<h4>" + body + "</h4>" : "<p>" + body + "<br></p>";
    }
    return page.label % 2 == 0 ? test::PageHtml("題", cell, "邊") : test::PageHtml("題", "邊", cell);
}

class Corpus {
public:
    explicit Corpus(uint32_t seed) : m_random(seed)
    {
        for (int c = 0; c < 2; ++c) {
            Category category{"0" + std::to_string(c + 1) + "_類" + std::to_string(c), {}};
            for (int t = 0; t < 2; ++t) {
                Title title{"書" + std::to_string(t), {}};
                for (int v = 0; v < 2 + c; ++v)
                    title.volumes.push_back(MakeVolume("巻" + std::to_string(v)));
                category.titles.push_back(std::move(title));
            }
            m_categories.push_back(std::move(category));
        }
        // Two pages that put the 300-character limit of '*' to the test: 壬 and 癸 with 300
        // characters between them, 子 and 丑 with 301.
        Volume& volume = m_categories[0].titles[0].volumes[0];
        for (const std::u32string ends : {U"壬癸", U"子丑"}) {
            Page page;
            page.label = volume.pages.back().label + 1;
            std::u32string filler = RandomText(ends == U"壬癸" ? 300 : 301);
            std::replace(filler.begin(), filler.end(), U'&', U'、');  // one position each
            const std::u32string text = ends.substr(0, 1) + filler + ends.substr(1);
            page.lines.push_back({false, {{text, false}}});
            page.expected[INDEX_FULL_TEXT] = page.expected[INDEX_MAIN_TEXT] = Indexed(text);
            volume.pages.push_back(std::move(page));
        }
    }

    void Write(const fs::path& root) const
    {
        std::ofstream(root / "yitizi.txt") << kVariantTable;
        for (const Category& category : m_categories)
            for (const Title& title : category.titles)
                for (const Volume& volume : title.volumes)
                    for (const Page& page : volume.pages) {
                        const fs::path folder = root / category.name / title.name / volume.name;
                        fs::create_directories(folder);
                        char file[32];
                        snprintf(file, sizeof file, "%04u.%s", page.label, page.html ? "htm" : "txt");
                        std::ofstream(folder / file, std::ios::binary)
                            << (page.html ? HtmlSource(page) : PlainSource(page));
                    }
    }

    // Pages in record order.
    std::vector<const Page*> Pages() const
    {
        std::vector<const Page*> pages;
        for (const Category& category : m_categories)
            for (const Title& title : category.titles)
                for (const Volume& volume : title.volumes)
                    for (const Page& page : volume.pages)
                        pages.push_back(&page);
        return pages;
    }

    const std::vector<Category>& Categories() const { return m_categories; }
    std::mt19937& Random() { return m_random; }

private:
    uint32_t Pick(uint32_t count) { return std::uniform_int_distribution<uint32_t>(0, count - 1)(m_random); }

    std::u32string RandomText(uint32_t length)
    {
        std::u32string text;
        for (uint32_t i = 0; i < length; ++i)
            text += kAlphabet[Pick(static_cast<uint32_t>(kAlphabet.size()))];
        return text;
    }

    Volume MakeVolume(const std::string& name)
    {
        Volume volume{name, {}};
        const uint32_t firstLabel = 1 + Pick(5);
        const uint32_t pages = 2 + Pick(4);
        for (uint32_t i = 0; i < pages; ++i) {
            Page page;
            page.label = firstLabel + i;
            page.html = Pick(4) == 0;
            for (uint32_t l = 0, lines = 1 + Pick(6); l < lines; ++l) {
                Line line;
                line.heading = Pick(5) == 0;
                for (uint32_t s = 0, spans = 1 + Pick(3); s < spans; ++s)
                    line.spans.push_back({RandomText(1 + Pick(25)), !line.heading && Pick(3) == 0});
                page.lines.push_back(std::move(line));
            }
            for (const Line& line : page.lines)
                for (const Span& span : line.spans) {
                    page.expected[INDEX_FULL_TEXT] += Indexed(span.text);
                    page.expected[span.annotation ? INDEX_ANNOTATIONS : INDEX_MAIN_TEXT] += Indexed(span.text);
                }
            volume.pages.push_back(std::move(page));
        }
        return volume;
    }

    std::mt19937 m_random;
    std::vector<Category> m_categories;
};

// ---- the brute-force search -------------------------------------------------------------------

// One segment of a term: its indexed characters with their offsets from the first one, and the
// wildcards before its first and after its last indexed character.
struct Segment {
    std::vector<std::pair<int, char32_t>> characters;  // offset, code point
    int leadingWildcards = 0;
    int trailingWildcards = 0;
};

bool IsWildcard(char32_t c)
{
    return c == U'?' || c == U'？';
}

std::vector<Segment> Segments(const std::u32string& term)
{
    std::vector<Segment> segments(1);
    int wildcards = 0;
    for (char32_t c : term) {
        Segment& segment = segments.back();
        if (c == U'*') {
            if (!segment.characters.empty()) {
                segment.trailingWildcards = wildcards;
                wildcards = 0;
                segments.emplace_back();
            }
        } else if (IsWildcard(c)) {
            ++wildcards;
        } else if (CIndex::GetCharSlot(c) >= 0) {
            if (segment.characters.empty())
                segment.leadingWildcards = wildcards;
            const int offset = segment.characters.empty() ? 0 : segment.characters.back().first + wildcards + 1;
            segment.characters.push_back({offset, c});
            wildcards = 0;
        }
    }
    if (segments.back().characters.empty())
        segments.pop_back();
    else
        segments.back().trailingWildcards = wildcards;
    return segments;
}

bool Matches(char32_t text, char32_t term, bool useVariants)
{
    if (useVariants)
        for (const auto& group : kGroups)
            if (std::find(group.begin(), group.end(), term) != group.end())
                return std::find(group.begin(), group.end(), text) != group.end();
    return text == term;
}

// Start positions in text where the segment's characters all match.
std::vector<int> SegmentMatches(const std::u32string& text, const Segment& segment, bool useVariants)
{
    std::vector<int> starts;
    for (int start = 0; start < static_cast<int>(text.size()); ++start) {
        bool all = true;
        for (const auto& [offset, c] : segment.characters) {
            const int at = start + offset;
            if (at >= static_cast<int>(text.size()) || !Matches(text[static_cast<size_t>(at)], c, useVariants)) {
                all = false;
                break;
            }
        }
        if (all)
            starts.push_back(start);
    }
    return starts;
}

// The number of hits of a one-segment term, or whether a multi-segment term matches at all
// (1 or 0): each next segment's first character must follow the previous segment's last with
// between q and q + 300 characters in between, q being the wildcards between them.
uint32_t BruteForceHits(const std::u32string& text, const std::vector<Segment>& segments, bool useVariants)
{
    std::vector<int> reachable = SegmentMatches(text, segments[0], useVariants);
    if (segments.size() == 1)
        return static_cast<uint32_t>(reachable.size());
    for (size_t s = 1; s < segments.size() && !reachable.empty(); ++s) {
        const int lastOffset = segments[s - 1].characters.back().first;
        const int q = segments[s - 1].trailingWildcards + segments[s].leadingWildcards;
        std::vector<int> next;
        for (int start : SegmentMatches(text, segments[s], useVariants))
            for (int previous : reachable) {
                const int between = start - (previous + lastOffset) - 1;
                if (between >= q && between <= q + 300) {
                    next.push_back(start);
                    break;
                }
            }
        reachable = std::move(next);
    }
    return reachable.empty() ? 0 : 1;
}

// ---- the test ------------------------------------------------------------------------------

class CollectionEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new test::TempDir;
        s_corpus = new Corpus(20261210);
        fs::create_directory(Source());
        s_corpus->Write(Source());
        s_buildStatus = RunBuilder(Source(), Output(), s_dir->Path() / "build.log");
    }

    static void TearDownTestSuite()
    {
        delete s_corpus;
        delete s_dir;
    }

    static fs::path Source() { return s_dir->Path() / "source"; }
    static fs::path Output() { return s_dir->Path() / "out"; }

    static int RunBuilder(const fs::path& source, const fs::path& output, const fs::path& log)
    {
        const std::string command = std::string("'") + VARO_BUILD_PROGRAM + "' --quiet '" + source.string() + "' '" +
                                    output.string() + "' 2>'" + log.string() + "'";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::u16string RandomTerm(bool allowStar)
    {
        static const std::u32string kTermCharacters = U"甲乙丙丁戊己庚辛乾干幹萬万一𠀀";
        std::mt19937& random = s_corpus->Random();
        auto pick = [&random](uint32_t count) { return std::uniform_int_distribution<uint32_t>(0, count - 1)(random); };
        std::u32string term;
        const uint32_t segments = allowStar && pick(3) == 0 ? 2 : 1;
        for (uint32_t s = 0; s < segments; ++s) {
            if (s > 0)
                term += pick(2) ? U"*" : U"?*";
            if (pick(6) == 0)
                term += U'?';
            for (uint32_t i = 0, length = 1 + pick(3); i < length; ++i) {
                if (i > 0 && pick(5) == 0)
                    term += pick(2) ? U'?' : U'？';
                if (i > 0 && pick(8) == 0)
                    term += U'、';  // no slot: dropped from the term
                term += kTermCharacters[pick(static_cast<uint32_t>(kTermCharacters.size()))];
            }
        }
        std::u16string wide;
        for (char32_t c : term)
            CCodeConverter::AppendUtf16(wide, c);
        return wide;
    }

    static std::u32string Decode(const std::u16string& term)
    {
        std::u32string out;
        for (size_t i = 0; i < term.size();)
            out += static_cast<char32_t>(CCodeConverter::DecodeUtf16(term, i));
        return out;
    }

    static test::TempDir* s_dir;
    static Corpus* s_corpus;
    static int s_buildStatus;
};

test::TempDir* CollectionEndToEnd::s_dir = nullptr;
Corpus* CollectionEndToEnd::s_corpus = nullptr;
int CollectionEndToEnd::s_buildStatus = -1;

TEST_F(CollectionEndToEnd, searchesAgreeWithBruteForceForEveryKind)
{
    ASSERT_EQ(s_buildStatus, 0) << test::ReadFileBytes(s_dir->Path() / "build.log");
    const std::vector<const Page*> pages = s_corpus->Pages();
    int compared = 0;
    for (int kind : {INDEX_FULL_TEXT, INDEX_ANNOTATIONS, INDEX_MAIN_TEXT}) {
        CIndex index;
        ASSERT_TRUE(index.Open(CCodeConverter::Utf8ToUtf16(Output().string()), u"Index", kind));
        for (int round = 0; round < 150; ++round) {
            const bool useVariants = round % 2 == 1;
            const bool useAnd = round % 4 < 2;
            static const std::u16string kGapTerms[] = {u"壬*癸", u"子*丑", u"子?*丑", u"壬??*癸", u"子**丑"};
            std::vector<std::u16string> terms{round < 10 ? kGapTerms[round % 5] : RandomTerm(true)};
            if (round % 3 != 0)
                terms.push_back(RandomTerm(true));
            std::u16string query;
            for (const auto& term : terms)
                query += (query.empty() ? u"" : u" ") + term;
            const std::u16string shown = query;

            // Brute force: per term, the pages it hits (ascending) and its hits per page.
            std::vector<std::map<uint32_t, uint32_t>> perTerm;
            bool countsKnown = true;
            for (const auto& term : terms) {
                const auto segments = Segments(Decode(term));
                countsKnown = countsKnown && segments.size() == 1;
                std::map<uint32_t, uint32_t> hits;
                for (uint32_t p = 0; p < pages.size(); ++p)
                    if (const uint32_t count =
                            BruteForceHits(pages[p]->expected[static_cast<size_t>(kind)], segments, useVariants))
                        hits[p] = count;
                perTerm.push_back(std::move(hits));
            }
            std::vector<uint32_t> expectedPages;
            std::map<uint32_t, uint32_t> expectedCounts;
            if (useAnd) {
                for (const auto& [page, count] : perTerm[0]) {
                    uint32_t sum = count;
                    bool inAll = true;
                    for (size_t t = 1; t < perTerm.size() && inAll; ++t) {
                        const auto found = perTerm[t].find(page);
                        inAll = found != perTerm[t].end();
                        sum += inAll ? found->second : 0;
                    }
                    if (inAll) {
                        expectedPages.push_back(page);
                        expectedCounts[page] = sum;
                    }
                }
            } else {
                for (const auto& hits : perTerm)  // in order of discovery
                    for (const auto& [page, count] : hits) {
                        if (!expectedCounts.count(page))
                            expectedPages.push_back(page);
                        expectedCounts[page] += count;
                    }
            }

            if (useAnd)
                index.SearchAnd(query, true, useVariants);
            else
                index.SearchOr(query, true, useVariants);
            const std::string what = "kind " + std::to_string(kind) + (useAnd ? " and " : " or ") +
                                     (useVariants ? "variants " : "") + CCodeConverter::Utf16ToUtf8(shown);
            ASSERT_EQ(index.GetHitPages(), expectedPages) << what;
            if (countsKnown) {
                ASSERT_EQ(index.GetHitCounts().size(), expectedPages.size()) << what;
                for (size_t i = 0; i < expectedPages.size(); ++i)
                    EXPECT_EQ(index.GetHitCounts()[i], expectedCounts[expectedPages[i]])
                        << what << " page " << expectedPages[i];
            }
            compared += expectedPages.empty() ? 0 : 1;
        }
        index.Close();
    }
    EXPECT_GT(compared, 200);  // most queries must hit something, or the comparison says little
}

TEST_F(CollectionEndToEnd, catalogueAndStoreDescribeTheCorpus)
{
    ASSERT_EQ(s_buildStatus, 0) << test::ReadFileBytes(s_dir->Path() / "build.log");
    CIndex index;
    ASSERT_TRUE(index.Open(CCodeConverter::Utf8ToUtf16(Output().string()), u"Index", INDEX_FULL_TEXT));
    const std::vector<const Page*> pages = s_corpus->Pages();
    EXPECT_EQ(index.GetHeaderWord(), pages.size());
    EXPECT_EQ(index.FileList().GetRecordCount(), pages.size());

    const std::string catalogue = test::ReadFileBytes(Output() / "zlq.dir");
    auto word = [&catalogue](size_t offset, int bytes) {
        uint32_t value = 0;
        for (int i = bytes - 1; i >= 0; --i)
            value = value << 8 | static_cast<uint8_t>(catalogue[offset + static_cast<size_t>(i)]);
        return value;
    };
    size_t record = 0;
    uint32_t firstPage = 0;
    auto expect = [&](const std::string& folder, int level, uint32_t pageCount, uint32_t label) {
        const size_t at = record++ * 216;
        ASSERT_LE(at + 216, catalogue.size());
        std::string name = folder.substr(folder.find('_') == 2 ? 3 : 0);
        std::u16string stored;
        for (size_t i = 0; i < 200 && word(at + i, 2) != 0; i += 2)
            stored += static_cast<char16_t>(word(at + i, 2));
        EXPECT_EQ(CCodeConverter::Utf16ToUtf8(stored), name);
        EXPECT_EQ(static_cast<int>(word(at + 200, 4)), level) << name;
        EXPECT_EQ(word(at + 204, 4), firstPage + 1) << name;
        EXPECT_EQ(word(at + 208, 4), pageCount) << name;
        EXPECT_EQ(word(at + 212, 2), label) << name;
    };
    for (const Category& category : s_corpus->Categories()) {
        uint32_t categoryPages = 0;
        for (const Title& title : category.titles)
            for (const Volume& volume : title.volumes)
                categoryPages += static_cast<uint32_t>(volume.pages.size());
        expect(category.name, 1, categoryPages, category.titles[0].volumes[0].pages[0].label);
        for (const Title& title : category.titles) {
            uint32_t titlePages = 0;
            for (const Volume& volume : title.volumes)
                titlePages += static_cast<uint32_t>(volume.pages.size());
            expect(title.name, 2, titlePages, title.volumes[0].pages[0].label);
            for (const Volume& volume : title.volumes) {
                expect(volume.name, 3, static_cast<uint32_t>(volume.pages.size()), volume.pages[0].label);
                // Pages of a volume are found by label from its first record, as the page
                // commands find them.
                for (const Page& page : volume.pages) {
                    int64_t found = -1;
                    ASSERT_TRUE(index.FindPage(firstPage, static_cast<int>(page.label), found));
                    EXPECT_EQ(found, firstPage + (page.label - volume.pages[0].label));
                }
                firstPage += static_cast<uint32_t>(volume.pages.size());
            }
        }
    }
    EXPECT_EQ(record * 216, catalogue.size());
}

TEST_F(CollectionEndToEnd, refusedBuildExitsNonZeroAndNamesTheLimit)
{
    struct Case {
        std::string file;
        std::string complaint;
    } cases[] = {
        {"0001_" + std::string(100, 'n') + "/0001.txt", "99"},
        {"v/65536.txt", "65536.txt has a label above 65,535"},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const fs::path page = dir.Path() / "source" / "c" / "t" / c.file;
        fs::create_directories(page.parent_path());
        std::ofstream(page) << "甲";
        const int status = RunBuilder(dir.Path() / "source", dir.Path() / "out", dir.Path() / "log");
        EXPECT_EQ(status, 1) << c.complaint;
        const std::string log = test::ReadFileBytes(dir.Path() / "log");
        EXPECT_NE(log.find(c.complaint), std::string::npos) << log;
        EXPECT_FALSE(fs::exists(dir.Path() / "out"));
    }
}

// The builder's command line: a usage error ends with 2 and writes nothing; --variants FILE, also
// written --variants=FILE, names the variant table the collection takes.
TEST(BuilderCommandLine, usageErrorsExitTwo_variantsNamesTheTable)
{
    test::TempDir dir;
    fs::create_directories(dir.Path() / "source" / "c" / "t" / "v");
    std::ofstream(dir.Path() / "source" / "c" / "t" / "v" / "0001.txt") << "乾干";
    const std::string table = writer::FormatVariantTable({{0x4E7E, 0x5E72}});
    ASSERT_TRUE(writer::WriteFileBytes(dir.Path() / "table.txt", table));
    const auto run = [&](const std::string& arguments) {
        const std::string command = std::string("'") + VARO_BUILD_PROGRAM + "' " + arguments + " >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    const std::string source = "'" + (dir.Path() / "source").string() + "' ";
    const std::string output = "'" + (dir.Path() / "out").string() + "'";
    for (const std::string& bad :
         {"--bogus " + source + output, source + output + " --variants", source, "--quiet=yes " + source + output}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(run(bad), 2);
        EXPECT_FALSE(fs::exists(dir.Path() / "out"));
    }
    const std::string tableFile = "'" + (dir.Path() / "table.txt").string() + "' ";
    for (const std::string& variants : {"--variants " + tableFile, "--variants=" + tableFile}) {
        SCOPED_TRACE(variants);
        fs::remove_all(dir.Path() / "out");
        ASSERT_EQ(run("--quiet " + variants + source + output), 0);
        EXPECT_EQ(test::ReadFileBytes(dir.Path() / "out" / "yitizi.txt"), table);
    }
}

}  // namespace
}  // namespace varo
