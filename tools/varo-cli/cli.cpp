#include "tools/varo-cli/cli.h"

#include "platform/nativepath.h"
#include "text/codeconverter.h"
#include "tools/varo-cli/commands.h"
#include "tools/varo-cli/output.h"

#include <array>

#ifndef VARO_VERSION
#define VARO_VERSION "unknown"
#endif

namespace varo::cli {

namespace {

constexpr char kUsage[] =
    "usage: varo-cli [--data DIR] COMMAND [options] [QUERY]\n"
    "\n"
    "The search engine and the search panel of varo from the command line. Text is UTF-8 in\n"
    "and out; the data folder is the folder of varo-cli unless --data names another.\n"
    "\n"
    "commands:\n"
    "  hits       the engine's hit set for a query (pages and hits per page)\n"
    "  search     the panel's search: summary and result list of a scope\n"
    "  render     a result page with the hits of a query highlighted\n"
    "  page       a stored page, by page number or by catalogue entry and label\n"
    "  catalogue  the catalogue records as a tree\n"
    "  kwic       every hit of a search as a line of context (keyword in context)\n"
    "  stats      pages and hits of a search per catalogue entry\n"
    "\n"
    "  --help     this text; 'varo-cli COMMAND --help' describes a command\n"
    "  --version  the program's version\n"
    "\n"
    "exit codes: 0 done; 1 the data folder does not open or a file of it cannot be read;\n"
    "2 the query is refused (the message says why); 64 bad arguments\n";

constexpr std::array<const CommandSpec*, 7> kCommands = {
    &kHitsCommand, &kSearchCommand, &kRenderCommand, &kPageCommand, &kCatalogueCommand, &kKwicCommand, &kStatsCommand,
};

const CommandSpec* FindCommand(std::string_view name)
{
    for (const CommandSpec* command : kCommands) {
        if (command->name == name)
            return command;
    }
    return nullptr;
}

// The usage lines of a help text: everything before its first empty line.
std::string_view Synopsis(std::string_view usage)
{
    return usage.substr(0, usage.find("\n\n") + 1);
}

void ReportFailure(const CommandFailure& failure, const CommandSpec* command, const Streams& streams)
{
    WriteLine(streams.err, std::string("varo-cli: ") + failure.what());
    if (dynamic_cast<const UsageError*>(&failure) != nullptr) {
        Write(streams.err, Synopsis(command != nullptr ? command->usage : kUsage));
        WriteLine(streams.err, command != nullptr ? "('varo-cli " + std::string(command->name) + " --help' for more)"
                                                  : std::string("('varo-cli --help' for more)"));
    }
}

int RunCommand(const CommandSpec& command, std::span<const std::string> args, std::u16string dataFolder,
               const Streams& streams)
{
    const Arguments parsed = Arguments::Parse(args, command.options);
    if (parsed.Has("--help")) {
        Write(streams.out, command.usage);
        return kExitOk;
    }
    if (const std::optional<std::string> data = parsed.Value("--data"))
        dataFolder = CCodeConverter::Utf8ToUtf16(*data);
    if (dataFolder.empty())
        dataFolder = ExecutableFolder();
    return command.run(CommandContext{parsed, dataFolder, streams});
}

}  // namespace

std::string QueryOperand(const CommandContext& context)
{
    const std::vector<std::string>& operands = context.args.Operands();
    if (operands.empty())
        throw UsageError("no QUERY given");
    // Terms given as separate arguments are one query with blanks between them.
    std::string query = operands.front();
    for (size_t i = 1; i < operands.size(); ++i)
        query += " " + operands[i];
    return query;
}

int RunCli(std::span<const std::string> args, const Streams& streams)
{
    const CommandSpec* command = nullptr;
    int code = kExitOk;
    try {
        std::u16string dataFolder;
        size_t next = 0;
        // Options before the command: --help, --version, --data DIR.
        for (; next < args.size() && args[next].starts_with("-"); ++next) {
            const std::string& argument = args[next];
            if (argument == "--help" || argument == "-h") {
                Write(streams.out, kUsage);
                return kExitOk;
            }
            if (argument == "--version") {
                WriteLine(streams.out, "varo-cli " VARO_VERSION);
                return kExitOk;
            }
            if (argument == "--data" && next + 1 == args.size())
                throw UsageError("option --data needs a value");
            if (argument == "--data")
                dataFolder = CCodeConverter::Utf8ToUtf16(args[++next]);
            else if (argument.starts_with("--data="))
                dataFolder = CCodeConverter::Utf8ToUtf16(argument.substr(7));
            else
                throw UsageError("unknown option " + argument + " before the command");
        }
        if (next == args.size())
            throw UsageError("no command given");
        command = FindCommand(args[next]);
        if (command == nullptr)
            throw UsageError("unknown command " + args[next]);
        code = RunCommand(*command, args.subspan(next + 1), dataFolder, streams);
    } catch (const CommandFailure& failure) {
        ReportFailure(failure, command, streams);
        return failure.ExitCode();
    }
    // Output that could not be written is a failure, not an answer.
    if (std::fflush(streams.out) != 0 || std::ferror(streams.out)) {
        WriteLine(streams.err, "varo-cli: the output could not be written");
        return kExitData;
    }
    return code;
}

}  // namespace varo::cli
