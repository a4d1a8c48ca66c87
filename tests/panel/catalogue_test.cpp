#include "panel/catalogue.h"
#include "tests/panel/panelfixture.h"

#include <gtest/gtest.h>

namespace varo {
namespace {

using test::RawRecord;
using test::TempDir;

struct LoadedCatalogue {
    TempDir dir;
    RecordingMessageSink messages;
    CCatalogue catalogue;
    bool loaded = false;

    explicit LoadedCatalogue(const std::string& bytes)
    {
        test::WriteCatalogueBytes(dir.Path(), bytes);
        Load();
    }
    LoadedCatalogue() { Load(); }  // no zlq.dir at all

    void Load()
    {
        catalogue.SetListingFolder(dir.Folder());
        loaded = catalogue.LoadCatalogue(dir.Folder(), &messages);
    }
    std::string Listing() const { return test::ReadFileBytes(dir.Path() / "zlq.txt"); }
};

struct Rec {
    const char16_t* name;
    int32_t level;
};

std::string Records(const std::vector<Rec>& records)
{
    std::string bytes;
    uint32_t docID = 1;
    for (const Rec& r : records)
        bytes += RawRecord(r.name, r.level, docID++, 1, 1);
    return bytes;
}

// For each slot 1.., the name of its node's parent ("" for none) and the slot of its tree item's
// parent (0 for the top level).
struct ShapeCase {
    const char* what;
    std::vector<Rec> records;
    std::vector<std::u16string> nodeParents;
    std::vector<int> treeParents;
};

const ShapeCase kShapes[] = {
    {"category, titles, volumes",
     {{u"C", 1}, {u"T1", 2}, {u"V1", 3}, {u"V2", 3}, {u"T2", 2}, {u"V3", 3}},
     {u"root", u"C", u"T1", u"T1", u"C", u"T2"},
     {0, 1, 2, 2, 1, 5}},
    {"a volume after a new category still hangs under the last title",
     {{u"C1", 1}, {u"T", 2}, {u"C2", 1}, {u"V", 3}},
     {u"root", u"C1", u"root", u"T"},
     {0, 1, 0, 2}},
    {"a leading title has no parent node and sits at the top level; its volume's item hangs under it",
     {{u"T", 2}, {u"V", 3}, {u"C", 1}, {u"T2", 2}},
     {u"", u"", u"root", u"C"},
     {0, 1, 0, 3}},
};

TEST(Catalogue, load_buildsNodeTreeAndContentsItems)
{
    for (const ShapeCase& shape : kShapes) {
        SCOPED_TRACE(shape.what);
        LoadedCatalogue loaded(Records(shape.records));
        const CCatalogue& catalogue = loaded.catalogue;
        ASSERT_TRUE(loaded.loaded);
        ASSERT_EQ(catalogue.m_nodeCount, static_cast<int>(shape.records.size()) + 1);
        for (int slot = 1; slot < catalogue.m_nodeCount; ++slot) {
            SCOPED_TRACE(slot);
            const CatalogueRecordTag& record = catalogue.m_NodeItem[static_cast<size_t>(slot)];
            EXPECT_EQ(record.Name(), shape.records[static_cast<size_t>(slot - 1)].name);
            const ContentsNodeTag* node = CCatalogue::FindNodeForRecord(catalogue.m_root.get(), record);
            const std::u16string& parent = shape.nodeParents[static_cast<size_t>(slot - 1)];
            if (parent.empty()) {
                EXPECT_EQ(node, nullptr);  // outside the tree the root owns
            } else {
                ASSERT_NE(node, nullptr);
                ASSERT_NE(node->parent, nullptr);
                EXPECT_EQ(node->parent->name, parent);
            }
            EXPECT_EQ(catalogue.TreeParentOf(slot), shape.treeParents[static_cast<size_t>(slot - 1)]);
        }
        EXPECT_TRUE(loaded.messages.messages.empty());
    }
}

TEST(Catalogue, childrenKeepFileOrder_andItemPathJoinsTreeTexts)
{
    LoadedCatalogue loaded(Records({{u"C", 1}, {u"T1", 2}, {u"V1", 3}, {u"V2", 3}, {u"T2", 2}, {u"V3", 3}}));
    const CCatalogue& catalogue = loaded.catalogue;
    const ContentsNodeTag& c = *catalogue.m_root->children.at(0);
    ASSERT_EQ(c.children.size(), 2u);
    EXPECT_EQ(c.children[0]->name, u"T1");
    EXPECT_EQ(c.children[1]->name, u"T2");
    ASSERT_EQ(c.children[0]->children.size(), 2u);
    EXPECT_EQ(c.children[0]->children[1]->name, u"V2");
    EXPECT_EQ(catalogue.ItemPath(4), u"C\\T1\\V2");
    EXPECT_EQ(catalogue.ItemPath(1), u"C");
    EXPECT_TRUE(catalogue.HasTreeChildren(2));
    EXPECT_FALSE(catalogue.HasTreeChildren(3));
}

TEST(Catalogue, missingFile_showsMessageAndStaysEmpty_emptyFileIsSilent)
{
    LoadedCatalogue missing;
    EXPECT_FALSE(missing.loaded);
    EXPECT_EQ(missing.messages.messages, std::vector<std::u16string>{u"you delete data file!"});
    EXPECT_EQ(missing.catalogue.m_nodeCount, 1);
    EXPECT_TRUE(missing.catalogue.m_root->children.empty());

    LoadedCatalogue empty("");
    EXPECT_TRUE(empty.loaded);
    EXPECT_TRUE(empty.messages.messages.empty());
    EXPECT_EQ(empty.catalogue.m_nodeCount, 1);
    EXPECT_EQ(empty.Listing(), "");
}

TEST(Catalogue, listing_hasOneIndentedLinePerRecord)
{
    std::string bytes = RawRecord(u"經部", 1, 1, 30, 1) + RawRecord(u"論語", 2, 1, 20, 1) +
                        RawRecord(u"學而", 3, 1, 20, 5) + RawRecord(u"D", 4, 2, 1, 7);
    LoadedCatalogue loaded(bytes);
    EXPECT_EQ(loaded.Listing(),
              "name=經部\tdocID=1\tdocNo=30\tcurFileName=1\n"
              "\tname=論語\tdocID=1\tdocNo=20\tcurFileName=1\n"
              "\t\tname=學而\tdocID=1\tdocNo=20\tcurFileName=5\n"
              "name=D\tdocID=2\tdocNo=1\tcurFileName=7\n");
}

TEST(Catalogue, untrustedRecords_loadWhatIsValidAndSkipTheRest)
{
    // Levels the loader has no table entry for are skipped, so a later volume still finds its
    // title and the slots stay dense.
    {
        LoadedCatalogue loaded(
            Records({{u"C", 1}, {u"T", 2}, {u"zero", 0}, {u"minus", -1}, {u"twenty", 20}, {u"V", 3}, {u"deep", 19}}));
        EXPECT_EQ(loaded.catalogue.m_nodeCount, 5);
        EXPECT_EQ(loaded.catalogue.Skips().badLevel, 3);
        EXPECT_EQ(loaded.catalogue.m_NodeItem[3].Name(), u"V");
        EXPECT_EQ(loaded.catalogue.TreeParentOf(3), 2);
        EXPECT_EQ(loaded.catalogue.m_NodeItem[4].level, 19);
        // Slots no record was loaded into, even ones past the array's room, read as empty.
        for (size_t slot : {size_t{0}, size_t{5}, size_t{kCatalogueSlots}, size_t{70000}})
            EXPECT_EQ(loaded.catalogue.m_NodeItem[slot].level, 0) << slot;
    }
    // A trailing partial record is not read.
    {
        LoadedCatalogue loaded(Records({{u"C", 1}}) + std::string(100, '\x01'));
        EXPECT_EQ(loaded.catalogue.m_nodeCount, 2);
        EXPECT_EQ(loaded.catalogue.Skips().tailBytes, 100u);
    }
    // A name that fills its field without a terminator is taken whole (100 units); one of 99
    // units before its terminator is shown whole.
    {
        const std::u16string full(100, u'字');
        const std::u16string longest(99, u'字');
        LoadedCatalogue loaded(RawRecord(full, 1, 1, 1, 1) + RawRecord(longest, 1, 1, 1, 1));
        EXPECT_EQ(loaded.catalogue.m_NodeItem[1].Name(), full);
        EXPECT_EQ(loaded.catalogue.m_NodeItem[2].Name(), longest);
        EXPECT_EQ(loaded.catalogue.m_root->children.at(0)->name, full);
    }
}

TEST(Catalogue, moreRecordsThanTheArrayHolds_keepsTheFirst9999)
{
    std::string bytes;
    for (int i = 0; i < 10005; ++i)
        bytes += RawRecord(u"C", 1, static_cast<uint32_t>(i + 1), 1, 1);
    LoadedCatalogue loaded(bytes);
    EXPECT_EQ(loaded.catalogue.m_nodeCount, kCatalogueSlots);
    EXPECT_EQ(loaded.catalogue.Skips().overflow, 6u);
    EXPECT_EQ(loaded.catalogue.m_NodeItem[9999].docID, 9999u);
    EXPECT_EQ(loaded.catalogue.m_root->children.size(), 9999u);
}

// A sparse file of 20 GiB (no disk used) reads as its first 9,999 records and no further: the
// records after the two real ones are all zeros (level 0, skipped), and none past the array's
// room is looked at.
TEST(Catalogue, hugeSparseFile_readsNoMoreThanTheArrayHolds)
{
    LoadedCatalogue loaded;
    test::WriteCatalogueBytes(loaded.dir.Path(), Records({{u"C", 1}, {u"T", 2}}));
    const uint64_t size = uint64_t{20} << 30;
    std::filesystem::resize_file(loaded.dir.Path() / "zlq.dir", size);
    CCatalogue catalogue;
    catalogue.SetListingFolder(loaded.dir.Folder());
    ASSERT_TRUE(catalogue.LoadCatalogue(loaded.dir.Folder(), &loaded.messages));
    EXPECT_EQ(catalogue.m_nodeCount, 3);
    EXPECT_EQ(catalogue.Skips().badLevel, kCatalogueSlots - 3);
    EXPECT_EQ(catalogue.Skips().overflow, size / kCatalogueRecordBytes - (kCatalogueSlots - 1));
    EXPECT_EQ(catalogue.Skips().tailBytes, size % kCatalogueRecordBytes);
}

TEST(Catalogue, findNodeForRecord_takesTheFirstOfEqualEntries)
{
    const std::string bytes = RawRecord(u"C", 1, 1, 4, 1) + RawRecord(u"first", 2, 1, 2, 1) +
                              RawRecord(u"second", 2, 1, 2, 1) + RawRecord(u"other", 2, 1, 2, 2);
    LoadedCatalogue loaded(bytes);
    const CCatalogue& catalogue = loaded.catalogue;
    const ContentsNodeTag* node = CCatalogue::FindNodeForRecord(catalogue.m_root.get(), catalogue.m_NodeItem[3]);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->name, u"first");
    // curFileName counts in the match.
    node = CCatalogue::FindNodeForRecord(catalogue.m_root.get(), catalogue.m_NodeItem[4]);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->name, u"other");
}

TEST(Catalogue, pageRange_isInclusiveAndEmptyRangesHoldNothing)
{
    struct Case {
        uint32_t docID, docNo, page;
        bool holds;
    } const cases[] = {
        {5, 3, 3, false},
        {5, 3, 4, true},
        {5, 3, 6, true},
        {5, 3, 7, false},
        {5, 0, 4, false},
        {0, 0, 0, false},
        {0, 0, 0xFFFFFFFF, false},
        {0xFFFFFFFF, 2, 0xFFFFFFFE, true},
        {1, 0xFFFFFFFF, 0xFFFFFFFE, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EntryHoldsPage(c.docID, c.docNo, c.page), c.holds) << c.docID << " " << c.docNo << " " << c.page;
}

}  // namespace
}  // namespace varo
