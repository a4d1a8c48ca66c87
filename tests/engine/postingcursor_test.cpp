#include "engine/postingcursor.h"
#include "engine/skipdirectory.h"
#include "tests/engine/searchcollection.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace varo {
namespace {

constexpr size_t kBlock = 4096;

struct Entry {
    uint32_t page;
    std::vector<uint32_t> positions;
    bool operator==(const Entry&) const = default;
};

// Stream bytes of entries (page deltas and position deltas packed).
std::string StreamBytes(const std::vector<Entry>& entries)
{
    std::string bytes;
    uint32_t previousPage = 0;
    for (const Entry& entry : entries) {
        std::string list;
        uint32_t previous = 0;
        for (size_t i = 0; i < entry.positions.size(); ++i) {
            writer::EncodePacked(entry.positions[i] - (i == 0 ? 0 : previous), list);
            previous = entry.positions[i];
        }
        writer::EncodePacked(bytes.empty() ? entry.page : entry.page - previousPage, bytes);
        bytes += static_cast<char>(list.size() & 0xFF);
        bytes += static_cast<char>(list.size() >> 8);
        bytes += list;
        previousPage = entry.page;
    }
    return bytes;
}

// An in-memory posting file: bytes and the chain that links its blocks.
struct Postings {
    std::string bytes;
    std::vector<uint32_t> chain;

    PostingFile File() const
    {
        return {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), chain.data(),
                static_cast<uint32_t>(chain.size()), static_cast<uint32_t>((bytes.size() + kBlock - 1) / kBlock)};
    }
};

// Reads entries until the stream ends or reaches lastPage. Zero bytes after a stream's end read
// as entries that repeat the last page with empty lists; the search skips those, and so does
// this reader. A guard keeps a faulty cursor from hanging the test.
std::vector<Entry> ReadAll(const PostingFile& file, uint32_t firstBlock, uint32_t lastPage)
{
    std::vector<Entry> entries;
    PostingCursor cursor(file, firstBlock, lastPage);
    for (int guard = 0; guard < 100000 && cursor.NextEntry(); ++guard) {
        Entry entry{cursor.Page(), {}};
        uint32_t position = 0;
        for (uint32_t value = 0; cursor.NextPosition(value);)
            entry.positions.push_back(position += value);
        if (entries.empty() || entry.page != entries.back().page)
            entries.push_back(entry);
        if (cursor.Page() >= cursor.LastPage())
            break;
    }
    EXPECT_TRUE(cursor.Ended() || cursor.Page() >= lastPage);
    return entries;
}

std::vector<uint32_t> Consecutive(uint32_t count)
{
    std::vector<uint32_t> positions(count);
    for (uint32_t i = 0; i < count; ++i)
        positions[i] = i;
    return positions;
}

TEST(PostingCursor, streamOverChainedBlocks_readsEveryEntry)
{
    // The stream starts in block 2 and goes on in block 0. A first entry of one-byte positions
    // shifts the rest so that every byte of their headers and packed numbers meets the boundary,
    // the offset of exactly 4096 included.
    const std::vector<Entry> tail = {{3, {0, 5}}, {200, {127, 128, 16383, 16384, 4194303}}, {70000, {1}}};
    const size_t tailBytes = StreamBytes(tail).size();
    for (size_t shift = 0; shift < tailBytes; ++shift) {
        SCOPED_TRACE(shift);
        std::vector<Entry> entries = {{0, Consecutive(static_cast<uint32_t>(kBlock - 3 - shift))}};
        entries.insert(entries.end(), tail.begin(), tail.end());
        const std::string stream = StreamBytes(entries);
        Postings postings{std::string(3 * kBlock, '\0'), {9, 9, 0}};
        postings.bytes.replace(2 * kBlock, kBlock, stream.substr(0, kBlock));
        postings.bytes.replace(0, stream.size() - kBlock, stream.substr(kBlock));
        EXPECT_EQ(ReadAll(postings.File(), 2, 70000), entries);
    }
}

