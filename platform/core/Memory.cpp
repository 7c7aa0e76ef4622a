#include "Memory.h"

#include <cstdlib>
#include <new>

namespace platform {

std::unique_ptr<MemoryBlock> MemoryBlock::Allocate(std::size_t bytes)
{
    void* p = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (!p)
        return nullptr;
    return std::unique_ptr<MemoryBlock>(new (std::nothrow) MemoryBlock(p, bytes));
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
