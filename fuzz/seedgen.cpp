// Writes the seed corpora of the fuzz targets, one folder per target, from the fuzz collection
// and a few damaged variants of it, in the input layout each target reads.
//
//   fuzz_seeds OUTPUT_FOLDER

#include "fuzz/fuzzcollection.h"
#include "fuzz/fuzzinput.h"

#include "engine/index.h"

#include <cstdio>
#include <map>

using namespace varo;
using fuzz::Writer;

namespace {

const std::vector<std::u16string> kQueries = {
    u"詩",   u"詩 經",        u"詩云", u"詩?詩",  u"詩*經",      u"乾",           u"一 二 三",
    u"?詩?", u"**詩",         u"*",    u"",       u"詩\u3000經", u"書*之",        u"學而之",
    u"云 a", u"\xD840\xDC00", u"あ",   u"經??之", u"詩*云*詩",   u"詩?詩*云*?之", u"一*二*三",
};

class SeedFolder {
public:
    SeedFolder(const std::filesystem::path& root, const std::string& target) : m_path(root / target)
    {
        std::filesystem::create_directories(m_path);
    }
    void Add(const Writer& seed)
    {
        char name[32];
        std::snprintf(name, sizeof name, "seed-%03d", m_count++);
        if (!writer::WriteFileBytes(m_path / name, seed.Bytes())) {
            std::fprintf(stderr, "cannot write %s\n", (m_path / name).c_str());
            std::exit(1);
        }
    }

private:
    std::filesystem::path m_path;
    int m_count = 0;
};

uint32_t WordAt(const std::string& bytes, size_t offset)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(bytes[offset + static_cast<size_t>(i)]);
    return value;
}

// The selector that names a slot in the index target's input.
uint32_t SelectorOf(uint32_t slot)
{
    for (uint32_t k = 0; k < fuzz::kAlphabetSize; ++k)
        if (CIndex::GetCharSlot(fuzz::kAlphabet[k]) == static_cast<int>(slot))
            return k;
    if (slot >= VARIANT_SLOT_BASE && slot < VARIANT_SLOT_BASE + 0x100)
        return 0x100 + (slot - VARIANT_SLOT_BASE);
    return slot;
}

enum class Damage { None, CutHeader, StrayBytes, ChainCycle, CutPostings };

void AddIndexSeed(SeedFolder& folder, const std::vector<writer::PageInput>& pages, bool scramble, Damage damage)
{
    writer::IndexImage image;
    writer::WriterOptions options;
    options.scrambleBlocks = scramble;
    if (!writer::BuildIndexImage(pages, INDEX_FULL_TEXT, fuzz::CollectionGroups(), options, image).empty())
        std::exit(1);
    Writer seed;
    seed.Byte(damage == Damage::CutHeader ? 1 : damage == Damage::StrayBytes ? 2 : 0);
    seed.U32(damage == Damage::CutHeader ? 1000000 : 3);
    std::vector<uint32_t> slots;
    for (uint32_t slot = 0; slot < SLOT_COUNT; ++slot)
        if (WordAt(image.header, kFirstBlockOffset + slot * 4) != kNoBlock)
            slots.push_back(slot);
    seed.U16(static_cast<uint16_t>(slots.size()));
    for (uint32_t slot : slots) {
        seed.U32(SelectorOf(slot));
        seed.U32(WordAt(image.header, kFirstBlockOffset + slot * 4));
        seed.U32(WordAt(image.header, kLastPageOffset + slot * 4));
    }
    std::vector<uint32_t> chain;
    for (size_t offset = kChainOffset; offset + 4 <= image.header.size(); offset += 4)
        chain.push_back(WordAt(image.header, offset));
    // A stream that runs over more than one block is sent back to its first block.
    if (damage == Damage::ChainCycle)
        for (uint32_t block = 0; block < chain.size(); ++block)
            if (chain[block] < chain.size()) {
                chain[chain[block]] = block;
                break;
            }
    seed.U16(static_cast<uint16_t>(chain.size()));
    for (uint32_t next : chain)
        seed.U32(next);
    // Blocks without their trailing zeros, which the target pads back.
    const std::string& postings = image.postings;
    seed.U16(static_cast<uint16_t>(postings.size() / kBlockSize));
    for (size_t offset = 0; offset < postings.size(); offset += kBlockSize) {
        const std::string block = postings.substr(offset, kBlockSize);
        seed.Blob(block.substr(0, block.find_last_not_of('\0') + 1), 2);
    }
    seed.U16(damage == Damage::CutPostings ? 4000 : 0);
    seed.Blob(writer::FormatVariantTable(fuzz::CollectionGroups()), 2);
    // and, or, a term in each mode, a render; counting and variants in turn.
    const uint8_t ops[] = {0x04, 0x0C, 0x05, 0x0D, 0x06, 0x16, 0x26, 0x03, 0x4B, 0x00};
    for (size_t i = 0; i < kQueries.size(); ++i) {
        seed.Byte(ops[i % sizeof ops]);
        seed.Query(kQueries[i]);
    }
    folder.Add(seed);
}

