#pragma once
// Movable, zero-filled memory blocks with a nesting lock count, in place of the
// kernel's global memory handles that hold channel matrices and profile buffers.

#include <cstddef>
#include <memory>

namespace platform {

//! A zero-filled block of memory whose address is valid only while it is locked.
//! Locks nest: the pointer stays valid until the last matching unlock.
class MemoryBlock {
public:
    //! Allocates `bytes` zero-filled bytes; nullptr when the memory cannot be had.
    static std::unique_ptr<MemoryBlock> Allocate(std::size_t bytes);

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
    void* data_;
    std::size_t size_;
    int locks_ = 0;
};

}  // namespace platform
