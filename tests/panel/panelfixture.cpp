#include "tests/panel/panelfixture.h"

#include <gtest/gtest.h>

namespace varo::test {

namespace {

void AppendLittleEndian(std::string& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

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
    ASSERT_EQ(WriteVolumes(folder, volumes), "");
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
