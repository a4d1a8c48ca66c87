#include "platform/mappedfile.h"

#include "platform/memoryfiles.h"
#include "platform/nativepath.h"

#include <algorithm>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varo {

MappedFile::~MappedFile()
{
    Unmap();
}

bool MappedFile::Map(const std::u16string& path)
{
    Unmap();
    if (auto held = MemoryFiles::Find(path)) {
        if (held->size == 0)
            return false;
        m_data = held->data;
        m_size = held->size;
        m_keep = std::move(held->keep);
        m_held = true;
        return true;
    }
    const int fd = ::open(ToNativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    const bool mappable = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
    void* view =
        mappable ? mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0) : MAP_FAILED;
    // The mapping keeps its own reference to the file; the descriptor is not needed any more.
    ::close(fd);
    if (view == MAP_FAILED)
        return false;
    m_data = static_cast<const uint8_t*>(view);
    m_size = static_cast<size_t>(info.st_size);
    return true;
}

void MappedFile::Release(size_t offset, size_t size) const
{
    if (m_data == nullptr || m_held || offset >= m_size)
        return;
    const auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t end = offset + std::min(size, m_size - offset);
    const size_t first = (offset + page - 1) / page * page;
    const size_t last = end / page * page;
    // Only whole pages: a page partly outside the range may still be read.
    if (first < last)
        madvise(const_cast<uint8_t*>(m_data) + first, last - first, MADV_DONTNEED);
}

void MappedFile::Unmap()
{
    if (m_data != nullptr && !m_held)
        munmap(const_cast<uint8_t*>(m_data), m_size);
    m_data = nullptr;
    m_size = 0;
    m_held = false;
    m_keep = nullptr;
}

}  // namespace varo
