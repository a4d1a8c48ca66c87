#include "platform/readonlyfile.h"

#include "platform/memoryfiles.h"
#include "platform/nativepath.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varo {

ReadOnlyFile::~ReadOnlyFile()
{
    Close();
}

bool ReadOnlyFile::Open(const std::u16string& path)
{
    Close();
    if (auto held = MemoryFiles::Find(path)) {
        // An empty held file still opens, as an empty real one does.
        static constexpr uint8_t kNoBytes = 0;
        m_keep = std::move(held->keep);
        m_memory = held->data != nullptr ? held->data : &kNoBytes;
        m_size = held->size;
        return true;
    }
    const int fd = ::open(ToNativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_size = static_cast<uint64_t>(info.st_size);
    return true;
}

void ReadOnlyFile::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_size = 0;
    m_keep = nullptr;
    m_memory = nullptr;
}

bool ReadOnlyFile::ReadAt(uint64_t offset, void* buffer, size_t size) const
{
    if (!IsOpen() || offset > m_size || size > m_size - offset)
        return false;
    if (m_memory != nullptr) {
        if (size > 0)
            std::memcpy(buffer, m_memory + offset, size);
        return true;
    }
    auto* out = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t got = ::pread(m_fd, out, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        out += got;
        offset += static_cast<uint64_t>(got);
        size -= static_cast<size_t>(got);
    }
    return true;
}

}  // namespace varo
