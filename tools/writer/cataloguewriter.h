#pragma once
// Writes the catalogue file zlq.dir: 216-byte records in pre-order (category, its titles, their
// volumes), each naming a range of page records.

#include <cstdint>
#include <string>
#include <vector>

namespace varo::writer {

inline constexpr size_t kCatalogueRecordSize = 216;
inline constexpr size_t kMaxCatalogueNameUnits = 99;
inline constexpr size_t kMaxCatalogueRecords = 9999;

struct CatalogueEntry {
    std::u16string name;       // at most 99 UTF-16 units
    int32_t level = 0;         // 1 category, 2 title, 3 volume
    uint32_t docID = 0;        // first page record of the range, counted from 1
    uint32_t docNo = 0;        // number of page records in the range
    uint16_t curFileName = 0;  // page label of the range's first page
};

/// The bytes of zlq.dir; returns an empty string on success or a message that names the limit
/// and the offending entry (a name above 99 units, more than 9,999 records).
std::string BuildCatalogueImage(const std::vector<CatalogueEntry>& entries, std::string& image);

}  // namespace varo::writer
