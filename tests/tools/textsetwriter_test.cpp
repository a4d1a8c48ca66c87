#include "tests/support/fixture.h"
#include "tools/writer/filewriters.h"
#include "tools/writer/textsetwriter.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace varo::writer {
namespace {

using namespace std::string_literals;

uint32_t Word(const std::string& bytes, size_t offset)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(bytes[offset + static_cast<size_t>(i)]);
    return value;
}

// Reads one posting stream straight from the image, following the block chain; independent of
// the engine's reader so that the two check each other.
class StreamReader {
public:
    StreamReader(const IndexImage& image, uint32_t slot) : m_image(image)
    {
        m_block = Word(image.header, slot * 4);
        m_lastPage = Word(image.header, kLastPageOffset + slot * 4);
    }

    uint8_t Byte()
    {
        if (m_offset == kBlockSize) {
            m_block = Word(m_image.header, kChainOffset + m_block * 4);
            m_total += kBlockSize;
            m_offset = 0;
        }
        return static_cast<uint8_t>(m_image.postings.at(size_t{m_block} * kBlockSize + m_offset++));
    }

    uint32_t Packed()
    {
        const uint32_t first = Byte();
        if (first < 0x80)
            return first;
        if (first < 0xC0)
            return (first & 0x3F) << 8 | Byte();
        const uint32_t second = Byte();
        return (first & 0x3F) << 16 | second << 8 | Byte();
    }

    // page -> positions
    std::map<uint32_t, std::vector<uint32_t>> ReadAll()
    {
        std::map<uint32_t, std::vector<uint32_t>> entries;
        uint32_t page = 0;
        do {
            page += Packed();
            const uint32_t length = Byte() | uint32_t{Byte()} << 8;
            std::vector<uint32_t>& positions = entries[page];
            const size_t end = Consumed() + length;
            uint32_t position = 0;
            while (Consumed() < end)
                positions.push_back(position += Packed());
        } while (page != m_lastPage);
        return entries;
    }

private:
    size_t Consumed() const { return m_total + m_offset; }

    const IndexImage& m_image;
    uint32_t m_block = 0;
    uint32_t m_offset = 0;
    uint32_t m_lastPage = 0;
    size_t m_total = 0;
};

TEST(Writer, encodePacked_usesLengthMark)
{
    struct Case {
        uint32_t value;
        std::string bytes;
    };
    const Case cases[] = {
        {0, std::string(1, '\0')}, {127, "\x7F"}, {128, "\x80\x80"}, {16383, "\xBF\xFF"}, {16384, "\xC0\x40\x00"s},
        {4194303, "\xFF\xFF\xFF"},
    };
    for (const Case& c : cases) {
        std::string out;
        EncodePacked(c.value, out);
        EXPECT_EQ(out, c.bytes) << c.value;
    }
}

TEST(Writer, streams_holdEveryPositionAcrossBlocks)
{
    // One very frequent character makes a stream of many blocks, with entries that straddle
    // block boundaries; a rarer one and a variant group make short streams.
    std::vector<PageInput> pages;
    for (int p = 0; p < 300; ++p) {
        std::u32string text;
        for (int i = 0; i < 40 + p % 17; ++i)
            text += i % 3 == 0 ? U'之' : i % 7 == 0 ? U'乾' : U'干';
        text += p % 5 == 0 ? U"\U00020000" : U"。";
        pages.push_back(test::SimplePage("v\\" + std::to_string(p) + ".htm", text));
    }
    const VariantGroups groups = {{0x4E7E, 0x5E72}};
    for (bool scramble : {false, true}) {
        SCOPED_TRACE(scramble);
        WriterOptions options;
        options.scrambleBlocks = scramble;
        IndexImage image;
        ASSERT_EQ(BuildIndexImage(pages, INDEX_FULL_TEXT, groups, options, image), "");
        EXPECT_EQ(image.postings.size() % kBlockSize, 0u);
        EXPECT_EQ(image.header.size(), kChainOffset + image.postings.size() / kBlockSize * 4);
        EXPECT_EQ(Word(image.header, static_cast<size_t>(CIndex::GetCharSlot(0x4E01)) * 4), kNoBlock);
        const std::pair<uint32_t, std::vector<uint32_t>> expectations[] = {
            {static_cast<uint32_t>(CIndex::GetCharSlot(U'之')), {U'之'}},
            {static_cast<uint32_t>(CIndex::GetCharSlot(0x20000)), {0x20000}},
            {VARIANT_SLOT_BASE, {0x4E7E, 0x5E72}},
        };
        for (const auto& [slot, members] : expectations) {
            SCOPED_TRACE(slot);
            std::map<uint32_t, std::vector<uint32_t>> expected;
            for (uint32_t p = 0; p < pages.size(); ++p)
                for (uint32_t i = 0; i < pages[p].indexed[0].size(); ++i)
                    for (uint32_t member : members)
                        if (pages[p].indexed[0][i] == member)
                            expected[p].push_back(i);
            EXPECT_EQ(StreamReader(image, slot).ReadAll(), expected);
        }
    }
}

TEST(Writer, emptyIndex_stillHasOneBlock)
{
    IndexImage image;
    ASSERT_EQ(BuildIndexImage({}, INDEX_ANNOTATIONS, {}, {}, image), "");
    EXPECT_EQ(image.postings.size(), kBlockSize);
    EXPECT_EQ(image.header.size(), kChainOffset + 4);
}

