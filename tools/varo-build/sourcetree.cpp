#include "tools/varo-build/sourcetree.h"

#include "tools/varo-build/validtext.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include <sys/stat.h>

namespace varo::build {

namespace fs = std::filesystem;

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The reader of the text store takes at most 11 characters of a label.
constexpr size_t kMaxLabelDigits = 11;

struct Entry {
    std::string name;
    fs::path path;
    bool isFolder = false;
    bool isLink = false;
};

// What every level of the tree needs: the source folder with its links resolved, against which
// links are checked, and the warnings collected so far.
struct Reading {
    fs::path root;
    std::vector<std::string>& warnings;
};

// The entries of a folder in natural order, hidden ones (".name") left out.
std::string ListFolder(const fs::path& folder, std::vector<Entry>& entries)
{
    entries.clear();
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.')
            continue;
        std::error_code typeError;
        entries.push_back({name, it->path(), it->is_directory(typeError), it->is_symlink(typeError)});
    }
    if (error)
        return "cannot read the folder " + Printable(folder.string()) + ": " + error.message();
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return NaturalLess(a.name, b.name); });
    return {};
}

// A link the tree uses must lead to a place inside the source folder: a link to /etc/passwd
// would otherwise become a page anyone with the collection can read.
std::string CheckLink(const Entry& entry, const std::string& shownPath, const Reading& reading)
{
    if (!entry.isLink)
        return {};
    std::error_code error;
    const fs::path target = fs::canonical(entry.path, error);
    if (error)
        return "cannot follow the link " + Printable(shownPath) + ": " + error.message();
    if (!IsInsideFolder(target, reading.root))
        return Printable(shownPath) + " is a link to " + Printable(target.string()) +
               ", outside the source folder; links must stay inside it";
    return {};
}

// A category, title or volume folder that the tree takes in: its name goes into the catalogue
// and into every record name below it.
std::string CheckFolder(const Entry& entry, const std::string& shownPath, const Reading& reading)
{
    if (std::string fault = TextFault(entry.name, false); !fault.empty())
        return "the folder name " + Printable(shownPath) + " holds " + fault + "; names must be UTF-8 text";
    return CheckLink(entry, shownPath, reading);
}

std::string ReadVolume(const Entry& folder, const std::string& prefix, SourceVolume& volume, const Reading& reading)
{
    std::vector<Entry> entries;
    if (std::string error = ListFolder(folder.path, entries); !error.empty())
        return error;
    for (const Entry& entry : entries) {
        SourcePage page;
        if (entry.isFolder || !ParsePageFileName(entry.name, page.label, page.isHtml)) {
            reading.warnings.push_back("ignored " + Printable(prefix + entry.name) +
                                       ": not a page file (NNNN.txt or NNNN.htm)");
            continue;
        }
        if (std::string error = CheckLink(entry, prefix + entry.name, reading); !error.empty())
            return error;
        struct stat status {};
        if (::stat(entry.path.c_str(), &status) != 0)
            return "cannot read " + entry.path.string() + ": " + std::generic_category().message(errno);
        if (!S_ISREG(status.st_mode))
            return "the page " + prefix + entry.name + " is not a regular file";
        page.size = static_cast<uint64_t>(status.st_size);
        page.file = entry.path.native();
        page.recordName = prefix + entry.name;
        volume.pages.push_back(std::move(page));
    }
    std::stable_sort(volume.pages.begin(), volume.pages.end(),
                     [](const SourcePage& a, const SourcePage& b) { return a.label < b.label; });
    // The catalogue gives a volume its first label and a page count; the pages between are
    // found by label, so the labels must run on by one.
    for (size_t i = 1; i < volume.pages.size(); ++i) {
        const SourcePage& previous = volume.pages[i - 1];
        const SourcePage& page = volume.pages[i];
        if (page.label == previous.label)
            return "the pages " + previous.recordName + " and " + page.recordName + " have the same label";
        if (page.label != previous.label + 1)
            return "the labels of a volume must run on by one: " + page.recordName + " follows " + previous.recordName;
    }
    return {};
}

std::string ReadTitle(const Entry& folder, const std::string& prefix, SourceTitle& title, const Reading& reading)
{
    std::vector<Entry> entries;
    if (std::string error = ListFolder(folder.path, entries); !error.empty())
        return error;
    for (const Entry& entry : entries) {
        const std::string path = prefix + entry.name;
        if (!entry.isFolder) {
            reading.warnings.push_back("ignored " + Printable(path) + ": pages belong in a volume folder");
            continue;
        }
        if (std::string error = CheckFolder(entry, path, reading); !error.empty())
            return error;
        SourceVolume volume{entry.name, DisplayName(entry.name), {}};
        if (std::string error = ReadVolume(entry, path + "\\", volume, reading); !error.empty())
            return error;
        if (volume.pages.empty())
            reading.warnings.push_back("left out the empty volume " + path);
        else
            title.volumes.push_back(std::move(volume));
    }
    return {};
}

