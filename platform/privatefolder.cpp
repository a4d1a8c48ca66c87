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

bool CPrivateFolder::WriteFile(std::u16string_view name, std::string_view bytes)
{
    if (!IsReady() || !IsPlainName(name))
        return false;
    const std::string path = ToNativePath(FilePath(name));
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    if (std::find(m_written.begin(), m_written.end(), name) == m_written.end())
        m_written.emplace_back(name);
    const bool written = WriteAll(fd, bytes);
    return ::close(fd) == 0 && written;
}

}  // namespace varo
