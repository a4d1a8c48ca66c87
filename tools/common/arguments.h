#pragma once
// The command line of a command-line program (each varo-cli command, varo-build): options
// ("--name", "--name value", "--name=value") in any order among the operands; "--" makes
// everything after it an operand.

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace varo::cli {

/// Exit codes of varo-cli. (varo-build keeps its own: it ends a usage error with 2.)
enum ExitCode : int {
    kExitOk = 0,
    kExitData = 1,    // the data folder does not open, or a file of it cannot be read
    kExitQuery = 2,   // the engine rejects the query
    kExitUsage = 64,  // bad arguments
};

/// Ends a command with an exit code and a message for standard error.
class CommandFailure : public std::runtime_error {
public:
    CommandFailure(int exitCode, const std::string& message) : std::runtime_error(message), m_exitCode(exitCode) {}
    int ExitCode() const { return m_exitCode; }

private:
    int m_exitCode;
};

/// Bad arguments: the message is followed by the command's usage lines. (An argument that is
/// well-formed but names what the collection lacks, such as a page past the last, ends with
/// kExitUsage and its message alone.)
class UsageError : public CommandFailure {
public:
    explicit UsageError(const std::string& message) : CommandFailure(kExitUsage, message) {}
};

struct OptionSpec {
    std::string_view name;  // with the leading dashes: "--page"
    bool takesValue = false;
};

class Arguments {
public:
    /// Throws UsageError for an option the optionSpec does not name or a value that is missing.
    static Arguments Parse(std::span<const std::string> args, std::span<const OptionSpec> optionSpec);

    bool Has(std::string_view name) const;
    /// The value of the option's last occurrence.
    std::optional<std::string> Value(std::string_view name) const;
    const std::vector<std::string>& Operands() const { return m_operands; }

    /// The option's value as an integer in [minimum, maximum]; fallback when the option is absent.
    /// Throws UsageError for anything else.
    int64_t Integer(std::string_view name, int64_t minimum, int64_t maximum, int64_t fallback) const;

private:
    std::vector<std::pair<std::string, std::string>> m_options;
    std::vector<std::string> m_operands;
};

}  // namespace varo::cli
