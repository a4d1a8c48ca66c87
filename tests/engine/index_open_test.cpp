#include "engine/index.h"
#include "platform/memoryfiles.h"
#include "platform/nativepath.h"
#include "tests/support/fixture.h"
#include "text/codeconverter.h"

#include <gtest/gtest.h>

namespace varo {
namespace {

using test::SimplePage;
using test::TempDir;

class IndexOpen : public testing::Test {
protected:
    void SetUp() override
    {
        pages = {SimplePage("c\\t\\v\\0001.htm", U"詩經中"), SimplePage("c\\t\\v\\0002.htm", U"中國")};
        ASSERT_EQ(writer::WriteTextSet(dir.Path(), "Index", pages, {{0x4E2D, 0x5E72}}), "");
        index.SetMessageSink(&messages);
    }

    void ReplaceFile(const std::string& name, const std::string& bytes)
    {
        ASSERT_TRUE(writer::WriteFileBytes(dir.Path() / name, bytes));
    }

    void ExpectOpenFails(int kind, IndexError error)
    {
        EXPECT_FALSE(index.Open(dir.Folder(), u"Index", kind));
        EXPECT_EQ(index.LastError(), error);
        EXPECT_EQ(messages.messages, std::vector<std::u16string>{kOpenFailedMessage});
        EXPECT_FALSE(index.IsOpen());
        EXPECT_TRUE(index.m_firstBlock.empty());
        EXPECT_TRUE(index.m_blockChain.empty());
        EXPECT_FALSE(index.FileList().m_isOpen);
    }

