#pragma once
// Paths of the data files. The system names files as a folder plus a separator plus a file
// name; the separator and the byte encoding of a path are the platform's business.

#include <string>
#include <string_view>

namespace varo {

#ifdef _WIN32
inline constexpr char16_t kPathSeparator = u'\\';
#else
inline constexpr char16_t kPathSeparator = u'/';
#endif

/// folder + separator + name, e.g. JoinPath(u"/data", u"Index-fl.h") == u"/data/Index-fl.h".
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name);

/// The path as the platform's file calls take it: UTF-8 on POSIX.
std::string ToNativePath(std::u16string_view path);

/// The folder of the running executable (without a trailing separator), or an empty string
/// when the platform cannot tell.
std::u16string ExecutableFolder();

}  // namespace varo
