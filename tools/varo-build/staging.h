#pragma once
// The staging folder of a build and the switch of its files into the target.
//
// A build writes its files into a hidden folder beside the target, named
// ".TARGET.varo-build-XXXXXX", and holds a lock on it (flock on the folder) while it lives. A
// later build for the same target removes such folders that no build holds any longer: those
// of builds that were killed. The switch moves the target's old files aside into the staging
// folder, moves the new ones in, and on any failure puts everything back: either the whole new
// collection is in place or the target is as it was.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace varo::build {

class StagingFolder {
public:
    /// Makes and locks a new staging folder beside target (whose folder must exist).
    static std::string Create(const std::filesystem::path& target, std::unique_ptr<StagingFolder>& folder);
    /// Removes the folder with what it holds, unless Keep was called.
    ~StagingFolder();
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    /// Leaves the folder in place: it holds the target's previous files.
    void Keep() { m_keep = true; }

private:
    StagingFolder(std::filesystem::path path, int lock) : m_path(std::move(path)), m_lock(lock) {}

    std::filesystem::path m_path;
    int m_lock;
    bool m_keep = false;
};

/// The folder of a staging folder that holds the target's previous files during the switch.
inline constexpr char kPreviousFolderName[] = "previous";

/// Removes the staging folders of earlier builds for target that no build holds; a folder
/// that holds previous files (a build stopped in the middle of its switch) is kept. Each
/// removal or kept folder is told in warnings.
void RemoveStaleStagingFolders(const std::filesystem::path& target, std::vector<std::string>& warnings);

/// Refuses, naming it, a name that is a folder in target: the switch would have to remove a
/// folder the collection does not own.
std::string CheckTargetFiles(const std::filesystem::path& target, const std::vector<std::string>& names);

/// Renames a file or folder, replacing a file at to; the switch's one way of moving files.
using RenameFunction =
    std::function<void(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& error)>;

struct SwitchResult {
    std::string error;         // empty: every file is in place
    bool targetMixed = false;  // the failure could not be undone: the message says what is where
};

/// Moves the files names from staging into target (which exists). Target's files of those names
/// and of retired (files of an older collection the new one has no counterpart of) go to
/// staging/previous first, and come back when any step fails; CheckTargetFiles is asked before
/// anything moves.
SwitchResult SwitchIntoTarget(const std::filesystem::path& staging, const std::filesystem::path& target,
                              const std::vector<std::string>& names, const RenameFunction& rename,
                              const std::vector<std::string>& retired = {});

/// std::filesystem::rename.
void RenameInPlace(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& error);

}  // namespace varo::build
