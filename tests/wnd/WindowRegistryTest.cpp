#include <functional>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "WindowTestSupport.h"

namespace {

constexpr int SlotsPerBlock = 254;

using FakeWindows = std::vector<std::unique_ptr<FakeWindow>>;

void AddFakes(FakeWindows& fakes, int count) {
    for (int i = 0; i < count; ++i) {
        fakes.push_back(std::make_unique<FakeWindow>(FakeHandle(static_cast<int>(fakes.size()))));
    }
}

TEST(KvWndRegistry, WindowObjectsFillTheFirstBlockInOrderAndThe255thOpensASecond) {
    std::vector<std::unique_ptr<RecordingWindow>> windows;
    for (int i = 0; i < SlotsPerBlock + 1; ++i) {
        windows.push_back(std::make_unique<RecordingWindow>());
        ASSERT_EQ(i, WindowRegistry::SlotIndexForTesting(windows.back().get()));
    }
    EXPECT_EQ(2u, WindowRegistry::BlockCountForTesting());
}

TEST(KvWndRegistry, AFreedFirstBlockSlotIsReusedBeforeLaterBlocks) {
    FakeWindows fakes;
    AddFakes(fakes, SlotsPerBlock + 2);
    fakes[7].reset();
    FakeWindow newcomer(FakeHandle(1000));
    EXPECT_EQ(7, WindowRegistry::SlotIndexForTesting(&newcomer));
    EXPECT_EQ(2u, WindowRegistry::BlockCountForTesting());
}

TEST(KvWndRegistry, EmptiedLaterBlocksAreUnlinkedAndTheFirstStays) {
    FakeWindows fakes;
    AddFakes(fakes, 2 * SlotsPerBlock + 1);
    ASSERT_EQ(3u, WindowRegistry::BlockCountForTesting());
    for (int i = SlotsPerBlock; i < 2 * SlotsPerBlock; ++i) {
        fakes[i].reset();
    }
    EXPECT_EQ(2u, WindowRegistry::BlockCountForTesting());
    const FakeWindow* last = fakes.back().get();
    EXPECT_EQ(last, WindowRegistry::FindByHwnd(last->GetHwnd()));
    EXPECT_EQ(SlotsPerBlock, WindowRegistry::SlotIndexForTesting(last));

    fakes.clear();
    EXPECT_EQ(1u, WindowRegistry::BlockCountForTesting()) << "the first block stays";
    FakeWindow newcomer(FakeHandle(1000));
    EXPECT_EQ(0, WindowRegistry::SlotIndexForTesting(&newcomer));
}

TEST(KvWndRegistry, NullAndUnknownObjectsAreRefused) {
    FakeWindow known(FakeHandle(1));
    FakeWindow unknown(FakeHandle(2));
    ASSERT_TRUE(WindowRegistry::Unregister(&unknown));
    EXPECT_FALSE(WindowRegistry::Register(nullptr));
    EXPECT_FALSE(WindowRegistry::Unregister(&unknown));
    EXPECT_FALSE(WindowRegistry::Unregister(nullptr));
    EXPECT_EQ(0, WindowRegistry::SlotIndexForTesting(&known));
}

// A null object matches a free slot; removing it would lower the count of a block that still
// holds an object, and free that block with the object in it.
TEST(KvWndRegistry, UnregisteringNullKeepsAPartlyFreeBlock) {
    FakeWindows fakes;
    AddFakes(fakes, SlotsPerBlock + 2);
    fakes[SlotsPerBlock].reset();
    EXPECT_FALSE(WindowRegistry::Unregister(nullptr));
    EXPECT_EQ(2u, WindowRegistry::BlockCountForTesting());
    EXPECT_EQ(fakes.back().get(), WindowRegistry::FindByHwnd(fakes.back()->GetHwnd()));
}

TEST(KvWndRegistry, ANullHandleFindsNothingAndLeavesTheLockAlone) {
    FakeWindow withoutWindow(nullptr);
    const unsigned long before = WindowRegistry::LockAcquisitionsForTesting();
    EXPECT_EQ(nullptr, WindowRegistry::FindByHwnd(nullptr));
    EXPECT_EQ(before, WindowRegistry::LockAcquisitionsForTesting());
    WindowRegistry::FindByHwnd(FakeHandle(1));
    EXPECT_EQ(before + 1, WindowRegistry::LockAcquisitionsForTesting());
}

TEST(KvWndRegistry, EveryWayOutOfAnOperationReleasesTheLock) {
    FakeWindow first(FakeHandle(1));
    FakeWindow stranger(FakeHandle(2));
    WindowRegistry::Unregister(&stranger);
    const struct {
        const char* name;
        std::function<void()> operation;
    } cases[] = {
        {"register", [&] { WindowRegistry::Register(&stranger); }},
        {"find in the first slot", [] { WindowRegistry::FindByHwnd(FakeHandle(1)); }},
        {"find nothing", [] { WindowRegistry::FindByHwnd(FakeHandle(9)); }},
        {"unregister", [&] { WindowRegistry::Unregister(&stranger); }},
        {"unregister an unknown object", [&] { WindowRegistry::Unregister(&stranger); }},
    };
    for (const auto& entry : cases) {
        entry.operation();
        EXPECT_TRUE(RegistryLockIsFree()) << entry.name;
    }
}

}  // namespace
