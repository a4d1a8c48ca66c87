#pragma once
// The small collection the fuzz targets stand on and their seeds come from: eight pages in two
// categories, with annotations, paragraph and heading tags, characters that repeat and a
// variant table whose groups the pages use.

#include "tools/writer/cataloguewriter.h"
#include "tools/writer/textsetwriter.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace varo::fuzz {

inline constexpr char kSetName[] = "Index";

/// The pages: record names c\vN\000L.htm, the text in the cell the label selects, the other cell
/// a margin; each kind indexes what it covers (main text, annotations or both).
std::vector<writer::PageInput> CollectionPages();

/// Groups: 乾 干; 經 経; 詩 诗; 一 壹 弌.
writer::VariantGroups CollectionGroups();

/// 經部 > 論語 > 學而 (pages 0-3, labels 1-4), 爲政 (4-5, labels 1-2); 史部 > 史記 > 本紀 (6-7, 7-8).
std::vector<writer::CatalogueEntry> CollectionCatalogue();

/// Writes the text set, the variant table and zlq.dir into folder; aborts on failure.
void WriteCollection(const std::filesystem::path& folder);

/// The folder the targets hold their files under (MemoryFiles); it does not exist on disk, so
/// a file a target did not hold is missing.
inline constexpr char16_t kHeldFolder[] = u"/varo-fuzz-held";

/// A file of kHeldFolder: HeldPath(u"zlq.dir").
std::u16string HeldPath(std::u16string_view name);

/// Holds the text set, the variant table and zlq.dir in memory under kHeldFolder, as
/// WriteCollection writes them; aborts on failure.
void HoldCollection();

/// A page in the collection's stored shape with the given cells.
std::string StoredPage(const std::string& title, const std::string& firstCell, const std::string& secondCell);

}  // namespace varo::fuzz
