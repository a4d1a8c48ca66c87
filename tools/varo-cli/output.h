#pragma once
// Writing to the standard streams.

#include <cstdio>
#include <string_view>

namespace varo::cli {

void Write(std::FILE* stream, std::string_view text);
void WriteLine(std::FILE* stream, std::string_view text);

}  // namespace varo::cli