TEST(Writer, limits_areRefusedWithTheirItem)
{
    PageInput longName = test::SimplePage(std::string(99, 'n') + "\\1.htm", U"中");
    PageInput crowded = test::SimplePage("v\\2.htm", std::u32string(70000, U'中'));
    StoreImage store;
    EXPECT_NE(BuildStoreImage({longName}, {}, store).find("does not fit 99 bytes"), std::string::npos);
    WriterOptions wide;
    wide.nameSize = 260;
    EXPECT_EQ(BuildStoreImage({longName}, wide, store), "");
    wide.nameSize = 261;
    EXPECT_NE(BuildStoreImage({longName}, wide, store), "");
    IndexImage index;
    const std::string error = BuildIndexImage({crowded}, 0, {}, {}, index);
    EXPECT_NE(error.find("65,535"), std::string::npos) << error;
    EXPECT_NE(error.find("v\\2.htm"), std::string::npos) << error;
}

// The files written page by page against the images built in memory: the same bytes whether
// the index entries stay in memory or go through many run files, which are gone afterwards.
TEST(FileWriters, pageByPage_writesTheImagesBytes)
{
    std::mt19937 random(3);
    const std::u32string alphabet = U"甲乙丙丁乾干\U00020000あ、a";
    std::vector<PageInput> pages;
    for (int i = 0; i < 300; ++i) {
        std::u32string text;
        // Now and then a long page, so that streams cross blocks and lists take 2-byte numbers.
        const size_t length = random() % 10 == 0 ? 3000 + random() % 3000 : random() % 60;
        for (size_t k = 0; k < length; ++k)
            text += alphabet[random() % alphabet.size()];
        PageInput page = test::SimplePage("v\\" + std::to_string(i + 1) + ".htm", text);
        page.indexed[INDEX_ANNOTATIONS] = i % 3 == 0 ? text.substr(0, 10) : U"";
        pages.push_back(page);
    }
    const VariantGroups groups = {{U'乾', U'干'}, {U'丙', U'あ', U'、'}, {0x20000, U'丙'}};
    const GroupsOfMembers groupsOf = MapGroupsOfMembers(groups);
    StoreImage store;
    ASSERT_EQ(BuildStoreImage(pages, {}, store), "");

    for (size_t budget : {size_t{1} << 30, size_t{3000}}) {
        SCOPED_TRACE(budget);
        test::TempDir dir;
        StoreFileWriter storeWriter;
        ASSERT_EQ(
            storeWriter.Open(dir.Path() / "l", dir.Path() / "c", static_cast<uint32_t>(pages.size()), kDefaultNameSize),
            "");
        for (const PageInput& page : pages)
            ASSERT_EQ(storeWriter.Add(page.recordName, page.html), "");
        ASSERT_EQ(storeWriter.Finish(), "");
        EXPECT_EQ(test::ReadFileBytes(dir.Path() / "l"), store.list);
        EXPECT_EQ(test::ReadFileBytes(dir.Path() / "c"), store.content);

        for (int kind : {INDEX_FULL_TEXT, INDEX_ANNOTATIONS}) {
            IndexImage image;
            ASSERT_EQ(BuildIndexImage(pages, kind, groups, {}, image), "");
            IndexFileWriter writer(groupsOf, dir.Path(), "run-", budget);
            for (const PageInput& page : pages)
                ASSERT_EQ(writer.AddPage(page.indexed[static_cast<size_t>(kind)], page.recordName), "");
            EXPECT_EQ(writer.RunCount() > 0, budget < 4000);
            ASSERT_EQ(writer.Finish(dir.Path() / "h", dir.Path() / "m"), "");
            EXPECT_TRUE(test::ReadFileBytes(dir.Path() / "h") == image.header);
            EXPECT_TRUE(test::ReadFileBytes(dir.Path() / "m") == image.postings);
            EXPECT_FALSE(std::filesystem::exists(dir.Path() / "run-0"));
        }
    }
}

TEST(FileWriters, refusals_nameTheirItem)
{
    test::TempDir dir;
    const GroupsOfMembers noGroups;
    IndexFileWriter writer(noGroups, dir.Path(), "run-", 1);
    EXPECT_EQ(writer.AddPage(U"中", "v\\1.htm"), "");
    const std::string error = writer.AddPage(std::u32string(70000, U'中'), "v\\2.htm");
    EXPECT_NE(error.find("65,535"), std::string::npos) << error;
    EXPECT_NE(error.find("v\\2.htm"), std::string::npos) << error;

    StoreFileWriter store;
    ASSERT_EQ(store.Open(dir.Path() / "l", dir.Path() / "c", 2, kDefaultNameSize), "");
    EXPECT_NE(store.Add(std::string(99, 'n') + "\\1.htm", "x").find("does not fit 99 bytes"), std::string::npos);
    EXPECT_EQ(store.Add("v\\1.htm", "x"), "");
    EXPECT_NE(store.Finish(), "");  // one page of two
}

// A run file that cannot be written (its folder is gone) fails the index, not the process.
TEST(FileWriters, unwritableRunFolder_failsTheIndex)
{
    test::TempDir dir;
    const GroupsOfMembers noGroups;
    IndexFileWriter writer(noGroups, dir.Path() / "missing", "run-", 1);
    std::string error;
    for (int page = 0; page < 3 && error.empty(); ++page)
        error = writer.AddPage(U"中國", "v\\1.htm");
    if (error.empty())
        error = writer.Finish(dir.Path() / "h", dir.Path() / "m");
    EXPECT_NE(error, "");
}

TEST(Writer, variantTableText_roundTrips)
{
    EXPECT_EQ(FormatVariantTable({{0x4E7E, 0x5E72}, {0x20000}}), "4E7E,5E72\n20000\n");
}

}  // namespace
}  // namespace varo::writer
