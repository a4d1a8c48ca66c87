#pragma once
// The engines of the comparison, one source file each.

#include "bench/peers/engine.h"

namespace varo::peers {

std::unique_ptr<PeerEngine> MakeVaroEngine(const EngineFolders& folders);
/// SQLite FTS5 with a tokenizer that makes every character a token (phrases are adjacent
/// characters), or with the trigram tokenizer.
std::unique_ptr<PeerEngine> MakeFts5Engine(const EngineFolders& folders, bool trigram);
/// Groonga in process, TokenUnigram with positions and no normaliser.
std::unique_ptr<PeerEngine> MakeGroongaEngine(const EngineFolders& folders);
/// Xapian, one term per indexed character with its position.
std::unique_ptr<PeerEngine> MakeXapianEngine(const EngineFolders& folders);
/// ripgrep run as a process over the exported texts, a page a line.
std::unique_ptr<PeerEngine> MakeRipgrepEngine(const EngineFolders& folders);

}  // namespace varo::peers
