#pragma once
// One search engine of the comparison: builds its index from the exported page texts, opens
// it once, and answers the queries of the mix with the set of matching pages and, where it can,
// the number of hits in each.

#include "bench/peers/querymix.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace varo::peers {

enum class AnswerMode {
    Pages,   // the set of matching pages
    Counts,  // the pages with the number of hits in each
};

/// Pages are 0-based page numbers (line n of the exported file is page n - 1); counts, when
/// given, run parallel to pages. The order is the engine's own.
struct Answer {
    std::vector<uint32_t> pages;
    std::vector<uint32_t> counts;

    void Clear()
    {
        pages.clear();
        counts.clear();
    }
};

/// Where an engine finds its input: the collection (for varo), the exported page texts, and
/// the folder that holds its index.
struct EngineFolders {
    std::filesystem::path collection;
    std::filesystem::path pageTexts;
    std::filesystem::path index;
};

class PeerEngine {
public:
    virtual ~PeerEngine() = default;

    /// Builds the index from the page texts into folders.index (which exists and is empty).
    /// Returns an empty string on success, otherwise what failed.
    virtual std::string Build(const std::vector<std::string>& pages) = 0;
    /// Opens the built index for the queries; empty string on success.
    virtual std::string Open() = 0;
    /// Why the engine cannot give this query's answer in this mode, or empty when it can.
    virtual std::string Unsupported(const MixQuery& query, AnswerMode mode) const = 0;
    /// Answers the query; false (with a message in error) when the engine failed.
    virtual bool Run(const MixQuery& query, AnswerMode mode, Answer& answer, std::string& error) = 0;
    /// Bytes on disk of what the engine needs to answer queries.
    virtual uint64_t IndexBytes() const = 0;
    /// A line about what was built, for the report (empty: nothing to say).
    virtual std::string BuildNote() const { return {}; }
};

/// The engines by name: varo, fts5, fts5-trigram, groonga, xapian, ripgrep. Null for an
/// unknown name.
std::unique_ptr<PeerEngine> MakeEngine(const std::string& name, const EngineFolders& folders);
std::vector<std::string> EngineNames();

/// Total size of the regular files under a folder.
uint64_t FolderBytes(const std::filesystem::path& folder);

}  // namespace varo::peers
