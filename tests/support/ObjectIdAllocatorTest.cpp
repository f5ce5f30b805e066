#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "ObjectIdAllocator.h"
#include "OtherThread.h"

namespace {

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
        ObjectIdAllocator allocator(c.start);
        std::vector<ObjectId> ids;
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            ids.push_back(allocator.Next());
        }
        EXPECT_EQ(ids, c.expected) << "starting at " << std::hex << c.start;
    }
}

TEST(ObjectIdAllocator, CountsUpFromOneAndLeavesTheLockFree) {
    ObjectIdAllocator allocator;
    for (ObjectId expected = 1; expected <= 1000; ++expected) {
        ASSERT_EQ(allocator.Next(), expected);
    }
    // A call that forgot to release would leave this thread owning the lock; the mutex would
    // not notice on this thread, but another one would wait for good.
    ObjectId fromOtherThread = 0;
    EXPECT_TRUE(RunOnOtherThread([&] { fromOtherThread = allocator.Next(); }, 10000));
    EXPECT_EQ(fromOtherThread, 1001u);
}

}  // namespace
