#pragma once
// Files by handle and the few folder services the data model needs.

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

//! A file opened by handle. Closed on destruction on every path.
class File {
public:
    enum class Mode {
        Read,           //!< existing file, shared read access
        CreateReplace,  //!< create, or truncate an existing file
        CreateNew,      //!< create exclusively; fails when the file exists
        Append          //!< write at the end, creating the file when missing
    };

    File() = default;
    File(const std::string& path, Mode mode) { Open(path, mode); }
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;

    //! Opens the file; false when it cannot be opened or created. No mode waits in the
    //! opening. Mode::Read opens only a regular file: a folder, FIFO, device or socket is
    //! refused (NotRegular() then tells so); the writing modes refuse a folder, FIFO or
    //! socket the same way.
    bool Open(const std::string& path, Mode mode);
    bool IsOpen() const { return fd_ >= 0; }
    //! True when the last Open refused what the path named (something other than a file).
    bool NotRegular() const { return notRegular_; }
    //! Reads up to `bytes` bytes; the count read (less at the end of the file), -1 on error.
    std::int64_t Read(void* buffer, std::int64_t bytes);
    //! Reads exactly `bytes` bytes; false when fewer could be read.
    bool ReadExact(void* buffer, std::int64_t bytes);
    //! Writes all `bytes` bytes; false on any failure.
    bool Write(const void* buffer, std::int64_t bytes);
    //! Moves to an absolute offset.
    bool Seek(std::int64_t offset);
    //! Moves forward by `bytes` from the current position.
    bool Skip(std::int64_t bytes) { return Seek(position_ + bytes); }
    std::int64_t Position() const { return position_; }
    //! The file's size in bytes, -1 when unknown.
    std::int64_t Size() const;
    //! Closes the handle; false when closing reported an error.
    bool Close();

private:
    int fd_ = -1;
    std::int64_t position_ = 0;
    bool notRegular_ = false;
};

//! Reads the whole of a regular file into `bytes`. False when the path names no regular
//! file (a folder, a FIFO or a device is never read, so nothing waits for a writer), when
//! the file is larger than `maxBytes`, or when it cannot be read.
bool ReadRegularFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::uint64_t maxBytes);
//! True when the path names a regular file (links followed), found without waiting on a
//! FIFO or device; for readers that open the file by name themselves afterwards.
bool IsRegularFile(const std::string& path);

bool FileExists(const std::string& path);
//! Appends the bytes to the file, creating it when missing (text reports are appended so);
//! false, with nothing written, when the file cannot be opened, and false when a write fails.
bool AppendToFile(const std::string& path, const std::string& bytes);
bool FolderExists(const std::string& path);
bool DeleteFile(const std::string& path);
//! The name part of a path: what follows its last '/' or '\\' (the whole path without one).
std::string ExtractFileName(const std::string& path);
//! Puts `from` in the place of `to`, replacing it in one step.
bool RenameFile(const std::string& from, const std::string& to);
//! The folder that stands in for the Windows folder: the user's configuration folder
//! ($XDG_CONFIG_HOME, else ~/.config), created when missing; with a trailing separator.
std::string WindowsFolder();
//! The user's own data folder for Morvane ($XDG_DATA_HOME/Morvane, else
//! ~/.local/share/Morvane); with a trailing separator, not created.
std::string UserDataFolder();
//! Makes every later File::Write fail once `bytes` more bytes have been written by the
//! process; -1 lifts the limit. For tests of failing writes.
void SetWriteLimitForTesting(std::int64_t bytes);
//! Creates a folder (and its missing parents); true when it exists afterwards.
bool CreateFolder(const std::string& path);
//! The folder of the running program, with a trailing separator.
std::string ProgramFolder();
//! Makes ProgramFolder answer `folder` (with a trailing separator added) from now on, so
//! that a test gets working and plug-in folders of its own; "" restores the real folder.
void SetProgramFolderForTesting(const std::string& folder);
//! Joins a folder and a name with one separator.
std::string JoinPath(const std::string& folder, const std::string& name);
//! True when files can be created in the folder.
bool FolderWritable(const std::string& folder);

//! The file a path names once symbolic links are followed (also a link whose target does
//! not exist yet); the path itself when it is no link or the links go round in a circle.
std::string ResolveLinks(const std::string& path);

//! Writing a file in the place of another in one step, so that a failed write never
//! destroys what was there. The new content goes to a temporary file beside the target
//! (symbolic links followed, so the link stays and its target is replaced); Commit puts it
//! in the target's place with the target's permission bits. Where the file system allows
//! it the temporary has no name until Commit links it in, so that nothing is left behind
//! even when the program is killed while it writes; elsewhere it is a hidden file with a
//! short name of its own. An uncommitted temporary is removed on destruction.
class FileReplacement {
public:
    //! Prepares the replacement of `path`. Not Ready() when the target exists but is
    //! read-only (not writable, or without any write permission bit) or is no regular
    //! file, or when no temporary can be created beside it.
    explicit FileReplacement(const std::string& path);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    bool Ready() const { return !temp_.empty(); }
    //! Where to write the new content (an empty, existing file that this process may open
    //! by the path, also for writing with truncation); "" when not Ready(). An unnamed
    //! temporary is reached through the process's own handle ("/proc/self/fd/N").
    const std::string& TempPath() const { return temp_; }
    //! The file that is replaced: the path with its links followed.
    const std::string& Target() const { return target_; }
    //! Flushes the temporary to the disk and puts it in the target's place; false (and the
    //! temporary removed) when that fails.
    bool Commit();

private:
    bool CommitUnnamed();

    std::string target_;
    std::string folder_;  //!< the target's folder, with a trailing separator or ""
    std::string temp_;
    int handle_ = -1;     //!< the unnamed temporary; -1 for a named one
    bool keepMode_ = false;
    unsigned mode_ = 0;
    unsigned owner_ = 0;
    unsigned group_ = 0;
};

//! false makes every later FileReplacement write a named temporary, as on a file system
//! that refuses unnamed ones; true restores the usual choice. For tests of both roads.
void SetUnnamedTemporariesForTesting(bool allowed);

//! Creates a new empty file named prefix + N + suffix in `folder`, N drawn from one
//! process-wide 16-bit counter that starts at 1 and follows 65535 with 1. Names that
//! exist already are skipped; creation is exclusive. The process holds the file (a lock
//! on it, through a handle kept open) until DeleteNumberedFile or its end, so that
//! RemoveUnownedNumberedFiles of another process leaves it alone. The path, or "" when
//! every number is taken or the folder cannot be written.
std::string CreateNumberedFile(const std::string& folder, const std::string& prefix,
                               const std::string& suffix);
//! Deletes a file; one that CreateNumberedFile made is given up. False when it could not
//! be deleted.
bool DeleteNumberedFile(const std::string& path);
//! Deletes the regular files prefix + N + suffix (N from 1 to 65535 in decimal, no
//! leading zero) of `folder` that no running process holds and that hold data: what
//! programs that were killed left behind. Links, folders, empty files and files that
//! cannot be opened for writing stay, and so does every file where the system has no
//! locks to tell. The count of files deleted.
int RemoveUnownedNumberedFiles(const std::string& folder, const std::string& prefix,
                               const std::string& suffix);

}  // namespace platform
