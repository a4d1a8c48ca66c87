#include "tools/varo-build/staging.h"

#include "tools/varo-build/interruption.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varo::build {

namespace fs = std::filesystem;

namespace {

// mkdtemp replaces these six characters with letters and digits.
constexpr size_t kUniqueLength = 6;

std::string StagingPrefix(const fs::path& target)
{
    return "." + target.filename().string() + ".varo-build-";
}

bool IsStagingName(const std::string& name, const std::string& prefix)
{
    if (name.size() != prefix.size() + kUniqueLength || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    });
}

int OpenFolder(const fs::path& folder)
{
    return ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Whether the folder at path is the one open as fd: a clean-up of another build may have taken
// a fresh folder for a stale one and removed it before this build locked it.
bool IsStillAt(int fd, const fs::path& path)
{
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::stat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

std::string ErrnoText()
{
    return std::generic_category().message(errno);
}

bool Contains(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

std::string StagingFolder::Create(const fs::path& target, std::unique_ptr<StagingFolder>& folder)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::string path = (target.parent_path() / (StagingPrefix(target) + std::string(kUniqueLength, 'X'))).string();
        if (::mkdtemp(path.data()) == nullptr)
            return "cannot create a temporary folder beside " + target.string() + ": " + ErrnoText();
        const int lock = OpenFolder(path);
        if (lock < 0) {
            const std::string reason = ErrnoText();
            ::rmdir(path.c_str());
            return "cannot open the temporary folder " + path + ": " + reason;
        }
        if (::flock(lock, LOCK_EX) == 0 && IsStillAt(lock, path)) {
            folder.reset(new StagingFolder(path, lock));
            BuildInterruption::Arm(path, target.string());
            return {};
        }
        ::close(lock);
    }
    return "cannot keep a temporary folder beside " + target.string() + ": another build removes it";
}

StagingFolder::~StagingFolder()
{
    std::error_code ignored;
    if (!m_keep)
        fs::remove_all(m_path, ignored);
    BuildInterruption::Disarm();
    ::close(m_lock);
}

void RemoveStaleStagingFolders(const fs::path& target, std::vector<std::string>& warnings)
{
    const std::string prefix = StagingPrefix(target);
    std::vector<fs::path> candidates;
    std::error_code error;
    for (fs::directory_iterator it(target.parent_path(), error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (IsStagingName(it->path().filename().string(), prefix) && it->is_directory(typeError) &&
            !it->is_symlink(typeError))
            candidates.push_back(it->path());
    }
    for (const fs::path& folder : candidates) {
        const int lock = OpenFolder(folder);
        if (lock < 0)
            continue;
        // A build that is still running holds its lock; a killed one held it no longer.
        if (::flock(lock, LOCK_EX | LOCK_NB) == 0) {
            if (fs::exists(folder / kPreviousFolderName, error)) {
                warnings.push_back("kept " + folder.string() + ": it holds previous files of " + target.string() +
                                   " from a build stopped while it replaced them");
            } else if (fs::remove_all(folder, error); error) {
                warnings.push_back("cannot remove " + folder.string() +
                                   ", left by an interrupted build: " + error.message());
            } else {
                warnings.push_back("removed " + folder.string() + ", left by an interrupted build");
            }
        }
        ::close(lock);
    }
}

std::string CheckTargetFiles(const fs::path& target, const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        std::error_code error;
        if (fs::is_directory(fs::symlink_status(target / name, error)))
            return (target / name).string() + " is a folder; the collection needs a file of that name there";
    }
    return {};
}

void RenameInPlace(const fs::path& from, const fs::path& to, std::error_code& error)
{
    fs::rename(from, to, error);
}

SwitchResult SwitchIntoTarget(const fs::path& staging, const fs::path& target, const std::vector<std::string>& names,
                              const RenameFunction& rename, const std::vector<std::string>& retired)
{
    std::vector<std::string> asideNames = names;
    for (const std::string& name : retired)
        if (!Contains(names, name))
            asideNames.push_back(name);
    if (std::string error = CheckTargetFiles(target, asideNames); !error.empty())
        return {error};
    const fs::path previous = staging / kPreviousFolderName;
    std::error_code error;
    if (fs::create_directory(previous, error); error)
        return {"cannot create " + previous.string() + ": " + error.message()};

    std::vector<std::string> movedAside;
    std::vector<std::string> movedIn;
    std::string failure;
    for (const std::string& name : asideNames) {
        if (!fs::exists(fs::symlink_status(target / name, error)))
            continue;
        if (rename(target / name, previous / name, error); error) {
            failure = "cannot move the previous " + name + " of " + target.string() + " aside: " + error.message();
            break;
        }
        movedAside.push_back(name);
    }
    for (size_t i = 0; i < names.size() && failure.empty(); ++i) {
        if (rename(staging / names[i], target / names[i], error); error)
            failure = "cannot move " + names[i] + " into " + target.string() + ": " + error.message();
        else
            movedIn.push_back(names[i]);
    }
    if (failure.empty())
        return {};

    // Put the target back as it was: new files without a previous one go, previous files
    // return over the new ones.
    std::string stuck;
    for (const std::string& name : movedIn)
        if (!Contains(movedAside, name) && (fs::remove(target / name, error), error))
            stuck += " " + name;
    for (const std::string& name : movedAside)
        if (rename(previous / name, target / name, error); error)
            stuck += " " + name;
    if (stuck.empty())
        return {failure};
    return {failure + "; putting back the previous files failed as well (" + stuck.substr(1) + "): " + target.string() +
                " holds a part of the new collection, and its previous files are in " + previous.string(),
            true};
}

}  // namespace varo::build
