// POSIX implementation; a Windows build supplies its own (a folder under GetTempPath with an
// owner-only security descriptor, files opened with FILE_FLAG_OPEN_REPARSE_POINT).
#include "platform/privatefolder.h"

#include "platform/nativepath.h"
#include "text/codeconverter.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace varo {

namespace {

std::string TemporaryFolder()
{
    std::error_code error;
    std::string folder = std::filesystem::temp_directory_path(error).string();
    if (error)
        return {};
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

bool IsPlainName(std::u16string_view name)
{
    return !name.empty() && name != u"." && name != u".." && name.find(u'/') == std::u16string_view::npos &&
           name.find(u'\0') == std::u16string_view::npos;
}

}  // namespace

CPrivateFolder::CPrivateFolder(const std::u16string& parent)
{
    const std::string base = parent.empty() ? TemporaryFolder() : ToNativePath(parent);
    if (base.empty())
        return;
    // mkdtemp makes the folder with mode 0700 under a name nobody could have taken before.
    std::string pattern = (base == "/" ? std::string() : base) + "/varo-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        return;
    m_path = CCodeConverter::Utf8ToUtf16(pattern);
}

CPrivateFolder::~CPrivateFolder()
{
    if (!IsReady())
        return;
    for (const std::u16string& name : m_written)
        ::unlink(ToNativePath(FilePath(name)).c_str());
    ::rmdir(ToNativePath(m_path).c_str());
}

std::u16string CPrivateFolder::FilePath(std::u16string_view name) const
{
    return IsReady() ? JoinPath(m_path, name) : std::u16string();
}

// The new text goes to a file of its own in the folder first and then takes the name in one
// step, so that the name always holds a whole page: the old one when the write fails part-way
// (a full disk), the new one once it is done.
bool CPrivateFolder::WriteFile(std::u16string_view name, std::string_view bytes)
{
    if (!IsReady() || !IsPlainName(name))
        return false;
    const std::string path = ToNativePath(FilePath(name));
    // A link under the name is refused rather than replaced: nothing but this process writes here.
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode))
        return false;
    std::string temporary = ToNativePath(m_path) + "/.new-XXXXXX";
    // mkostemp creates the file with mode 0600 under a name that did not exist before.
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, bytes);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    if (std::find(m_written.begin(), m_written.end(), name) == m_written.end())
        m_written.emplace_back(name);
    return true;
}

}  // namespace varo
