#include "tools/varo-build/pagefile.h"

#include "store/filelist.h"
#include "tools/varo-build/buildlimits.h"
#include "tools/varo-build/validtext.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varo::build {

namespace fs = std::filesystem;

namespace {

// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

std::string ErrnoText()
{
    return std::generic_category().message(errno);
}

// The file an open descriptor reads, with every link resolved. The tree was checked when it was
// listed, but a folder or link may have been swapped since: this is the file actually read.
fs::path ResolvedPath(int fd, const fs::path& path)
{
    std::error_code error;
    fs::path resolved = fs::read_symlink("/proc/self/fd/" + std::to_string(fd), error);
    if (error)
        resolved = fs::canonical(path, error);  // no /proc: the path as it resolves now
    return error ? fs::path() : resolved;
}

// Appends at most limit + 1 bytes, so that a file grown beyond the limit since it was listed is
// seen to be too large without being read whole.
bool ReadAtMost(int fd, uint64_t limit, std::string& bytes)
{
    char buffer[1 << 16];
    while (bytes.size() <= limit) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return false;
        if (count == 0)
            break;
        bytes.append(buffer, static_cast<size_t>(count));
    }
    return true;
}

}  // namespace

std::string ReadPageFile(const SourceTree& tree, const SourcePage& page, std::string& bytes)
{
    // Not blocking: a page swapped for a named pipe must not stop the build.
    const FileDescriptor file(::open(page.file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.Get() < 0)
        return "cannot read " + page.file + ": " + ErrnoText();
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0)
        return "cannot read " + page.file + ": " + ErrnoText();
    if (!S_ISREG(status.st_mode))
        return "the page " + page.recordName + " is not a regular file";
    if (!tree.root.empty()) {
        const fs::path resolved = ResolvedPath(file.Get(), page.file);
        if (!IsInsideFolder(resolved, tree.root))
            return "the page " + page.recordName + " is read from " + Printable(resolved.string()) +
                   ", outside the source folder";
    }
    if (std::string error = CheckPageSize(static_cast<uint64_t>(status.st_size), page.recordName); !error.empty())
        return error;
    bytes.clear();
    bytes.reserve(static_cast<size_t>(status.st_size));
    if (!ReadAtMost(file.Get(), kMaxPageBytes, bytes))
        return "cannot read " + page.file + ": " + ErrnoText();
    if (std::string error = CheckPageSize(bytes.size(), page.recordName); !error.empty())
        return error;
    if (std::string fault = TextFault(bytes, true); !fault.empty())
        return "the page " + page.recordName + " holds " + fault + "; a page must be UTF-8 text";
    // A byte-order mark says how the file is encoded; it is not part of the page's text.
    bytes.erase(0, bytes.size() - WithoutByteOrderMark(bytes).size());
    return {};
}

}  // namespace varo::build
