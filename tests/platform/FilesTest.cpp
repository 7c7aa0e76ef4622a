#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Writing, in every mode, never waits for a FIFO's reader: a report, picture or scan saved
// onto a FIFO or a folder is refused at once and nothing is written there. Devices are
// written as before.
TEST(File, WritingOpensOnlyRegularFilesWithoutWaiting)
{
    testsupport::ScratchDir dir;
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink(dir.File("fifo").c_str(), dir.File("fifo-link").c_str()), 0);
    ASSERT_EQ(::mkdir(dir.File("folder").c_str(), 0700), 0);
    const std::string refused[] = {dir.File("fifo"), dir.File("fifo-link"), dir.File("folder")};
    const File::Mode modes[] = {File::Mode::CreateReplace, File::Mode::Append};
    const bool inTime = testsupport::EndsWithoutWaitingOn({dir.File("fifo")}, [&] {
        for (const std::string& path : refused) {
            for (File::Mode mode : modes) {
                File f;
                EXPECT_FALSE(f.Open(path, mode)) << path;
                EXPECT_TRUE(f.NotRegular()) << path;
            }
            EXPECT_FALSE(platform::AppendToFile(path, "report")) << path;
        }
        // Regular files are written as before, through a link too, by a reused handle.
        File f;
        EXPECT_FALSE(f.Open(dir.File("fifo"), File::Mode::CreateReplace));
        ASSERT_TRUE(f.Open(dir.File("plain"), File::Mode::CreateReplace));
        EXPECT_FALSE(f.NotRegular());
        EXPECT_TRUE(f.Write("abc", 3));
        EXPECT_TRUE(f.Close());
        ASSERT_EQ(::symlink(dir.File("plain").c_str(), dir.File("plain-link").c_str()), 0);
        EXPECT_TRUE(platform::AppendToFile(dir.File("plain-link"), "de"));
        EXPECT_TRUE(platform::AppendToFile("/dev/null", "report"));
    });
    EXPECT_TRUE(inTime) << "a writer waited on the FIFO";
    EXPECT_EQ(testsupport::ReadBytes(dir.File("plain")), (std::vector<std::uint8_t>{'a', 'b', 'c', 'd', 'e'}));
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

namespace {

//! Both roads of a replacement: the unnamed temporary and the named one of file systems
//! that refuse it.
class Replacement : public ::testing::TestWithParam<bool> {
protected:
    Replacement() { platform::SetUnnamedTemporariesForTesting(GetParam()); }
    ~Replacement() override { platform::SetUnnamedTemporariesForTesting(true); }

    static void WriteThrough(const platform::FileReplacement& r, const std::string& text)
    {
        File f(r.TempPath(), File::Mode::CreateReplace);
        ASSERT_TRUE(f.IsOpen());
        ASSERT_TRUE(f.Write(text.data(), static_cast<std::int64_t>(text.size())));
    }
    static std::string Text(const std::string& path)
    {
        const auto bytes = testsupport::ReadBytes(path);
        return std::string(bytes.begin(), bytes.end());
    }
    static unsigned Mode(const std::string& path)
    {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
    }
};

}  // namespace

TEST_P(Replacement, CommitsWithTheTargetsModeFollowsLinksAndLeavesNothingElse)
{
    testsupport::ScratchDir dir;
    testsupport::WriteBytes(dir.File("old.spm"), {'o', 'l', 'd'});
    ASSERT_EQ(::chmod(dir.File("old.spm").c_str(), 0640), 0);
    ASSERT_EQ(::symlink("old.spm", dir.File("link.spm").c_str()), 0);
    {
        platform::FileReplacement r(dir.File("link.spm"));
        ASSERT_TRUE(r.Ready());
        EXPECT_EQ(r.Target(), dir.File("old.spm"));
        WriteThrough(r, "new content");
        if (GetParam()) {  // the unnamed temporary is in no listing
            EXPECT_EQ(dir.List(), (std::vector<std::string>{"link.spm", "old.spm"}));
        }
        EXPECT_EQ(Text(dir.File("old.spm")), "old");
        ASSERT_TRUE(r.Commit());
    }
    EXPECT_EQ(Text(dir.File("link.spm")), "new content");
    EXPECT_EQ(Mode(dir.File("old.spm")), 0640u);
    // A new file; an uncommitted replacement leaves the target as it was.
    {
        platform::FileReplacement r(dir.File("new.spm"));
        WriteThrough(r, "fresh");
        ASSERT_TRUE(r.Commit());
    }
    EXPECT_EQ(Text(dir.File("new.spm")), "fresh");
    {
        platform::FileReplacement r(dir.File("old.spm"));
        WriteThrough(r, "lost");
    }
    EXPECT_EQ(Text(dir.File("old.spm")), "new content");
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"link.spm", "new.spm", "old.spm"}));
    // A read-only target and a folder are refused.
    ASSERT_EQ(::chmod(dir.File("new.spm").c_str(), 0444), 0);
    EXPECT_FALSE(platform::FileReplacement(dir.File("new.spm")).Ready());
    EXPECT_FALSE(platform::FileReplacement(dir.Path()).Ready());
}

