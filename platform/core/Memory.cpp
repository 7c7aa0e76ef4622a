#include "Memory.h"

#include <cstdlib>
#include <new>

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

}  // namespace platform
