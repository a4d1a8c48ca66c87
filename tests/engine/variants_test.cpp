#include "engine/index.h"
#include "tests/support/fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>

namespace varo {
namespace {

using Groups = std::vector<std::vector<uint32_t>>;

Groups LoadFrom(const std::string& fileText)
{
    test::TempDir dir;
    EXPECT_TRUE(writer::WriteFileBytes(dir.Path() / "yitizi.txt", fileText));
    CIndex index;
    index.LoadVariantTable(dir.Folder());
    return index.m_variantGroups;
}

TEST(VariantTable, parse_splitsLinesAndHexFields)
{
    struct Case {
        const char* name;
        std::string text;
        Groups groups;
    };
    const Case cases[] = {
        {"CR LF lines", "4E7E,5E72\r\n842C, 4E07\r\n", {{0x4E7E, 0x5E72}, {0x842C, 0x4E07}}},
        {"empty line skipped", "4E00\n\n4E01", {{0x4E00}, {0x4E01}}},
        {"digits only", "4E00", {{0x4E00}}},
        {"0x prefix and blanks", " 0x4e00 ,\t0X4E01\n", {{0x4E00, 0x4E01}}},
        {"empty fields skipped", ",4E00,,4E01,", {{0x4E00, 0x4E01}}},
        {"line of one CR", "4E00\n\r\n4E01\n", {{0x4E00}, {0}, {0x4E01}}},
        {"no digits reads 0", "zz,4E00g1", {{0, 0x4E00}}},
        {"0x without digits reads 0", "0x,0xg", {{0, 0}}},
        {"leading and trailing LF", "\n4E00\n", {{0x4E00}}},
        {"too many digits saturate", "123456789ABC", {{0xFFFFFFFF}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LoadFrom(c.text), c.groups);
    }
}

TEST(VariantTable, missingFile_givesEmptyTable)
{
    test::TempDir dir;
    CIndex index;
    index.m_variantGroups = {{1}};
    index.LoadVariantTable(dir.Folder());
    EXPECT_TRUE(index.m_variantGroups.empty());
    uint32_t slot = 5;
    EXPECT_FALSE(index.FindVariantSlot(0x4E00, slot));
    EXPECT_EQ(slot, 5u);
}

TEST(VariantTable, findVariantSlot_firstGroupWins)
{
    test::TempDir dir;
    std::string text;
    for (int g = 0; g < 10; ++g)
        text += g == 4 || g == 9 ? "5E72,4E7E\n" : std::to_string(7000 + g) + "\n";
    ASSERT_TRUE(writer::WriteFileBytes(dir.Path() / "yitizi.txt", text));
    CIndex index;
    index.LoadVariantTable(dir.Folder());
    uint32_t slot = 0;
    ASSERT_TRUE(index.FindVariantSlot(0x5E72, slot));
    EXPECT_EQ(slot, 88069u);
    EXPECT_FALSE(index.FindVariantSlot(0x4E2D, slot));
    EXPECT_EQ(slot, 88069u);
    EXPECT_EQ(index.GetVariants(u'\x5E72'), (std::vector<uint32_t>{0x5E72, 0x4E7E}));
}

TEST(VariantTable, groupsPastLastSlot_areNotSearchedAsGroups)
{
    test::TempDir dir;
    std::string text;
    for (uint32_t g = 0; g < kMaxVariantGroups + 2; ++g) {
        char line[32];
        snprintf(line, sizeof line, "%X,%X\n", 0x10000 + 2 * g, 0x10001 + 2 * g);
        text += line;
    }
    ASSERT_TRUE(writer::WriteFileBytes(dir.Path() / "yitizi.txt", text));
    CIndex index;
    index.LoadVariantTable(dir.Folder());
    uint32_t slot = 0;
    ASSERT_TRUE(index.FindVariantSlot(0x10000 + 2 * (kMaxVariantGroups - 1), slot));
    EXPECT_EQ(slot, SLOT_COUNT - 1);
    slot = 0;
    EXPECT_FALSE(index.FindVariantSlot(0x10000 + 2 * kMaxVariantGroups, slot));
    EXPECT_FALSE(index.FindVariantSlot(0x10001 + 2 * (kMaxVariantGroups + 1), slot));
    EXPECT_EQ(slot, 0u);
}

// The lookup maps must answer exactly like a walk over the groups in order.
TEST(VariantTable, lookups_matchLinearWalk)
{
    std::mt19937 random(7);
    Groups groups(200);
    std::string text;
    for (auto& group : groups) {
        const int size = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < size; ++i)
            group.push_back(random() % 3 == 0 ? 0x24E00 + random() % 300 : 0x4E00 + random() % 300);
        text += writer::FormatVariantTable({group});
    }
    test::TempDir dir;
    ASSERT_TRUE(writer::WriteFileBytes(dir.Path() / "yitizi.txt", text));
    CIndex index;
    index.LoadVariantTable(dir.Folder());
    ASSERT_EQ(index.m_variantGroups, groups);
    // Both lookups compare all 32 bits: U+24E05 shares its low 16 bits with U+4E05 and says
    // nothing about it.
    for (uint32_t c = 0x4E00; c < 0x4E00 + 300; ++c) {
        for (uint32_t codePoint : {c, c + 0x20000}) {
            int64_t expected = -1;
            for (size_t g = 0; g < groups.size() && expected < 0; ++g)
                for (uint32_t member : groups[g])
                    if (member == codePoint && expected < 0)
                        expected = static_cast<int64_t>(g);
            uint32_t slot = 0;
            EXPECT_EQ(index.FindVariantSlot(codePoint, slot), expected >= 0);
            if (expected >= 0) {
                EXPECT_EQ(slot, VARIANT_SLOT_BASE + expected);
            }
            EXPECT_EQ(index.GetVariants(codePoint),
                      expected >= 0 ? groups[static_cast<size_t>(expected)] : std::vector<uint32_t>{codePoint});
        }
    }
}

TEST(VariantTable, expandVariantForms_isOdometerWithFirstPositionSlowest)
{
    test::TempDir dir;
    // 乙 𠀀 丙; 丁 with U+24E2D, whose low 16 bits are 中, and a field too large for a character.
    ASSERT_TRUE(writer::WriteFileBytes(dir.Path() / "yitizi.txt",
                                       "4E7E,5E72\n5B78,5B66,6588\n4E59,20000,4E19\n4E01,24E2D,110000\n"));
    CIndex index;
    index.LoadVariantTable(dir.Folder());
    struct Case {
        std::u16string query;
        std::vector<std::u16string> forms;
    };
    const Case cases[] = {
        {u"干", {u"乾", u"干"}},
        {u"干干", {u"乾乾", u"乾干", u"干乾", u"干干"}},
        {u"中", {u"中"}},
        {u"学\x3000干", {u"學\x3000乾", u"學\x3000干", u"学\x3000乾", u"学\x3000干", u"斈\x3000乾", u"斈\x3000干"}},
        {u"", {u""}},
        // A character beyond the basic plane is one position, found by its whole code point and
        // written whole; a member that is no character has no form.
        {u"乙", {u"乙", u"𠀀", u"丙"}},
        {u"𠀀?己", {u"乙?己", u"𠀀?己", u"丙?己"}},
        {u"丁中", {u"丁中", u"𤸭中"}},
        {u"𤸭", {u"丁", u"𤸭"}},
        // Lone surrogates stand for themselves.
        {u"\xD840\xDC00\xDC00", {u"乙\xDC00", u"𠀀\xDC00", u"丙\xDC00"}},
    };
    for (const Case& c : cases) {
        std::vector<std::u16string> forms;
        index.ExpandVariantForms(c.query, forms);
        EXPECT_EQ(forms, c.forms);
    }
}

// The sample collection's table as committed: a Japanese form finds its classical form, and a form
// that stands for two words (沪 for 濾 and 滬, 只 in Unihan's link to 子) does not chain them.
TEST(SampleVariantTable, joinsJapaneseFormsAndKeepsUnrelatedWordsApart)
{
    test::TempDir dir;
    std::filesystem::copy_file(VARO_SAMPLE_VARIANT_TABLE, dir.Path() / "yitizi.txt");
    CIndex index;
    index.LoadVariantTable(dir.Folder());
    ASSERT_LE(index.m_variantGroups.size(), kMaxVariantGroups);

    std::set<uint32_t> seen;
    for (const auto& group : index.m_variantGroups)
        for (uint32_t member : group)
            EXPECT_TRUE(seen.insert(member).second) << std::hex << member << " is in two groups";

    const auto slotOf = [&](char32_t c) {
        uint32_t slot = 0;
        return index.FindVariantSlot(c, slot) ? static_cast<int64_t>(slot) : -1;
    };
    const std::u32string together[] = {
        U"楽樂", U"気氣", U"検檢", U"桜櫻", U"伝傳", U"戦戰", U"帰歸", U"辺邊",
        U"仏佛", U"悪惡", U"学學", U"総總", U"弁辯", U"弁辨", U"歴歷", U"暦曆",
    };
    for (const auto& pair : together) {
        SCOPED_TRACE(test::Utf8(pair));
        EXPECT_NE(slotOf(pair[0]), -1);
        EXPECT_EQ(slotOf(pair[0]), slotOf(pair[1]));
    }
    const std::u32string apart[] = {
        U"濾滬", U"藝蕓", U"豫余", U"辯瓣", U"鏈煉", U"子只", U"關寡", U"燒簫", U"歷厲",
    };
    for (const auto& pair : apart) {
        SCOPED_TRACE(test::Utf8(pair));
        const int64_t first = slotOf(pair[0]);
        EXPECT_TRUE(first == -1 || first != slotOf(pair[1]));
    }
}

}  // namespace
}  // namespace varo
