#include "tools/varo-cli/output.h"

namespace varo::cli {

void Write(std::FILE* stream, std::string_view text)
{
    if (!text.empty())
        std::fwrite(text.data(), 1, text.size(), stream);
}

void WriteLine(std::FILE* stream, std::string_view text)
{
    Write(stream, text);
    std::fputc('\n', stream);
}

}  // namespace varo::cli
