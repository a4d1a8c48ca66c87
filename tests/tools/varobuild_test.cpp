#include "tests/support/fixture.h"
#include "tools/varo-build/buildlimits.h"
#include "tools/varo-build/collection.h"
#include "tools/varo-build/interruption.h"
#include "tools/varo-build/pagetext.h"
#include "tools/varo-build/sourcetree.h"
#include "tools/varo-build/staging.h"
#include "tools/varo-build/validtext.h"
#include "tools/varo-build/varianttable.h"

#include "engine/index.h"
#include "store/filelist.h"
#include "text/codeconverter.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <map>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace varo::build {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::Utf32;

void WriteFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(SourceNames, naturalOrderAndDisplayNames)
{
    struct Case {
        std::string less, more;
    } orders[] = {{"2_b", "10_a"}, {"卷9", "卷10"}, {"a", "b"}, {"01", "1"}, {"x1y", "x1z"}, {"ab", "abc"}};
    for (const Case& c : orders) {
        EXPECT_TRUE(NaturalLess(c.less, c.more)) << c.less << " < " << c.more;
        EXPECT_FALSE(NaturalLess(c.more, c.less)) << c.more << " !< " << c.less;
    }
    EXPECT_EQ(DisplayName("01_經部"), "經部");
    EXPECT_EQ(DisplayName("經部"), "經部");
    EXPECT_EQ(DisplayName("01_"), "01_");
    EXPECT_EQ(DisplayName("2019"), "2019");
    EXPECT_EQ(DisplayName("a_b"), "a_b");
}

TEST(SourceNames, pageFileNames)
{
    struct Case {
        std::string name;
        bool page;
        uint64_t label;
        bool html;
    } cases[] = {
        {"0012.txt", true, 12, false},
        {"7.HTM", true, 7, true},
        {"0001.html", true, 1, true},
        {"12.md", false, 0, false},
        {"a12.txt", false, 0, false},
        {".txt", false, 0, false},
        {"12", false, 0, false},
        {"1.2.txt", false, 0, false},
        {"000000000001.txt", true, UINT64_MAX, false},  // more digits than the reader takes
    };
    for (const Case& c : cases) {
        uint64_t label = 0;
        bool html = false;
        ASSERT_EQ(ParsePageFileName(c.name, label, html), c.page) << c.name;
        if (c.page) {
            EXPECT_EQ(label, c.label) << c.name;
            EXPECT_EQ(html, c.html) << c.name;
        }
    }
}

TEST(SourceTree, readsLevelsInNaturalOrderAndWarnsAboutStrayFiles)
{
    TempDir dir;
    const fs::path root = dir.Path();
    WriteFile(root / "10_B" / "t" / "v" / "1.txt", "b");
    WriteFile(root / "2_A" / "01_T" / "2_V2" / "0005.txt", "x");
    WriteFile(root / "2_A" / "01_T" / "1_V1" / "0002.txt", "x");
    WriteFile(root / "2_A" / "01_T" / "1_V1" / "0001.htm", "x");
    WriteFile(root / "2_A" / "01_T" / "1_V1" / "notes.md", "x");
    WriteFile(root / "2_A" / "01_T" / "1_V1" / ".hidden", "x");
    WriteFile(root / "2_A" / "01_T" / "stray.txt", "x");
    fs::create_directories(root / "2_A" / "02_Empty" / "v");
    WriteFile(root / "yitizi.txt", "4E7E,5E72\n");

    SourceTree tree;
    std::vector<std::string> warnings;
    ASSERT_EQ(ReadSourceTree(root, tree, warnings), "");
    ASSERT_EQ(tree.categories.size(), 2u);
    EXPECT_EQ(tree.categories[0].name, "A");
    EXPECT_EQ(tree.categories[1].name, "B");
    const SourceTitle& title = tree.categories[0].titles.at(0);
    EXPECT_EQ(title.name, "T");
    ASSERT_EQ(title.volumes.size(), 2u);
    EXPECT_EQ(title.volumes[0].name, "V1");
    ASSERT_EQ(title.volumes[0].pages.size(), 2u);
    EXPECT_EQ(title.volumes[0].pages[0].recordName, "2_A\\01_T\\1_V1\\0001.htm");
    EXPECT_TRUE(title.volumes[0].pages[0].isHtml);
    EXPECT_EQ(title.volumes[1].pages[0].label, 5u);
    EXPECT_EQ(tree.PageCount(), 4u);
    EXPECT_EQ(tree.RecordCount(), 2u + 2u + 3u);
    // notes.md, stray.txt, the empty volume and the title left without pages
    EXPECT_EQ(warnings.size(), 4u);
}

