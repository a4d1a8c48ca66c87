#include "tests/support/volumes.h"

#include "tests/support/fixture.h"

#include <cstdio>

namespace varo::test {

std::vector<writer::CatalogueEntry> CatalogueOf(const std::vector<VolumeSpec>& volumes)
{
    std::vector<writer::CatalogueEntry> entries;
    size_t categoryEntry = 0;
    size_t titleEntry = 0;
    uint32_t nextPage = 1;
    for (size_t i = 0; i < volumes.size(); ++i) {
        const VolumeSpec& volume = volumes[i];
        const auto pages = static_cast<uint32_t>(volume.pages.size());
        const bool newCategory = i == 0 || volume.category != volumes[i - 1].category;
        if (newCategory) {
            categoryEntry = entries.size();
            entries.push_back({volume.category, 1, nextPage, 0, volume.firstLabel});
        }
        if (newCategory || volume.title != volumes[i - 1].title) {
            titleEntry = entries.size();
            entries.push_back({volume.title, 2, nextPage, 0, volume.firstLabel});
        }
        entries.push_back({volume.volume, 3, nextPage, pages, volume.firstLabel});
        entries[categoryEntry].docNo += pages;
        entries[titleEntry].docNo += pages;
        nextPage += pages;
    }
    return entries;
}

std::vector<writer::PageInput> VolumePages(const std::vector<VolumeSpec>& volumes)
{
    std::vector<writer::PageInput> pages;
    for (size_t v = 0; v < volumes.size(); ++v) {
        for (size_t k = 0; k < volumes[v].pages.size(); ++k) {
            char name[64];
            std::snprintf(name, sizeof name, "c\\v%zu\\%04zu.htm", v, volumes[v].firstLabel + k);
            pages.push_back(SimplePage(name, volumes[v].pages[k]));
        }
    }
    return pages;
}

std::string WriteVolumes(const std::filesystem::path& folder, const std::vector<VolumeSpec>& volumes,
                         const writer::VariantGroups& groups)
{
    if (std::string complaint = writer::WriteTextSet(folder, "Index", VolumePages(volumes), groups); !complaint.empty())
        return complaint;
    std::string catalogue;
    if (std::string complaint = writer::BuildCatalogueImage(CatalogueOf(volumes), catalogue); !complaint.empty())
        return complaint;
    if (!writer::WriteFileBytes(folder / "zlq.dir", catalogue))
        return "cannot write zlq.dir";
    return {};
}

}  // namespace varo::test