    TempDir dir;
    std::vector<writer::PageInput> pages;
    RecordingMessageSink messages;
    CIndex index;
};

TEST_F(IndexOpen, everyKind_opensItsFilesAndTheStore)
{
    for (int kind : {0, 1, 2, 7, -1}) {
        SCOPED_TRACE(kind);
        ASSERT_TRUE(index.Open(dir.Folder(), u"Index", kind));
        EXPECT_TRUE(index.IsOpen());
        EXPECT_EQ(index.m_firstBlock.size(), SLOT_COUNT);
        EXPECT_EQ(index.m_lastPage.size(), SLOT_COUNT);
        EXPECT_EQ(index.m_aux1.size(), 200000u);
        EXPECT_EQ(index.m_aux2.size(), 400000u);
        EXPECT_EQ(index.m_blockChain.size(), index.m_chainLength);
        EXPECT_GT(index.PostingBlockCount(), 0u);
        EXPECT_EQ(index.GetHeaderWord(), 2u);
        EXPECT_EQ(index.m_variantGroups.size(), 1u);
        std::string text;
        EXPECT_TRUE(index.ReadText(1, text));
        EXPECT_EQ(text, pages[1].html);
        int64_t record = 0;
        EXPECT_TRUE(index.FindPage(0, 2, record));
        EXPECT_EQ(record, 1);
        index.Close();
        EXPECT_FALSE(index.IsOpen());
    }
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(IndexOpen, kindSuffix_selectsFiles)
{
    // Only the main-text files are spoiled: kinds 0 and 1 still open, kind 2 does not.
    ReplaceFile("Index_content-idx.h", "");
    EXPECT_TRUE(index.Open(dir.Folder(), u"Index", INDEX_FULL_TEXT));
    EXPECT_TRUE(index.Open(dir.Folder(), u"Index", INDEX_ANNOTATIONS));
    ExpectOpenFails(INDEX_MAIN_TEXT, IndexError::HeaderMissing);
}

TEST_F(IndexOpen, headerChainLength_followsFileSize)
{
    const std::string header = test::ReadFileBytes(dir.Path() / "Index-idx.h");
    struct Case {
        size_t size;
        uint32_t chainLength;
    };
    for (Case c : {Case{1400000, 0}, Case{1400003, 0}, Case{1400004, 1}, Case{1400011, 2}}) {
        SCOPED_TRACE(c.size);
        std::string resized = header;
        resized.resize(c.size, '\0');
        ReplaceFile("Index-idx.h", resized);
        ASSERT_TRUE(index.Open(dir.Folder(), u"Index", 0));
        EXPECT_EQ(index.m_chainLength, c.chainLength);
        EXPECT_EQ(index.m_blockChain.size(), c.chainLength);
    }
}

TEST_F(IndexOpen, damagedOrMissingFiles_failWithOneMessage)
{
    const std::string header = test::ReadFileBytes(dir.Path() / "Index-idx.h");
    struct Case {
        const char* name;
        std::string file;
        std::string bytes;  // empty name = remove the file
        bool remove;
        IndexError error;
    };
    const Case cases[] = {
        {"header missing", "Index-idx.h", "", true, IndexError::HeaderMissing},
        {"header empty", "Index-idx.h", "", false, IndexError::HeaderMissing},
        {"header one byte short", "Index-idx.h", header.substr(0, 1399999), false, IndexError::HeaderTooShort},
        {"postings missing", "Index-idx.m", "", true, IndexError::PostingsUnmappable},
        {"postings empty", "Index-idx.m", "", false, IndexError::PostingsUnmappable},
        {"list file missing", "Index-fl.h", "", true, IndexError::StoreFailed},
        {"content file missing", "Index-fl.cnt", "", true, IndexError::StoreFailed},
        {"list file with name size 0", "Index-fl.h", std::string(268, '\0'), false, IndexError::StoreFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir copy;
        std::filesystem::copy(dir.Path(), copy.Path(), std::filesystem::copy_options::recursive);
        if (c.remove)
            std::filesystem::remove(copy.Path() / c.file);
        else
            ASSERT_TRUE(writer::WriteFileBytes(copy.Path() / c.file, c.bytes));
        messages.messages.clear();
        EXPECT_FALSE(index.Open(copy.Folder(), u"Index", 0));
        EXPECT_EQ(index.LastError(), c.error);
        EXPECT_EQ(messages.messages, std::vector<std::u16string>{kOpenFailedMessage});
        EXPECT_FALSE(index.IsOpen());
        EXPECT_TRUE(index.m_firstBlock.empty());
        EXPECT_FALSE(index.FileList().m_isOpen);
    }
}

TEST_F(IndexOpen, missingVariantTable_isNoFailure)
{
    std::filesystem::remove(dir.Path() / "yitizi.txt");
    ASSERT_TRUE(index.Open(dir.Folder(), u"Index", 0));
    EXPECT_TRUE(index.m_variantGroups.empty());
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(IndexOpen, open_emptiesHitSet_close_keepsIt)
{
    index.m_hitPages = {1, 2};
    index.m_hitCounts = {3, 4};
    index.m_hitPageCount = 2;
    index.Close();
    EXPECT_EQ(index.m_hitPages.size(), 2u);
    ASSERT_TRUE(index.Open(dir.Folder(), u"Index", 0));
    EXPECT_TRUE(index.m_hitPages.empty());
    EXPECT_TRUE(index.m_hitCounts.empty());
    EXPECT_EQ(index.m_hitPageCount, 0u);
}

TEST(IndexSlots, getCharSlot_mapsRanges)
{
    struct Case {
        uint32_t codePoint;
        int slot;
    };
    const Case cases[] = {
        {0x3400, 0},      {0x9FFF, 27647},  {0xF900, 27904},  {0xFAFF, 28415}, {0x20000, 32512},
        {0x2A6DF, 75231}, {0x2F800, 75232}, {0x2FA1F, 75775}, {0x3042, 75776}, {0x30F6, 75956},
        {0xE000, 75957},  {0xFFFF, 84148},  {0x3000, -1},     {0x30FC, -1},    {'A', -1},
        {0x2A6E0, -1},    {0x33FF, -1},     {0x3041, -1},     {0x2FA20, -1},   {0x110000, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CIndex::GetCharSlot(c.codePoint), c.slot) << std::hex << c.codePoint;
}

}  // namespace
}  // namespace varo

namespace varo {
namespace {

// The fuzz targets and tests may hold a collection in memory instead of writing it: the index
// opens it from there and finds what it finds in the same files on disk.
TEST_F(IndexOpen, collectionHeldInMemory_searchesAsTheSameFilesOnDisk)
{
    const std::u16string held = u"/varo-test-held-collection";
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        MemoryFiles::Put(JoinPath(held, CCodeConverter::Utf8ToUtf16(entry.path().filename().string())),
                         test::ReadFileBytes(entry.path()));
    CIndex inMemory;
    ASSERT_TRUE(inMemory.Open(held, u"Index", INDEX_FULL_TEXT));
    ASSERT_TRUE(index.Open(dir.Folder(), u"Index", INDEX_FULL_TEXT));
    for (std::u16string query : {u"中", u"詩經", u"中 國", u"干"}) {
        std::u16string same = query;
        EXPECT_EQ(inMemory.SearchOr(query, true, true), index.SearchOr(same, true, true));
        EXPECT_EQ(inMemory.GetHitPages(), index.GetHitPages());
        EXPECT_EQ(inMemory.GetHitCounts(), index.GetHitCounts());
    }
    MemoryFiles::Clear();
    // The open index keeps what it opened.
    std::u16string query = u"詩經";
    inMemory.SearchAnd(query, false, false);
    EXPECT_EQ(inMemory.GetHitPages(), CDWordArray{0});
}

}  // namespace
}  // namespace varo