TEST(SourceTree, refusesLabelsThatDoNotRunOnByOne)
{
    struct Case {
        std::vector<std::string> files;
        std::string complaint;
    } cases[] = {
        {{"0001.txt", "0003.txt"}, "run on by one"},
        {{"0001.txt", "1.htm"}, "same label"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        for (const std::string& file : c.files)
            WriteFile(dir.Path() / "c" / "t" / "v" / file, "x");
        SourceTree tree;
        std::vector<std::string> warnings;
        EXPECT_NE(ReadSourceTree(dir.Path(), tree, warnings).find(c.complaint), std::string::npos) << c.complaint;
    }
    TempDir empty;
    SourceTree tree;
    std::vector<std::string> warnings;
    EXPECT_NE(ReadSourceTree(empty.Path(), tree, warnings).find("no pages"), std::string::npos);
    EXPECT_NE(ReadSourceTree(empty.Path() / "missing", tree, warnings).find("does not exist"), std::string::npos);
}

// The wrapped page, split back the way the renderer splits it, gives the indexed texts.
TEST(PageText, plainTextMarkupBecomesItemsOfTheTextCell)
{
    struct Case {
        std::string text;
        uint64_t label;
        std::string full, main, annotations;
    } cases[] = {
        {"# 學而\n子曰{孔子}：學", 1, "學而子曰孔子：學", "學而子曰：學", "孔子"},
        {"甲{乙\n丙", 2, "甲乙丙", "甲丙", "乙"},                   // an open annotation ends with its line
        {"甲}乙{丙{丁}戊", 1, "甲}乙丙{丁戊", "甲}乙戊", "丙{丁"},  // stray braces are text
        {"\\{甲\\}\\\\\n\\# 乙\n#\t丙 \r\n\n  ", 2, "{甲}\\# 乙丙", "{甲}\\# 乙丙", ""},
        {"甲&乙<b>丙", 1, "甲&amp;乙&lt;b&gt;丙", "甲&amp;乙&lt;b&gt;丙", ""},  // entities take positions
        {"{注}", 3, "注", "", "注"},
    };
    for (const Case& c : cases) {
        const std::string html = WrapPlainText(c.text, {"T", "margin", c.label});
        const auto texts = IndexedTexts(html, c.label);
        EXPECT_EQ(texts[INDEX_FULL_TEXT], Utf32(c.full)) << c.text;
        EXPECT_EQ(texts[INDEX_MAIN_TEXT], Utf32(c.main)) << c.text;
        EXPECT_EQ(texts[INDEX_ANNOTATIONS], Utf32(c.annotations)) << c.text;
        // The margin sits in the other cell: never indexed.
        EXPECT_EQ(IndexedTexts(html, c.label + 1)[INDEX_FULL_TEXT], Utf32("margin")) << c.text;
    }
}

TEST(PageText, htmlPagesAreIndexedFromTheirTextCellWithTagsRemoved)
{
    const std::string html =
        test::PageHtml("題", "<p>甲<b>乙</b></p><font size=-1 color=\"#993366\">注<br>文</font>丙 a>b", "邊");
    const auto texts = IndexedTexts(html, 4);
    EXPECT_EQ(texts[INDEX_FULL_TEXT], Utf32("甲乙注文丙 a>b"));
    EXPECT_EQ(texts[INDEX_MAIN_TEXT], Utf32("甲乙丙 a>b"));
    EXPECT_EQ(texts[INDEX_ANNOTATIONS], Utf32("注文"));
    EXPECT_EQ(IndexedTexts(html, 5)[INDEX_FULL_TEXT], Utf32("邊"));
    EXPECT_EQ(EscapeHtml("<a&b>"), "&lt;a&amp;b&gt;");
}

TEST(VariantTable, parsesStrictly)
{
    writer::VariantGroups groups;
    ASSERT_EQ(ParseVariantTable("4E7E,5E72\r\n\n842C, 4E07,,\r\n  \n0x20000,U+3400\n", groups), "");
    EXPECT_EQ(groups, (writer::VariantGroups{{0x4E7E, 0x5E72}, {0x842C, 0x4E07}, {0x20000, 0x3400}}));
    for (const char* bad : {"4E7E,# note\n", "4E7E,zz\n", "110000\n", "4E7E 5E72\n", "0x\n"})
        EXPECT_NE(ParseVariantTable(bad, groups).find("line 1"), std::string::npos) << bad;
    EXPECT_NE(ParseVariantTable("4E7E\n\nx\n", groups).find("line 3"), std::string::npos);
}

TEST(ValidText, refusesWhatIsNotUtf8TextAndSaysWhere)
{
    const struct {
        std::string text;
        bool page;  // a page text, where tabs and line breaks are allowed
        std::string fault;
    } cases[] = {
        {"學而\t第一\r\n", true, ""},
        {"\xEF\xBF\xBD\xF0\xA0\x80\x80\u3000", false, ""},  // U+FFFD itself, U+20000, U+3000
        {"學\t", false, "the control character U+0009 at byte 3"},
        {"a\nb", false, "U+000A at byte 1"},
        {std::string("a\0b", 3), true, "the control character U+0000 at byte 1"},
        {"\x1B[2J", true, "U+001B at byte 0"},
        {"x\x7F", true, "U+007F at byte 1"},
        {"\xC2\x85", true, "U+0085 at byte 0"},  // a C1 control character
        {"ab\xFF", true, "bytes that are not UTF-8 (FF) at byte 2"},
        {"\xC0\xAF", true, "(C0 AF) at byte 0"},                // overlong '/'
        {"v\xED\xA0\x80", false, "(ED A0 80) at byte 1"},       // an encoded surrogate
        {"\xF4\x90\x80\x80", true, "(F4 90 80 80) at byte 0"},  // above U+10FFFF
        {"學\xE8\xA9", true, "(E8 A9) at byte 3"},              // cut short
    };
    for (const auto& c : cases) {
        const std::string fault = TextFault(c.text, c.page);
        if (c.fault.empty())
            EXPECT_EQ(fault, "") << Printable(c.text);
        else
            EXPECT_NE(fault.find(c.fault), std::string::npos) << Printable(c.text) << ": " << fault;
    }
    EXPECT_EQ(Printable("v\n1\xFF\xED\xA0\x80\xC2\x85學"), "v\\x0a1\\xff\\xed\\xa0\\x80\\u0085學");
}

SourcePage Page(const std::string& recordName, uint64_t label, bool html = false, uint64_t size = 1)
{
    return {recordName, recordName, label, html, size};
}

SourceTree OneVolumeTree(std::vector<SourcePage> pages)
{
    return {{{"c", "c", {{"t", "t", {{"v", "v", std::move(pages)}}}}}}};
}

TEST(Catalogue, recordsInPreOrderWithRangesAndFirstLabels)
{
    SourceTree tree{{
        {"c1",
         "C1",
         {{"t1", "T1", {{"v1", "V1", {Page("a\\1.txt", 1), Page("a\\2.txt", 2)}}, {"v2", "V2", {Page("b\\7.txt", 7)}}}},
          {"t2", "T2", {{"v3", "V3", {Page("c\\3.txt", 3)}}}}}},
        {"c2", "C2", {{"t3", "T3", {{"v4", "V4", {Page("d\\1.txt", 1), Page("d\\2.txt", 2)}}}}}},
    }};
    struct Expected {
        std::u16string name;
        int32_t level;
        uint32_t docID, docNo;
        uint16_t curFileName;
    } expected[] = {
        {u"C1", 1, 1, 4, 1}, {u"T1", 2, 1, 3, 1}, {u"V1", 3, 1, 2, 1}, {u"V2", 3, 3, 1, 7}, {u"T2", 2, 4, 1, 3},
        {u"V3", 3, 4, 1, 3}, {u"C2", 1, 5, 2, 1}, {u"T3", 2, 5, 2, 1}, {u"V4", 3, 5, 2, 1},
    };
    const auto entries = MakeCatalogue(tree);
    ASSERT_EQ(entries.size(), std::size(expected));
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].name, expected[i].name) << i;
        EXPECT_EQ(entries[i].level, expected[i].level) << i;
        EXPECT_EQ(entries[i].docID, expected[i].docID) << i;
        EXPECT_EQ(entries[i].docNo, expected[i].docNo) << i;
        EXPECT_EQ(entries[i].curFileName, expected[i].curFileName) << i;
    }
}

