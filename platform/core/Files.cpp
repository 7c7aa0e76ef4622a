#include "Files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <climits>
#include <new>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <mutex>
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
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::Read: break;
    case Mode::CreateReplace: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
    case Mode::CreateNew: flags |= O_WRONLY | O_CREAT | O_EXCL; break;
    case Mode::Append: flags |= O_WRONLY | O_CREAT | O_APPEND; break;
    }
    do {
        fd_ = ::open(path.c_str(), flags, 0644);
    } while (fd_ < 0 && errno == EINTR);
    return fd_ >= 0;
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
}  // namespace

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
    const std::string folder = slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
    for (int tries = 0; tries < 100; ++tries) {
        const unsigned n = replacementCounter.fetch_add(1) * 2654435761u ^
                           static_cast<unsigned>(::getpid()) * 40503u ^
                           static_cast<unsigned>(std::time(nullptr));
        char name[24];
        std::snprintf(name, sizeof name, ".mv%06x.tmp", n & 0xFFFFFFu);
        const std::string candidate = folder + name;
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
    if (!temp_.empty())
        ::unlink(temp_.c_str());
}

bool FileReplacement::Commit()
{
    if (temp_.empty())
        return false;
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
}  // namespace

std::string CreateNumberedFile(const std::string& folder, const std::string& prefix,
                               const std::string& suffix)
{
    for (unsigned tries = 0; tries < 65535; ++tries) {
        const std::string path = JoinPath(folder, prefix + std::to_string(NextNumber()) + suffix);
        File f;
        if (f.Open(path, File::Mode::CreateNew))
            return path;
        if (errno != EEXIST)
            return {};
    }
    return {};
}

}  // namespace platform
