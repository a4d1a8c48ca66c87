#include "store/filelist.h"
#include "tests/support/fixture.h"

#include <gtest/gtest.h>

namespace varo {
namespace {

using test::TempDir;
using writer::PageInput;
using writer::StoreImage;
using writer::WriterOptions;

PageInput Page(const std::string& name, const std::string& html)
{
    PageInput page;
    page.recordName = name;
    page.html = html;
    return page;
}

// Writes a store image into dir as Index-fl.h / Index-fl.cnt.
void WriteStore(const TempDir& dir, const StoreImage& image)
{
    ASSERT_TRUE(writer::WriteFileBytes(dir.Path() / "Index-fl.h", image.list));
    ASSERT_TRUE(writer::WriteFileBytes(dir.Path() / "Index-fl.cnt", image.content));
}

StoreImage BuildStore(const std::vector<PageInput>& pages, const WriterOptions& options = {})
{
    StoreImage image;
    EXPECT_EQ(writer::BuildStoreImage(pages, options, image), "");
    return image;
}

const std::vector<PageInput> kThreePages = {
    Page("cat\\title\\vol\\0007.htm", "<html>seven</html>"),
    Page("cat\\title\\vol\\0008.htm", ""),
    Page("a\\b.c\\12.htm", "<html>\x5A twelve</html>"),
};

TEST(FileList, openAndRead_returnsPagesAsWritten)
{
    TempDir dir;
    WriteStore(dir, BuildStore(kThreePages));
    CFileList store;
    ASSERT_TRUE(store.Open(dir.Folder(), u"Index"));
    EXPECT_EQ(store.m_headerWord, 3u);
    EXPECT_EQ(store.m_nameSize, kDefaultNameSize);
    EXPECT_EQ(store.GetRecordCount(), 3u);
    for (uint32_t i = 0; i < kThreePages.size(); ++i) {
        uint32_t length = 99;
        std::string text = "old";
        ASSERT_TRUE(store.GetTextLength(i, length));
        EXPECT_EQ(length, kThreePages[i].html.size());
        ASSERT_TRUE(store.ReadText(i, text));
        EXPECT_EQ(text, kThreePages[i].html);
    }
}

TEST(FileList, scrambling_storesKeyBytesAsZero)
{
    StoreImage image = BuildStore({Page("x\\1.htm", "<\x5A")});
    EXPECT_EQ(image.content, std::string("\x66\x00", 2));
}

TEST(FileList, storeWrittenWithOtherKey_isDetectedFromFirstPage)
{
    struct Case {
        const char* name;
        std::string firstPage;
        uint8_t key;
    };
    const Case cases[] = {
        {"html", "<html>a</html>", 0x17},
        {"byte-order mark", "\xEF\xBB\xBF<html>b</html>", 0xC3},
        {"byte-order mark, key 0", "\xEF\xBB\xBF<html></html>", 0x00},
        {"short page", "<", 0x99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriterOptions options;
        options.storeKey = c.key;
        WriteStore(dir, BuildStore({Page("x\\1.htm", c.firstPage), Page("x\\2.htm", "<p>second</p>")}, options));
        CFileList store;
        ASSERT_TRUE(store.Open(dir.Folder(), u"Index"));
        EXPECT_EQ(store.StoreKey(), c.key);
        std::string text;
        ASSERT_TRUE(store.ReadText(1, text));
        EXPECT_EQ(text, "<p>second</p>");
    }
}

TEST(FileList, emptyStore_fallsBackToDefaultKey)
{
    TempDir dir;
    WriteStore(dir, BuildStore({}));
    CFileList store;
    ASSERT_TRUE(store.Open(dir.Folder(), u"Index"));
    EXPECT_EQ(store.StoreKey(), STORE_KEY);
    EXPECT_EQ(store.GetRecordCount(), 0u);
    int64_t record = 42;
    EXPECT_FALSE(store.FindPage(0, 1, record));
    EXPECT_EQ(record, -1);
}

TEST(FileList, parseLabel_readsNumberAfterLastBackslash)
{
    struct Case {
        std::string name;
        bool hasLabel;
        int label;
    };
    const Case cases[] = {
        {"cat\\0007.htm", true, 7}, {"a\\b.c\\12.htm", true, 12},
        {"0007.htm", false, 0},     {"a\\0007", false, 0},
        {"a.b\\0007", false, 0},    {"a\\x12.htm", true, 0},
        {"a\\ -3.htm", true, -3},   {"a\\99999999999999.htm", true, 2147483647},  // read over 11 characters, saturating
        {"a\\.htm", true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int label = -99;
        EXPECT_EQ(CFileList::ParseLabel(c.name, label), c.hasLabel);
        if (c.hasLabel) {
            EXPECT_EQ(label, c.label);
        }
    }
}

TEST(FileList, findPage_scansFromFirstRecord)
{
    TempDir dir;
    WriteStore(dir, BuildStore({Page("v\\0001.htm", "<a>"), Page("v\\0002.htm", "<b>"), Page("0002.htm", "<c>"),
                                Page("w\\0002.htm", "<d>")}));
    CFileList store;
    ASSERT_TRUE(store.Open(dir.Folder(), u"Index"));
    struct Case {
        uint32_t first;
        int label;
        bool found;
        int64_t record;
        uint64_t maxRecords = UINT64_MAX;
    };
    const Case cases[] = {
        {0, 1, true, 0},
        {0, 2, true, 1},
        {2, 2, true, 3},  // record 2 has no backslash: no label
        {0, 5, false, 3},
        {4, 1, false, 3},
        {9, 1, false, 8},
        // A bounded scan ends after its last record.
        {0, 2, true, 1, 2},
        {0, 2, false, 0, 1},
        {1, 2, false, 0, 0},
        {2, 2, true, 3, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "first " << c.first << " label " << c.label << " max " << c.maxRecords);
        int64_t record = -7;
        EXPECT_EQ(store.FindPage(c.first, c.label, record, c.maxRecords), c.found);
        EXPECT_EQ(record, c.record);
    }
}

TEST(FileList, missingFiles_failToOpen)
{
    TempDir dir;
    CFileList store;
    EXPECT_FALSE(store.Open(dir.Folder(), u"Index"));
    EXPECT_EQ(store.LastError(), StoreError::ListFileMissing);
    StoreImage image = BuildStore(kThreePages);
    ASSERT_TRUE(writer::WriteFileBytes(dir.Path() / "Index-fl.h", image.list));
    EXPECT_FALSE(store.Open(dir.Folder(), u"Index"));
    EXPECT_EQ(store.LastError(), StoreError::ContentFileMissing);
    uint32_t length = 0;
    EXPECT_FALSE(store.GetTextLength(0, length));
}

TEST(FileList, badListHeaders_areRefusedAtOpen)
{
    struct Case {
        const char* name;
        uint32_t nameSize;
        size_t truncateTo;
        StoreError error;
    };
    const Case cases[] = {
        {"name size 0", 0, 0, StoreError::BadNameSize},
        {"name size 261", 261, 0, StoreError::BadNameSize},
        {"name size 0xFFFFFFFF", 0xFFFFFFFF, 0, StoreError::BadNameSize},
        {"header cut inside the header block", 100, 200, StoreError::HeaderTruncated},
        {"header cut inside R", 100, 6, StoreError::HeaderTruncated},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        StoreImage image = BuildStore(kThreePages);
        for (int i = 0; i < 4; ++i)
            image.list[4 + static_cast<size_t>(i)] = static_cast<char>((c.nameSize >> (8 * i)) & 0xFF);
        if (c.truncateTo > 0)
            image.list.resize(c.truncateTo);
        WriteStore(dir, image);
        CFileList store;
        EXPECT_FALSE(store.Open(dir.Folder(), u"Index"));
        EXPECT_EQ(store.LastError(), c.error);
        EXPECT_FALSE(store.m_isOpen);
    }
}

TEST(FileList, nameSize260_isAccepted)
{
    TempDir dir;
    WriterOptions options;
    options.nameSize = 260;
    WriteStore(dir, BuildStore({Page(std::string(250, 'x') + "\\0003.htm", "<x>")}, options));
    CFileList store;
    ASSERT_TRUE(store.Open(dir.Folder(), u"Index"));
    int64_t record = 0;
    EXPECT_TRUE(store.FindPage(0, 3, record));
}

TEST(FileList, recordsOutsideFiles_readNothing)
{
    TempDir dir;
    StoreImage image = BuildStore(kThreePages);
    // Record 2 claims a text that starts before the content file and ends past it.
    const size_t tail = kListHeaderSize + 2 * (kDefaultNameSize + 8) + kDefaultNameSize;
    image.list[tail] = '\x10';
    image.list[tail + 4] = '\x7F';
    // Record 3 exists only partly: a name without its offsets.
    image.list += std::string(kDefaultNameSize - 4, 'n');
    WriteStore(dir, image);
    CFileList store;
    ASSERT_TRUE(store.Open(dir.Folder(), u"Index"));
    const uint32_t badRecords[] = {2, 3, 4, 0xFFFFFFFF};
    for (uint32_t record : badRecords) {
        SCOPED_TRACE(record);
        uint32_t length = 7;
        std::string text = "untouched";
        EXPECT_FALSE(store.GetTextLength(record, length));
        EXPECT_EQ(length, 7u);
        EXPECT_FALSE(store.ReadText(record, text));
        EXPECT_EQ(text, "untouched");
    }
    // The partial record is examined by FindPage but cannot match.
    int64_t record = 0;
    EXPECT_FALSE(store.FindPage(0, 99, record));
}

// A name that fills its field without a terminator is no valid name: the page search never
// finds it, its name is not handed out, and the render takes it as label-less (first cell),
// although the bytes read in full would give the odd label 5 (second cell).
TEST(FileList, nameWithoutTerminator_hasNoLabelAnywhere)
{
    TempDir dir;
    WriterOptions options;
    options.nameSize = 12;
    StoreImage image = BuildStore({Page("a\\5.htm", "<x>"), Page("a\\7.htm", "<y>")}, options);
    // Fill the first name field up to its last byte: "a\5.htmXXXXX" with no terminator.
    for (size_t i = 7; i < 12; ++i)
        image.list[kListHeaderSize + i] = 'X';
    WriteStore(dir, image);
    CFileList store;
    ASSERT_TRUE(store.Open(dir.Folder(), u"Index"));
    int64_t record = 0;
    EXPECT_FALSE(store.FindPage(0, 5, record));
    EXPECT_EQ(record, 1);
    std::string name = "untouched";
    EXPECT_FALSE(store.GetRecordName(0, name));
    EXPECT_EQ(name, "untouched");
    std::string page;
    int cell = -1;
    ASSERT_TRUE(store.ReadPageToRender(0, page, cell));
    EXPECT_EQ(page, "<x>");
    EXPECT_EQ(cell, 0);
    // The terminated name beside it reads as before.
    ASSERT_TRUE(store.GetRecordName(1, name));
    EXPECT_EQ(name, "a\\7.htm");
    ASSERT_TRUE(store.ReadPageToRender(1, page, cell));
    EXPECT_EQ(cell, 1);
}

// A record may claim a text of up to 4 GiB inside a content file that is as large (a sparse
// file costs no disk). Nothing above the largest page is read; the largest page itself is.
TEST(FileList, pageLongerThanAPageCanBe_isRefused)
{
    struct Case {
        uint32_t length;
        bool readable;
    };
    const Case cases[] = {{kMaxPageBytes, true}, {kMaxPageBytes + 1, false}, {0xFFFFFFFF, false}};
    TempDir dir;
    StoreImage image = BuildStore({Page("v\\1.htm", "<a>")});
    WriteStore(dir, image);
    std::filesystem::resize_file(dir.Path() / "Index-fl.cnt", uint64_t{0xFFFFFFFF});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        // Record 0's text ends at the end of the content file.
        const size_t tail = kListHeaderSize + kDefaultNameSize;
        for (int i = 0; i < 4; ++i) {
            image.list[tail + static_cast<size_t>(i)] = '\xFF';
            image.list[tail + 4 + static_cast<size_t>(i)] = static_cast<char>((c.length >> (8 * i)) & 0xFF);
        }
        ASSERT_TRUE(writer::WriteFileBytes(dir.Path() / "Index-fl.h", image.list));
        CFileList store;
        ASSERT_TRUE(store.Open(dir.Folder(), u"Index"));
        uint32_t length = 0;
        std::string text = "untouched";
        EXPECT_EQ(store.GetTextLength(0, length), c.readable);
        EXPECT_EQ(store.ReadText(0, text), c.readable);
        EXPECT_EQ(text.size(), c.readable ? size_t{c.length} : 9u);
        std::string html;
        EXPECT_EQ(store.RenderPage(0, html, u"a", 0), 0);
        EXPECT_EQ(html.empty(), !c.readable);
    }
}

TEST(FileList, close_stopsReads)
{
    TempDir dir;
    WriteStore(dir, BuildStore(kThreePages));
    CFileList store;
    ASSERT_TRUE(store.Open(dir.Folder(), u"Index"));
    store.Close();
    std::string text;
    EXPECT_FALSE(store.ReadText(0, text));
    int64_t record = 0;
    EXPECT_FALSE(store.FindPage(0, 7, record));
}

}  // namespace
}  // namespace varo
