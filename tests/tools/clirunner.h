#pragma once
// Runs the built varo-cli program as a child process and keeps what it said, and the small
// collection its tests run on.

#include "tests/support/fixture.h"

#include <filesystem>
#include <string>
#include <vector>

namespace varo::test {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

struct CliEnvironment {
    std::string input;                    // standard input
    std::filesystem::path workingFolder;  // empty: the test's own
    std::filesystem::path temporary;      // TMPDIR; empty: inherited
};

CliRun RunCli(const std::vector<std::string>& args, const CliEnvironment& environment = {});

/// The test collection, record slots and page numbers in brackets, labels after them:
///   1 經部: 2 論語: 3 學而 [0..1] 5..6, 4 爲政 [2..4] 1..3; 5 孟子: 6 梁惠王 [5] 1
///   7 史部: 8 史記: 9 本紀 [6..7] 7..8
/// 詩 occurs 3 times on page 0 and once on pages 2, 4, 5 and 6; 經 on pages 2, 3 and 6; 乾 on
/// page 7, and 乾 and 干 form a variant group.
void WriteCliCollection(const std::filesystem::path& folder);

/// The stored text of page number page of that collection.
std::string StoredPage(size_t page);

}  // namespace varo::test
