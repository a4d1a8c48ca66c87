// ripgrep, a brute-force scan: one process over the exported texts (a page a line) per query,
// or per term of an and query, whose line sets are then intersected. A term becomes a regular
// expression: '?' is '.', '*' is '.{0,300}' (run with PCRE2). With -M 1 ripgrep prints only the number of each
// matching line; for hit counts -o prints one line per (non-overlapping) match.

#include "bench/peers/engines.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

extern char** environ;

namespace varo::peers {

namespace {

constexpr char kMaxGap[] = "300";

std::string Regex(const MixTerm& term)
{
    std::string regex;
    for (size_t s = 0; s < term.segments.size(); ++s) {
        if (s > 0)
            regex += std::string(".{0,") + kMaxGap + "}";
        for (char32_t c : term.segments[s]) {
            if (c == U'?') {
                regex += '.';
                continue;
            }
            if (c < 0x80 && std::strchr("\\.+*?()|[]{}^$#&-~", static_cast<char>(c)) != nullptr)
                regex += '\\';
            regex += Utf8(std::u32string(1, c));
        }
    }
    return regex;
}

// Runs the program with arguments and returns its standard output; false when it could not
// be started or ended with an error (ripgrep: exit code 2 or above).
bool Capture(const std::vector<std::string>& arguments, std::string& output, std::string& error)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        error = "cannot create a pipe";
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        error = "cannot start " + arguments[0];
        return false;
    }
    output.clear();
    char buffer[1 << 16];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        output.append(buffer, static_cast<size_t>(n));
    }
    close(pipeEnds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
        error = arguments[0] + " failed";
        return false;
    }
    return true;
}

// "12:..." lines => page 11, counted once per line (with -o each line is a match). ripgrep
// prints lines in ascending order, so the answer comes out sorted by page.
Answer CountLines(const std::string& output)
{
    Answer answer;
    for (size_t start = 0; start < output.size();) {
        uint32_t line = 0;
        size_t i = start;
        while (i < output.size() && output[i] >= '0' && output[i] <= '9')
            line = line * 10 + static_cast<uint32_t>(output[i++] - '0');
        if (line > 0) {
            if (!answer.pages.empty() && answer.pages.back() == line - 1) {
                ++answer.counts.back();
            } else {
                answer.pages.push_back(line - 1);
                answer.counts.push_back(1);
            }
        }
        const size_t end = output.find('\n', i);
        start = end == std::string::npos ? output.size() : end + 1;
    }
    return answer;
}

// The pages of both sorted answers, with the counts added.
Answer Intersect(const Answer& a, const Answer& b)
{
    Answer both;
    for (size_t i = 0, j = 0; i < a.pages.size() && j < b.pages.size();) {
        if (a.pages[i] < b.pages[j]) {
            ++i;
        } else if (b.pages[j] < a.pages[i]) {
            ++j;
        } else {
            both.pages.push_back(a.pages[i]);
            both.counts.push_back(a.counts[i++] + b.counts[j++]);
        }
    }
    return both;
}

class RipgrepEngine : public PeerEngine {
public:
    explicit RipgrepEngine(const EngineFolders& folders) : m_folders(folders) {}

    std::string Build(const std::vector<std::string>&) override { return {}; }

    std::string Open() override
    {
        std::string output;
        std::string error;
        if (!Capture({"rg", "--version"}, output, error))
            return "ripgrep (rg) is not installed";
        return {};
    }

    std::string Unsupported(const MixQuery&, AnswerMode) const override { return {}; }

    bool Run(const MixQuery& query, AnswerMode mode, Answer& answer, std::string& error) override
    {
        answer.Clear();
        // Or is one alternation; and needs a scan per term.
        std::vector<std::string> regexes;
        for (const MixTerm& term : query.terms)
            regexes.push_back(Regex(term));
        if (!query.isAnd) {
            std::string alternation;
            for (const std::string& regex : regexes)
                alternation += (alternation.empty() ? "" : "|") + regex;
            regexes = {alternation};
        }
        for (size_t i = 0; i < regexes.size(); ++i) {
            std::vector<std::string> arguments{"rg", "--no-config", "--color=never", "-n"};
            // ripgrep's own engine takes seconds over a bounded gap of any characters, PCRE2
            // (with its JIT) a fraction of one.
            if (regexes[i].find(".{") != std::string::npos)
                arguments.push_back("-P");
            if (mode == AnswerMode::Counts)
                arguments.insert(arguments.end(), {"-o", "-r", ""});
            else
                arguments.insert(arguments.end(), {"-M", "1"});
            arguments.insert(arguments.end(), {"-e", regexes[i], m_folders.pageTexts.string()});
            if (!Capture(arguments, m_output, error))
                return false;
            answer = i == 0 ? CountLines(m_output) : Intersect(answer, CountLines(m_output));
        }
        if (mode == AnswerMode::Pages)
            answer.counts.clear();
        return true;
    }

    uint64_t IndexBytes() const override { return std::filesystem::file_size(m_folders.pageTexts); }

    std::string BuildNote() const override { return "no index: the exported texts are scanned"; }

private:
    EngineFolders m_folders;
    std::string m_output;
};

}  // namespace

std::unique_ptr<PeerEngine> MakeRipgrepEngine(const EngineFolders& folders)
{
    return std::make_unique<RipgrepEngine>(folders);
}

}  // namespace varo::peers
