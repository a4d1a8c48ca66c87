#pragma once
// Small collections built inside the tests with the text-set writer.

#include "tools/writer/textsetwriter.h"

#include <filesystem>
#include <string>
#include <vector>

namespace varo::test {

/// A private folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::u16string Folder() const;

private:
    std::filesystem::path m_path;
};

/// A stored page in the collection's template: a title and two cells.
std::string PageHtml(const std::string& title, const std::string& firstCell, const std::string& secondCell);

/// A page whose three indexed texts are all text; its stored HTML holds text in the cell the
/// label selects.
writer::PageInput SimplePage(const std::string& recordName, const std::u32string& text);

/// UTF-8 of a UTF-32 string, and back.
std::string Utf8(const std::u32string& text);
std::u32string Utf32(const std::string& utf8);

/// Reads a whole file.
std::string ReadFileBytes(const std::filesystem::path& path);

}  // namespace varo::test
