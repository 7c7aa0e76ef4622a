#include "Memory.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>
#include <unistd.h>

namespace platform {

std::unique_ptr<MemoryBlock> MemoryBlock::Allocate(std::size_t bytes)
{
    return Wrap(std::calloc(bytes == 0 ? 1 : bytes, 1), bytes);
}

std::unique_ptr<MemoryBlock> MemoryBlock::AllocateForOverwrite(std::size_t bytes)
{
    return Wrap(std::malloc(bytes == 0 ? 1 : bytes), bytes);
}

std::unique_ptr<MemoryBlock> MemoryBlock::Wrap(void* p, std::size_t bytes)
{
    if (!p)
        return nullptr;
    auto* block = new (std::nothrow) MemoryBlock(p, bytes);
    if (!block)
        std::free(p);  // the block could not be wrapped: it is given back, not lost
    return std::unique_ptr<MemoryBlock>(block);
}

MemoryBlock::~MemoryBlock() { std::free(data_); }

void* MemoryBlock::Lock()
{
    ++locks_;
    return data_;
}

bool MemoryBlock::Unlock()
{
    if (locks_ > 0)
        --locks_;
    return locks_ > 0;
}

namespace {
std::atomic<std::int64_t> pretendedMemory{-1};

//! The value of a line "Name:   N kB" of /proc/meminfo in bytes; -1 when absent.
std::int64_t MemInfoBytes(const std::string& name)
{
    std::ifstream info("/proc/meminfo");
    std::string key;
    std::int64_t kilobytes = 0;
    std::string unit;
    while (info >> key >> kilobytes) {
        std::getline(info, unit);
        if (key == name + ":")
            return kilobytes * 1024;
    }
    return -1;
}

//! Room left under the memory limit of this process's control group (version 2); -1 when
//! the group has no limit or none can be read.
std::int64_t ControlGroupRoom()
{
    std::ifstream groups("/proc/self/cgroup");
    std::string line;
    while (std::getline(groups, line)) {
        if (line.rfind("0::", 0) != 0)
            continue;
        const std::string folder = "/sys/fs/cgroup" + line.substr(3);
        std::ifstream maxFile(folder + "/memory.max");
        std::ifstream currentFile(folder + "/memory.current");
        std::int64_t limit = 0, current = 0;
        if (maxFile >> limit && currentFile >> current)  // "max" reads as no number
            return std::max<std::int64_t>(0, limit - current);
    }
    return -1;
}
}  // namespace

void SetAvailablePhysicalMemoryForTesting(std::int64_t bytes) { pretendedMemory.store(bytes); }

std::int64_t AvailablePhysicalMemory()
{
    if (const std::int64_t pretended = pretendedMemory.load(); pretended >= 0)
        return pretended;
    std::int64_t available = MemInfoBytes("MemAvailable");
    if (available < 0) {
        const long pages = ::sysconf(_SC_PHYS_PAGES);
        const long pageSize = ::sysconf(_SC_PAGESIZE);
        if (pages > 0 && pageSize > 0)
            available = std::int64_t(pages) * pageSize;
    }
    const std::int64_t room = ControlGroupRoom();
    if (room >= 0 && (available < 0 || room < available))
        available = room;
    return available;
}

}  // namespace platform
