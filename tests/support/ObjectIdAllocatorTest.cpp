#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "ObjectIdAllocator.h"
#include "OtherThread.h"

namespace {

TEST(ObjectIdAllocator, CountsUpFromOne) {
    ObjectIdAllocator::SetNextIdForTesting(1);
    EXPECT_EQ(ObjectIdAllocator::Next(), 1u);
    EXPECT_EQ(ObjectIdAllocator::Next(), 2u);
    EXPECT_EQ(ObjectIdAllocator::Next(), 3u);
}

TEST(ObjectIdAllocator, RestartsAtOneOnReachingTheInvalidId) {
    struct Case {
        std::uint32_t start;
        std::vector<ObjectId> expected;
    };
    const Case cases[] = {
        {0x7FFFFFFDu, {0x7FFFFFFDu, 0x7FFFFFFEu, 1u, 2u}},
        {0x7FFFFFFEu, {0x7FFFFFFEu, 1u}},
        {0x7FFFFFFFu, {1u, 2u}},
        {0x80000000u, {1u}},
        {0xFFFFFFFFu, {1u}},
    };
    for (const Case& c : cases) {
        ObjectIdAllocator::SetNextIdForTesting(c.start);
        std::vector<ObjectId> ids;
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            ids.push_back(ObjectIdAllocator::Next());
        }
        EXPECT_EQ(ids, c.expected) << "starting at " << std::hex << c.start;
    }
}

TEST(ObjectIdAllocator, ManyCallsLeaveTheLockFree) {
    ObjectIdAllocator::SetNextIdForTesting(1);
    for (ObjectId expected = 1; expected <= 1000; ++expected) {
        ASSERT_EQ(ObjectIdAllocator::Next(), expected);
    }
    // A call that forgot to release would leave this thread owning the lock; the mutex would
    // not notice on this thread, but another one would wait for good.
    ObjectId fromOtherThread = 0;
    EXPECT_TRUE(RunOnOtherThread(
        [&fromOtherThread] { fromOtherThread = ObjectIdAllocator::Next(); }, 10000));
    EXPECT_EQ(fromOtherThread, 1001u);
}

}  // namespace
