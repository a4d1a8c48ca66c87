#pragma once
// The source corpus of a collection: a folder tree category/title/volume/NNNN.txt (or .htm).
// Folders are taken in natural order of their names; a leading "NN_" only orders and is not
// part of the name shown in the catalogue. docs/source-format.md describes the format.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace varo::build {

struct SourcePage {
    /// The file's path, as the system takes it. A string, not a std::filesystem::path: a path
    /// keeps a list of its components beside it, which for a million pages is most of a
    /// gigabyte held for the whole build.
    std::string file;
    /// The record name: the path relative to the corpus folder with backslashes,
    /// e.g. "01_經部\論語\學而\0001.txt". Its page label is the number of the file name.
    std::string recordName;
    uint64_t label = 0;
    bool isHtml = false;  // stored as it is; plain text is wrapped in the page template
    uint64_t size = 0;    // bytes of the source file
};

struct SourceVolume {
    std::string folderName;         // as on disk (UTF-8)
    std::string name;               // display name (UTF-8)
    std::vector<SourcePage> pages;  // ascending labels
};

struct SourceTitle {
    std::string folderName;
    std::string name;
    std::vector<SourceVolume> volumes;
};

struct SourceCategory {
    std::string folderName;
    std::string name;
    std::vector<SourceTitle> titles;
};

struct SourceTree {
    std::vector<SourceCategory> categories;
    /// The source folder with every link resolved; the pages are read from inside it.
    std::filesystem::path root{};

    size_t PageCount() const;
    /// Number of catalogue records: one per category, title and volume.
    size_t RecordCount() const;
};

/// Whether a path with its links resolved lies below a folder (also resolved).
///   "/src/a/1.txt" in "/src" => true; "/srcx/1.txt" in "/src" => false; "/src" in "/src" => false
bool IsInsideFolder(const std::filesystem::path& path, const std::filesystem::path& folder);

/// Natural order of names: runs of ASCII digits compare by value, everything else by byte.
///   "2_b" < "10_a", "卷9" < "卷10"
bool NaturalLess(const std::string& a, const std::string& b);

/// The catalogue name of a folder: its name without a leading ordering prefix of ASCII digits and
/// an underscore ("01_經部" => "經部"); a name that would become empty stays as it is.
std::string DisplayName(const std::string& folderName);

/// The page label of a page file name ("0012.txt" => 12, true with isHtml false for .txt).
/// False when the name is not a page name: ASCII digits, a dot, and txt, htm or html.
bool ParsePageFileName(const std::string& fileName, uint64_t& label, bool& isHtml);

/// Reads the folder tree. Empty volumes, titles and categories are left out, and files or
/// folders where none belong are ignored; both with a warning. Returns an empty string, or a
/// message naming the offending item: labels of a volume that do not run on by one, a
/// duplicate label, a folder that cannot be read, a folder name that is not UTF-8 text, a page
/// that is not a regular file, a link of a folder or page that leads outside the source folder.
std::string ReadSourceTree(const std::filesystem::path& root, SourceTree& tree, std::vector<std::string>& warnings);

}  // namespace varo::build
