#include "tools/writer/textsetwriter.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <random>
#include <unordered_map>

namespace varo::writer {

namespace {

std::string KindSuffix(int kind)
{
    return kind == INDEX_MAIN_TEXT ? "_content" : kind == INDEX_ANNOTATIONS ? "_desc" : "";
}

// One slot's posting stream as it grows page by page.
struct StreamBuilder {
    std::string bytes;
    uint32_t lastPage = 0;
    bool empty = true;
};

std::string AppendEntry(StreamBuilder& stream, uint32_t page, const std::vector<uint32_t>& positions,
                        const PageInput& input)
{
    std::string list;
    if (std::string error = EncodePositionList(positions, input.recordName, list); !error.empty())
        return error;
    EncodePacked(stream.empty ? page : page - stream.lastPage, stream.bytes);
    stream.bytes += static_cast<char>(list.size() & 0xFF);
    stream.bytes += static_cast<char>(list.size() >> 8);
    stream.bytes += list;
    stream.lastPage = page;
    stream.empty = false;
    return {};
}

// Lays the streams out in 4096-byte blocks, each stream starting a block of its own, and fills
// FirstBlock, LastPage and BlockChain. With scrambling, physical block numbers are a shuffle of
// the logical ones.
void LayOutBlocks(const std::map<uint32_t, StreamBuilder>& streams, const WriterOptions& options, IndexImage& image)
{
    uint32_t blockCount = 0;
    for (const auto& [slot, stream] : streams)
        blockCount += static_cast<uint32_t>((stream.bytes.size() + kBlockSize - 1) / kBlockSize);
    // An index with no stream still needs a posting file that can be mapped.
    const uint32_t fileBlocks = std::max<uint32_t>(blockCount, 1);
    std::vector<uint32_t> physical(fileBlocks);
    for (uint32_t b = 0; b < fileBlocks; ++b)
        physical[b] = b;
    if (options.scrambleBlocks) {
        std::mt19937 random(options.scrambleSeed);
        for (uint32_t i = fileBlocks - 1; i > 0; --i)
            std::swap(physical[i], physical[random() % (i + 1)]);
    }

    image.header.assign(kChainOffset, '\0');
    for (uint32_t slot = 0; slot < SLOT_COUNT; ++slot)
        StoreWord(image.header, kFirstBlockOffset + slot * 4, kNoBlock);
    std::vector<uint32_t> chain(fileBlocks, kNoBlock);
    image.postings.assign(size_t{fileBlocks} * kBlockSize, '\0');

    uint32_t logical = 0;
    for (const auto& [slot, stream] : streams) {
        StoreWord(image.header, kFirstBlockOffset + slot * 4, physical[logical]);
        StoreWord(image.header, kLastPageOffset + slot * 4, stream.lastPage);
        for (size_t offset = 0; offset < stream.bytes.size(); offset += kBlockSize, ++logical) {
            const size_t size = std::min<size_t>(kBlockSize, stream.bytes.size() - offset);
            std::copy_n(stream.bytes.begin() + static_cast<ptrdiff_t>(offset), size,
                        image.postings.begin() + static_cast<ptrdiff_t>(size_t{physical[logical]} * kBlockSize));
            if (offset + kBlockSize < stream.bytes.size())
                chain[physical[logical]] = physical[logical + 1];
        }
    }
    for (uint32_t next : chain)
        AppendWord(image.header, next);
}

}  // namespace

void AppendWord(std::string& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

void StoreWord(std::string& out, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[offset + static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

GroupsOfMembers MapGroupsOfMembers(const VariantGroups& groups)
{
    GroupsOfMembers groupsOf;
    const size_t searchable = std::min<size_t>(groups.size(), kMaxVariantGroups);
    for (uint32_t g = 0; g < searchable; ++g)
        for (uint32_t member : groups[g]) {
            auto& list = groupsOf[member];
            if (list.empty() || list.back() != g)
                list.push_back(g);
        }
    return groupsOf;
}

void CollectPagePositions(const std::u32string& text, const GroupsOfMembers& groupsOf,
                          std::map<uint32_t, std::vector<uint32_t>>& positions)
{
    positions.clear();
    for (uint32_t position = 0; position < text.size(); ++position) {
        const int slot = CIndex::GetCharSlot(text[position]);
        if (slot >= 0)
            positions[static_cast<uint32_t>(slot)].push_back(position);
        if (const auto found = groupsOf.find(text[position]); found != groupsOf.end())
            for (uint32_t g : found->second)
                positions[VARIANT_SLOT_BASE + g].push_back(position);
    }
}

std::string EncodePositionList(const std::vector<uint32_t>& positions, const std::string& recordName, std::string& list)
{
    list.clear();
    uint32_t previous = 0;
    for (size_t i = 0; i < positions.size(); ++i) {
        EncodePacked(i == 0 ? positions[i] : positions[i] - previous, list);
        previous = positions[i];
    }
    if (list.size() > kMaxPositionListBytes)
        return "a position list of " + std::to_string(list.size()) + " bytes exceeds the limit of 65,535 in page " +
               recordName;
    return {};
}

void EncodePacked(uint32_t value, std::string& out)
{
    if (value < 0x80) {
        out += static_cast<char>(value);
    } else if (value < 0x4000) {
        out += static_cast<char>(0x80 | (value >> 8));
        out += static_cast<char>(value & 0xFF);
    } else {
        out += static_cast<char>(0xC0 | (value >> 16));
        out += static_cast<char>((value >> 8) & 0xFF);
        out += static_cast<char>(value & 0xFF);
    }
}

std::string BuildStoreImage(const std::vector<PageInput>& pages, const WriterOptions& options, StoreImage& image)
{
    if (options.nameSize == 0 || options.nameSize > kMaxNameSize)
        return "the record name size " + std::to_string(options.nameSize) + " is outside 1 to 260";
    image.list.clear();
    image.content.clear();
    AppendWord(image.list, options.headerWord.value_or(static_cast<uint32_t>(pages.size())));
    AppendWord(image.list, options.nameSize);
    image.list.append(kHeaderBlockSize, '\0');
    for (const PageInput& page : pages) {
        if (page.recordName.size() + 1 > options.nameSize)
            return "the record name " + page.recordName + " does not fit " + std::to_string(options.nameSize - 1) +
                   " bytes";
        if (image.content.size() + page.html.size() > UINT32_MAX)
            return "the content file would exceed 4 GiB at page " + page.recordName;
        std::string name = page.recordName;
        name.resize(options.nameSize, '\0');
        image.list += name;
        for (char byte : page.html)
            image.content += static_cast<char>(static_cast<uint8_t>(byte) ^ options.storeKey);
        AppendWord(image.list, static_cast<uint32_t>(image.content.size()));
        AppendWord(image.list, static_cast<uint32_t>(page.html.size()));
    }
    return {};
}

std::string BuildIndexImage(const std::vector<PageInput>& pages, int kind, const VariantGroups& groups,
                            const WriterOptions& options, IndexImage& image)
{
    if (kind < 0 || kind > 2)
        return "unknown index kind " + std::to_string(kind);
    if (!pages.empty() && pages.size() - 1 > kMaxPacked)
        return "more than 4,194,304 pages";
    const GroupsOfMembers groupsOf = MapGroupsOfMembers(groups);
    std::map<uint32_t, StreamBuilder> streams;
    std::map<uint32_t, std::vector<uint32_t>> pagePositions;
    for (uint32_t page = 0; page < pages.size(); ++page) {
        const std::u32string& text = pages[page].indexed[static_cast<size_t>(kind)];
        if (!text.empty() && text.size() - 1 > kMaxPacked)
            return "page " + pages[page].recordName + " has more than 4,194,304 positions";
        CollectPagePositions(text, groupsOf, pagePositions);
        for (const auto& [slot, positions] : pagePositions)
            if (std::string error = AppendEntry(streams[slot], page, positions, pages[page]); !error.empty())
                return error;
    }
    LayOutBlocks(streams, options, image);
    return {};
}

std::string FormatVariantTable(const VariantGroups& groups)
{
    std::string text;
    char hex[16];
    for (const auto& group : groups) {
        for (size_t i = 0; i < group.size(); ++i) {
            snprintf(hex, sizeof hex, "%s%X", i == 0 ? "" : ",", group[i]);
            text += hex;
        }
        text += '\n';
    }
    return text;
}

bool WriteFileBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

std::string IndexHeaderName(const std::string& name, int kind)
{
    return name + KindSuffix(kind) + "-idx.h";
}

std::string PostingFileName(const std::string& name, int kind)
{
    return name + KindSuffix(kind) + "-idx.m";
}

std::string WriteTextSet(const std::filesystem::path& folder, const std::string& name,
                         const std::vector<PageInput>& pages, const VariantGroups& groups, const WriterOptions& options)
{
    StoreImage store;
    if (std::string error = BuildStoreImage(pages, options, store); !error.empty())
        return error;
    if (!WriteFileBytes(folder / (name + "-fl.h"), store.list) ||
        !WriteFileBytes(folder / (name + "-fl.cnt"), store.content))
        return "cannot write the text store into " + folder.string();
    for (int kind = 0; kind < 3; ++kind) {
        IndexImage index;
        if (std::string error = BuildIndexImage(pages, kind, groups, options, index); !error.empty())
            return error;
        if (!WriteFileBytes(folder / IndexHeaderName(name, kind), index.header) ||
            !WriteFileBytes(folder / PostingFileName(name, kind), index.postings))
            return "cannot write the index files into " + folder.string();
    }
    if (!WriteFileBytes(folder / "yitizi.txt", FormatVariantTable(groups)))
        return "cannot write yitizi.txt into " + folder.string();
    return {};
}

}  // namespace varo::writer