TEST(PostingCursor, damagedStreams_endCleanly)
{
    const std::vector<Entry> entries = {{1, {2, 3}}, {4, {5}}};
    const std::string stream = StreamBytes(entries);
    const std::string fullBlock = stream + std::string(kBlock - stream.size(), '\0');
    std::string longList = stream;
    longList[longList.size() - 3] = '\xFF';  // the last entry claims 65,535 bytes of positions
    longList[longList.size() - 2] = '\xFF';
    // Page 2's list is the single byte 0x80, the first of a two-byte number.
    const std::string cutNumber(
        "\x01\x01\x00\x02"
        "\x01\x01\x00\x80"
        "\x01\x01\x00\x09",
        12);
    // Pages 4,000,000 apart: the 1,074th would pass 2^32.
    std::string overflowing;
    std::vector<Entry> belowOverflow;
    for (uint32_t i = 1; i <= 1100; ++i) {
        writer::EncodePacked(4000000, overflowing);
        overflowing += std::string("\x01\x00\x07", 3);
        if (i < 1074)
            belowOverflow.push_back({i * 4000000, {7}});
    }
    const std::vector<uint32_t> twoBlocks = {1, 0xFFFFFFFF};
    struct Case {
        const char* name;
        Postings postings;
        uint32_t firstBlock;
        uint32_t lastPage;
        std::vector<Entry> expected;
    };
    const Case cases[] = {
        {"first block outside the file", {fullBlock, {0xFFFFFFFF}}, 1, 4, {}},
        {"first block far outside the file", {fullBlock, {0xFFFFFFFF}}, 0xFFFFFFF0, 4, {}},
        {"ends before its last page", {fullBlock, {0xFFFFFFFF}}, 0, 9, entries},
        {"chain leads outside the file", {fullBlock + fullBlock, {7, 0xFFFFFFFF}}, 0, 9, entries},
        {"chain shorter than the file", {fullBlock + fullBlock, {}}, 0, 9, entries},
        {"chain cycles", {fullBlock + fullBlock, {1, 0}}, 0, 9, entries},
        {"chain loops on itself", {fullBlock, {0}}, 0, 9, entries},
        {"file ends inside a block", {stream, {0}}, 0, 9, entries},
        {"list length runs past the file", {longList, {0}}, 0, 9, entries},
        {"number cut off by the list length", {cutNumber, {}}, 0, 9, {{1, {2}}, {2, {}}, {3, {9}}}},
        {"page number overflows", {overflowing, twoBlocks}, 0, 0xFFFFFFFF, belowOverflow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadAll(c.postings.File(), c.firstBlock, c.lastPage), c.expected);
    }
}

// Where a seek lands: whether it found an entry, its page and its positions.
struct Landing {
    bool found;
    uint32_t page;
    std::vector<uint32_t> positions;
    bool operator==(const Landing&) const = default;
};

std::vector<Landing> SeekAll(const PostingFile& file, uint32_t firstBlock, uint32_t lastPage,
                             const std::vector<uint64_t>& targets, const SkipDirectory* directory)
{
    std::vector<Landing> landings;
    PostingCursor cursor(file, firstBlock, lastPage);
    for (uint64_t target : targets) {
        const bool found = cursor.SeekPage(target, directory);
        Landing landing{found, cursor.Page(), {}};
        // Only the first position: the rest of the list is left for the next seek to skip.
        uint32_t position = 0;
        if (found && cursor.NextPosition(position))
            landing.positions.push_back(position);
        landings.push_back(landing);
        if (!found)
            break;
    }
    return landings;
}

