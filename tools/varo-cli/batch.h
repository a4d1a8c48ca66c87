#pragma once
// Batch mode: one process answers many queries, one per line of standard input, each with one
// JSON object on its own line of standard output.

#include "tools/varo-cli/cli.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace varo::cli {

/// Answers each line of streams.in (without its line end; a CR before the LF is dropped) with
/// the JSON text that answer returns, flushing after each so that a caller can converse line by
/// line. Shows a count on standard error while it runs when that is a terminal.
void AnswerLines(const Streams& streams, const std::function<std::string(std::string_view line)>& answer);

/// The answer to a query that was not run: {"query": <line>, "error": <why>}.
std::string ErrorAnswer(std::string_view line, std::string_view error);

/// Microseconds since start.
int64_t MicrosecondsSince(std::chrono::steady_clock::time_point start);

}  // namespace varo::cli
