#pragma once
// Builds a complete data folder (catalogue, text store, the three index kinds and the variant
// table) from a source corpus. Everything is written into a temporary folder beside the target
// and moved into the target only when all of it is written, all files or none, so a refused or
// failed build leaves the target as it was.

#include "tools/varo-build/sourcetree.h"
#include "tools/writer/cataloguewriter.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varo::build {

/// The text set name the program opens.
inline constexpr char kTextSetName[] = "Index";
inline constexpr char kCatalogueFileName[] = "zlq.dir";
inline constexpr char kVariantFileName[] = "yitizi.txt";

struct BuildOptions {
    std::filesystem::path source;
    std::filesystem::path output;
    /// The variant table; when unset, yitizi.txt of the source folder, else yitizi.txt of
    /// fallbackFolder (the builder's own folder), else no variant groups.
    std::optional<std::filesystem::path> variants;
    std::filesystem::path fallbackFolder;
    /// Whether to write a pair file beside each index, which speeds phrases up.
    bool pairs = true;
};

struct OutputFile {
    std::string name;
    uint64_t bytes = 0;
};

struct BuildSummary {
    uint64_t pages = 0;
    uint64_t records = 0;
    uint64_t characters = 0;  // positions of the full-text index over all pages
    uint64_t variantGroups = 0;
    std::string variantSource;  // the table used, or empty
    std::vector<OutputFile> files;
    std::vector<std::string> warnings;
    /// A failed build whose switch could not be undone: the target holds a part of the new
    /// collection, and the message says where its previous files are. False for every other
    /// failure, which leaves the target as it was.
    bool targetMixed = false;
};

/// Told how far the build has come: a phase name and the share of the whole build done.
class IBuildProgress {
public:
    virtual ~IBuildProgress() = default;
    virtual void Report(std::string_view phase, double done) = 0;
};

/// Returns an empty string on success, otherwise a message naming what was refused or failed.
std::string BuildCollection(const BuildOptions& options, IBuildProgress* progress, BuildSummary& summary);

/// The names of the files a collection consists of, in the order they are written.
std::vector<std::string> CollectionFileNames();

/// The catalogue records of a corpus in pre-order: a category, then each of its titles
/// followed by its volumes; docID counts page records from 1.
std::vector<writer::CatalogueEntry> MakeCatalogue(const SourceTree& tree);

}  // namespace varo::build