// Pages where 詩 and 經 fill whole blocks of postings, so their streams follow the chain.
std::vector<writer::PageInput> LongStreamPages()
{
    std::vector<writer::PageInput> pages;
    for (int i = 0; i < 1500; ++i) {
        writer::PageInput page;
        page.recordName = "c\\v\\" + std::to_string(i + 1) + ".htm";
        const std::u32string text = i % 3 == 0 ? U"詩經詩云" : U"詩之經";
        page.indexed = {text, text, text};
        pages.push_back(std::move(page));
    }
    return pages;
}

void IndexSeeds(const std::filesystem::path& root)
{
    SeedFolder folder(root, "fuzz_index");
    const auto pages = fuzz::CollectionPages();
    AddIndexSeed(folder, pages, false, Damage::None);
    AddIndexSeed(folder, pages, true, Damage::None);
    AddIndexSeed(folder, pages, false, Damage::CutHeader);
    AddIndexSeed(folder, pages, false, Damage::StrayBytes);
    const auto longPages = LongStreamPages();
    AddIndexSeed(folder, longPages, true, Damage::None);
    AddIndexSeed(folder, longPages, false, Damage::ChainCycle);
    AddIndexSeed(folder, longPages, false, Damage::CutPostings);
}

void StoreSeeds(const std::filesystem::path& root)
{
    SeedFolder folder(root, "fuzz_store");
    const auto pages = fuzz::CollectionPages();
    for (uint32_t nameSize : {100u, 260u, 21u}) {
        for (bool cut : {false, true}) {
            writer::WriterOptions options;
            options.nameSize = nameSize;
            options.storeKey = static_cast<uint8_t>(nameSize);
            writer::StoreImage image;
            if (!writer::BuildStoreImage(pages, options, image).empty())
                std::exit(1);
            if (cut) {
                image.list.resize(image.list.size() - nameSize / 2);
                image.content.resize(image.content.size() * 2 / 3);
            }
            Writer seed;
            seed.Blob(image.list, 4);
            seed.Blob(image.content, 4);
            for (uint32_t record = 0; record < 10; ++record) {
                const uint8_t op = static_cast<uint8_t>(record % 5 | (record == 9 ? 0 : 0x08));
                seed.Byte(op);
                seed.U32(record);
                seed.U32(record % 8 + 1);
                if (op % 5 == 4)
                    seed.Query(kQueries[record]);
            }
            folder.Add(seed);
        }
    }
}

void AddOperations(Writer& seed)
{
    // Select each slot, walk pages and volumes, search and show results, change targets, page.
    const std::vector<std::pair<uint8_t, uint16_t>> ops = {
        {0, 3}, {1, 0}, {1, 0}, {2, 0}, {5, 3},  {3, 0},  {3, 0}, {4, 0},  {0, 1}, {6, 0},  {7, 0}, {8, 0},
        {9, 0}, {0, 5}, {6, 1}, {7, 1}, {11, 3}, {10, 1}, {6, 2}, {10, 2}, {7, 0}, {10, 0}, {0, 2},
    };
    size_t query = 0;
    for (const auto& [op, argument] : ops) {
        seed.Byte(op);
        seed.U16(argument);
        if (op == 6)
            seed.Query(kQueries[query++]);
    }
}