TEST(Limits, eachLimitIsRefusedWithItsOffendingItem)
{
    const std::string longName(100, 'n');
    const std::string longRecord = std::string(255, 'r') + "\\1.txt";  // 261 bytes
    SourceTree manyVolumes = OneVolumeTree({Page("v\\1.txt", 1)});
    manyVolumes.categories[0].titles[0].volumes.resize(9998, manyVolumes.categories[0].titles[0].volumes[0]);
    SourceTree longVolumeName = OneVolumeTree({Page("v\\1.txt", 1)});
    longVolumeName.categories[0].titles[0].volumes[0].name = longName;
    // 128 HTML pages of the largest size make 4 GiB, one byte more than the content file holds.
    std::vector<SourcePage> largestPages;
    for (uint64_t label = 1; label <= 128; ++label)
        largestPages.push_back(Page("v\\" + std::to_string(label) + ".htm", label, true, kMaxPageBytes));
    const SourceTree hugeHtml = OneVolumeTree(largestPages);
    struct Case {
        const char* what;
        SourceTree tree;
        std::string complaint;
    } cases[] = {
        {"records", manyVolumes, "10000 records"},
        {"label", OneVolumeTree({Page("v\\65536.txt", 65536)}), "v\\65536.txt has a label above 65,535"},
        {"label digits", OneVolumeTree({Page("v\\000000000001.txt", UINT64_MAX)}), "label above 65,535"},
        {"name", longVolumeName, "has 100 UTF-16 units"},
        {"record name", OneVolumeTree({Page(longRecord, 1)}), "has 261 bytes"},
        {"content", hugeHtml, "exceed 4 GiB at the page v\\128.htm"},
        {"page", OneVolumeTree({Page("v\\1.txt", 1, false, kMaxPageBytes + 1)}), "v\\1.txt has 33554433 bytes"},
    };
    for (const Case& c : cases) {
        uint32_t nameSize = 0;
        EXPECT_NE(CheckSourceLimits(c.tree, nameSize).find(c.complaint), std::string::npos) << c.what;
    }

    EXPECT_EQ(CheckPageCount(4194304), "");
    EXPECT_NE(CheckPageCount(4194305).find("4194305 pages"), std::string::npos);
    std::array<std::u32string, 3> texts{std::u32string(4194304, U'甲'), U"", U""};
    EXPECT_EQ(CheckPositions(texts, "p"), "");
    texts[INDEX_MAIN_TEXT].assign(4194305, U'甲');
    EXPECT_NE(CheckPositions(texts, "v\\1.txt").find("v\\1.txt has 4194305 indexed characters"), std::string::npos);
}

