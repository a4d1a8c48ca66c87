#pragma once
// varo-cli: the search engine and the search panel's models from the command line. The program
// is this library plus a main that hands it the process's arguments and standard streams, so
// that the benchmarks can run a whole command in-process as well.

#include <cstdio>
#include <span>
#include <string>

namespace varo::cli {

struct Streams {
    std::FILE* in = stdin;
    std::FILE* out = stdout;
    std::FILE* err = stderr;
};

/// Runs the command line args (without the program name) and returns the exit code; everything
/// the command says goes to the streams.
int RunCli(std::span<const std::string> args, const Streams& streams);

}  // namespace varo::cli