void CatalogueSeeds(const std::filesystem::path& root)
{
    SeedFolder folder(root, "fuzz_catalogue");
    std::string image;
    if (!writer::BuildCatalogueImage(fuzz::CollectionCatalogue(), image).empty())
        std::exit(1);
    auto entries = fuzz::CollectionCatalogue();
    entries.erase(entries.begin());  // starts with a title: no category above it
    std::string orphans;
    writer::BuildCatalogueImage(entries, orphans);
    entries[1].level = 25;
    entries[2].docNo = 0xFFFFFFFF;
    entries[3].docID = 0;
    std::string odd;
    writer::BuildCatalogueImage(entries, odd);
    for (const std::string& bytes : {image, orphans, odd, image.substr(0, image.size() - 100), std::string()}) {
        Writer seed;
        seed.Blob(bytes, 4);
        AddOperations(seed);
        folder.Add(seed);
    }
}

void VariantSeeds(const std::filesystem::path& root)
{
    SeedFolder folder(root, "fuzz_variants");
    const std::string table = writer::FormatVariantTable(fuzz::CollectionGroups());
    const std::string crlf = "4E7E,5E72\r\n\r\n0x7D93, 7D4C,,\r\n8A69,8BD7\r\n,\n4e00,58f9,5f0c,20000";
    const std::string wide = "3000,20\n4E7E,5E72,4E7E,D840,DC00\n6587,6588,6589,658A,658B,658C";
    for (const std::string& bytes : {table, crlf, wide, std::string("\n\n,zz,0x,fffffffff\n")}) {
        Writer seed;
        seed.Blob(bytes, 4);
        for (size_t i = 0; i + 1 < kQueries.size(); i += 2) {
            seed.Byte(static_cast<uint8_t>(i * 9 | (i % 4 == 0 ? 0x80 : 0) | (i % 8 == 0 ? 0x40 : 0)));
            seed.Query(kQueries[i] + u" " + kQueries[i + 1]);
        }
        folder.Add(seed);
    }
}

void RenderSeeds(const std::filesystem::path& root)
{
    SeedFolder folder(root, "fuzz_render");
    std::vector<std::pair<uint16_t, std::string>> pages;
    uint16_t label = 1;
    for (const writer::PageInput& page : fuzz::CollectionPages())
        pages.emplace_back(label++, page.html);
    pages.emplace_back(2, "<TITLE>T</TITLE><TD>詩</TD><TD>經</TD>");
    pages.emplace_back(2, "<title>T</title><TD>詩<TD>經</TD>詩</TD><TD>經</title><TD>詩經");
    pages.emplace_back(3,
                       "<title>詩</title><TD>x</TD><TD><font size=-1 color=\"#993366\">詩<font size=-1 "
                       "color=\"#993366\">經</font>詩</font>經<p>詩<h4>經</TD>");
    for (const auto& [pageLabel, html] : pages) {
        Writer seed;
        seed.U16(pageLabel);
        seed.Blob(html, 4);
        for (size_t i = 0; i + 2 < kQueries.size(); i += 3) {
            seed.Byte(static_cast<uint8_t>(i % 3 | (i % 2 == 0 ? 0x08 : 0)));
            seed.Query(kQueries[i] + u"\u3000" + kQueries[i + 1] + u" " + kQueries[i + 2]);
        }
        folder.Add(seed);
    }
}

// The sound pair file with queries; with a flipped header byte, row byte or list byte, with
// and without the hashes made to match again; cut short.
void PairSeeds(const std::filesystem::path& root)
{
    SeedFolder folder(root, "fuzz_pairs");
    struct Edit {
        uint8_t mode;
        uint32_t offset;
        uint8_t bits;
    };
    static const Edit kEdits[] = {
        {0, 0, 0}, {0, 12, 0x01}, {0, 100, 0x10}, {1, 100, 0x10}, {1, 84, 0x01}, {1, 90, 0x80}, {2, 0, 0},
    };
    for (const Edit& edit : kEdits) {
        Writer seed;
        seed.Byte(edit.mode);
        seed.U32(4000);
        seed.Byte(edit.bits != 0 ? 1 : 0);
        if (edit.bits != 0) {
            seed.U32(edit.offset);
            seed.Byte(edit.bits);
        }
        for (size_t i = 0; i < kQueries.size(); ++i) {
            seed.Byte(static_cast<uint8_t>(i % 8));
            seed.Query(kQueries[i]);
        }
        folder.Add(seed);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 64;
    }
    const std::filesystem::path root = argv[1];
    IndexSeeds(root);
    StoreSeeds(root);
    CatalogueSeeds(root);
    VariantSeeds(root);
    RenderSeeds(root);
    PairSeeds(root);
    return 0;
}
