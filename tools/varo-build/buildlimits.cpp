#include "tools/varo-build/buildlimits.h"

#include "store/filelist.h"
#include "text/codeconverter.h"
#include "tools/writer/cataloguewriter.h"

namespace varo::build {

namespace {

std::string CheckName(const std::string& name, const std::string& path)
{
    const size_t units = CCodeConverter::Utf8ToUtf16(name).size();
    if (units > writer::kMaxCatalogueNameUnits)
        return "the name of " + path + " has " + std::to_string(units) +
               " UTF-16 units; a catalogue name holds at most 99";
    return {};
}

std::string CheckVolume(const SourceVolume& volume, const std::string& path, size_t& longestRecordName)
{
    if (std::string error = CheckName(volume.name, path); !error.empty())
        return error;
    for (const SourcePage& page : volume.pages) {
        if (page.label > kMaxLabel)
            return "the page " + page.recordName + " has a label above 65,535 (at most 11 digits, values 0 to 65,535)";
        if (std::string error = CheckPageSize(page.size, page.recordName); !error.empty())
            return error;
        longestRecordName = std::max(longestRecordName, page.recordName.size());
        if (page.recordName.size() + 1 > kMaxNameSize)
            return "the record name " + page.recordName + " has " + std::to_string(page.recordName.size()) +
                   " bytes; at most 259 fit (shorten the folder names)";
    }
    return {};
}

std::string CheckHtmlSizes(const SourceTree& tree)
{
    uint64_t total = 0;
    for (const auto& category : tree.categories)
        for (const auto& title : category.titles)
            for (const auto& volume : title.volumes)
                for (const SourcePage& page : volume.pages)
                    if (page.isHtml)
                        if (std::string error = CheckContentSize(total += page.size, page.recordName); !error.empty())
                            return error;
    return {};
}

}  // namespace

std::string CheckSourceLimits(const SourceTree& tree, uint32_t& nameSize)
{
    if (const size_t records = tree.RecordCount(); records > writer::kMaxCatalogueRecords)
        return "the catalogue would have " + std::to_string(records) +
               " records (categories, titles and volumes); at most 9,999 fit";
    if (std::string error = CheckPageCount(tree.PageCount()); !error.empty())
        return error;
    size_t longest = 0;
    for (const auto& category : tree.categories) {
        if (std::string error = CheckName(category.name, category.folderName); !error.empty())
            return error;
        for (const auto& title : category.titles) {
            const std::string titlePath = category.folderName + "\\" + title.folderName;
            if (std::string error = CheckName(title.name, titlePath); !error.empty())
                return error;
            for (const auto& volume : title.volumes)
                if (std::string error = CheckVolume(volume, titlePath + "\\" + volume.folderName, longest);
                    !error.empty())
                    return error;
        }
    }
    if (std::string error = CheckHtmlSizes(tree); !error.empty())
        return error;
    nameSize = std::max<uint32_t>(kDefaultNameSize, static_cast<uint32_t>((longest + 1 + 3) / 4 * 4));
    nameSize = std::min(nameSize, kMaxNameSize);
    return {};
}

std::string CheckPageCount(uint64_t pages)
{
    if (pages > kMaxPages)
        return "the collection has " + std::to_string(pages) + " pages; at most 4,194,304 fit";
    return {};
}

std::string CheckPositions(const std::array<std::u32string, 3>& texts, const std::string& recordName)
{
    for (const auto& text : texts)
        if (text.size() > kMaxPositions)
            return "the page " + recordName + " has " + std::to_string(text.size()) +
                   " indexed characters; at most 4,194,304 fit";
    return {};
}

std::string CheckPageSize(uint64_t bytes, const std::string& recordName, bool wrapped)
{
    static_assert(kMaxPageBytes == 33554432, "the message below names the limit");
    if (bytes > kMaxPageBytes)
        return "the page " + recordName + " has " + std::to_string(bytes) + " bytes" +
               (wrapped ? " once wrapped in the page template" : "") +
               "; a stored page holds at most 33,554,432 bytes (32 MiB)";
    return {};
}

std::string CheckContentSize(uint64_t contentBytes, const std::string& recordName)
{
    if (contentBytes > kMaxContentBytes)
        return "the content file would exceed 4 GiB at the page " + recordName;
    return {};
}

}  // namespace varo::build
