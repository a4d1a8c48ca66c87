#pragma once
// The exported page texts: the indexed full text of every page of a collection, one page a
// line of a UTF-8 file, line n holding page n - 1. Every engine of the comparison indexes this
// one file, so that all of them search exactly the text that varo's index holds.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace varo::peers {

struct ExportSummary {
    uint32_t pages = 0;
    uint64_t characters = 0;
    uint64_t bytes = 0;
};

/// Writes the full-text index text of every page of the text set "Index" in collection to
/// output. A character keeps its position: control characters (line ends included) are
/// written as a blank and values that are not scalar values as U+FFFD, neither of which the
/// index holds. Returns an empty string on success, otherwise what failed.
std::string ExportPageTexts(const std::filesystem::path& collection, const std::filesystem::path& output,
                            ExportSummary& summary);

/// The lines of an exported file (UTF-8, without line ends); false when it cannot be read.
bool ReadPageTexts(const std::filesystem::path& file, std::vector<std::string>& pages);

/// The code points of a UTF-8 page text.
std::u32string DecodePageText(const std::string& text);

}  // namespace varo::peers
