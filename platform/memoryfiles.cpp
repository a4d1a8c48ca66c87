#include "platform/memoryfiles.h"

#include "platform/nativepath.h"

#include <atomic>
#include <map>
#include <mutex>

namespace varo {

namespace {

struct Held {
    std::mutex lock;
    std::map<std::string, MemoryFileBytes, std::less<>> files;
    // Lets the programs, which hold nothing, open their files without taking the lock.
    std::atomic<bool> any{false};
};

Held& Files()
{
    static Held held;
    return held;
}

void Hold(std::u16string_view path, MemoryFileBytes bytes)
{
    Held& held = Files();
    const std::lock_guard guard(held.lock);
    held.files[ToNativePath(path)] = std::move(bytes);
    held.any = true;
}

}  // namespace

void MemoryFiles::Put(std::u16string_view path, std::string bytes)
{
    auto owned = std::make_shared<const std::string>(std::move(bytes));
    const auto* data = reinterpret_cast<const uint8_t*>(owned->data());
    const size_t size = owned->size();
    Hold(path, {std::move(owned), data, size});
}

void MemoryFiles::PutReference(std::u16string_view path, std::string_view bytes)
{
    Hold(path, {nullptr, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
}

void MemoryFiles::Remove(std::u16string_view path)
{
    Held& held = Files();
    const std::lock_guard guard(held.lock);
    held.files.erase(ToNativePath(path));
    held.any = !held.files.empty();
}

void MemoryFiles::Clear()
{
    Held& held = Files();
    const std::lock_guard guard(held.lock);
    held.files.clear();
    held.any = false;
}

std::optional<MemoryFileBytes> MemoryFiles::Find(std::u16string_view path)
{
    Held& held = Files();
    if (!held.any)
        return std::nullopt;
    const std::lock_guard guard(held.lock);
    const auto found = held.files.find(ToNativePath(path));
    if (found == held.files.end())
        return std::nullopt;
    return found->second;
}

}  // namespace varo
