#pragma once
// A private folder (mode 0700) in the temporary folder for what the panel's models write as a
// side effect: the catalogue listing zlq.txt and the page files. It goes, with everything in it,
// when the object goes, so a command leaves nothing behind and never writes near the data.

#include <filesystem>
#include <string>

namespace varo::cli {

class ScratchFolder {
public:
    /// Throws CommandFailure when the folder cannot be made.
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    /// The folder as the models take it.
    std::u16string Folder() const;

private:
    std::filesystem::path m_path;
};

}  // namespace varo::cli
