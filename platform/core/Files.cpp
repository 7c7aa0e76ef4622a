#include "Files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <climits>
#include <dirent.h>
#include <map>
#include <new>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

File::~File() { Close(); }

File::File(File&& other) noexcept
    : fd_(other.fd_), position_(other.position_), notRegular_(other.notRegular_)
{
    other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        position_ = other.position_;
        notRegular_ = other.notRegular_;
        other.fd_ = -1;
    }
    return *this;
}

namespace {

// Opens a file for reading without waiting in the opening (a FIFO with no writer would hold
// a blocking open for ever, a terminal would become the controlling one) and keeps the
// handle, back in blocking mode, only for a regular file. The handle or -1; `notRegular`
// tells that the path named something else; `info` gets the file's status.
int OpenRegularForReading(const std::string& path, bool& notRegular, struct stat& info)
{
    // What is plainly no regular file is not opened at all (opening a device may act on
    // it); the status of the opened handle decides, should the path change meanwhile.
    notRegular = ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
    if (notRegular)
        return -1;
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    const bool known = ::fstat(fd, &info) == 0;
    notRegular = known && !S_ISREG(info.st_mode);
    const int flags = known && !notRegular ? ::fcntl(fd, F_GETFL) : -1;
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

bool File::Open(const std::string& path, Mode mode)
{
    Close();
    position_ = 0;
    notRegular_ = false;
    if (mode == Mode::Read) {
        struct stat st {};
        fd_ = OpenRegularForReading(path, notRegular_, st);
        return fd_ >= 0;
    }
    // Writing never waits in the opening either: a FIFO without a reader would hold a
    // blocking open for ever, and one with a reader would take a report or a scan away. A
    // FIFO, folder or socket is refused; a device is written as it always was.
    const auto refused = [](const struct stat& info) {
        return S_ISFIFO(info.st_mode) || S_ISDIR(info.st_mode) || S_ISSOCK(info.st_mode);
    };
    struct stat st {};
    notRegular_ = ::stat(path.c_str(), &st) == 0 && refused(st);
    if (notRegular_)
        return false;
    int flags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    switch (mode) {
    case Mode::Read: break;
    case Mode::CreateReplace: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
    case Mode::CreateNew: flags |= O_WRONLY | O_CREAT | O_EXCL; break;
    case Mode::Append: flags |= O_WRONLY | O_CREAT | O_APPEND; break;
    }
    do {
        fd_ = ::open(path.c_str(), flags, 0644);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        // A FIFO that appeared after the look above answers ENXIO when no one reads it.
        notRegular_ = errno == ENXIO;
        return false;
    }
    const bool known = ::fstat(fd_, &st) == 0;
    notRegular_ = known && refused(st);
    const int kept = known && !notRegular_ ? ::fcntl(fd_, F_GETFL) : -1;
    if (kept < 0 || ::fcntl(fd_, F_SETFL, kept & ~O_NONBLOCK) != 0) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

std::int64_t File::Read(void* buffer, std::int64_t bytes)
{
    if (fd_ < 0 || bytes < 0)
        return -1;
    auto* p = static_cast<char*>(buffer);
    std::int64_t done = 0;
    while (done < bytes) {
        const std::int64_t chunk = std::min<std::int64_t>(bytes - done, 1 << 30);
        const ssize_t n = ::read(fd_, p + done, static_cast<size_t>(chunk));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        done += n;
    }
    position_ += done;
    return done;
}

bool File::ReadExact(void* buffer, std::int64_t bytes) { return Read(buffer, bytes) == bytes; }

namespace {
std::atomic<std::int64_t> writeLimit{-1};
}  // namespace

void SetWriteLimitForTesting(std::int64_t bytes) { writeLimit.store(bytes); }

bool File::Write(const void* buffer, std::int64_t bytes)
{
    if (fd_ < 0 || bytes < 0)
        return false;
    if (writeLimit.load() >= 0) {
        if (writeLimit.fetch_sub(bytes) < bytes) {
            writeLimit.store(0);
            return false;
        }
    }
    const auto* p = static_cast<const char*>(buffer);
    std::int64_t done = 0;
    while (done < bytes) {
        const std::int64_t chunk = std::min<std::int64_t>(bytes - done, 1 << 30);
        const ssize_t n = ::write(fd_, p + done, static_cast<size_t>(chunk));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return false;
        done += n;
        position_ += n;
    }
    return true;
}

bool File::Seek(std::int64_t offset)
{
    if (fd_ < 0 || offset < 0)
        return false;
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0)
        return false;
    position_ = offset;
    return true;
}

std::int64_t File::Size() const
{
    if (fd_ < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool File::Close()
{
    if (fd_ < 0)
        return true;
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0;
}

bool ReadRegularFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::uint64_t maxBytes)
{
    bool notRegular = false;
    struct stat st {};
    const int fd = OpenRegularForReading(path, notRegular, st);
    if (fd < 0)
        return false;
    bool ok = false;
    if (st.st_size >= 0 && static_cast<std::uint64_t>(st.st_size) <= maxBytes) {
        try {
            std::vector<std::uint8_t> content(static_cast<std::size_t>(st.st_size));
            std::size_t done = 0;
            ok = true;
            while (done < content.size()) {
                const ssize_t n = ::read(fd, content.data() + done, content.size() - done);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0) {
                    ok = false;
                    break;
                }
                if (n == 0)
                    break;  // the file became shorter while it was read
                done += static_cast<std::size_t>(n);
            }
            content.resize(done);
            if (ok)
                bytes = std::move(content);
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    ::close(fd);
    return ok;
}

bool IsRegularFile(const std::string& path)
{
    bool notRegular = false;
    struct stat st {};
    const int fd = OpenRegularForReading(path, notRegular, st);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool FileExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool FolderExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

std::string ExtractFileName(const std::string& path)
{
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool AppendToFile(const std::string& path, const std::string& bytes)
{
    File f;
    if (!f.Open(path, File::Mode::Append))
        return false;
    const bool written = f.Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    return f.Close() && written;
}

bool RenameFile(const std::string& from, const std::string& to)
{
    return ::rename(from.c_str(), to.c_str()) == 0;
}

namespace {
std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) : std::string("/tmp");
}

std::string WithSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}
}  // namespace

std::string WindowsFolder()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string folder = WithSlash(xdg && *xdg ? std::string(xdg) : HomeFolder() + "/.config");
    CreateFolder(folder.substr(0, folder.size() - 1));
    return folder;
}

std::string UserDataFolder()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    return WithSlash((xdg && *xdg ? std::string(xdg) : HomeFolder() + "/.local/share") + "/Morvane");
}

bool CreateFolder(const std::string& path)
{
    if (path.empty())
        return false;
    if (FolderExists(path))
        return true;
    std::string partial;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            partial = path.substr(0, i);
            if (!partial.empty() && !FolderExists(partial))
                ::mkdir(partial.c_str(), 0755);
        }
    }
    return FolderExists(path);
}

