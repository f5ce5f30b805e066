#include <stdexcept>

#include <gtest/gtest.h>

#include "MutexLock.h"
#include "MutexLockGuard.h"
#include "OtherThread.h"

namespace {

enum class WayOut { Normal, Early, Exception };

// A guarded operation in the shape the program uses: it records what another thread sees while
// the guard is held, then leaves by the given way.
int GuardedOperation(MutexLock& lock, WayOut wayOut, DWORD& probeInside) {
    MutexLockGuard guard(lock);
    probeInside = ProbeMutexFromOtherThread(lock.Handle());
    if (wayOut == WayOut::Early) {
        return 1;
    }
    if (wayOut == WayOut::Exception) {
        throw std::runtime_error("leaving through an exception");
    }
    return 2;
}

TEST(MutexLock, CreatesOnConstructionAndClosesToNull) {
    MutexLock lock;
    ASSERT_NE(lock.Handle(), nullptr);
    lock.Close();
    EXPECT_EQ(lock.Handle(), nullptr);
    lock.Create();
    EXPECT_NE(lock.Handle(), nullptr);
}

TEST(MutexLock, HeldLockAloneIsSeenFromAnotherThreadUntilReleased) {
    MutexLock lock;
    MutexLock other;
    EXPECT_EQ(ProbeMutexFromOtherThread(lock.Handle()), WAIT_OBJECT_0);
    lock.Acquire();
    EXPECT_EQ(ProbeMutexFromOtherThread(lock.Handle()), WAIT_TIMEOUT);
    EXPECT_EQ(ProbeMutexFromOtherThread(other.Handle()), WAIT_OBJECT_0);
    lock.Release();
    EXPECT_EQ(ProbeMutexFromOtherThread(lock.Handle()), WAIT_OBJECT_0);
}

TEST(MutexLockGuard, ReleasesOnEveryWayOut) {
    const WayOut ways[] = {WayOut::Normal, WayOut::Early, WayOut::Exception};
    for (WayOut way : ways) {
        SCOPED_TRACE(static_cast<int>(way));
        MutexLock lock;
        DWORD probeInside = WAIT_FAILED;
        if (way == WayOut::Exception) {
            EXPECT_THROW(GuardedOperation(lock, way, probeInside), std::runtime_error);
        } else {
            EXPECT_EQ(GuardedOperation(lock, way, probeInside), way == WayOut::Early ? 1 : 2);
        }
        EXPECT_EQ(probeInside, WAIT_TIMEOUT);
        EXPECT_EQ(ProbeMutexFromOtherThread(lock.Handle()), WAIT_OBJECT_0);
    }
}

}  // namespace
