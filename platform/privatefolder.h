#pragma once
// A folder of the process's own inside the temporary folder, for the page files the text view
// shows. Only the user can enter it (mode 0700), its files are created without following links
// and replaced whole, and it is removed together with the files written into it when the object
// goes.

#include <string>
#include <string_view>
#include <vector>

namespace varo {

class CPrivateFolder {
public:
    /// Creates the folder under parent, or under the platform's temporary folder when parent is
    /// empty. When that fails the object is not ready and every write fails.
    explicit CPrivateFolder(const std::u16string& parent = {});
    ~CPrivateFolder();
    CPrivateFolder(const CPrivateFolder&) = delete;
    CPrivateFolder& operator=(const CPrivateFolder&) = delete;

    bool IsReady() const { return !m_path.empty(); }
    /// The folder's path, without a trailing separator; empty when not ready.
    const std::u16string& Path() const { return m_path; }
    /// The path of a file in the folder; empty when not ready.
    std::u16string FilePath(std::u16string_view name) const;

    /// Writes the file whole, replacing an earlier one only once the new text is written in
    /// full: on any error the earlier file stays as it was. Refuses a name that is a link and
    /// any name with a separator in it. False on any error.
    bool WriteFile(std::u16string_view name, std::string_view bytes);

private:
    std::u16string m_path;
    std::vector<std::u16string> m_written;
};

}  // namespace varo