namespace {
std::mutex programFolderMutex;
std::string programFolderOverride;
}  // namespace

void SetProgramFolderForTesting(const std::string& folder)
{
    std::lock_guard<std::mutex> lock(programFolderMutex);
    programFolderOverride = folder.empty() || folder.back() == '/' ? folder : folder + "/";
}

std::string ProgramFolder()
{
    {
        std::lock_guard<std::mutex> lock(programFolderMutex);
        if (!programFolderOverride.empty())
            return programFolderOverride;
    }
    char buf[PATH_MAX + 1];
    const ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
    if (n <= 0)
        return "./";
    std::string exe(buf, static_cast<std::size_t>(n));
    const auto slash = exe.rfind('/');
    return slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    if (folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

bool FolderWritable(const std::string& folder)
{
    return FolderExists(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string ResolveLinks(const std::string& path)
{
    std::string current = path;
    // As the system does, a chain of more than 40 links counts as a circle.
    for (int depth = 0; depth <= 40; ++depth) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        std::vector<char> buffer(static_cast<std::size_t>(PATH_MAX) + 1);
        const ssize_t n = ::readlink(current.c_str(), buffer.data(), buffer.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size())
            return current;
        const std::string link(buffer.data(), static_cast<std::size_t>(n));
        if (link.front() == '/') {
            current = link;
        } else {
            const auto slash = current.rfind('/');
            current = (slash == std::string::npos ? std::string() : current.substr(0, slash + 1)) + link;
        }
    }
    return path;
}

namespace {
// Numbers for temporary names of replacements; apart from the swap files' counter.
std::atomic<unsigned> replacementCounter{0};
std::atomic<bool> unnamedTemporaries{true};

//! A fresh hidden name ".mvXXXXXX.tmp" in `folder` (with its separator, or "").
std::string TemporaryName(const std::string& folder)
{
    const unsigned n = replacementCounter.fetch_add(1) * 2654435761u ^
                       static_cast<unsigned>(::getpid()) * 40503u ^
                       static_cast<unsigned>(std::time(nullptr));
    char name[24];
    std::snprintf(name, sizeof name, ".mv%06x.tmp", n & 0xFFFFFFu);
    return folder + name;
}

//! Gives the file of an open handle the name `path`; false (errno set) when it cannot.
bool LinkHandle(int fd, const std::string& path)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    // Without /proc: the handle itself, where the process has the right to link it so.
    return ::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0;
}
}  // namespace

void SetUnnamedTemporariesForTesting(bool allowed) { unnamedTemporaries.store(allowed); }

FileReplacement::FileReplacement(const std::string& path) : target_(ResolveLinks(path))
{
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0) {
        // Only a regular file is replaced, and only one that its owner left writable.
        if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0 || ::access(target_.c_str(), W_OK) != 0)
            return;
        keepMode_ = true;
        mode_ = st.st_mode & 07777;
        owner_ = st.st_uid;
        group_ = st.st_gid;
    }
    const auto slash = target_.rfind('/');
    folder_ = slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
    if (unnamedTemporaries.load()) {
        // A file without a name in the target's folder: nothing of it outlives the process.
        const std::string where = folder_.empty() ? std::string(".") : folder_;
        do {
            handle_ = ::open(where.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0644);
        } while (handle_ < 0 && errno == EINTR);
        if (handle_ >= 0) {
            temp_ = "/proc/self/fd/" + std::to_string(handle_);
            struct stat self {};
            if (::stat(temp_.c_str(), &self) == 0)
                return;
            // No /proc to reach it by a path: the named road.
            ::close(handle_);
            handle_ = -1;
            temp_.clear();
        }
        // Refused (a file system without unnamed files, an older kernel): a named one.
    }
    for (int tries = 0; tries < 100; ++tries) {
        const std::string candidate = TemporaryName(folder_);
        int fd;
        do {
            fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0) {
            ::close(fd);
            temp_ = candidate;
            return;
        }
        if (errno != EEXIST)
            return;
    }
}

