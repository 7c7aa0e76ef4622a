#pragma once
// Movable memory blocks (zero-filled unless made for overwriting) with a nesting lock count, in
// place of the kernel's global memory handles that hold channel matrices and profile buffers.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

//! A block of memory (zero-filled unless made for overwriting) whose address is valid
//! only while it is locked. Locks nest: the pointer stays valid until the last matching unlock.
class MemoryBlock {
public:
    //! Allocates `bytes` zero-filled bytes; nullptr when the memory cannot be had.
    static std::unique_ptr<MemoryBlock> Allocate(std::size_t bytes);
    //! Allocates `bytes` bytes left as they come, for a caller that writes every one of them
    //! before anything reads them (a copy, so that the memory is touched once); nullptr when
    //! the memory cannot be had.
    static std::unique_ptr<MemoryBlock> AllocateForOverwrite(std::size_t bytes);

    ~MemoryBlock();
    MemoryBlock(const MemoryBlock&) = delete;
    MemoryBlock& operator=(const MemoryBlock&) = delete;

    //! Raises the lock count and returns the block's address.
    void* Lock();
    //! Lowers the lock count (never below 0); true while the block is still locked.
    bool Unlock();
    //! The current number of unmatched locks.
    int LockCount() const { return locks_; }
    //! The block's size in bytes.
    std::size_t Size() const { return size_; }
    //! The address without touching the lock count (for the owner's bulk work).
    void* Address() const { return data_; }

private:
    MemoryBlock(void* data, std::size_t size) : data_(data), size_(size) {}
    //! The block over the allocation p of `bytes` (freed when the block cannot be made).
    static std::unique_ptr<MemoryBlock> Wrap(void* p, std::size_t bytes);
    void* data_;
    std::size_t size_;
    int locks_ = 0;
};

//! The physical memory, in bytes, that the program can still fill without the system
//! running out: what the kernel reports as available (MemAvailable: free memory and what
//! it can reclaim), no more than the room left under the control group's memory limit;
//! the machine's whole physical memory when the report cannot be read, -1 when nothing is
//! known. Not what an allocation would be promised, which may be far more.
std::int64_t AvailablePhysicalMemory();
//! Makes AvailablePhysicalMemory answer `bytes` from now on; -1 restores the real query.
//! For tests of the callers' answers to a machine with little memory.
void SetAvailablePhysicalMemoryForTesting(std::int64_t bytes);

}  // namespace platform