TEST(Limits, nameSizeFitsTheLongestRecordName)
{
    struct Case {
        size_t recordBytes;
        uint32_t nameSize;
    } cases[] = {{10, 100}, {99, 100}, {100, 104}, {103, 104}, {258, 260}, {259, 260}};
    for (const Case& c : cases) {
        const std::string name = std::string(c.recordBytes - 6, 'r') + "\\1.txt";
        uint32_t nameSize = 0;
        ASSERT_EQ(CheckSourceLimits(OneVolumeTree({Page(name, 1)}), nameSize), "") << c.recordBytes;
        EXPECT_EQ(nameSize, c.nameSize) << c.recordBytes;
    }
}

// A build that fails after it has begun writing leaves the target exactly as it was.
class BuildTarget : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFile(Source() / "c" / "t" / "v" / "0001.txt", "甲乙");
        WriteFile(Output() / "zlq.dir", "old catalogue");
        WriteFile(Output() / "keep.me", "other file");
    }

    fs::path Source() const { return m_dir.Path() / "source"; }
    fs::path Output() const { return m_dir.Path() / "out"; }

    std::vector<std::string> Listing(const fs::path& folder) const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string Build(BuildSummary& summary) const
    {
        BuildOptions options{Source(), Output(), std::nullopt, {}};
        return BuildCollection(options, nullptr, summary);
    }

    TempDir m_dir;
};