FileReplacement::~FileReplacement()
{
    if (handle_ >= 0)
        ::close(handle_);
    else if (!temp_.empty())
        ::unlink(temp_.c_str());
}

bool FileReplacement::Commit()
{
    if (temp_.empty())
        return false;
    if (handle_ >= 0)
        return CommitUnnamed();
    bool ok = false;
    const int fd = ::open(temp_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd >= 0) {
        ok = true;
        if (keepMode_) {
            // The owner can be kept only with the rights to do so; the permission bits always.
            [[maybe_unused]] const int owned = ::fchown(fd, owner_, group_);
            ok = ::fchmod(fd, static_cast<mode_t>(mode_)) == 0;
        }
        ok = ::fsync(fd) == 0 && ok;
        ok = ::close(fd) == 0 && ok;
    }
    if (ok)
        ok = ::rename(temp_.c_str(), target_.c_str()) == 0;
    if (!ok)
        ::unlink(temp_.c_str());
    temp_.clear();
    return ok;
}

bool FileReplacement::CommitUnnamed()
{
    bool ok = true;
    if (keepMode_) {
        [[maybe_unused]] const int owned = ::fchown(handle_, owner_, group_);
        ok = ::fchmod(handle_, static_cast<mode_t>(mode_)) == 0;
    }
    ok = ::fsync(handle_) == 0 && ok;
    if (ok) {
        // A target that is not there takes the name at once; one that is gets replaced by a
        // rename from a name of the temporary's own, which exists only for that moment.
        ok = !keepMode_ && LinkHandle(handle_, target_);
        for (int tries = 0; !ok && tries < 100; ++tries) {
            const std::string named = TemporaryName(folder_);
            if (LinkHandle(handle_, named)) {
                ok = ::rename(named.c_str(), target_.c_str()) == 0;
                if (!ok)
                    ::unlink(named.c_str());
                break;
            }
            if (errno != EEXIST)
                break;
        }
    }
    ok = ::close(handle_) == 0 && ok;
    handle_ = -1;
    temp_.clear();
    return ok;
}

