#pragma once
// The limits of the data files, checked before anything is written. Each check returns an
// empty string or a message that names the limit and the offending item.

#include "tools/varo-build/sourcetree.h"

#include <array>
#include <cstdint>
#include <string>

namespace varo::build {

/// Largest page label: the catalogue stores a volume's first label in 16 bits.
inline constexpr uint64_t kMaxLabel = 65535;
/// Page numbers and positions are packed numbers of at most 4,194,303, so a collection holds
/// at most 4,194,304 pages and a page at most 4,194,304 indexed characters.
inline constexpr uint64_t kMaxPages = 4194304;
inline constexpr uint64_t kMaxPositions = 4194304;
/// Offsets into the content file are 32-bit.
inline constexpr uint64_t kMaxContentBytes = UINT32_MAX;

/// Everything the folder tree tells before a page is read: catalogue records (at most 9,999),
/// names (at most 99 UTF-16 units), labels, the number of pages, record names (they must fit
/// the record's name field with its terminator), the size of each page file (a page file
/// larger than a stored page can be is refused before it is read) and the total size of the
/// HTML pages, which are stored as they are. On success nameSize is the name field size R for the list file: the
/// smallest multiple of 4 that holds the longest record name, at least 100 and at most 260.
std::string CheckSourceLimits(const SourceTree& tree, uint32_t& nameSize);

std::string CheckPageCount(uint64_t pages);

/// The number of positions of a page's indexed texts.
std::string CheckPositions(const std::array<std::u32string, 3>& texts, const std::string& recordName);

/// A stored page's size: the file of an HTML page, a plain-text page once wrapped in the page
/// template. At most kMaxPageBytes, the largest page record the text store reads.
std::string CheckPageSize(uint64_t bytes, const std::string& recordName, bool wrapped = false);

/// The content file's size once the page is appended.
std::string CheckContentSize(uint64_t contentBytes, const std::string& recordName);

}  // namespace varo::build
