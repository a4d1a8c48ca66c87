#include "tools/varo-cli/scratchfolder.h"

#include "text/codeconverter.h"
#include "tools/common/arguments.h"

#include <cstdlib>

namespace varo::cli {

ScratchFolder::ScratchFolder()
{
    std::error_code error;
    const std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
    std::string pattern = ((error ? std::filesystem::path("/tmp") : temporary) / "varo-cli-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw CommandFailure(kExitData, "cannot make a private folder in the temporary folder");
    m_path = pattern;
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::u16string ScratchFolder::Folder() const
{
    return CCodeConverter::Utf8ToUtf16(m_path.string());
}

}  // namespace varo::cli