std::string ReadCategory(const Entry& folder, SourceCategory& category, const Reading& reading)
{
    std::vector<Entry> entries;
    if (std::string error = ListFolder(folder.path, entries); !error.empty())
        return error;
    for (const Entry& entry : entries) {
        const std::string path = folder.name + "\\" + entry.name;
        if (!entry.isFolder) {
            reading.warnings.push_back("ignored " + Printable(path) + ": a category holds title folders");
            continue;
        }
        if (std::string error = CheckFolder(entry, path, reading); !error.empty())
            return error;
        SourceTitle title{entry.name, DisplayName(entry.name), {}};
        if (std::string error = ReadTitle(entry, path + "\\", title, reading); !error.empty())
            return error;
        if (title.volumes.empty())
            reading.warnings.push_back("left out the title " + path + ": it has no pages");
        else
            category.titles.push_back(std::move(title));
    }
    return {};
}

}  // namespace

size_t SourceTree::PageCount() const
{
    size_t count = 0;
    for (const auto& category : categories)
        for (const auto& title : category.titles)
            for (const auto& volume : title.volumes)
                count += volume.pages.size();
    return count;
}

size_t SourceTree::RecordCount() const
{
    size_t count = categories.size();
    for (const auto& category : categories) {
        count += category.titles.size();
        for (const auto& title : category.titles)
            count += title.volumes.size();
    }
    return count;
}

bool IsInsideFolder(const fs::path& path, const fs::path& folder)
{
    const std::string inner = path.native();
    std::string outer = folder.native();
    if (outer.empty() || outer.back() != '/')
        outer += '/';
    return inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0;
}

bool NaturalLess(const std::string& a, const std::string& b)
{
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            size_t endA = i;
            size_t endB = j;
            while (endA < a.size() && IsDigit(a[endA]))
                ++endA;
            while (endB < b.size() && IsDigit(b[endB]))
                ++endB;
            // Compare by value without overflow: leading zeros off, then length, then digits.
            size_t startA = i;
            size_t startB = j;
            while (startA + 1 < endA && a[startA] == '0')
                ++startA;
            while (startB + 1 < endB && b[startB] == '0')
                ++startB;
            if (endA - startA != endB - startB)
                return endA - startA < endB - startB;
            if (const int order = a.compare(startA, endA - startA, b, startB, endB - startB); order != 0)
                return order < 0;
            i = endA;
            j = endB;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i == a.size();
    return a < b;  // equal by value ("01" and "1"): fall back to bytes for a stable order
}

std::string DisplayName(const std::string& folderName)
{
    size_t digits = 0;
    while (digits < folderName.size() && IsDigit(folderName[digits]))
        ++digits;
    if (digits == 0 || digits + 1 >= folderName.size() || folderName[digits] != '_')
        return folderName;
    return folderName.substr(digits + 1);
}

bool ParsePageFileName(const std::string& fileName, uint64_t& label, bool& isHtml)
{
    const size_t dot = fileName.find('.');
    if (dot == 0 || dot == std::string::npos)
        return false;
    const std::string digits = fileName.substr(0, dot);
    if (!std::all_of(digits.begin(), digits.end(), IsDigit))
        return false;
    std::string extension = fileName.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    if (extension != "txt" && extension != "htm" && extension != "html")
        return false;
    isHtml = extension != "txt";
    if (digits.size() > kMaxLabelDigits) {
        label = UINT64_MAX;  // beyond what the reader can take; refused as a label limit
        return true;
    }
    label = std::stoull(digits);
    return true;
}

std::string ReadSourceTree(const fs::path& root, SourceTree& tree, std::vector<std::string>& warnings)
{
    tree.categories.clear();
    std::error_code error;
    if (!fs::is_directory(root, error))
        return "the source folder " + root.string() + " does not exist";
    tree.root = fs::canonical(root, error);
    if (error)
        return "cannot read the source folder " + root.string() + ": " + error.message();
    const Reading reading{tree.root, warnings};
    std::vector<Entry> entries;
    if (std::string listError = ListFolder(root, entries); !listError.empty())
        return listError;
    for (const Entry& entry : entries) {
        if (!entry.isFolder)
            continue;  // the corpus folder may hold yitizi.txt, notes and the like
        if (std::string checkError = CheckFolder(entry, entry.name, reading); !checkError.empty())
            return checkError;
        SourceCategory category{entry.name, DisplayName(entry.name), {}};
        if (std::string readError = ReadCategory(entry, category, reading); !readError.empty())
            return readError;
        if (category.titles.empty())
            warnings.push_back("left out the category " + entry.name + ": it has no pages");
        else
            tree.categories.push_back(std::move(category));
    }
    if (tree.categories.empty())
        return "the source folder " + root.string() + " holds no pages (category/title/volume/NNNN.txt)";
    return {};
}

}  // namespace varo::build
