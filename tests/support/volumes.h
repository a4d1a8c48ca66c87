#pragma once
// Collections laid out as volumes: each volume a run of pages under a category and a title, with
// the catalogue zlq.dir that groups them as the contents tree shows them. The panel, shell and
// robustness tests build their collections with these.

#include "tools/writer/cataloguewriter.h"
#include "tools/writer/textsetwriter.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace varo::test {

/// One volume: where it sits and the texts of its pages, labelled from firstLabel on.
struct VolumeSpec {
    std::u16string category;
    std::u16string title;
    std::u16string volume;
    uint16_t firstLabel = 1;
    std::vector<std::u32string> pages;
};

/// The catalogue entries of volumes laid out in order: a category or title entry opens where
/// its name changes and spans the pages of its volumes.
std::vector<writer::CatalogueEntry> CatalogueOf(const std::vector<VolumeSpec>& volumes);

/// The pages of the volumes in record order, volume v's page labelled L named c\v<v>\<LLLL>.htm.
std::vector<writer::PageInput> VolumePages(const std::vector<VolumeSpec>& volumes);

/// Writes the text set "Index" of the volumes' pages (all three index kinds index the page
/// text), with the variant groups, and zlq.dir into folder. Returns the writer's complaint,
/// empty when everything was written.
std::string WriteVolumes(const std::filesystem::path& folder, const std::vector<VolumeSpec>& volumes,
                         const writer::VariantGroups& groups = {});

}  // namespace varo::test
