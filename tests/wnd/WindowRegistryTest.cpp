// The window registry, each test with a registry of its own. What the registry allocates is read
// from the checked build's heap; the order of its slots shows through FindByHwnd, which answers
// the first object of a handle.
#include <functional>
#include <memory>
#include <new>
#include <vector>

#include <gtest/gtest.h>

#include "CheckedHeap.h"
#include "OtherThread.h"
#include "RegistryBlock.h"
#include "WindowRegistry.h"

namespace {

constexpr int SlotsPerBlock = static_cast<int>(RegistryBlock::SlotCount);
// Long enough for any thread that is not stuck.
constexpr DWORD HangLimit = 10000;

// A window object with a chosen handle, for a registry of a test's own.
class FakeWindow final : public IKvWnd {
  public:
    explicit FakeWindow(HWND handle = nullptr) : handle_(handle) {}
    HWND GetHwnd() const override { return handle_; }

  private:
    HWND handle_;
};

// Returns a distinct handle value that names no real window.
HWND FakeHandle(int i) {
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(0x40000 + 4 * i));
}

using Fakes = std::vector<std::unique_ptr<FakeWindow>>;

// Makes `count` window objects with the handles FakeHandle(0) and on.
Fakes MakeFakes(int count) {
    Fakes fakes;
    for (int i = 0; i < count; ++i) {
        fakes.push_back(std::make_unique<FakeWindow>(FakeHandle(i)));
    }
    return fakes;
}

bool RegisterAll(WindowRegistry& registry, const Fakes& fakes) {
    for (const auto& fake : fakes) {
        if (!registry.Register(fake.get())) {
            return false;
        }
    }
    return true;
}

std::uint64_t LiveBlocks() {
    return CheckedHeap::CurrentStatistics().liveBlocks;
}

// Returns true when another thread can look a handle up at once: a lock left taken by this
// thread would keep it waiting.
bool LockIsFree(WindowRegistry& registry) {
    return RunOnOtherThread([&registry] { registry.FindByHwnd(FakeHandle(1)); }, HangLimit);
}

TEST(KvWndRegistry, TheFirstBlockHoldsTheFirst254ObjectsAndThe255thAllocatesASecond) {
    WindowRegistry registry;
    const Fakes fakes = MakeFakes(SlotsPerBlock);
    FakeWindow last(FakeHandle(SlotsPerBlock));
    const std::uint64_t before = CheckedHeap::CurrentStatistics().allocations;
    ASSERT_TRUE(RegisterAll(registry, fakes));
    EXPECT_EQ(CheckedHeap::CurrentStatistics().allocations, before);
    ASSERT_TRUE(registry.Register(&last));
    EXPECT_EQ(CheckedHeap::CurrentStatistics().allocations, before + 1);
    for (const auto& fake : fakes) {
        EXPECT_EQ(registry.FindByHwnd(fake->GetHwnd()), fake.get());
    }
    EXPECT_EQ(registry.FindByHwnd(last.GetHwnd()), &last);
}

TEST(KvWndRegistry, AFreedSlotIsReusedBeforeLaterOnes) {
    WindowRegistry registry;
    const Fakes fakes = MakeFakes(SlotsPerBlock + 2);
    ASSERT_TRUE(RegisterAll(registry, fakes));
    ASSERT_TRUE(registry.Unregister(fakes[7].get()));
    // The newcomer shares the handle of the last object, in the second block: it is found first
    // only when it took the freed slot of the first block.
    FakeWindow newcomer(fakes.back()->GetHwnd());
    ASSERT_TRUE(registry.Register(&newcomer));
    EXPECT_EQ(registry.FindByHwnd(newcomer.GetHwnd()), &newcomer);
}

TEST(KvWndRegistry, EmptiedLaterBlocksAreFreedAndUnlinkedWhileTheFirstStays) {
    const std::uint64_t liveBefore = LiveBlocks();
    {
        WindowRegistry registry;
        const Fakes fakes = MakeFakes(2 * SlotsPerBlock + 1);
        const std::uint64_t liveWithFakes = LiveBlocks();
        ASSERT_TRUE(RegisterAll(registry, fakes));
        ASSERT_EQ(LiveBlocks(), liveWithFakes + 2) << "three blocks, two allocated";
        for (int i = SlotsPerBlock; i < 2 * SlotsPerBlock; ++i) {
            ASSERT_TRUE(registry.Unregister(fakes[i].get()));
        }
        EXPECT_EQ(LiveBlocks(), liveWithFakes + 1) << "the emptied second block is freed";
        EXPECT_EQ(registry.FindByHwnd(fakes.back()->GetHwnd()), fakes.back().get())
            << "the third block is still in the chain";
        for (int i = 0; i < SlotsPerBlock; ++i) {
            ASSERT_TRUE(registry.Unregister(fakes[i].get()));
        }
        EXPECT_EQ(LiveBlocks(), liveWithFakes + 1) << "the first block is never freed";
        // The registry, going, frees the block it still has.
    }
    EXPECT_EQ(LiveBlocks(), liveBefore);
}

