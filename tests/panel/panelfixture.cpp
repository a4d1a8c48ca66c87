#include "tests/panel/panelfixture.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace varo::test {

namespace {

void AppendLittleEndian(std::string& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

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

std::vector<VolumeSpec> StandardVolumes()
{
    std::vector<std::u32string> first(20, U"學而之");
    first[0] = U"詩云詩云詩";
    return {
        {u"經部", u"論語", u"學而", 5, first},
        {u"經部", u"論語", u"爲政", 1, {U"詩經", U"經", U"詩"}},
        {u"經部", u"孟子", u"梁惠王", 1, {U"詩", U"孟"}},
        {u"史部", u"史記", u"本紀", 7, {U"詩經", U"史"}},
    };
}

void WriteCollection(const std::filesystem::path& folder, const std::vector<VolumeSpec>& volumes)
{
    std::vector<writer::PageInput> pages;
    for (size_t v = 0; v < volumes.size(); ++v) {
        for (size_t k = 0; k < volumes[v].pages.size(); ++k) {
            char name[64];
            std::snprintf(name, sizeof name, "c\\v%zu\\%04zu.htm", v, volumes[v].firstLabel + k);
            pages.push_back(SimplePage(name, volumes[v].pages[k]));
        }
    }
    ASSERT_EQ(writer::WriteTextSet(folder, "Index", pages, {}), "");
    std::string catalogue;
    ASSERT_EQ(writer::BuildCatalogueImage(CatalogueOf(volumes), catalogue), "");
    WriteCatalogueBytes(folder, catalogue);
}

void WriteCatalogueBytes(const std::filesystem::path& folder, const std::string& bytes)
{
    ASSERT_TRUE(writer::WriteFileBytes(folder / "zlq.dir", bytes));
}

std::string RawRecord(const std::u16string& nameUnits, int32_t level, uint32_t docID, uint32_t docNo,
                      uint16_t curFileName)
{
    std::string record;
    for (char16_t unit : nameUnits)
        AppendLittleEndian(record, unit, 2);
    record.resize(200, '\0');
    AppendLittleEndian(record, static_cast<uint32_t>(level), 4);
    AppendLittleEndian(record, docID, 4);
    AppendLittleEndian(record, docNo, 4);
    AppendLittleEndian(record, curFileName, 2);
    AppendLittleEndian(record, 0, 2);
    return record;
}

}  // namespace varo::test
