// varo-cli: the search engine and the search panel's models from the command line.

#include "tools/varo-cli/cli.h"

#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    return varo::cli::RunCli(args, varo::cli::Streams{});
}
