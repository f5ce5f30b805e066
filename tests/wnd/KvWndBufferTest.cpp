#include <vector>

#include <gtest/gtest.h>

#include "Surface.h"
#include "WindowTestSupport.h"

namespace {

constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Black = RGB(0, 0, 0);

struct BufferCase {
    const char* name;
    std::vector<SIZE> clientSizes;
    SIZE expected;
};

void PrintTo(const BufferCase& entry, std::ostream* out) {
    *out << entry.name;
}

class KvWndBackBuffer : public testing::TestWithParam<BufferCase> {};

// A borderless popup's client area is its whole rectangle, so MoveWindow sets the client size.
// A bitmap that is replaced is deleted; one that fits stays.
TEST_P(KvWndBackBuffer, BothBuffersFollowTheClientOnlyWhenItOutgrowsThem) {
    RecordingWindow window;
    window.secondBuffer = true;
    ASSERT_TRUE(window.Create(0xB, WS_POPUP, 0, nullptr, nullptr));
    const SIZE first = GetParam().clientSizes.front();
    MoveWindow(window.GetHwnd(), 0, 0, first.cx, first.cy, FALSE);
    const HGDIOBJ firstBitmap = GetCurrentObject(window.BackBuffer(), OBJ_BITMAP);
    for (const SIZE& size : GetParam().clientSizes) {
        MoveWindow(window.GetHwnd(), 0, 0, size.cx, size.cy, FALSE);
    }
    const SIZE expected = GetParam().expected;
    for (HDC buffer : {window.BackBuffer(), window.SecondBuffer()}) {
        EXPECT_EQ(expected.cx, BitmapSize(buffer).cx);
        EXPECT_EQ(expected.cy, BitmapSize(buffer).cy);
    }
    EXPECT_NE(GetCurrentObject(window.BackBuffer(), OBJ_BITMAP),
              GetCurrentObject(window.SecondBuffer(), OBJ_BITMAP));
    const bool replaced = expected.cx != first.cx || expected.cy != first.cy;
    EXPECT_EQ(replaced, GetCurrentObject(window.BackBuffer(), OBJ_BITMAP) != firstBitmap);
    EXPECT_EQ(replaced, GetObjectType(firstBitmap) == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, KvWndBackBuffer,
    testing::Values(BufferCase{"FirstSize", {{100, 50}}, {100, 50}},
                    BufferCase{"Shrunk", {{100, 50}, {60, 30}}, {100, 50}},
                    BufferCase{"Minimised", {{100, 50}, {0, 0}}, {100, 50}},
                    BufferCase{"WiderButLower", {{100, 50}, {140, 20}}, {140, 20}},
                    BufferCase{"HigherButNarrower", {{100, 50}, {30, 90}}, {30, 90}},
                    BufferCase{"ShrunkThenGrown", {{100, 50}, {60, 30}, {80, 60}}, {80, 60}}),
    [](const testing::TestParamInfo<BufferCase>& info) { return info.param.name; });

TEST(KvWndBuffers, DestroyFreesBothBuffersAndTheirBitmaps) {
    RecordingWindow window;
    window.secondBuffer = true;
    ASSERT_TRUE(window.CreateAt(0, 0, 100, 50));
    const HDC dcs[] = {window.BackBuffer(), window.SecondBuffer()};
    const HGDIOBJ bitmaps[] = {GetCurrentObject(dcs[0], OBJ_BITMAP),
                               GetCurrentObject(dcs[1], OBJ_BITMAP)};
    DestroyWindow(window.GetHwnd());
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(0u, GetObjectType(dcs[i])) << i;
        EXPECT_EQ(0u, GetObjectType(bitmaps[i])) << i;
    }
    EXPECT_EQ(nullptr, window.BackBuffer());
    EXPECT_EQ(nullptr, window.SecondBuffer());
}

// Shows the window and lets it paint, then forgets those paints.
void ShowPainted(RecordingWindow& window) {
    ShowWindow(window.GetHwnd(), SW_SHOWNOACTIVATE);
    UpdateWindow(window.GetHwnd());
    PumpMessages();
    window.paints.clear();
}

// Paints `rect` of a shown window after blackening its back buffer.
void PaintBlackenedBuffer(RecordingWindow& window, const RECT& rect) {
    ShowPainted(window);
    const SIZE size = BitmapSize(window.BackBuffer());
    PatBlt(window.BackBuffer(), 0, 0, size.cx, size.cy, BLACKNESS);
    InvalidateRect(window.GetHwnd(), &rect, FALSE);
    UpdateWindow(window.GetHwnd());
}

TEST(KvWndPaint, AWindowWithoutParentPaintsWhiteUnderTheUpdateRectangle) {
    RecordingWindow window;
    ASSERT_TRUE(window.CreateAt(20, 10, 40, 30));
    const RECT rect = {5, 6, 15, 16};
    PaintBlackenedBuffer(window, rect);

    ASSERT_EQ(1u, window.paints.size());
    const RecordedPaint& paint = window.paints[0];
    EXPECT_EQ(window.BackBuffer(), paint.dc);
    EXPECT_TRUE(EqualRect(&rect, &paint.rect));
    EXPECT_EQ(TRANSPARENT, paint.backgroundMode);
    EXPECT_EQ(White, paint.cornerPixel);
    HDC buffer = window.BackBuffer();
    EXPECT_EQ(White, GetPixel(buffer, 5, 6));
    EXPECT_EQ(White, GetPixel(buffer, 14, 15));
    EXPECT_EQ(Black, GetPixel(buffer, 4, 6));
    EXPECT_EQ(Black, GetPixel(buffer, 15, 6));
    EXPECT_EQ(Black, GetPixel(buffer, 5, 16));
}

// Without a back buffer the subclass draws straight into the paint DC, over the background that
// the framework filled in first; the screen is blackened beforehand, so white shows that fill.
TEST(KvWndPaint, AWindowWithoutDoubleBufferingPaintsIntoThePaintDc) {
    RecordingWindow window;
    window.doubleBuffered = false;
    ASSERT_TRUE(window.CreateAt(20, 10, 40, 30));
    ShowPainted(window);
    HDC screen = GetDC(window.GetHwnd());
    PatBlt(screen, 0, 0, 40, 30, BLACKNESS);
    ReleaseDC(window.GetHwnd(), screen);
    const RECT rect = {5, 6, 15, 16};
    InvalidateRect(window.GetHwnd(), &rect, FALSE);
    UpdateWindow(window.GetHwnd());

    ASSERT_EQ(1u, window.paints.size());
    const RecordedPaint& paint = window.paints[0];
    EXPECT_EQ(window.GetHwnd(), paint.dcWindow);
    EXPECT_TRUE(EqualRect(&rect, &paint.rect));
    EXPECT_EQ(TRANSPARENT, paint.backgroundMode);
    EXPECT_EQ(White, paint.cornerPixel);
    EXPECT_EQ(nullptr, window.BackBuffer());
}

TEST(KvWndPaint, AnEmptyUpdateRegionPaintsNothing) {
    RecordingWindow window;
    ASSERT_TRUE(window.CreateAt(20, 10, 40, 30));
    ShowWindow(window.GetHwnd(), SW_SHOWNOACTIVATE);
    ValidateRect(window.GetHwnd(), nullptr);
    window.paints.clear();
    EXPECT_EQ(0, SendMessageW(window.GetHwnd(), WM_PAINT, 0, 0));
    EXPECT_TRUE(window.paints.empty());
}

// Returns a picture whose pixel (x, y) is RGB(x, y, 0x55), to read positions back from colours.
Surface PositionPattern(int width, int height) {
    Surface pattern(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            SetPixelV(pattern, x, y, RGB(x, y, 0x55));
        }
    }
    return pattern;
}

TEST(KvWndPaint, AChildShowsTheParentsBackgroundAtItsOwnPlace) {
    RecordingWindow parent;
    ASSERT_TRUE(parent.CreateAt(50, 40, 300, 250, WS_OVERLAPPEDWINDOW));
    ShowWindow(parent.GetHwnd(), SW_SHOWNOACTIVATE);
    const Surface background = PositionPattern(200, 150);
    RecordingWindow child;
    ASSERT_TRUE(child.CreateChild(parent.GetHwnd(), background));
    MoveWindow(child.GetHwnd(), 30, 20, 60, 40, FALSE);
    const RECT rect = {4, 3, 14, 9};
    PaintBlackenedBuffer(child, rect);

    ASSERT_EQ(1u, child.paints.size());
    HDC buffer = child.BackBuffer();
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            ASSERT_EQ(RGB(x + 30, y + 20, 0x55), GetPixel(buffer, x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(Black, GetPixel(buffer, rect.left - 1, rect.top));
    EXPECT_EQ(Black, GetPixel(buffer, rect.right, rect.top));
}

}  // namespace