TEST(KvWndRegistry, ABlockThatCannotBeAllocatedLeavesTheRegistryUsable) {
    WindowRegistry registry;
    const Fakes fakes = MakeFakes(SlotsPerBlock);
    FakeWindow last(FakeHandle(SlotsPerBlock));
    ASSERT_TRUE(RegisterAll(registry, fakes));
    const std::uint64_t before = CheckedHeap::CurrentStatistics().allocations;
    CheckedHeap::FailAllocationNumber(before + 1);
    EXPECT_THROW(registry.Register(&last), std::bad_alloc);
    CheckedHeap::FailAllocationNumber(0);
    ASSERT_EQ(CheckedHeap::CurrentStatistics().allocations, before + 1)
        << "the block's allocation was not the one that failed";
    EXPECT_TRUE(LockIsFree(registry));
    EXPECT_EQ(registry.FindByHwnd(last.GetHwnd()), nullptr);
    ASSERT_TRUE(registry.Register(&last));
    EXPECT_EQ(registry.FindByHwnd(last.GetHwnd()), &last);
}

TEST(KvWndRegistry, NullAndUnknownObjectsAreRefused) {
    WindowRegistry registry;
    FakeWindow known(FakeHandle(1));
    FakeWindow unknown(FakeHandle(2));
    ASSERT_TRUE(registry.Register(&known));
    EXPECT_FALSE(registry.Register(nullptr));
    EXPECT_FALSE(registry.Unregister(&unknown));
    EXPECT_FALSE(registry.Unregister(nullptr));
    EXPECT_EQ(registry.FindByHwnd(FakeHandle(1)), &known);
    EXPECT_EQ(registry.FindByHwnd(FakeHandle(2)), nullptr);
    EXPECT_EQ(registry.FindByHwnd(nullptr), nullptr);
}

// A null object matches a free slot; removing it would lower the count of a block that still
// holds an object, and free that block with the object in it.
TEST(KvWndRegistry, UnregisteringNullKeepsAPartlyFreeBlock) {
    WindowRegistry registry;
    const Fakes fakes = MakeFakes(SlotsPerBlock + 2);
    ASSERT_TRUE(RegisterAll(registry, fakes));
    ASSERT_TRUE(registry.Unregister(fakes[SlotsPerBlock].get()));
    const std::uint64_t live = LiveBlocks();
    EXPECT_FALSE(registry.Unregister(nullptr));
    EXPECT_EQ(LiveBlocks(), live);
    EXPECT_EQ(registry.FindByHwnd(fakes.back()->GetHwnd()), fakes.back().get());
}

TEST(KvWndRegistry, EveryWayOutOfAnOperationReleasesTheLock) {
    WindowRegistry registry;
    FakeWindow first(FakeHandle(1));
    FakeWindow stranger(FakeHandle(2));
    ASSERT_TRUE(registry.Register(&first));
    const struct {
        const char* name;
        std::function<void()> operation;
    } cases[] = {
        {"register", [&] { registry.Register(&stranger); }},
        {"find in the first slot", [&] { registry.FindByHwnd(FakeHandle(1)); }},
        {"find nothing", [&] { registry.FindByHwnd(FakeHandle(9)); }},
        {"unregister", [&] { registry.Unregister(&stranger); }},
        {"unregister an unknown object", [&] { registry.Unregister(&stranger); }},
    };
    for (const auto& entry : cases) {
        entry.operation();
        EXPECT_TRUE(LockIsFree(registry)) << entry.name;
    }
}

// A window object whose GetHwnd, called under the registry's lock, waits until it is let go:
// the thread that called it holds the lock until then.
class StallingWindow final : public IKvWnd {
  public:
    StallingWindow()
        : entered_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          released_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~StallingWindow() {
        CloseHandle(entered_);
        CloseHandle(released_);
    }
    HWND GetHwnd() const override {
        SetEvent(entered_);
        WaitForSingleObject(released_, HangLimit);
        return nullptr;
    }
    bool WaitUntilEntered() const { return WaitForSingleObject(entered_, HangLimit) == 0; }
    void Release() const { SetEvent(released_); }

  private:
    HANDLE entered_;
    HANDLE released_;
};

DWORD WINAPI FindAHandle(LPVOID registry) {
    static_cast<WindowRegistry*>(registry)->FindByHwnd(FakeHandle(1));
    return 0;
}

// Nothing is registered under a null handle: a lookup of it answers at once, without waiting for
// a lock that another thread holds.
TEST(KvWndRegistry, ANullHandleFindsNothingWithoutWaitingForTheLock) {
    WindowRegistry registry;
    StallingWindow stalling;
    ASSERT_TRUE(registry.Register(&stalling));
    HANDLE holder = CreateThread(nullptr, 0, FindAHandle, &registry, 0, nullptr);
    ASSERT_NE(holder, nullptr);
    ASSERT_TRUE(stalling.WaitUntilEntered());
    IKvWnd* found = &stalling;
    EXPECT_TRUE(RunOnOtherThread([&] { found = registry.FindByHwnd(nullptr); }, HangLimit));
    EXPECT_EQ(found, nullptr);
    stalling.Release();
    WaitForSingleObject(holder, HangLimit);
    CloseHandle(holder);
}

}  // namespace