TEST_F(BuildTarget, oversizedPositionListLeavesTargetUntouched)
{
    // 70,000 occurrences of one character: a position list of 70,000 bytes in one page.
    std::string text;
    for (int i = 0; i < 70000; ++i)
        text += "甲";
    WriteFile(Source() / "c" / "t" / "v" / "0002.txt", text);
    BuildSummary summary;
    const std::string error = Build(summary);
    EXPECT_NE(error.find("65,535"), std::string::npos) << error;
    EXPECT_NE(error.find("0002.txt"), std::string::npos) << error;
    EXPECT_EQ(test::ReadFileBytes(Output() / "zlq.dir"), "old catalogue");
    EXPECT_EQ(Listing(Output()), (std::vector<std::string>{"keep.me", "zlq.dir"}));
    EXPECT_EQ(Listing(m_dir.Path()), (std::vector<std::string>{"out", "source"}));  // no staging folder left
}

TEST_F(BuildTarget, contentAbove4GiBIsRefusedBeforeAnyPageIsRead)
{
    // 128 sparse HTML pages of the largest page size, 4 GiB in all: refused from their sizes
    // alone, without reading or allocating them.
    for (int label = 2; label <= 129; ++label) {
        const fs::path page = Source() / "c" / "t" / "v" / (std::to_string(label) + ".htm");
        std::ofstream(page).close();
        fs::resize_file(page, kMaxPageBytes);
    }
    BuildSummary summary;
    const std::string error = Build(summary);
    EXPECT_NE(error.find("4 GiB at the page c\\t\\v\\129.htm"), std::string::npos) << error;
    EXPECT_EQ(Listing(Output()), (std::vector<std::string>{"keep.me", "zlq.dir"}));
}

// A page file larger than a stored page can be is refused from its size, before it is read (a
// sparse file costs no disk space); a plain-text page is measured again once wrapped, since its
// entities and template make it larger.
TEST_F(BuildTarget, oversizedPageIsRefusedNamingIt)
{
    const fs::path huge = Source() / "c" / "t" / "v" / "0002.txt";
    std::ofstream(huge).close();
    fs::resize_file(huge, 200u << 20);
    BuildSummary summary;
    std::string error = Build(summary);
    EXPECT_NE(error.find("the page c\\t\\v\\0002.txt has 209715200 bytes"), std::string::npos) << error;

    WriteFile(huge, std::string(7u << 20, '&'));  // 7 MiB of text, 35 MiB of "&amp;"
    error = Build(summary);
    EXPECT_NE(error.find("0002.txt has 36700"), std::string::npos) << error;
    EXPECT_NE(error.find("once wrapped in the page template"), std::string::npos) << error;
    EXPECT_EQ(Listing(Output()), (std::vector<std::string>{"keep.me", "zlq.dir"}));
}

