#pragma once
// How search, kwic and stats answer their queries: one query from the command line, written as
// text or JSON, or with --batch one JSON line for each line of standard input. The commands differ
// only in what they compute for a query and how they write it.

#include "tools/varo-cli/batch.h"
#include "tools/varo-cli/commands.h"
#include "tools/varo-cli/output.h"
#include "tools/varo-cli/querytext.h"

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace varo::cli {

/// The QUERY operand, or nothing with --batch, which reads its queries from standard input and
/// takes no operand. Called before the collection is opened, so that usage errors come first.
inline std::string BatchOrQueryOperand(const CommandContext& context)
{
    if (!context.args.Has("--batch"))
        return QueryOperand(context);
    if (!context.args.Operands().empty())
        throw UsageError("--batch reads the queries from standard input and takes no QUERY");
    return std::string();
}

/// What one query command does with a query once the collection is open.
template <typename Answer>
struct QueryCommandTag {
    std::function<Answer(const std::u16string& query)> run;
    /// The panel's message when it refused to search; empty when it searched.
    std::function<std::string(const Answer& answer)> refusal;
    std::function<std::string(const Answer& answer, bool withElapsed)> json;
    std::function<void(std::FILE* out, const Answer& answer)> text;
};

/// Answers the operand (a query the syntax refuses fails with kExitQuery, one the panel refuses
/// with kExitData), or with --batch every line of standard input, where a refused query is
/// answered with its reason and the run goes on.
template <typename Answer>
int AnswerQueries(const CommandContext& context, std::string_view operand, const QueryCommandTag<Answer>& command)
{
    if (context.args.Has("--batch")) {
        AnswerLines(context.streams, [&](std::string_view line) {
            // The panel turns U+3000 into blanks before the engine sees the query; the engine's
            // check reads both as blanks, so the query is checked as given.
            std::u16string query;
            if (const std::string reason = CheckQueryBytes(line, query); !reason.empty())
                return ErrorAnswer(line, reason);
            const Answer answer = command.run(query);
            const std::string refusal = command.refusal(answer);
            return refusal.empty() ? command.json(answer, true) : ErrorAnswer(line, refusal);
        });
        return kExitOk;
    }
    std::u16string query;
    if (const std::string reason = CheckQueryBytes(operand, query); !reason.empty())
        throw CommandFailure(kExitQuery, reason);
    const Answer answer = command.run(query);
    if (const std::string refusal = command.refusal(answer); !refusal.empty())
        throw CommandFailure(kExitData, refusal);
    if (context.args.Has("--json"))
        WriteLine(context.streams.out, command.json(answer, false));
    else
        command.text(context.streams.out, answer);
    return kExitOk;
}

}  // namespace varo::cli
