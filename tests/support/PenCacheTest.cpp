#include <windows.h>

#include <gtest/gtest.h>

#include "PenCache.h"

namespace {

const COLORREF DarkGrey = RGB(27, 27, 27);
const COLORREF LightGrey = RGB(168, 168, 168);

bool IsLivePen(HPEN pen) {
    LOGPEN description;
    return GetObjectW(pen, sizeof description, &description) == sizeof description;
}

TEST(PenCache, CreatesSolidPensOneUnitWide) {
    const COLORREF colors[] = {DarkGrey, LightGrey, RGB(255, 0, 0)};
    for (COLORREF color : colors) {
        const ObjectId id = AcquirePen(color);
        ASSERT_NE(id, InvalidObjectId);
        LOGPEN description = {};
        ASSERT_EQ(GetObjectW(GetPen(id), sizeof description, &description),
                  static_cast<int>(sizeof description));
        EXPECT_EQ(description.lopnStyle, static_cast<UINT>(PS_SOLID));
        EXPECT_EQ(description.lopnWidth.x, 1);
        EXPECT_EQ(description.lopnColor, color);
        EXPECT_TRUE(ReleasePen(id));
    }
}

TEST(PenCache, SharesOnePenPerColour) {
    PenCache cache;
    const ObjectId dark = cache.Acquire(DarkGrey);
    const ObjectId light = cache.Acquire(LightGrey);
    EXPECT_NE(dark, light);
    EXPECT_EQ(cache.EntryCount(), 2u);
    EXPECT_EQ(cache.Acquire(DarkGrey), dark);
    EXPECT_EQ(cache.EntryCount(), 2u);

    const HPEN pen = cache.Get(dark);
    EXPECT_TRUE(cache.Release(dark));
    EXPECT_EQ(cache.Get(dark), pen);
    EXPECT_TRUE(IsLivePen(pen));
    EXPECT_TRUE(cache.Release(dark));
    EXPECT_EQ(cache.Get(dark), nullptr);
    EXPECT_FALSE(IsLivePen(pen));
    EXPECT_FALSE(cache.Release(dark));
    EXPECT_EQ(cache.EntryCount(), 1u);
}

TEST(PenCache, InvalidIdNamesNoPen) {
    const ObjectId held = AcquirePen(DarkGrey);
    ASSERT_NE(held, InvalidObjectId);
    EXPECT_EQ(GetPen(InvalidObjectId), nullptr);
    EXPECT_FALSE(ReleasePen(InvalidObjectId));
    EXPECT_EQ(GetPen(0), nullptr);
    EXPECT_FALSE(ReleasePen(0));
    EXPECT_TRUE(ReleasePen(held));
}

TEST(PenCache, ReleasingTheMiddleEntryKeepsTheOthers) {
    PenCache cache;
    const ObjectId ids[] = {cache.Acquire(RGB(1, 0, 0)), cache.Acquire(RGB(2, 0, 0)),
                            cache.Acquire(RGB(3, 0, 0))};
    const HPEN first = cache.Get(ids[0]);
    const HPEN last = cache.Get(ids[2]);

    EXPECT_TRUE(cache.Release(ids[1]));
    EXPECT_EQ(cache.EntryCount(), 2u);
    EXPECT_EQ(cache.Get(ids[0]), first);
    EXPECT_EQ(cache.Get(ids[1]), nullptr);
    EXPECT_EQ(cache.Get(ids[2]), last);
    EXPECT_EQ(cache.Acquire(RGB(1, 0, 0)), ids[0]);
    EXPECT_EQ(cache.Acquire(RGB(3, 0, 0)), ids[2]);
}

TEST(PenCache, DestructionDeletesPensStillHeld) {
    HPEN pen = nullptr;
    {
        PenCache cache;
        const ObjectId id = cache.Acquire(RGB(9, 9, 9));
        cache.Acquire(RGB(9, 9, 9));
        pen = cache.Get(id);
        ASSERT_TRUE(IsLivePen(pen));
    }
    EXPECT_FALSE(IsLivePen(pen));
}

}  // namespace
