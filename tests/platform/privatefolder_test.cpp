#include "platform/privatefolder.h"
#include "tests/support/fixture.h"
#include "text/codeconverter.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace varo {
namespace {

namespace fs = std::filesystem;

fs::path Native(const std::u16string& path)
{
    return CCodeConverter::Utf16ToUtf8(path);
}

TEST(PrivateFolder, ownerOnlyFolder_replacesFiles_andIsRemovedWithThem)
{
    test::TempDir parent;
    fs::path folder;
    {
        CPrivateFolder files(parent.Folder());
        ASSERT_TRUE(files.IsReady());
        folder = Native(files.Path());
        EXPECT_EQ(folder.parent_path(), parent.Path());
        EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);
        ASSERT_TRUE(files.WriteFile(u"windows.html", "a longer first text"));
        ASSERT_TRUE(files.WriteFile(u"windows.html", "second"));
        EXPECT_EQ(test::ReadFileBytes(folder / "windows.html"), "second");
        ASSERT_TRUE(files.WriteFile(u"windows1.html", ""));
        EXPECT_TRUE(fs::exists(folder / "windows1.html"));
    }
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(fs::is_empty(parent.Path()));
}

TEST(PrivateFolder, linksAndPathsOutOfTheFolder_areRefused)
{
    test::TempDir parent;
    CPrivateFolder files(parent.Folder());
    const fs::path folder = Native(files.Path());
    const fs::path outside = parent.Path() / "outside.txt";
    ASSERT_TRUE(writer::WriteFileBytes(outside, "keep"));
    fs::create_symlink(outside, folder / "windows.html");

    EXPECT_FALSE(files.WriteFile(u"windows.html", "overwritten"));
    EXPECT_FALSE(files.WriteFile(u"../outside.txt", "overwritten"));
    EXPECT_FALSE(files.WriteFile(u"..", "x"));
    EXPECT_FALSE(files.WriteFile(u"", "x"));
    EXPECT_EQ(test::ReadFileBytes(outside), "keep");
}

// A disk that fills up part-way through a page (a file size limit here): the earlier page
// stays whole under its name and nothing else is left in the folder.
TEST(PrivateFolder, writeCutShort_keepsTheEarlierFileWhole)
{
    test::TempDir parent;
    CPrivateFolder files(parent.Folder());
    const fs::path folder = Native(files.Path());
    ASSERT_TRUE(files.WriteFile(u"windows.html", "the earlier page"));
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limit = saved;
    limit.rlim_cur = 8;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const bool written = files.WriteFile(u"windows.html", "a later page that does not fit");
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_EQ(test::ReadFileBytes(folder / "windows.html"), "the earlier page");
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"windows.html"});
}

TEST(PrivateFolder, unusableParent_leavesTheFolderNotReady)
{
    CPrivateFolder files(u"/nonexistent-varo-parent/deeper");
    EXPECT_FALSE(files.IsReady());
    EXPECT_EQ(files.FilePath(u"windows.html"), u"");
    EXPECT_FALSE(files.WriteFile(u"windows.html", "x"));
}

}  // namespace
}  // namespace varo