TEST_F(BuildTarget, successReplacesCollectionFilesAndKeepsOthers)
{
    WriteFile(Source() / "yitizi.txt", "4E7E,5E72\n");
    BuildSummary summary;
    ASSERT_EQ(Build(summary), "");
    EXPECT_EQ(summary.pages, 1u);
    EXPECT_EQ(summary.records, 3u);
    EXPECT_EQ(summary.characters, 2u);
    EXPECT_EQ(summary.variantGroups, 1u);
    EXPECT_EQ(summary.files.size(), 16u);
    EXPECT_EQ(Listing(Output()),
              (std::vector<std::string>{"Index-fl.cnt", "Index-fl.h", "Index-idx.gappairs", "Index-idx.h",
                                        "Index-idx.m", "Index-idx.pairs", "Index_content-idx.gappairs",
                                        "Index_content-idx.h", "Index_content-idx.m", "Index_content-idx.pairs",
                                        "Index_desc-idx.gappairs", "Index_desc-idx.h", "Index_desc-idx.m",
                                        "Index_desc-idx.pairs", "keep.me", "yitizi.txt", "zlq.dir"}));
    EXPECT_EQ(test::ReadFileBytes(Output() / "zlq.dir").size(), 3 * writer::kCatalogueRecordSize);
    EXPECT_EQ(test::ReadFileBytes(Output() / "yitizi.txt"), "4E7E,5E72\n");
    EXPECT_EQ(Listing(m_dir.Path()), (std::vector<std::string>{"out", "source"}));

    // A new target folder is created whole.
    BuildOptions options{Source(), m_dir.Path() / "fresh", std::nullopt, {}};
    ASSERT_EQ(BuildCollection(options, nullptr, summary), "");
    EXPECT_EQ(Listing(m_dir.Path() / "fresh").size(), 16u);
    EXPECT_EQ(fs::status(m_dir.Path() / "fresh").permissions() & fs::perms::others_read, fs::perms::others_read);
}

// The pair files a build writes belong to its indexes; a build without them takes the pair
// files of the collection it replaces away, which would no longer belong to the new indexes.
TEST_F(BuildTarget, pairFilesBelongToTheIndexesOrGo)
{
    BuildSummary summary;
    ASSERT_EQ(Build(summary), "");
    for (int kind : {INDEX_FULL_TEXT, INDEX_ANNOTATIONS, INDEX_MAIN_TEXT}) {
        CIndex index;
        ASSERT_TRUE(index.Open(CCodeConverter::Utf8ToUtf16(Output().string()), u"Index", kind));
        EXPECT_TRUE(index.HasPairTable(0)) << kind;
        EXPECT_TRUE(index.HasPairTable(1)) << kind;
    }
    WriteFile(Source() / "c" / "t" / "v" / "0002.txt", "丙丁");
    BuildOptions options{Source(), Output(), std::nullopt, {}};
    options.pairs = false;
    ASSERT_EQ(BuildCollection(options, nullptr, summary), "");
    EXPECT_EQ(summary.files.size(), 10u);
    for (const char* name : {"Index-idx.pairs", "Index_content-idx.pairs", "Index_desc-idx.pairs", "Index-idx.gappairs",
                             "Index_content-idx.gappairs", "Index_desc-idx.gappairs"})
        EXPECT_FALSE(fs::exists(Output() / name)) << name;
    EXPECT_EQ(Listing(m_dir.Path()), (std::vector<std::string>{"out", "source"}));
}

// A byte-order mark is how a file says it is UTF-8, not text: a first-line heading stays a
// heading, and the mark is neither stored nor indexed.
TEST_F(BuildTarget, byteOrderMarkIsDropped)
{
    WriteFile(Source() / "c" / "t" / "v" / "0001.txt", "\xEF\xBB\xBF# 學而\n子曰");
    WriteFile(Source() / "c" / "t" / "v" / "0002.htm", "\xEF\xBB\xBF" + test::PageHtml("T", "邊", "甲"));
    BuildSummary summary;
    ASSERT_EQ(Build(summary), "");
    EXPECT_EQ(summary.characters, 5u);  // 學而子曰 and 甲
    CFileList store;
    ASSERT_TRUE(store.Open(CCodeConverter::Utf8ToUtf16(Output().string()), u"Index"));
    std::string page;
    ASSERT_TRUE(store.ReadText(0, page));
    EXPECT_NE(page.find("<h4>學而</h4><p>子曰</p>"), std::string::npos) << page;
    ASSERT_TRUE(store.ReadText(1, page));
    EXPECT_EQ(page, test::PageHtml("T", "邊", "甲"));
}

// A folder where the collection has a file cannot be replaced by a file: the build is refused
// before anything moves, and the files already built are not half switched in.
TEST_F(BuildTarget, folderInPlaceOfACollectionFileLeavesTargetAsItWas)
{
    WriteFile(Output() / "yitizi.txt" / "mine.txt", "a file of the user");
    BuildSummary summary;
    const std::string error = Build(summary);
    EXPECT_NE(error.find("yitizi.txt is a folder"), std::string::npos) << error;
    EXPECT_FALSE(summary.targetMixed);
    EXPECT_EQ(test::ReadFileBytes(Output() / "zlq.dir"), "old catalogue");
    EXPECT_EQ(test::ReadFileBytes(Output() / "yitizi.txt" / "mine.txt"), "a file of the user");
    EXPECT_EQ(Listing(Output()), (std::vector<std::string>{"keep.me", "yitizi.txt", "zlq.dir"}));
    EXPECT_EQ(Listing(m_dir.Path()), (std::vector<std::string>{"out", "source"}));
}

