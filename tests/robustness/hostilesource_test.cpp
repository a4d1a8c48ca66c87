// varo-build over source trees made to harm: links that lead out of the source folder, names
// and page texts that are not text, pages that are pipes or claim gigabytes. Each build must be
// refused with a message that names the item, exit 1, and leave the target and the folder
// beside it as they were.
#include "tests/support/fixture.h"
#include "tools/varo-build/pagefile.h"
#include "tools/varo-build/sourcetree.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>

#include <sys/stat.h>
#include <sys/wait.h>

namespace varo {
namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

class HostileSource : public ::testing::Test {
public:
    fs::path Source() const { return m_dir.Path() / "source"; }
    fs::path Volume() const { return Source() / "c" / "t" / "v"; }
    fs::path Output() const { return m_dir.Path() / "out"; }
    fs::path Outside() const { return m_dir.Path() / "outside"; }

protected:
    void SetUp() override
    {
        WriteFile(Volume() / "0001.txt", "甲乙");
        WriteFile(Output() / "zlq.dir", "old catalogue");
        WriteFile(Outside() / "0001.txt", "secret");
    }

    // Runs varo-build; its exit code, with standard error in err.
    int Build(std::string& err) const
    {
        const fs::path log = m_dir.Path() / "log";
        const std::string command = std::string("'") + VARO_BUILD_PROGRAM + "' --quiet '" + Source().string() + "' '" +
                                    Output().string() + "' 2>'" + log.string() + "'";
        const int status = std::system(command.c_str());
        err = test::ReadFileBytes(log);
        fs::remove(log);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::vector<std::string> Beside() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempDir m_dir;
};

TEST_F(HostileSource, refusedBuildNamesTheItemAndLeavesTheTargetAsItWas)
{
    const struct Case {
        const char* what;
        std::function<void(const HostileSource&)> make;
        std::string complaint;
    } cases[] = {
        {"page linked to /etc/passwd",
         [](const HostileSource& t) { fs::create_symlink("/etc/passwd", t.Volume() / "0002.txt"); },
         "c\\t\\v\\0002.txt is a link to /etc/passwd, outside the source folder"},
        {"page linked to /dev/zero",
         [](const HostileSource& t) { fs::create_symlink("/dev/zero", t.Volume() / "0002.txt"); },
         "is a link to /dev/zero, outside the source folder"},
        {"volume linked out of the tree",
         [](const HostileSource& t) { fs::create_directory_symlink(t.Outside(), t.Volume().parent_path() / "v2"); },
         "c\\t\\v2 is a link to "},
        {"category linked out of the tree",
         [](const HostileSource& t) { fs::create_directory_symlink(t.Outside().parent_path(), t.Source() / "d"); },
         "d is a link to "},
        {"newline in a volume name",
         [](const HostileSource& t) { WriteFile(t.Volume().parent_path() / "v\nx" / "0001.txt", "甲"); },
         "the folder name c\\t\\v\\x0ax holds the control character U+000A"},
        {"tab in a title name",
         [](const HostileSource& t) { WriteFile(t.Source() / "c" / "t\tx" / "v" / "0001.txt", "甲"); },
         "the folder name c\\t\\x09x holds the control character U+0009"},
        {"byte FF in a category name",
         [](const HostileSource& t) { WriteFile(t.Source() / "c\xFF" / "t" / "v" / "0001.txt", "甲"); },
         "the folder name c\\xff holds bytes that are not UTF-8 (FF) at byte 1"},
        {"encoded surrogate in a volume name",
         [](const HostileSource& t) { WriteFile(t.Volume().parent_path() / "v\xED\xA0\x80" / "0001.txt", "甲"); },
         "holds bytes that are not UTF-8 (ED A0 80) at byte 1"},
        {"NUL in a page", [](const HostileSource& t) { WriteFile(t.Volume() / "0002.txt", std::string("甲\0乙", 7)); },
         "the page c\\t\\v\\0002.txt holds the control character U+0000 at byte 3"},
        {"byte FF in a page", [](const HostileSource& t) { WriteFile(t.Volume() / "0002.txt", "甲\xFF"); },
         "0002.txt holds bytes that are not UTF-8 (FF) at byte 3"},
        {"overlong form in a page", [](const HostileSource& t) { WriteFile(t.Volume() / "0002.htm", "\xC0\xBC"); },
         "0002.htm holds bytes that are not UTF-8 (C0 BC) at byte 0"},
        {"escape sequence in an HTML page",
         [](const HostileSource& t) { WriteFile(t.Volume() / "0002.htm", "<title>\x1B]0;x\a</title>"); },
         "0002.htm holds the control character U+001B at byte 7"},
        {"page that is a named pipe",
         [](const HostileSource& t) { ASSERT_EQ(::mkfifo((t.Volume() / "0002.txt").c_str(), 0600), 0); },
         "the page c\\t\\v\\0002.txt is not a regular file"},
        {"sparse page of 20 GiB",
         [](const HostileSource& t) {
             std::ofstream(t.Volume() / "0002.htm").close();
             fs::resize_file(t.Volume() / "0002.htm", uint64_t{20} << 30);
         },
         "0002.htm has 21474836480 bytes; a stored page holds at most 33,554,432 bytes"},
    };
    for (const Case& c : cases) {
        c.make(*this);
        std::string err;
        EXPECT_EQ(Build(err), 1) << c.what << ": " << err;
        EXPECT_NE(err.find(c.complaint), std::string::npos) << c.what << ": " << err;
        EXPECT_NE(err.find("nothing was written to"), std::string::npos) << c.what;
        EXPECT_EQ(test::ReadFileBytes(Output() / "zlq.dir"), "old catalogue") << c.what;
        EXPECT_EQ(Beside(), (std::vector<std::string>{"out", "outside", "source"})) << c.what;
        // Back to the one good page for the next case.
        fs::remove_all(Source());
        WriteFile(Volume() / "0001.txt", "甲乙");
    }
}

// Links that stay inside the source folder are part of the tree like any file or folder.
TEST_F(HostileSource, linksInsideTheSourceFolderAreFollowed)
{
    fs::create_symlink("0001.txt", Volume() / "0002.txt");
    fs::create_directory_symlink("v", Volume().parent_path() / "w");
    std::string err;
    ASSERT_EQ(Build(err), 0) << err;
    EXPECT_EQ(fs::file_size(Output() / "zlq.dir"), 4u * 216);  // c, t, v and w
}

// A page swapped for a link out of the tree after the tree was listed is still caught: the
// reader checks the file it has opened, not the name it listed.
TEST_F(HostileSource, pageSwappedForALinkAfterListingIsNotRead)
{
    build::SourceTree tree;
    std::vector<std::string> warnings;
    ASSERT_EQ(build::ReadSourceTree(Source(), tree, warnings), "");
    const build::SourcePage& page = tree.categories.at(0).titles.at(0).volumes.at(0).pages.at(0);
    fs::remove(page.file);
    fs::create_symlink(Outside() / "0001.txt", page.file);
    std::string bytes;
    const std::string error = build::ReadPageFile(tree, page, bytes);
    EXPECT_NE(error.find("c\\t\\v\\0001.txt is read from " + fs::canonical(Outside()).string() + "/0001.txt, outside"),
              std::string::npos)
        << error;
}

}  // namespace
}  // namespace varo
