// Runs in its own executable: it replaces the global allocator to make one allocation fail.
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include <gtest/gtest.h>

#include "RegistryBlock.h"
#include "WindowTestSupport.h"

namespace {
// The next allocation of exactly this many bytes throws; 0 disarms.
std::size_t failingAllocationSize = 0;
}  // namespace

void* operator new(std::size_t size) {
    if (size != 0 && size == failingAllocationSize) {
        failingAllocationSize = 0;
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size != 0 ? size : 1)) {
        return memory;
    }
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace {

TEST(KvWndRegistryAllocation, AFailedBlockLeavesTheConstructorAndTheRegistryUsable) {
    std::vector<std::unique_ptr<RecordingWindow>> windows;
    for (int i = 0; i < static_cast<int>(RegistryBlock::SlotCount); ++i) {
        windows.push_back(std::make_unique<RecordingWindow>());
    }
    failingAllocationSize = sizeof(RegistryBlock);
    EXPECT_THROW(RecordingWindow overflow, std::bad_alloc);
    ASSERT_EQ(0u, failingAllocationSize) << "the block allocation was not the one that failed";
    EXPECT_TRUE(RegistryLockIsFree());
    EXPECT_EQ(1u, WindowRegistry::BlockCountForTesting());

    RecordingWindow later;
    EXPECT_EQ(static_cast<long>(RegistryBlock::SlotCount),
              WindowRegistry::SlotIndexForTesting(&later));
}

}  // namespace
