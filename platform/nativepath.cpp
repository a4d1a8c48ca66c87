#include "platform/nativepath.h"

#include "text/codeconverter.h"

#include <climits>
#include <unistd.h>

namespace varo {

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name)
{
    std::u16string path(folder);
    path += kPathSeparator;
    path += name;
    return path;
}

std::string ToNativePath(std::u16string_view path)
{
    return CCodeConverter::Utf16ToUtf8(path);
}

std::u16string ExecutableFolder()
{
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return {};
    std::string_view path(buffer, static_cast<size_t>(length));
    const size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    return CCodeConverter::Utf8ToUtf16(path.substr(0, slash == 0 ? 1 : slash));
}

}  // namespace varo
