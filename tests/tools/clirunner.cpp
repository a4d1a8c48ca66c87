#include "tests/tools/clirunner.h"

#include "tools/writer/cataloguewriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace varo::test {

namespace {

struct PageSpec {
    int volume;
    int label;
    std::u32string text;
};

const std::vector<PageSpec> kPages = {
    {0, 5, U"詩云詩云詩"}, {0, 6, U"學而"}, {1, 1, U"詩經"}, {1, 2, U"經"},
    {1, 3, U"詩"},         {2, 1, U"詩"},   {3, 7, U"詩經"}, {3, 8, U"乾史"},
};

writer::PageInput PageInput(size_t page)
{
    char name[64];
    std::snprintf(name, sizeof name, "c\\v%d\\%04d.htm", kPages[page].volume, kPages[page].label);
    return SimplePage(name, kPages[page].text);
}

// Replaces the child's standard stream fd by the file at path.
void Redirect(const std::filesystem::path& path, int fd, int flags)
{
    const int file = ::open(path.c_str(), flags, 0600);
    if (file < 0 || ::dup2(file, fd) < 0)
        ::_exit(126);
    ::close(file);
}

}  // namespace

CliRun RunCli(const std::vector<std::string>& args, const CliEnvironment& environment)
{
    TempDir streams;
    const std::filesystem::path in = streams.Path() / "in";
    const std::filesystem::path out = streams.Path() / "out";
    const std::filesystem::path err = streams.Path() / "err";
    EXPECT_TRUE(writer::WriteFileBytes(in, environment.input));

    std::vector<char*> argv;
    std::string program = VARO_CLI_PROGRAM;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (std::string& argument : copies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        if (!environment.workingFolder.empty() && ::chdir(environment.workingFolder.c_str()) != 0)
            ::_exit(126);
        if (!environment.temporary.empty())
            ::setenv("TMPDIR", environment.temporary.c_str(), 1);
        Redirect(in, STDIN_FILENO, O_RDONLY);
        Redirect(out, STDOUT_FILENO, O_WRONLY | O_CREAT | O_TRUNC);
        Redirect(err, STDERR_FILENO, O_WRONLY | O_CREAT | O_TRUNC);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    CliRun run;
    int status = 0;
    if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    run.out = ReadFileBytes(out);
    run.err = ReadFileBytes(err);
    return run;
}

void WriteCliCollection(const std::filesystem::path& folder)
{
    std::vector<writer::PageInput> pages;
    for (size_t page = 0; page < kPages.size(); ++page)
        pages.push_back(PageInput(page));
    ASSERT_EQ(writer::WriteTextSet(folder, "Index", pages, {{0x4E7E, 0x5E72}}), "");
    const std::vector<writer::CatalogueEntry> entries = {
        {u"經部", 1, 1, 6, 5}, {u"論語", 2, 1, 5, 5}, {u"學而", 3, 1, 2, 5},
        {u"爲政", 3, 3, 3, 1}, {u"孟子", 2, 6, 1, 1}, {u"梁惠王", 3, 6, 1, 1},
        {u"史部", 1, 7, 2, 7}, {u"史記", 2, 7, 2, 7}, {u"本紀", 3, 7, 2, 7},
    };
    std::string catalogue;
    ASSERT_EQ(writer::BuildCatalogueImage(entries, catalogue), "");
    ASSERT_TRUE(writer::WriteFileBytes(folder / "zlq.dir", catalogue));
}

std::string StoredPage(size_t page)
{
    return PageInput(page).html;
}

}  // namespace varo::test
