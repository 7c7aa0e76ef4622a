#pragma once
// What the format fuzz targets share: an in-memory file that the format functions open by
// path, the tables they fill, and the checks of what a loader delivered.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "data/FormatTables.h"
#include "data/Fileformat.h"

namespace fuzzsupport {

using formattables::Tables;

//! A memfd opened by path through /proc/self/fd; lives for the whole run.
class MemoryFile {
public:
    explicit MemoryFile(const char* name) : fd_(memfd_create(name, 0))
    {
        if (fd_ < 0)
            std::abort();
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~MemoryFile() { ::close(fd_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    //! Replaces the content with `size` bytes.
    void Fill(const std::uint8_t* data, std::size_t size)
    {
        if (::ftruncate(fd_, 0) != 0)
            std::abort();
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0)
                std::abort();
            done += static_cast<std::size_t>(n);
        }
    }
    const char* Path() const { return path_.c_str(); }

private:
    int fd_;
    std::string path_;
};

//! Stops the run when a reported channel lacks any of its values or markers.
inline void CheckDelivered(const Tables& t, const ChannelSet& answer)
{
    for (int c = 0; c < ChannelCount; ++c) {
        if (!answer.Contains(c))
            continue;
        if (t.Samples(c) <= 0 || !t.arrays.Values[c] || t.arrays.ValueCount(c) < t.Samples(c))
            __builtin_trap();
        if (answer.Contains(MarkersChannel) && t.arrays.Counts[c] != 0 &&
            (t.arrays.Counts[c] < 0 || !t.arrays.Markers[c]))
            __builtin_trap();
    }
}

//! Stops the run unless both tables hold the same headers and values (and markers, when
//! asked) for every channel of the set.
inline void CheckSame(const Tables& a, const Tables& b, const ChannelSet& channels, bool markers)
{
    for (int c = 0; c < ChannelCount; ++c) {
        if (!channels.Contains(c))
            continue;
        const std::int64_t n = a.Samples(c);
        if (std::memcmp(&a.headers[c], &b.headers[c], sizeof(TChannelHeader)) != 0 ||
            std::memcmp(a.arrays.Values[c], b.arrays.Values[c], std::size_t(n) * 4) != 0)
            __builtin_trap();
        if (markers) {
            const std::int32_t k = a.arrays.Counts[c];
            if (b.arrays.Counts[c] != k ||
                (k > 0 && std::memcmp(a.arrays.Markers[c], b.arrays.Markers[c],
                                      std::size_t(k) * sizeof(MarkerRecord)) != 0))
                __builtin_trap();
        }
    }
}

} // namespace fuzzsupport