INSTANTIATE_TEST_SUITE_P(Roads, Replacement, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Unnamed" : "Named"; });

// A program killed while it writes a replacement leaves the target whole and nothing
// beside it.
TEST(Replacement, AKilledSaveLeavesNothingBesideTheTarget)
{
    testsupport::ScratchDir dir;
    testsupport::WriteBytes(dir.File("scan.spm"), {1, 2, 3});
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::FileReplacement r(dir.File("scan.spm"));
        File f(r.TempPath(), File::Mode::CreateReplace);
        const std::vector<char> block(1 << 20, 'x');
        const bool written = r.Ready() && f.Write(block.data(), static_cast<std::int64_t>(block.size()));
        const char answer = written ? 'w' : 'f';
        [[maybe_unused]] const auto n = ::write(ready[1], &answer, 1);
        for (;;)
            ::pause();  // killed before the commit
    }
    ::close(ready[1]);
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    ::close(ready[0]);
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(answer, 'w');
    EXPECT_EQ(dir.List(), std::vector<std::string>{"scan.spm"});
    EXPECT_EQ(testsupport::ReadBytes(dir.File("scan.spm")), (std::vector<std::uint8_t>{1, 2, 3}));
}

// The clean-up deletes only written files of the exact pattern that no running process
// holds: here this process holds one, the others were left by no one.
TEST(NumberedFiles, TheCleanUpDeletesOnlyUnheldFilesOfThePattern)
{
    testsupport::ScratchDir dir;
    const std::string own = platform::CreateNumberedFile(dir.Path(), "TMP", ".$$$");
    ASSERT_FALSE(own.empty());
    testsupport::WriteBytes(own, {1, 2, 3});  // written as a swap-out writes it, by its path
    const std::string ownName = platform::ExtractFileName(own);
    std::vector<std::string> left = {"TMP1.$$$", "TMP65535.$$$", "TMP700.$$$", "TMP701.$$$"};
    left.erase(std::remove(left.begin(), left.end(), ownName), left.end());
    const std::vector<std::string> others = {"TMP0.$$$", "TMP012.$$$", "TMP65536.$$$", "TMPx.$$$",
                                             "TMP5.$$$.bak", "tmp5.$$$", "TMP.$$$"};
    for (const auto& name : left)
        testsupport::WriteBytes(dir.File(name), {9});
    for (const auto& name : others)
        testsupport::WriteBytes(dir.File(name), {9});
    testsupport::WriteBytes(dir.File("TMP2.$$$"), {});  // empty: perhaps about to be held
    ASSERT_TRUE(platform::CreateFolder(dir.File("TMP9.$$$")));
    ASSERT_EQ(::symlink("TMP700.$$$", dir.File("TMP8.$$$").c_str()), 0);

    EXPECT_EQ(platform::RemoveUnownedNumberedFiles(dir.Path(), "TMP", ".$$$"), static_cast<int>(left.size()));
    std::vector<std::string> kept = others;
    kept.insert(kept.end(), {"TMP2.$$$", "TMP8.$$$", "TMP9.$$$", ownName});
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(dir.List(), kept);
    EXPECT_EQ(testsupport::ReadBytes(own), (std::vector<std::uint8_t>{1, 2, 3}));
    // Given up and left there (as by a program that ended), it goes like any other.
    ASSERT_TRUE(platform::DeleteNumberedFile(own));
    testsupport::WriteBytes(own, {4});
    EXPECT_EQ(platform::RemoveUnownedNumberedFiles(dir.Path(), "TMP", ".$$$"), 1);
    EXPECT_FALSE(platform::FileExists(own));
}
