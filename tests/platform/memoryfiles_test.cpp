#include "platform/mappedfile.h"
#include "platform/memoryfiles.h"
#include "platform/nativepath.h"
#include "platform/readonlyfile.h"
#include "tests/support/fixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

namespace varo {
namespace {

class HeldFiles : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(writer::WriteFileBytes(dir.Path() / "data", "on disk"));
        path = JoinPath(dir.Folder(), u"data");
    }
    void TearDown() override { MemoryFiles::Clear(); }

    test::TempDir dir;
    std::u16string path;
};

TEST_F(HeldFiles, heldBytesStandForTheFile_withTheBoundsOfARealOne)
{
    MemoryFiles::Put(path, "held bytes");
    ReadOnlyFile file;
    ASSERT_TRUE(file.Open(path));
    EXPECT_EQ(file.Size(), 10u);
    char buffer[16] = {};
    EXPECT_TRUE(file.ReadAt(5, buffer, 5));
    EXPECT_EQ(std::string(buffer, 5), "bytes");
    EXPECT_TRUE(file.ReadAt(10, buffer, 0));
    EXPECT_FALSE(file.ReadAt(6, buffer, 5));
    EXPECT_FALSE(file.ReadAt(11, buffer, 0));
    EXPECT_FALSE(file.ReadAt(UINT64_MAX, buffer, 2));

    MappedFile view;
    ASSERT_TRUE(view.Map(path));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(view.Data()), view.Size()), "held bytes");

    // The open file keeps what it opened; a path let go is the file on disk again.
    MemoryFiles::Remove(path);
    EXPECT_TRUE(file.ReadAt(0, buffer, 4));
    EXPECT_EQ(std::string(buffer, 4), "held");
    EXPECT_EQ(view.Size(), 10u);
    ReadOnlyFile again;
    ASSERT_TRUE(again.Open(path));
    EXPECT_EQ(again.Size(), 7u);
}

TEST_F(HeldFiles, emptyHeldFile_opensButCannotBeMapped_andAReferenceIsNotCopied)
{
    MemoryFiles::Put(path, "");
    ReadOnlyFile file;
    ASSERT_TRUE(file.Open(path));
    EXPECT_EQ(file.Size(), 0u);
    char byte = 0;
    EXPECT_FALSE(file.ReadAt(0, &byte, 1));
    MappedFile view;
    EXPECT_FALSE(view.Map(path));
    EXPECT_FALSE(view.IsMapped());

    const std::string bytes = "kept by the caller";
    MemoryFiles::PutReference(path, bytes);
    ASSERT_TRUE(view.Map(path));
    EXPECT_EQ(view.Data(), reinterpret_cast<const uint8_t*>(bytes.data()));

    // Other paths, even in the same folder, are still the file system's.
    EXPECT_FALSE(file.Open(JoinPath(dir.Folder(), u"missing")));
}

// Released pages of a mapping are read from the file again; held bytes (a caller's memory, not a
// mapping) are never given away, whatever range is asked for.
TEST_F(HeldFiles, releasedPagesReadTheSameAgain_andHeldBytesAreNeverReleased)
{
    std::string bytes(5 * 4096 + 123, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>('a' + i % 23);
    ASSERT_TRUE(writer::WriteFileBytes(dir.Path() / "data", bytes));
    MappedFile view;
    ASSERT_TRUE(view.Map(path));
    const auto contents = [&view] { return std::string(reinterpret_cast<const char*>(view.Data()), view.Size()); };
    ASSERT_EQ(contents(), bytes);
    for (const auto& [offset, size] : {std::pair<size_t, size_t>{0, 4096},
                                       {100, 3 * 4096},
                                       {4096, SIZE_MAX},
                                       {bytes.size() - 10, 10},
                                       {bytes.size(), 1},
                                       {SIZE_MAX, 2}}) {
        view.Release(offset, size);
        EXPECT_EQ(contents(), bytes) << offset << " " << size;
    }

    const std::string held(3 * 4096, 'h');
    MemoryFiles::PutReference(path, held);
    MappedFile heldView;
    ASSERT_TRUE(heldView.Map(path));
    heldView.Release(0, SIZE_MAX);
    EXPECT_EQ(held, std::string(3 * 4096, 'h'));
}

}  // namespace
}  // namespace varo
