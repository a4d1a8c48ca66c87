#pragma once
// Files held in memory under a path, for tests and fuzz targets that make a collection for each
// run and should not pay for writing it out and reading it back. ReadOnlyFile and MappedFile
// look a path up here before they go to the file system; the programs never hold anything
// here, so they read real files only. A held file gets every bound a real one gets: its size is
// its byte count, a read outside it fails, and an empty one cannot be mapped.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace varo {

/// The bytes of a held file and what keeps them alive for a reader.
struct MemoryFileBytes {
    std::shared_ptr<const void> keep;  // empty for bytes held by reference
    const uint8_t* data = nullptr;
    size_t size = 0;
};

class MemoryFiles {
public:
    /// Holds a copy of bytes under path, replacing what was held there.
    static void Put(std::u16string_view path, std::string bytes);
    /// Holds bytes under path without copying them: the caller keeps them alive and unchanged
    /// while the path is held and while a file opened on them is open.
    static void PutReference(std::u16string_view path, std::string_view bytes);
    static void Remove(std::u16string_view path);
    static void Clear();

    /// The bytes held under path, spelled exactly as it was put.
    static std::optional<MemoryFileBytes> Find(std::u16string_view path);
};

}  // namespace varo