// What a folder holds: file names with their bytes, folders marked as such.
std::map<std::string, std::string> Contents(const fs::path& folder)
{
    std::map<std::string, std::string> contents;
    for (const auto& entry : fs::directory_iterator(folder))
        contents[entry.path().filename().string()] =
            entry.is_directory() ? "(folder)" : test::ReadFileBytes(entry.path());
    return contents;
}

// The switch with each of its renames failing in turn: the target ends exactly as it was,
// whether the failure comes while the old files move aside or while the new ones move in. A
// retired file (an old pair file the new collection lacks) goes aside with them.
TEST(Switch, failureAtAnyStepPutsTheTargetBack)
{
    const std::vector<std::string> names = CollectionFileNames();
    const std::vector<std::string> retired = {"Index-idx.pairs", "Index_desc-idx.pairs"};
    const size_t previousFiles = 6;                           // the target has the first six files, the rest are new
    const size_t renames = previousFiles + 1 + names.size();  // and one retired file
    for (size_t failAt = 0; failAt <= renames; ++failAt) {
        TempDir dir;
        const fs::path target = dir.Path() / "out";
        const fs::path staging = dir.Path() / "stage";
        for (size_t i = 0; i < names.size(); ++i) {
            if (i < previousFiles)
                WriteFile(target / names[i], "old " + names[i]);
            WriteFile(staging / names[i], "new " + names[i]);
        }
        WriteFile(target / "keep.me", "other");
        WriteFile(target / retired[0], "old pairs");
        const auto before = Contents(target);

        size_t calls = 0;
        const SwitchResult result = SwitchIntoTarget(
            staging, target, names,
            [&](const fs::path& from, const fs::path& to, std::error_code& error) {
                if (calls++ == failAt)
                    error = std::make_error_code(std::errc::io_error);
                else
                    RenameInPlace(from, to, error);
            },
            retired);
        EXPECT_FALSE(result.targetMixed) << failAt;
        if (failAt < renames) {
            EXPECT_NE(result.error.find("Input/output error"), std::string::npos) << failAt << result.error;
            EXPECT_EQ(Contents(target), before) << "failure at rename " << failAt;
        } else {
            EXPECT_EQ(result.error, "");
            const auto after = Contents(target);
            EXPECT_EQ(after.size(), names.size() + 1);
            for (const std::string& name : names)
                EXPECT_EQ(after.at(name), "new " + name);
        }
    }
}

// When putting the previous files back fails as well, the switch says so, and where they are.
TEST(Switch, failedUndoIsToldWithThePlaceOfThePreviousFiles)
{
    TempDir dir;
    const std::vector<std::string> names = {"zlq.dir", "yitizi.txt"};
    for (const std::string& name : names) {
        WriteFile(dir.Path() / "out" / name, "old");
        WriteFile(dir.Path() / "stage" / name, "new");
    }
    size_t calls = 0;
    const SwitchResult result =
        SwitchIntoTarget(dir.Path() / "stage", dir.Path() / "out", names,
                         [&](const fs::path& from, const fs::path& to, std::error_code& error) {
                             if (++calls > 3)  // both moved aside, zlq.dir moved in, then nothing moves any more
                                 error = std::make_error_code(std::errc::io_error);
                             else
                                 RenameInPlace(from, to, error);
                         });
    EXPECT_TRUE(result.targetMixed);
    EXPECT_NE(result.error.find("previous files are in " + (dir.Path() / "stage" / "previous").string()),
              std::string::npos)
        << result.error;
    EXPECT_EQ(test::ReadFileBytes(dir.Path() / "stage" / "previous" / "yitizi.txt"), "old");
}

