#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <malloc.h>
#include <new>

#include "platform/core/Memory.h"

using platform::MemoryBlock;

TEST(MemoryBlock, IsZeroFilledAndLocksNest)
{
    auto block = MemoryBlock::Allocate(4096);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->Size(), 4096u);
    auto* p = static_cast<std::uint8_t*>(block->Lock());
    for (int i = 0; i < 4096; ++i)
        ASSERT_EQ(p[i], 0) << i;
    EXPECT_EQ(block->Lock(), p);
    EXPECT_TRUE(block->Unlock());   // one lock left
    EXPECT_FALSE(block->Unlock());  // now unlocked
    EXPECT_FALSE(block->Unlock());  // never below zero
    EXPECT_EQ(block->LockCount(), 0);
}

TEST(MemoryBlock, ZeroBytesStillHasAnAddressAndImpossibleSizesFail)
{
    auto empty = MemoryBlock::Allocate(0);
    ASSERT_TRUE(empty);
    EXPECT_NE(empty->Lock(), nullptr);
    EXPECT_FALSE(MemoryBlock::Allocate(SIZE_MAX / 2));
}

namespace {
// Armed by a test: the next allocation through the non-throwing operator new fails.
std::atomic<bool> failNextNothrowNew{false};
}  // namespace

void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept
{
    if (failNextNothrowNew.exchange(false))
        return nullptr;
    try {
        return ::operator new(bytes);
    } catch (...) {
        return nullptr;
    }
}

// When the block's memory was had but its wrapper was not, the memory goes back: the
// sanitizer build's leak check sees a leak otherwise, and so does the heap's count of
// mapped bytes here.
TEST(MemoryBlock, AFailedWrapperGivesItsMemoryBack)
{
    constexpr std::size_t bytes = std::size_t{64} << 20;
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
    const std::size_t before = mallinfo2().hblkhd;
#endif
    failNextNothrowNew = true;
    EXPECT_FALSE(MemoryBlock::Allocate(bytes));
    EXPECT_FALSE(failNextNothrowNew.load());
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(mallinfo2().hblkhd, before + bytes / 2);
#endif
    EXPECT_TRUE(MemoryBlock::Allocate(bytes));
}
