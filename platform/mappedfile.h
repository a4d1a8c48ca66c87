#pragma once
// A whole file mapped read-only into memory. The posting file of an index is read through such
// a view byte by byte and never copied. A path held in MemoryFiles gives the held bytes as the
// view, with the same bounds (an empty one cannot be mapped either).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace varo {

class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    /// Maps an existing regular file; false when it cannot be opened or is empty (an empty file
    /// cannot be mapped).
    bool Map(const std::u16string& path);
    void Unmap();
    bool IsMapped() const { return m_data != nullptr; }

    const uint8_t* Data() const { return m_data; }
    size_t Size() const { return m_size; }

    /// Gives the memory of the whole pages within [offset, offset + size) back to the system; a
    /// later read of them maps them from the file again. A long sequential read calls it for
    /// what it has passed, so that the pages it has read do not stay resident to its end.
    void Release(size_t offset, size_t size) const;

private:
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
    bool m_held = false;                 // the view is a held file's bytes, not a mapping
    std::shared_ptr<const void> m_keep;  // what keeps a held file's bytes alive
};

}  // namespace varo
