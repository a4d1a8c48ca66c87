#include "tools/writer/cataloguewriter.h"

#include "text/codeconverter.h"

namespace varo::writer {

namespace {

void AppendLittleEndian(std::string& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::string BuildCatalogueImage(const std::vector<CatalogueEntry>& entries, std::string& image)
{
    image.clear();
    if (entries.size() > kMaxCatalogueRecords)
        return "the catalogue has " + std::to_string(entries.size()) + " records; at most 9,999 fit";
    for (const CatalogueEntry& entry : entries) {
        if (entry.name.size() > kMaxCatalogueNameUnits)
            return "the name " + CCodeConverter::Utf16ToUtf8(entry.name) + " is longer than 99 UTF-16 units";
        const size_t start = image.size();
        for (char16_t unit : entry.name)
            AppendLittleEndian(image, unit, 2);
        image.resize(start + 200, '\0');
        AppendLittleEndian(image, static_cast<uint32_t>(entry.level), 4);
        AppendLittleEndian(image, entry.docID, 4);
        AppendLittleEndian(image, entry.docNo, 4);
        AppendLittleEndian(image, entry.curFileName, 2);
        AppendLittleEndian(image, 0, 2);
    }
    return {};
}

}  // namespace varo::writer
