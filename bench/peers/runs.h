#pragma once
// The work folder of a comparison run and the files the steps leave in it for the report:
//   pages.txt                       the exported page texts
//   index/ENGINE/                   each engine's index
//   results/index-ENGINE.tsv        build time, index size, peak memory
//   results/query-ENGINE.tsv        latency per query and mode, peak memory
//   answers/ENGINE-MODE.txt         every answer: query id, then page:count ... by page
//   results/render.tsv, results/desktop.tsv, results/machine.tsv

#include "bench/peers/engine.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace varo::peers {

struct WorkFolder {
    std::filesystem::path root;

    std::filesystem::path PageTexts() const { return root / "pages.txt"; }
    std::filesystem::path Index(const std::string& engine) const { return root / "index" / engine; }
    std::filesystem::path Results(const std::string& name) const { return root / "results" / name; }
    std::filesystem::path Answers(const std::string& engine, AnswerMode mode) const
    {
        return root / "answers" / (engine + (mode == AnswerMode::Pages ? "-pages.txt" : "-counts.txt"));
    }
};

/// One answer line: "id<TAB>page:count page:count ..." (without counts "page page ...") in
/// ascending page order.
std::string FormatAnswer(const std::string& id, const Answer& answer);
/// The answers of a file by query id, pages ascending; an unreadable file gives none.
std::map<std::string, Answer> ReadAnswers(const std::filesystem::path& file);

/// Lines of a tab-separated file, each split into fields; none when it cannot be read.
std::vector<std::vector<std::string>> ReadTable(const std::filesystem::path& file);

}  // namespace varo::peers