TEST(PostingCursor, seekThroughTheDirectory_landsWhereTheWalkLands)
{
    // 3,000 entries with gaps of 1 to 40 pages and now and then one of 20,000 (so that pages
    // bunch, and a leap's guess from how they spread on average falls wide), lists of up to 20
    // positions, laid over blocks in shuffled order, so that entries and their numbers straddle
    // block boundaries.
    std::mt19937 random(7);
    std::vector<Entry> entries;
    const auto gap = [&random] {
        return random() % 300 == 0 ? 20000 : std::uniform_int_distribution<uint32_t>(1, 40)(random);
    };
    for (uint32_t page = 5; entries.size() < 3000; page += gap()) {
        std::vector<uint32_t> positions;
        for (uint32_t p = 0, n = std::uniform_int_distribution<uint32_t>(1, 20)(random); positions.size() < n;)
            positions.push_back(p += std::uniform_int_distribution<uint32_t>(1, 300)(random));
        entries.push_back({page, positions});
    }
    const std::string stream = StreamBytes(entries);
    const uint32_t blocks = static_cast<uint32_t>((stream.size() + kBlock - 1) / kBlock);
    std::vector<uint32_t> order(blocks);
    for (uint32_t i = 0; i < blocks; ++i)
        order[i] = i;
    std::shuffle(order.begin(), order.end(), random);
    Postings whole{std::string(size_t{blocks} * kBlock, '\0'), std::vector<uint32_t>(blocks, 0xFFFFFFFF)};
    for (uint32_t i = 0; i < blocks; ++i) {
        const std::string piece = stream.substr(size_t{i} * kBlock, kBlock);
        whole.bytes.replace(size_t{order[i]} * kBlock, piece.size(), piece);
        if (i + 1 < blocks)
            whole.chain[order[i]] = order[i + 1];
    }
    const uint32_t lastPage = entries.back().page;
    Postings cycling = whole;  // the chain turns back to the start halfway
    cycling.chain[order[blocks / 2]] = order[0];
    Postings cut = whole;  // the file ends inside the stream's third block
    cut.bytes.resize(size_t{order[2]} * kBlock + 100);
    for (uint32_t& next : cut.chain)
        next = next > order[2] ? 0xFFFFFFFF : next;

    struct Case {
        const char* name;
        const Postings& postings;
        uint32_t lastPage;
    };
    const Case cases[] = {
        {"whole stream", whole, lastPage},
        {"last page inside the stream", whole, entries[1234].page},
        {"stream ends before its last page", whole, lastPage + 1000},
        {"chain cycles", cycling, lastPage},
        {"file ends inside the stream", cut, lastPage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PostingFile file = c.postings.File();
        const SkipDirectory directory(file, order[0], c.lastPage);
        // Every entry a walk reads counts, the empty ones of zero bytes after a broken end too.
        PostingCursor walk(file, order[0], c.lastPage);
        uint32_t entryCount = 0;
        while (walk.NextEntry() && ++entryCount > 0 && walk.Page() < c.lastPage) {
        }
        EXPECT_EQ(directory.EntryCount(), entryCount);
        // Short hops (inside one run of the directory), long leaps, and leaps to just before, at
        // and after entries near the recorded ones; the last target lies past the end.
        for (uint32_t hop : {1u, 7u, 300u, 5000u, 0u}) {
            SCOPED_TRACE(hop);
            std::vector<uint64_t> targets;
            for (uint64_t target = 0; hop > 0 && target <= uint64_t{lastPage} + 2000;
                 target += 1 + random() % (2 * hop))
                targets.push_back(target);
            for (size_t entry = 31; hop == 0 && entry < entries.size(); entry += 33 + random() % 70)
                targets.push_back(entries[entry].page + random() % 3 - 1);
            targets.push_back(uint64_t{lastPage} + 2001);
            const auto walked = SeekAll(file, order[0], c.lastPage, targets, nullptr);
            EXPECT_EQ(SeekAll(file, order[0], c.lastPage, targets, &directory), walked);
            EXPECT_FALSE(walked.back().found);
        }
    }
}

uint32_t Word(const std::string& bytes, size_t offset)
{
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= uint32_t{static_cast<uint8_t>(bytes[offset + i])} << (8 * i);
    return value;
}

void SetWord(std::string& bytes, size_t offset, uint32_t value)
{
    for (size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

TEST(CorruptIndex, search_stopsWhereTheStreamBreaks)
{
    // 乙 (slot 0x1A59) fills block 0 and 甲 (slot 0x4132) block 1, the file's last:
    // 甲 = 00 01 00 00 | 01 01 00 00 | 01 01 00 00 for pages 0, 1 and 2.
    const std::vector<std::u32string> texts = {U"甲乙", U"甲", U"甲乙"};
    constexpr size_t kJia = 0x7532 - 0x3400;
    constexpr size_t kYi = 0x4E59 - 0x3400;
    struct Case {
        const char* name;
        std::function<void(std::string& header, std::string& postings)> damage;
        CDWordArray pagesOfJia;
        CDWordArray pagesOfJiaYi;
    };
    const Case cases[] = {
        {"first block outside the file",
         [](std::string& header, std::string&) { SetWord(header, kFirstBlockOffset + kJia * 4, 1000); },
         {},
         {}},
        {"stream ends before its last page",
         [](std::string& header, std::string&) {
             SetWord(header, kLastPageOffset + kJia * 4, 1000);
             SetWord(header, kLastPageOffset + kYi * 4, 1000);
         },
         {0, 1, 2},
         {0, 2}},
        {"chain loops on the stream's block",
         [](std::string& header, std::string&) {
             SetWord(header, kLastPageOffset + kJia * 4, 1000);
             SetWord(header, kChainOffset + 1 * 4, 1);
         },
         {0, 1, 2},
         {0, 2}},
        {"list length runs past the file",
         [](std::string&, std::string& postings) {
             postings[kBlock + 9] = '\xFF';
             postings[kBlock + 10] = '\xFF';
             postings.resize(kBlock + 12);
         },
         {0, 1, 2},
         {0, 2}},
        {"file ends inside an entry",
         [](std::string&, std::string& postings) { postings.resize(kBlock + 6); },
         {0},
         {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::SearchCollection collection(texts);
        CIndex& index = collection.Index();
        index.Close();
        const auto folder = collection.Dir().Path();
        std::string header = test::ReadFileBytes(folder / "Index-idx.h");
        std::string postings = test::ReadFileBytes(folder / "Index-idx.m");
        ASSERT_EQ(Word(header, kFirstBlockOffset + kJia * 4), 1u);
        c.damage(header, postings);
        ASSERT_TRUE(writer::WriteFileBytes(folder / "Index-idx.h", header));
        ASSERT_TRUE(writer::WriteFileBytes(folder / "Index-idx.m", postings));
        ASSERT_TRUE(index.Open(collection.Dir().Folder(), u"Index", 0));

        index.SearchTerm(u"甲", SEARCH_REPLACE, true, false);
        EXPECT_EQ(index.GetHitPages(), c.pagesOfJia);
        EXPECT_EQ(index.GetHitCounts(), CDWordArray(c.pagesOfJia.size(), 1));
        index.SearchTerm(u"甲乙", SEARCH_REPLACE, false, false);
        EXPECT_EQ(index.GetHitPages(), c.pagesOfJiaYi);
    }
}

}  // namespace
}  // namespace varo
