#include "tools/varo-cli/batch.h"

#include "tools/varo-cli/jsonwriter.h"
#include "tools/varo-cli/output.h"

#include <unistd.h>

namespace varo::cli {

namespace {

// One line of stream into line, without its LF; false at the end of the stream. Read byte by
// byte, so that a NUL inside a line stays in it (and gets the query refused).
bool ReadLine(std::FILE* stream, std::string& line)
{
    line.clear();
    int byte = 0;
    while ((byte = std::getc(stream)) != EOF) {
        if (byte == '\n')
            return true;
        line += static_cast<char>(byte);
    }
    return !line.empty();
}

// A running count on a terminal, redrawn at most a few times a second.
class BatchProgress {
public:
    explicit BatchProgress(const Streams& streams)
        : m_stream(streams.err), m_shown(isatty(fileno(streams.err)) && !isatty(fileno(streams.in)))
    {}

    void Answered(uint64_t count)
    {
        const auto now = std::chrono::steady_clock::now();
        if (!m_shown || now - m_last < std::chrono::milliseconds(250))
            return;
        m_last = now;
        std::fprintf(m_stream, "\rvaro-cli: %llu queries answered", static_cast<unsigned long long>(count));
        std::fflush(m_stream);
        m_drawn = true;
    }

    ~BatchProgress()
    {
        if (m_drawn)
            std::fprintf(m_stream, "\r%50s\r", "");
    }

private:
    std::FILE* m_stream;
    bool m_shown;
    bool m_drawn = false;
    std::chrono::steady_clock::time_point m_last = std::chrono::steady_clock::now();
};

}  // namespace

void AnswerLines(const Streams& streams, const std::function<std::string(std::string_view line)>& answer)
{
    BatchProgress progress(streams);
    std::string line;
    uint64_t count = 0;
    while (ReadLine(streams.in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        WriteLine(streams.out, answer(line));
        std::fflush(streams.out);
        progress.Answered(++count);
    }
}

std::string ErrorAnswer(std::string_view line, std::string_view error)
{
    JsonWriter json;
    json.BeginObject().Key("query").String(line).Key("error").String(error).EndObject();
    return json.Text();
}

int64_t MicrosecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace varo::cli
