#include <gtest/gtest.h>

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
