#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <string>

#include "platform/core/Files.h"
#include "support/TestSupport.h"

using platform::File;

TEST(File, WritesReadsSeeksAndReportsShortReads)
{
    testsupport::ScratchDir dir;
    const std::string path = dir.File("a.bin");
    {
        File f(path, File::Mode::CreateReplace);
        ASSERT_TRUE(f.IsOpen());
        ASSERT_TRUE(f.Write("abcdef", 6));
    }
    File f(path, File::Mode::Read);
    ASSERT_TRUE(f.IsOpen());
    EXPECT_EQ(f.Size(), 6);
    char buf[8] = {};
    ASSERT_TRUE(f.Seek(2));
    EXPECT_EQ(f.Read(buf, 8), 4);  // only four bytes remain
    EXPECT_EQ(std::string(buf, 4), "cdef");
    EXPECT_FALSE(f.ReadExact(buf, 1));
    EXPECT_FALSE(f.Seek(-1));
}

TEST(File, OpenForReadingNeedsAnExistingFileAndCreateNewIsExclusive)
{
    testsupport::ScratchDir dir;
    File missing;
    EXPECT_FALSE(missing.Open(dir.File("none"), File::Mode::Read));
    EXPECT_FALSE(missing.Open(dir.Path(), File::Mode::Read));  // a folder is no file
    File first;
    EXPECT_TRUE(first.Open(dir.File("x"), File::Mode::CreateNew));
    File second;
    EXPECT_FALSE(second.Open(dir.File("x"), File::Mode::CreateNew));
    // Replacing truncates.
    testsupport::WriteBytes(dir.File("y"), {1, 2, 3});
    File replace(dir.File("y"), File::Mode::CreateReplace);
    EXPECT_EQ(replace.Size(), 0);
}

// Reading takes regular files only (links followed), and nothing waits in the opening for a
// FIFO's writer: a FIFO, a folder and a device are refused and said to be no regular file,
// a missing file only refused.
TEST(File, ReadingOpensOnlyRegularFilesWithoutWaiting)
{
    testsupport::ScratchDir dir;
    testsupport::WriteBytes(dir.File("plain"), {1, 2, 3});
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink(dir.File("fifo").c_str(), dir.File("fifo-link").c_str()), 0);
    ASSERT_EQ(::symlink(dir.File("plain").c_str(), dir.File("plain-link").c_str()), 0);
    ASSERT_EQ(::mkdir(dir.File("folder").c_str(), 0700), 0);
    struct Case {
        std::string path;
        bool regular;
        bool exists;
    };
    const Case cases[] = {
        {dir.File("plain"), true, true},    {dir.File("plain-link"), true, true},
        {dir.File("fifo"), false, true},    {dir.File("fifo-link"), false, true},
        {dir.File("folder"), false, true},  {"/dev/null", false, true},
        {dir.File("missing"), false, false},
    };
    const bool inTime = testsupport::EndsWithoutWaitingOn({dir.File("fifo")}, [&] {
        for (const Case& c : cases) {
            File f;
            EXPECT_EQ(f.Open(c.path, File::Mode::Read), c.regular) << c.path;
            EXPECT_EQ(f.NotRegular(), c.exists && !c.regular) << c.path;
            EXPECT_EQ(platform::IsRegularFile(c.path), c.regular) << c.path;
            std::vector<std::uint8_t> bytes;
            EXPECT_EQ(platform::ReadRegularFile(c.path, bytes, 100), c.regular) << c.path;
            if (c.regular) {
                // The handle reads as a blocking one again.
                char buf[4] = {};
                EXPECT_EQ(f.Read(buf, 4), 3) << c.path;
                EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 2, 3})) << c.path;
            }
        }
        File reused;
        EXPECT_FALSE(reused.Open(dir.File("fifo"), File::Mode::Read));
        EXPECT_TRUE(reused.Open(dir.File("plain"), File::Mode::Read));
        EXPECT_FALSE(reused.NotRegular());
    });
    EXPECT_TRUE(inTime) << "a reader waited on the FIFO";
}

// Reports are appended: a missing file is created, an existing one grows; a file that
// cannot be opened gets nothing.
TEST(File, AppendingCreatesOrExtendsTheFile)
{
    testsupport::ScratchDir dir;
    EXPECT_TRUE(platform::AppendToFile(dir.File("r.txt"), "\nab"));
    EXPECT_TRUE(platform::AppendToFile(dir.File("r.txt"), "\ncd"));
    const auto bytes = testsupport::ReadBytes(dir.File("r.txt"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "\nab\ncd");
    EXPECT_FALSE(platform::AppendToFile(dir.File("no/such/folder.txt"), "x"));
    EXPECT_FALSE(platform::AppendToFile(dir.Path(), "x"));  // a folder
    EXPECT_FALSE(platform::AppendToFile("", "x"));
}

TEST(Folders, TheFileNameOfAPathFollowsItsLastSeparator)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/data/scan.spm", "scan.spm"}, {"C:\\scans\\a.spm", "a.spm"}, {"a/b\\c.spm", "c.spm"},
        {"scan.spm", "scan.spm"},       {"/data/", ""},                  {"", ""},
    };
    for (const auto& [path, name] : cases)
        EXPECT_EQ(platform::ExtractFileName(path), name) << path;
}

TEST(Folders, CreateNestedFoldersAndJoinPaths)
{
    testsupport::ScratchDir dir;
    const std::string nested = dir.File("a/b/c");
    EXPECT_TRUE(platform::CreateFolder(nested));
    EXPECT_TRUE(platform::FolderExists(nested));
    EXPECT_TRUE(platform::FolderWritable(nested));
    EXPECT_EQ(platform::JoinPath("/x", "y"), "/x/y");
    EXPECT_EQ(platform::JoinPath("/x/", "y"), "/x/y");
    EXPECT_EQ(platform::JoinPath("", "y"), "y");
    EXPECT_EQ(platform::ExtractFileName("/data/scans/a.spm"), "a.spm");
    EXPECT_EQ(platform::ExtractFileName("a\\b.spm"), "b.spm"); // a backslash separates too
    EXPECT_EQ(platform::ExtractFileName("/data/"), "");
    const std::string folder = platform::ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
}

TEST(NumberedFiles, AreCreatedExclusivelyInTheFolderAndSkipTakenNames)
{
    testsupport::ScratchDir dir;
    std::set<std::string> names;
    for (int i = 0; i < 5; ++i) {
        const std::string path = platform::CreateNumberedFile(dir.Path(), "TMP", ".$$$");
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(path.rfind(dir.Path(), 0), 0u) << path;  // inside the folder asked for
        EXPECT_TRUE(platform::FileExists(path));
        names.insert(path);
    }
    EXPECT_EQ(names.size(), 5u);
    // Occupy the next few numbers by hand: the counter skips them.
    for (int i = 0; i < 70; ++i)
        testsupport::WriteBytes(dir.File("TMP" + std::to_string(i) + ".$$$"), {});
    const std::string path = platform::CreateNumberedFile(dir.Path(), "TMP", ".$$$");
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(testsupport::ReadBytes(path).size(), 0u);
    EXPECT_EQ(platform::CreateNumberedFile(dir.File("missing/"), "TMP", ".$$$"), "");
}
