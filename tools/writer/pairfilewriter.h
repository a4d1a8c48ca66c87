#pragma once
// Writes the pair file of an index (engine/pairtable.h has its layout) from the index's own
// header and posting bytes: every pair of slots that stand on adjacent positions of a page, read
// back from the streams exactly as the search reads them, so the file says what a phrase search
// would find and nothing else.
//
// Memory stays bounded whatever the size of the index: the streams are read once, in windows
// of pages, and the pairs found are kept as packed 64-bit words up to a budget; a full buffer
// is sorted and spilled as a run (files beside the pair file, removed when it is written), and
// the runs are merged into the rows, in slot order.

#include "engine/pairtable.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

namespace varo::writer {

/// Pairs on fewer pages than this keep their page list: every pair of a collection below a
/// million pages. Measured on the full sample, listing the 2,721 pairs on 1,024 pages or more as
/// well makes the file 5 % larger and common phrases 3 to 20 times faster (不知 1.2 ms instead of
/// 3.1 ms, 不知何處 0.14 ms instead of 2.6 ms): a list gives the pages to verify even when it is
/// long, and decoding it costs far less than walking the streams it stands for.
inline constexpr uint32_t kDefaultRareLimit = kMaxRareLimit;

struct PairFileOptions {
    uint32_t rareLimit = kDefaultRareLimit;
    /// Positions between the two slots of a pair: 0 for neighbours (the "-idx.pairs" file), 1
    /// for slots with one position between them (the "-idx.gappairs" file).
    uint32_t gap = 0;
    /// Bytes the pairs held in memory may take (8 a pair and page), at least 4 KiB; with the
    /// mapped posting file and a window's occurrences this keeps a build of the full sample
    /// collection within its 512 MiB.
    size_t memoryBudget = size_t{64} << 20;
};

struct PairFileSummary {
    uint64_t pairs = 0;        // pairs of slots that occur
    uint64_t rarePairs = 0;    // of them, those with a page list
    uint64_t listedPages = 0;  // pages in all lists
    uint32_t runs = 0;         // sorted runs merged
};

/// The pair file of the index given by its header and posting bytes, in memory (for tests and
/// fuzz targets). Returns an empty string, or a message saying why no file can be made.
std::string BuildPairImage(std::span<const uint8_t> indexHeader, std::span<const uint8_t> postings,
                           const PairFileOptions& options, std::string& image, PairFileSummary* summary = nullptr);

/// The same written to a file, replacing it; the file is removed on failure. Its runs are
/// files named after it with ".run-N" added. progress is told the share done.
std::string WritePairFile(const std::filesystem::path& headerPath, const std::filesystem::path& postingPath,
                          const std::filesystem::path& pairPath, const PairFileOptions& options,
                          const std::function<void(double)>& progress = {}, PairFileSummary* summary = nullptr);

/// The pair file name of a text set of the given kind ("Index", 2 => "Index_content-idx.pairs";
/// with gap 1 "Index_content-idx.gappairs").
std::string PairFileName(const std::string& name, int kind, uint32_t gap = 0);

}  // namespace varo::writer
