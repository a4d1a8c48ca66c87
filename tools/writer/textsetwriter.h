#pragma once
// Writes a text set: the text store (list and content files), the index files of the three
// index kinds and the variant table yitizi.txt, from pages held in memory. The program itself
// never writes these files; the collection builder and the tests do, through this library.

#include "engine/index.h"
#include "store/filelist.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace varo::writer {

struct PageInput {
    /// The record name, e.g. "經部\\論語\\學而\\0001.htm"; its page label is the number before
    /// the extension of the part after the last backslash.
    std::string recordName;
    /// The page text as stored (UTF-8 HTML).
    std::string html;
    /// The indexed text of the page for each index kind (indexed by IndexKind): one position
    /// per code point.
    std::array<std::u32string, 3> indexed;
};

using VariantGroups = std::vector<std::vector<uint32_t>>;

struct WriterOptions {
    uint8_t storeKey = STORE_KEY;
    uint32_t nameSize = kDefaultNameSize;
    /// The list file's header word; by default the number of page records.
    std::optional<uint32_t> headerWord;
    /// Lay the posting blocks out in a shuffled order, so that every stream's chain jumps.
    bool scrambleBlocks = false;
    uint32_t scrambleSeed = 1;
};

struct StoreImage {
    std::string list;
    std::string content;
};

struct IndexImage {
    std::string header;
    std::string postings;
};

/// Largest value a packed number holds.
inline constexpr uint32_t kMaxPacked = 4194303;
/// Largest position list one entry may hold, in bytes.
inline constexpr uint32_t kMaxPositionListBytes = 65535;

/// Appends value as four little-endian bytes, as every number of the data files is stored.
void AppendWord(std::string& out, uint32_t value);
/// Writes value as four little-endian bytes at offset, which must leave room for them.
void StoreWord(std::string& out, size_t offset, uint32_t value);

/// Appends a packed number (1, 2 or 3 bytes, big-endian with a 2-bit length mark). Requires
/// value <= kMaxPacked.
void EncodePacked(uint32_t value, std::string& out);

// The builders return an empty string on success, otherwise a message that names the limit
// and the offending item; the image is then incomplete.

std::string BuildStoreImage(const std::vector<PageInput>& pages, const WriterOptions& options, StoreImage& image);

/// The index of one kind. A character's stream lists its positions; the stream of variant
/// group g (slot VARIANT_SLOT_BASE + g, for the first 11,935 groups) lists the positions of
/// every member of the group, whether or not the member has a slot of its own.
std::string BuildIndexImage(const std::vector<PageInput>& pages, int kind, const VariantGroups& groups,
                            const WriterOptions& options, IndexImage& image);

/// code point -> the groups (below the slot limit) that list it, without repeats.
using GroupsOfMembers = std::unordered_map<uint32_t, std::vector<uint32_t>>;
GroupsOfMembers MapGroupsOfMembers(const VariantGroups& groups);

/// The positions of one page's indexed text by slot: each character's own slot and the slots
/// of the variant groups that list it, in ascending slot order.
void CollectPagePositions(const std::u32string& text, const GroupsOfMembers& groupsOf,
                          std::map<uint32_t, std::vector<uint32_t>>& positions);

/// A position list's bytes (the first position, then the differences), or an error naming the
/// page when it exceeds kMaxPositionListBytes.
std::string EncodePositionList(const std::vector<uint32_t>& positions, const std::string& recordName,
                               std::string& list);

/// yitizi.txt: one line per group, members as upper-case hexadecimal separated by commas.
std::string FormatVariantTable(const VariantGroups& groups);

/// Writes name-fl.h, name-fl.cnt, the index files of kinds 0, 1 and 2 and yitizi.txt into
/// folder (which must exist).
std::string WriteTextSet(const std::filesystem::path& folder, const std::string& name,
                         const std::vector<PageInput>& pages, const VariantGroups& groups,
                         const WriterOptions& options = {});

/// Writes bytes to a file, replacing it; false on any error.
bool WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

/// The file names of a text set of the given kind ("Index", 2 => "Index_content-idx.h").
std::string IndexHeaderName(const std::string& name, int kind);
std::string PostingFileName(const std::string& name, int kind);

}  // namespace varo::writer
