#pragma once
// A data file opened for reading only. Data files are never written by the program; they are
// opened shared, so a second window or the command-line program may read the same collection.
// A path held in MemoryFiles opens the held bytes instead, with the same bounds.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace varo {

class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    /// Opens an existing regular file; false for a missing file, a folder or no permission.
    bool Open(const std::u16string& path);
    void Close();
    bool IsOpen() const { return m_fd >= 0 || m_memory != nullptr; }

    /// The file's size in bytes as it was at Open.
    uint64_t Size() const { return m_size; }

    /// Reads exactly size bytes at offset; false (and nothing promised about buffer) when the
    /// range does not lie inside the file or the read fails.
    bool ReadAt(uint64_t offset, void* buffer, size_t size) const;

private:
    int m_fd = -1;
    uint64_t m_size = 0;
    // A held file: its bytes and what keeps them alive.
    std::shared_ptr<const void> m_keep;
    const uint8_t* m_memory = nullptr;
};

}  // namespace varo
