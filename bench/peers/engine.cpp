#include "bench/peers/engines.h"

namespace varo::peers {

std::vector<std::string> EngineNames()
{
    return {"varo", "fts5", "fts5-trigram", "groonga", "xapian", "ripgrep"};
}

std::unique_ptr<PeerEngine> MakeEngine(const std::string& name, const EngineFolders& folders)
{
    if (name == "varo")
        return MakeVaroEngine(folders);
    if (name == "fts5" || name == "fts5-trigram")
        return MakeFts5Engine(folders, name == "fts5-trigram");
    if (name == "groonga")
        return MakeGroongaEngine(folders);
    if (name == "xapian")
        return MakeXapianEngine(folders);
    if (name == "ripgrep")
        return MakeRipgrepEngine(folders);
    return nullptr;
}

uint64_t FolderBytes(const std::filesystem::path& folder)
{
    uint64_t bytes = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error))
        if (entry.is_regular_file(error))
            bytes += entry.file_size(error);
    return bytes;
}

}  // namespace varo::peers