namespace {
std::atomic<unsigned> swapCounter{1};

unsigned NextNumber()
{
    unsigned current = swapCounter.load();
    unsigned next;
    do {
        next = current >= 65535 ? 1 : current + 1;
    } while (!swapCounter.compare_exchange_weak(current, next));
    return current;
}

// A running program holds each of its numbered files by a write lock on the file's first
// byte through a handle that it keeps open until it deletes the file. Locks of open file
// descriptions belong to that handle alone, so that the format functions may open and
// close the file meanwhile; without them (kernels before 3.15) nothing can tell whose a
// file is, and the clean-up leaves every file alone.
enum class TMark { Taken, Busy, Unavailable };

TMark SetMark(int fd, short type, bool wait)
{
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 1;
    int rc;
    do {
        rc = ::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0)
        return TMark::Taken;
    return errno == EAGAIN || errno == EACCES ? TMark::Busy : TMark::Unavailable;
}

struct TNumberMarks {
    std::mutex Mutex;
    pid_t Process = 0;
    std::map<std::string, int> Held;  // path -> the handle whose lock holds the file
};

TNumberMarks& NumberMarks()
{
    static TNumberMarks* marks = new TNumberMarks;  // used until the very end
    return *marks;
}

//! The files this process holds. A child of fork shares its parent's handles and their
//! locks; it holds none of its own. Called with the mutex held.
std::map<std::string, int>& HeldFiles(TNumberMarks& marks)
{
    if (marks.Process != ::getpid()) {
        marks.Process = ::getpid();
        marks.Held.clear();
    }
    return marks.Held;
}

//! Lets the process keep as many handles as the system allows it: each swapped-out data
//! set holds one. True when the limit could be raised.
bool RaiseHandleLimit()
{
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max)
        return false;
    limit.rlim_cur = limit.rlim_max;
    return ::setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

//! N of a name prefix + N + suffix (decimal, 1 to 65535, no leading zero); 0 otherwise.
unsigned NumberOfName(const std::string& name, const std::string& prefix, const std::string& suffix)
{
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return 0;
    const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.size() > 5 || digits[0] == '0' ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    const unsigned n = static_cast<unsigned>(std::stoul(digits));
    return n <= 65535 ? n : 0;
}
}  // namespace

std::string CreateNumberedFile(const std::string& folder, const std::string& prefix,
                               const std::string& suffix)
{
    TNumberMarks& marks = NumberMarks();
    std::lock_guard<std::mutex> guard(marks.Mutex);
    auto& held = HeldFiles(marks);
    bool raised = false;
    for (unsigned tries = 0; tries < 65535; ++tries) {
        const std::string path = JoinPath(folder, prefix + std::to_string(NextNumber()) + suffix);
        int fd;
        do {
            fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0 && errno == EMFILE && !raised) {
            raised = true;
            if (RaiseHandleLimit())
                continue;
        }
        if (fd < 0) {
            if (errno != EEXIST)
                return {};
            continue;
        }
        // Empty until the lock is held, which a clean-up running elsewhere waits out (it
        // deletes no empty file and holds the lock only while it looks).
        if (SetMark(fd, F_WRLCK, true) == TMark::Taken) {
            held[path] = fd;
        } else {
            ::close(fd);
        }
        return path;
    }
    return {};
}

bool DeleteNumberedFile(const std::string& path)
{
    const bool deleted = ::unlink(path.c_str()) == 0;
    TNumberMarks& marks = NumberMarks();
    std::lock_guard<std::mutex> guard(marks.Mutex);
    auto& held = HeldFiles(marks);
    if (auto it = held.find(path); it != held.end()) {
        ::close(it->second);  // after the unlink: no one sees the file unheld
        held.erase(it);
    }
    return deleted;
}

int RemoveUnownedNumberedFiles(const std::string& folder, const std::string& prefix,
                               const std::string& suffix)
{
    std::vector<std::string> found;
    if (DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (NumberOfName(entry->d_name, prefix, suffix) != 0)
                found.push_back(JoinPath(folder, entry->d_name));
        ::closedir(dir);
    }
    int removed = 0;
    for (const std::string& path : found) {
        struct stat named {};
        if (::lstat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode))
            continue;  // a link, a folder or a device is never opened
        int fd;
        do {
            fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0)
            continue;  // replaced by a link meanwhile, or someone else's: not ours to judge
        struct stat st {};
        // A handle of its own: its lock meets this process's holds as another's would.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && SetMark(fd, F_WRLCK, false) == TMark::Taken) {
            // Unheld and written to: what a program that ended left. An empty one may be
            // a file that its maker is about to hold; and the name must still be this file's
            // (another clean-up may have deleted it, and a new one taken the name).
            struct stat now {};
            if (::fstat(fd, &st) == 0 && st.st_size > 0 && ::lstat(path.c_str(), &now) == 0 &&
                now.st_dev == st.st_dev && now.st_ino == st.st_ino && ::unlink(path.c_str()) == 0)
                ++removed;
        }
        ::close(fd);
    }
    return removed;
}

}  // namespace platform