// Staging folders of killed builds are removed by the next build for the same target; one that
// a running build holds, one that holds previous files, and folders of other names stay.
TEST_F(BuildTarget, staleStagingFoldersOfThisTargetAreRemoved)
{
    const fs::path stale = m_dir.Path() / ".out.varo-build-Ab12Cd";
    const fs::path held = m_dir.Path() / ".out.varo-build-Held01";
    const fs::path previous = m_dir.Path() / ".out.varo-build-Prev01";
    WriteFile(stale / "Index-fl.cnt", "left over");
    WriteFile(held / "Index-fl.cnt", "being written");
    WriteFile(previous / "previous" / "zlq.dir", "old catalogue");
    for (const char* other : {".out.varo-build-short", ".other.varo-build-Ab12Cd", ".out.varo-build-Ab12C!"})
        fs::create_directories(m_dir.Path() / other);
    const int lock = ::open(held.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);

    BuildSummary summary;
    ASSERT_EQ(Build(summary), "");
    ::close(lock);
    EXPECT_EQ(Listing(m_dir.Path()),
              (std::vector<std::string>{".other.varo-build-Ab12Cd", ".out.varo-build-Ab12C!", ".out.varo-build-Held01",
                                        ".out.varo-build-Prev01", ".out.varo-build-short", "out", "source"}));
    std::string warnings;
    for (const std::string& warning : summary.warnings)
        warnings += warning + "\n";
    EXPECT_NE(warnings.find("removed " + stale.string() + ", left by an interrupted build"), std::string::npos)
        << warnings;
    EXPECT_NE(warnings.find("kept " + previous.string()), std::string::npos) << warnings;
}

// Tells the test process through a pipe that the build has begun writing its staging folder,
// then waits there for a signal.
class StopWhileWriting : public IBuildProgress {
public:
    explicit StopWhileWriting(int pipe) : m_pipe(pipe) {}
    void Report(std::string_view phase, double) override
    {
        if (phase != "writing the text store")
            return;
        if (::write(m_pipe, "w", 1) != 1)
            ::_exit(4);
        for (;;)
            ::pause();
    }

private:
    int m_pipe;
};

// Waits for a child to end (killing it after a minute, so that a broken handler fails the test
// rather than hanging it) and returns its status.
int WaitForChild(pid_t child)
{
    int status = 0;
    for (int tries = 0; tries < 6000; ++tries) {
        if (::waitpid(child, &status, WNOHANG) == child)
            return status;
        ::usleep(10000);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    return status;
}

// A build stopped by SIGTERM, SIGHUP or Ctrl-C while it writes removes its staging folder and
// ends by that signal; the target stays as it was.
TEST_F(BuildTarget, stopSignalRemovesTheStagingFolder)
{
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            for (int stop : {SIGTERM, SIGHUP, SIGINT})
                std::signal(stop, SIG_DFL);  // as a terminal leaves them, whatever ran the tests
            BuildInterruption::InstallHandlers();
            StopWhileWriting progress(ready[1]);
            BuildSummary summary;
            BuildCollection({Source(), Output(), std::nullopt, {}}, &progress, summary);
            ::_exit(3);
        }
        ::close(ready[1]);
        char byte = 0;
        const bool writing = ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
        EXPECT_TRUE(writing) << signal;
        EXPECT_EQ(Listing(m_dir.Path()).size(), 3u) << "a staging folder beside out and source";
        ::kill(child, signal);
        const int status = WaitForChild(child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal << " status " << status;
        EXPECT_EQ(Listing(m_dir.Path()), (std::vector<std::string>{"out", "source"})) << signal;
        EXPECT_EQ(Contents(Output()).at("zlq.dir"), "old catalogue");
    }
}

// Once the switch has begun, a signal waits: the process goes on and can tell it came.
TEST(Interruption, signalDuringTheSwitchIsDeferred)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGTERM, SIG_DFL);
        BuildInterruption::InstallHandlers();
        BuildInterruption::Commit();
        std::raise(SIGTERM);
        const bool deferred = BuildInterruption::SignalDeferred();
        BuildInterruption::Disarm();
        ::_exit(deferred ? 0 : 5);
    }
    const int status = WaitForChild(child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
}  // namespace varo::build
