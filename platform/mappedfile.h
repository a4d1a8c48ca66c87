#pragma once
// A whole file mapped read-only into memory. The posting file of an index is read through such
// a view byte by byte and never copied.

#include <cstddef>
#include <cstdint>
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

private:
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
};

}  // namespace varo
