#include <gtest/gtest.h>

#include <cstdint>

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
