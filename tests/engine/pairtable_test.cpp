// The pair files beside the index files: a search narrowed by them finds exactly what the
// streams alone find, and a pair file that does not belong to the index, or is damaged, is left
// aside without changing any answer.

#include "tests/engine/searchcollection.h"
#include "text/codeconverter.h"
#include "tools/writer/pairfilewriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

namespace varo {
namespace {

namespace fs = std::filesystem;
using Random = std::mt19937;

int Between(Random& random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

// Twenty characters, so that some pairs are common, some rare and many never occur; 乾 and 干
// form a variant group, 、 has no slot of its own.
const std::u32string kAlphabet = U"甲乙丙丁戊己庚辛壬癸子丑寅卯辰巳午未乾干、";
const writer::VariantGroups kGroups = {{U'乾', U'干'}};

std::u32string RandomText(Random& random, int length)
{
    std::u32string text;
    // Skewed towards the first characters, as real texts are.
    for (int i = 0; i < length; ++i)
        text += kAlphabet[static_cast<size_t>(std::min(Between(random, 0, 20), Between(random, 0, 20)))];
    return text;
}

// Phrases cut from the pages (found) or made up (mostly absent), with '?' and '*' now and then,
// one to three terms.
std::u16string RandomQuery(Random& random, const std::vector<std::u32string>& texts)
{
    std::u16string query;
    for (int term = Between(random, 1, 3); term > 0; --term) {
        std::u32string phrase;
        const std::u32string& text = texts[static_cast<size_t>(Between(random, 0, static_cast<int>(texts.size()) - 1))];
        const int length = Between(random, 2, 5);
        if (Between(random, 0, 1) == 0 && text.size() > static_cast<size_t>(length))
            phrase = text.substr(static_cast<size_t>(Between(random, 0, static_cast<int>(text.size()) - length)),
                                 static_cast<size_t>(length));
        else
            phrase = RandomText(random, length);
        const int wildcard = Between(random, 0, 7);
        if (wildcard == 0)
            phrase[1] = U'?';
        else if (wildcard == 1)
            phrase = phrase.substr(0, 1) + U'*' + phrase.substr(1);
        if (!query.empty())
            query += u' ';
        query += CCodeConverter::Utf8ToUtf16(test::Utf8(phrase));
    }
    return query;
}

struct Answer {
    int result = 0;
    CDWordArray pages;
    CDWordArray counts;
    bool operator==(const Answer&) const = default;
};

Answer Ask(CIndex& index, std::u16string query, bool isAnd, bool countHits, bool useVariants)
{
    Answer answer;
    answer.result =
        isAnd ? index.SearchAnd(query, countHits, useVariants) : index.SearchOr(query, countHits, useVariants);
    answer.pages = index.GetHitPages();
    answer.counts = index.GetHitCounts();
    return answer;
}

std::span<const uint8_t> Bytes(const std::string& bytes)
{
    return {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
}

// The pair files of every kind and of the gaps given, written into the collection's folder.
void WritePairFiles(const fs::path& folder, uint32_t rareLimit, std::initializer_list<uint32_t> gaps)
{
    for (int kind : {INDEX_FULL_TEXT, INDEX_ANNOTATIONS, INDEX_MAIN_TEXT})
        for (uint32_t gap : gaps) {
            writer::PairFileOptions options;
            options.rareLimit = rareLimit;
            options.gap = gap;
            ASSERT_EQ(writer::WritePairFile(folder / writer::IndexHeaderName("Index", kind),
                                            folder / writer::PostingFileName("Index", kind),
                                            folder / writer::PairFileName("Index", kind, gap), options),
                      "");
        }
}

std::vector<std::u32string> RandomTexts(Random& random, size_t count)
{
    std::vector<std::u32string> texts;
    for (size_t i = 0; i < count; ++i)
        texts.push_back(RandomText(random, Between(random, 0, 120)));
    return texts;
}

// The same queries on one index opened before its pair files were written and one after: with
// no list at all (limit 1), lists for pairs on one or two pages, and lists for every pair; with
// both files, and with only the file of characters one apart.
TEST(PairTable, narrowedSearchFindsWhatTheStreamsFind)
{
    struct Setting {
        uint32_t rareLimit;
        bool neighbours;
    };
    Random random(2112);
    for (const Setting setting : {Setting{1, true}, Setting{3, true}, Setting{1000, true}, Setting{1000, false}}) {
        SCOPED_TRACE(testing::Message() << "rare limit " << setting.rareLimit
                                        << (setting.neighbours ? "" : ", one apart only"));
        const std::vector<std::u32string> texts = RandomTexts(random, 150);
        writer::WriterOptions options;
        options.scrambleBlocks = setting.rareLimit == 3;
        test::SearchCollection plain(test::PagesOf(texts), kGroups, options, INDEX_FULL_TEXT);
        ASSERT_FALSE(plain.Index().HasPairTable(0));
        ASSERT_FALSE(plain.Index().HasPairTable(1));
        if (setting.neighbours)
            WritePairFiles(plain.Dir().Path(), setting.rareLimit, {0, 1});
        else
            WritePairFiles(plain.Dir().Path(), setting.rareLimit, {1});
        CIndex paired;
        ASSERT_TRUE(paired.Open(plain.Dir().Folder(), u"Index", INDEX_FULL_TEXT));
        ASSERT_EQ(paired.HasPairTable(0), setting.neighbours);
        ASSERT_TRUE(paired.HasPairTable(1));

        int found = 0;
        for (int q = 0; q < 400; ++q) {
            const std::u16string query = RandomQuery(random, texts);
            const bool isAnd = Between(random, 0, 3) != 0;
            const bool countHits = Between(random, 0, 3) != 0;
            const bool useVariants = Between(random, 0, 1) == 0;
            SCOPED_TRACE(testing::Message() << CCodeConverter::Utf16ToUtf8(query) << (isAnd ? " and" : " or")
                                            << (countHits ? " counted" : "") << (useVariants ? " variants" : ""));
            const Answer expected = Ask(plain.Index(), query, isAnd, countHits, useVariants);
            ASSERT_EQ(Ask(paired, query, isAnd, countHits, useVariants), expected);
            found += expected.pages.empty() ? 0 : 1;
        }
        EXPECT_GT(found, 100);  // the mix holds found and absent queries alike
        EXPECT_LT(found, 350);
    }
}

// However small the memory budget, the file is the same: the pairs go into more runs, held in
// memory or in files beside the pair file, which are gone afterwards.
TEST(PairTable, smallBudgetWritesTheSameFileFromMoreRuns)
{
    Random random(7);
    const test::SearchCollection collection(RandomTexts(random, 400), kGroups);
    const fs::path folder = collection.Dir().Path();
    const std::string header = test::ReadFileBytes(folder / "Index-idx.h");
    const std::string postings = test::ReadFileBytes(folder / "Index-idx.m");
    writer::PairFileOptions options;
    std::string whole;
    writer::PairFileSummary wholeSummary;
    ASSERT_EQ(writer::BuildPairImage(Bytes(header), Bytes(postings), options, whole, &wholeSummary), "");
    EXPECT_EQ(wholeSummary.runs, 1u);
    EXPECT_GT(wholeSummary.pairs, 300u);

    options.memoryBudget = 4096;
    std::string split;
    writer::PairFileSummary splitSummary;
    ASSERT_EQ(writer::BuildPairImage(Bytes(header), Bytes(postings), options, split, &splitSummary), "");
    EXPECT_GT(splitSummary.runs, 3u);
    EXPECT_EQ(split, whole);

    const size_t filesBefore = static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
    ASSERT_EQ(
        writer::WritePairFile(folder / "Index-idx.h", folder / "Index-idx.m", folder / "Index-idx.pairs", options), "");
    EXPECT_EQ(test::ReadFileBytes(folder / "Index-idx.pairs"), whole);
    EXPECT_EQ(static_cast<size_t>(std::distance(fs::directory_iterator(folder), {})), filesBefore + 1);
}

// The file of characters one apart pairs each slot with the slot two positions on, not with its
// neighbour, and each file is taken only for the gap it was written for.
TEST(PairTable, gapFilePairsCharactersOneApart)
{
    const test::SearchCollection collection({U"甲乙丙丁", U"丁丙乙甲"}, kGroups);
    const std::string header = test::ReadFileBytes(collection.Dir().Path() / "Index-idx.h");
    const std::string postings = test::ReadFileBytes(collection.Dir().Path() / "Index-idx.m");
    writer::PairFileOptions options;
    options.gap = 1;
    std::string image;
    writer::PairFileSummary summary;
    ASSERT_EQ(writer::BuildPairImage(Bytes(header), Bytes(postings), options, image, &summary), "");
    EXPECT_EQ(summary.pairs, 4u);  // 甲丙 乙丁 丁乙 丙甲
    IndexFingerprint fingerprint({reinterpret_cast<const uint8_t*>(header.data()), header.size()},
                                 {reinterpret_cast<const uint8_t*>(postings.data()), postings.size()});
    PairTable table;
    ASSERT_TRUE(table.Attach(Bytes(image), fingerprint, 1));
    const auto slot = [](char32_t c) { return static_cast<uint32_t>(CIndex::GetCharSlot(c)); };
    const auto pagesOf = [&](char32_t a, char32_t b) {
        PairTable::PageList list;
        std::vector<uint32_t> pages;
        if (table.Find(slot(a), slot(b), list) == PairTable::Lookup::Rare) {
            EXPECT_TRUE(PairTable::Decode(list, pages));
        }
        return pages;
    };
    EXPECT_EQ(pagesOf(U'甲', U'丙'), std::vector<uint32_t>{0});
    EXPECT_EQ(pagesOf(U'丙', U'甲'), std::vector<uint32_t>{1});
    PairTable::PageList list;
    EXPECT_EQ(table.Find(slot(U'甲'), slot(U'乙'), list), PairTable::Lookup::Absent);  // neighbours
    EXPECT_EQ(table.Find(slot(U'丁'), slot(U'丙'), list), PairTable::Lookup::Absent);
    EXPECT_FALSE(PairTable().Attach(Bytes(image), fingerprint, 0));
    std::string neighbours;
    ASSERT_EQ(writer::BuildPairImage(Bytes(header), Bytes(postings), {}, neighbours), "");
    EXPECT_FALSE(PairTable().Attach(Bytes(neighbours), fingerprint, 1));
    EXPECT_TRUE(PairTable().Attach(Bytes(neighbours), fingerprint, 0));
}

enum class Damage { None, Truncated, Empty, HeaderByte, RowTableByte, RowByte, NewerVersion, Stale, Sparse };

struct DamageCase {
    const char* name;
    Damage damage;
    bool attached;  // whether the table is still taken (a damaged row is found only when read)
};

uint64_t LoadU64(const std::string& file, size_t offset)
{
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(file[offset + static_cast<size_t>(i)]);
    return value;
}

// Offset of the first row's bytes: the row offset of the row table's first record.
size_t FirstRowOffset(const std::string& file)
{
    const size_t table = static_cast<size_t>(LoadU64(file, 56));
    return table < file.size() ? static_cast<size_t>(LoadU64(file, table + 8)) : 0;
}

// Every way a pair file can fail to belong or to be sound leaves the answers as the streams
// give them: the file is not taken, or its damaged row proves nothing.
TEST(PairTable, damagedOrStaleFileIsLeftAside)
{
    static const DamageCase kCases[] = {
        {"sound", Damage::None, true},
        {"truncated", Damage::Truncated, false},
        {"empty", Damage::Empty, false},
        {"header byte", Damage::HeaderByte, false},
        {"row table byte", Damage::RowTableByte, false},
        {"row byte", Damage::RowByte, true},
        {"newer version", Damage::NewerVersion, false},
        {"stale (of another index)", Damage::Stale, false},
        {"sparse, a terabyte", Damage::Sparse, false},
    };
    Random random(99);
    const std::vector<std::u32string> texts = RandomTexts(random, 60);
    const test::SearchCollection collection(texts, kGroups);
    const fs::path folder = collection.Dir().Path();
    const fs::path pairPath = folder / "Index-idx.pairs";
    writer::PairFileOptions options;
    options.rareLimit = 1000;
    ASSERT_EQ(writer::WritePairFile(folder / "Index-idx.h", folder / "Index-idx.m", pairPath, options), "");
    const std::string sound = test::ReadFileBytes(pairPath);

    // An index of other pages, whose pair file is sound but not this index's.
    const test::SearchCollection other(RandomTexts(random, 60), kGroups);
    std::string stale;
    ASSERT_EQ(writer::BuildPairImage(Bytes(test::ReadFileBytes(other.Dir().Path() / "Index-idx.h")),
                                     Bytes(test::ReadFileBytes(other.Dir().Path() / "Index-idx.m")), options, stale),
              "");

    std::vector<std::u16string> queries;
    for (int q = 0; q < 150; ++q)
        queries.push_back(RandomQuery(random, texts));
    CIndex plain;
    fs::remove(pairPath);
    ASSERT_TRUE(plain.Open(collection.Dir().Folder(), u"Index", INDEX_FULL_TEXT));
    ASSERT_FALSE(plain.HasPairTable());

    for (const DamageCase& c : kCases) {
        SCOPED_TRACE(c.name);
        std::string bytes = sound;
        switch (c.damage) {
        case Damage::None: break;
        case Damage::Truncated: bytes.resize(bytes.size() - 1); break;
        case Damage::Empty: bytes.clear(); break;
        case Damage::HeaderByte: bytes[40] ^= 1; break;
        case Damage::RowTableByte: bytes[bytes.size() - 100] ^= 1; break;
        case Damage::RowByte: bytes[FirstRowOffset(bytes)] ^= 1; break;
        case Damage::NewerVersion: bytes[8] = 2; break;
        case Damage::Stale: bytes = stale; break;
        case Damage::Sparse: break;
        }
        ASSERT_TRUE(writer::WriteFileBytes(pairPath, bytes));
        if (c.damage == Damage::Sparse) {
            std::error_code error;
            fs::resize_file(pairPath, uint64_t{1} << 40, error);
            if (error)
                continue;  // a file system without sparse files
        }
        CIndex index;
        ASSERT_TRUE(index.Open(collection.Dir().Folder(), u"Index", INDEX_FULL_TEXT));
        EXPECT_EQ(index.HasPairTable(), c.attached);
        for (const std::u16string& query : queries) {
            SCOPED_TRACE(CCodeConverter::Utf16ToUtf8(query));
            ASSERT_EQ(Ask(index, query, true, true, false), Ask(plain, query, true, true, false));
        }
    }
}

}  // namespace
}  // namespace varo
