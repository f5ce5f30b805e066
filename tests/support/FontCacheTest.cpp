#include <cstring>
#include <cwchar>
#include <string>

#include <windows.h>

#include <gtest/gtest.h>

#include "FontCache.h"
#include "PenCache.h"

namespace {

// Returns the description GDI keeps for `font`, or a zeroed one when `font` is no live font.
LOGFONTW DescriptionOf(HFONT font) {
    LOGFONTW description;
    std::memset(&description, 0, sizeof description);
    if (GetObjectW(font, sizeof description, &description) != sizeof description) {
        std::memset(&description, 0, sizeof description);
    }
    return description;
}

bool IsLiveFont(HFONT font) {
    LOGFONTW description;
    return GetObjectW(font, sizeof description, &description) == sizeof description;
}

LOGFONTW TestDescription(LONG height) {
    LOGFONTW description = BodyFontDescription();
    description.lfHeight = height;
    return description;
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
        const LOGFONTW created = DescriptionOf(GetFont(id));
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

TEST(FontCache, SharesOneFontUntilTheLastRelease) {
    const std::size_t entriesBefore = FontCache::Instance().EntryCount();
    const ObjectId first = AcquireBodyFont();
    const ObjectId second = AcquireBodyFont();
    ASSERT_NE(first, InvalidObjectId);
    EXPECT_EQ(second, first);
    const HFONT font = GetFont(first);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(FontCache::Instance().EntryCount(), entriesBefore + 1);

    EXPECT_TRUE(ReleaseFont(first));
    EXPECT_EQ(GetFont(first), font);
    EXPECT_TRUE(IsLiveFont(font));

    EXPECT_TRUE(ReleaseFont(first));
    EXPECT_EQ(GetFont(first), nullptr);
    EXPECT_FALSE(IsLiveFont(font));
    EXPECT_EQ(FontCache::Instance().EntryCount(), entriesBefore);
    EXPECT_FALSE(ReleaseFont(first));
}

// Descriptions and a colour that no other test holds, so that each acquisition takes a new id.
TEST(FontCache, FontsAndPensShareTheNumbering) {
    LOGFONTW small = BodyFontDescription();
    small.lfHeight = 41;
    LOGFONTW large = BodyFontDescription();
    large.lfHeight = 42;
    const ObjectId first = AcquireFont(small);
    const ObjectId second = AcquireFont(large);
    const ObjectId pen = AcquirePen(RGB(41, 42, 43));
    ASSERT_NE(first, InvalidObjectId);
    EXPECT_EQ(second, first + 1);
    EXPECT_EQ(pen, first + 2);

    // The numbering is shared, the entries are not.
    EXPECT_EQ(GetPen(first), nullptr);
    EXPECT_EQ(GetFont(pen), nullptr);
    EXPECT_FALSE(ReleasePen(first));
    EXPECT_FALSE(ReleaseFont(pen));
    EXPECT_NE(GetFont(first), nullptr);
    EXPECT_NE(GetPen(pen), nullptr);

    EXPECT_TRUE(ReleaseFont(first));
    EXPECT_TRUE(ReleaseFont(second));
    EXPECT_TRUE(ReleasePen(pen));
}

TEST(FontCache, InvalidIdNamesNoFont) {
    // Held fonts make sure that the lookups fail on the id, not on an empty cache.
    const ObjectId held = AcquireBodyFont();
    ASSERT_NE(held, InvalidObjectId);
    EXPECT_EQ(GetFont(InvalidObjectId), nullptr);
    EXPECT_FALSE(ReleaseFont(InvalidObjectId));
    EXPECT_EQ(GetFont(0), nullptr);
    EXPECT_FALSE(ReleaseFont(0));
    EXPECT_TRUE(ReleaseFont(held));
}

TEST(FontCache, WholeDescriptionIsTheKey) {
    FontCache cache;
    LOGFONTW plain = BodyFontDescription();
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

TEST(FontCache, ReleasingTheMiddleEntryKeepsTheOthers) {
    FontCache cache;
    const ObjectId ids[] = {cache.Acquire(TestDescription(10)), cache.Acquire(TestDescription(11)),
                            cache.Acquire(TestDescription(13))};
    const HFONT first = cache.Get(ids[0]);
    const HFONT last = cache.Get(ids[2]);

    EXPECT_TRUE(cache.Release(ids[1]));
    EXPECT_EQ(cache.EntryCount(), 2u);
    EXPECT_EQ(cache.Get(ids[0]), first);
    EXPECT_EQ(cache.Get(ids[1]), nullptr);
    EXPECT_EQ(cache.Get(ids[2]), last);
    EXPECT_EQ(DescriptionOf(first).lfHeight, 10);
    EXPECT_EQ(DescriptionOf(last).lfHeight, 13);

    // Asked for again, the released font is a new entry with a new id.
    const ObjectId again = cache.Acquire(TestDescription(11));
    EXPECT_NE(again, ids[1]);
    EXPECT_EQ(cache.EntryCount(), 3u);
}

TEST(FontCache, DestructionDeletesFontsStillHeld) {
    HFONT font = nullptr;
    {
        FontCache cache;
        const ObjectId id = cache.Acquire(TestDescription(14));
        cache.Acquire(TestDescription(14));
        font = cache.Get(id);
        ASSERT_TRUE(IsLiveFont(font));
    }
    EXPECT_FALSE(IsLiveFont(font));
}

}  // namespace
