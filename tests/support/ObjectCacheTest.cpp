// The font and pen caches: what they share, as one typed test, and what each makes.
#include <string>

#include <windows.h>

#include <gtest/gtest.h>

#include "FontCache.h"
#include "PenCache.h"

namespace {

// What a test needs to know of a cache: a key for each number, and the type of its objects.
struct FontCaching {
    using Cache = FontCache;
    static constexpr DWORD kType = OBJ_FONT;
    static LOGFONTW Key(int n) {
        LOGFONTW description = BodyFontDescription();
        description.lfHeight = 20 + n;
        return description;
    }
};

struct PenCaching {
    using Cache = PenCache;
    static constexpr DWORD kType = OBJ_PEN;
    static COLORREF Key(int n) { return RGB(n, 7, 9); }
};

template <typename Caching>
class ObjectCache : public testing::Test {};

using Cachings = testing::Types<FontCaching, PenCaching>;
TYPED_TEST_SUITE(ObjectCache, Cachings);

TYPED_TEST(ObjectCache, SharesOneObjectPerKeyUntilTheLastRelease) {
    typename TypeParam::Cache cache;
    const ObjectId first = cache.Acquire(TypeParam::Key(1));
    const ObjectId other = cache.Acquire(TypeParam::Key(2));
    ASSERT_NE(first, InvalidObjectId);
    EXPECT_NE(first, other);
    EXPECT_EQ(cache.Acquire(TypeParam::Key(1)), first);
    EXPECT_EQ(cache.EntryCount(), 2u);

    const auto object = cache.Get(first);
    EXPECT_TRUE(cache.Release(first));
    EXPECT_EQ(cache.Get(first), object);
    EXPECT_EQ(GetObjectType(object), TypeParam::kType);
    EXPECT_TRUE(cache.Release(first));
    EXPECT_EQ(cache.Get(first), nullptr);
    EXPECT_EQ(GetObjectType(object), 0u) << "deleted";
    EXPECT_FALSE(cache.Release(first));
    EXPECT_EQ(cache.EntryCount(), 1u);
}

// A held object makes sure that the lookups fail on the id, not on an empty cache.
TYPED_TEST(ObjectCache, TheInvalidIdAndZeroNameNothing) {
    typename TypeParam::Cache cache;
    ASSERT_NE(cache.Acquire(TypeParam::Key(3)), InvalidObjectId);
    for (ObjectId id : {InvalidObjectId, ObjectId{0}}) {
        EXPECT_EQ(cache.Get(id), nullptr) << id;
        EXPECT_FALSE(cache.Release(id)) << id;
    }
}

TYPED_TEST(ObjectCache, ReleasingTheMiddleEntryKeepsTheOthers) {
    typename TypeParam::Cache cache;
    const ObjectId ids[] = {cache.Acquire(TypeParam::Key(4)), cache.Acquire(TypeParam::Key(5)),
                            cache.Acquire(TypeParam::Key(6))};
    const auto first = cache.Get(ids[0]);
    const auto last = cache.Get(ids[2]);
    EXPECT_TRUE(cache.Release(ids[1]));
    EXPECT_EQ(cache.EntryCount(), 2u);
    EXPECT_EQ(cache.Get(ids[0]), first);
    EXPECT_EQ(cache.Get(ids[1]), nullptr);
    EXPECT_EQ(cache.Get(ids[2]), last);
    EXPECT_EQ(cache.Acquire(TypeParam::Key(4)), ids[0]);
    // Asked for again, the released object is a new entry with a new id.
    const ObjectId again = cache.Acquire(TypeParam::Key(5));
    EXPECT_NE(again, ids[1]);
    EXPECT_EQ(cache.EntryCount(), 3u);
}

TYPED_TEST(ObjectCache, DestructionDeletesObjectsStillHeld) {
    HGDIOBJ object = nullptr;
    {
        typename TypeParam::Cache cache;
        const ObjectId id = cache.Acquire(TypeParam::Key(8));
        cache.Acquire(TypeParam::Key(8));
        object = cache.Get(id);
        ASSERT_EQ(GetObjectType(object), TypeParam::kType);
    }
    EXPECT_EQ(GetObjectType(object), 0u) << "deleted";
}

TEST(FontCache, ProgramFontsAreCreatedAsDescribed) {
    struct Case {
        ObjectId (*acquire)();
        LONG height;
        LONG weight;
        const wchar_t* face;
    };
    const Case cases[] = {
        {AcquireBodyFont, 12, FW_NORMAL, L"宋体"},
        {AcquireHeadingFont, 18, FW_BOLD, L"楷体"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.face)));
        const ObjectId id = c.acquire();
        ASSERT_NE(id, InvalidObjectId);
        LOGFONTW created = {};
        ASSERT_EQ(GetObjectW(GetFont(id), sizeof created, &created),
                  static_cast<int>(sizeof created));
        EXPECT_EQ(created.lfHeight, c.height);
        EXPECT_EQ(created.lfWidth, 0);
        EXPECT_EQ(created.lfWeight, c.weight);
        EXPECT_EQ(created.lfItalic, 0);
        EXPECT_EQ(created.lfCharSet, DEFAULT_CHARSET);
        EXPECT_EQ(created.lfOutPrecision, OUT_DEFAULT_PRECIS);
        EXPECT_EQ(created.lfQuality, DEFAULT_QUALITY);
        EXPECT_EQ(created.lfPitchAndFamily, DEFAULT_PITCH | FF_DONTCARE);
        EXPECT_EQ(std::wstring(created.lfFaceName), c.face);
        EXPECT_TRUE(ReleaseFont(id));
    }
}

TEST(FontCache, TheWholeDescriptionIsTheKey) {
    FontCache cache;
    const LOGFONTW plain = BodyFontDescription();
    // Characters after the face name's terminator are part of the key as well.
    LOGFONTW trailing = plain;
    trailing.lfFaceName[LF_FACESIZE - 1] = L'x';
    LOGFONTW bold = plain;
    bold.lfWeight = FW_BOLD;
    const ObjectId plainId = cache.Acquire(plain);
    const ObjectId trailingId = cache.Acquire(trailing);
    const ObjectId boldId = cache.Acquire(bold);
    EXPECT_NE(plainId, trailingId);
    EXPECT_NE(plainId, boldId);
    EXPECT_NE(trailingId, boldId);
    EXPECT_EQ(cache.Acquire(plain), plainId);
    EXPECT_EQ(cache.EntryCount(), 3u);
}

TEST(PenCache, MakesSolidPensOneUnitWide) {
    for (COLORREF color : {RGB(27, 27, 27), RGB(168, 168, 168), RGB(255, 0, 0)}) {
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

// Descriptions and a colour that no other test holds, so that each acquisition takes a new id.
TEST(FontCache, FontsAndPensShareTheNumbering) {
    const ObjectId first = AcquireFont(FontCaching::Key(21));
    const ObjectId second = AcquireFont(FontCaching::Key(22));
    const ObjectId pen = AcquirePen(PenCaching::Key(23));
    ASSERT_NE(first, InvalidObjectId);
    EXPECT_EQ(second, first + 1);
    EXPECT_EQ(pen, first + 2);
    // The numbering is shared, the entries are not.
    EXPECT_EQ(GetPen(first), nullptr);
    EXPECT_EQ(GetFont(pen), nullptr);
    EXPECT_FALSE(ReleasePen(first));
    EXPECT_FALSE(ReleaseFont(pen));
    EXPECT_TRUE(ReleaseFont(first));
    EXPECT_TRUE(ReleaseFont(second));
    EXPECT_TRUE(ReleasePen(pen));
}

}  // namespace
