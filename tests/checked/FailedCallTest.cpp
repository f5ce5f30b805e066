// What the game does when one of its Windows calls fails, made to fail here by the checked
// build's call injector: the faults that the failing-call sweep found, each kept mended.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "AppContext.h"
#include "CallInjector.h"
#include "CheckedHeap.h"
#include "FontCache.h"
#include "MainWindowFixture.h"
#include "MemoryDc.h"
#include "ObjectTracker.h"
#include "Polling.h"
#include "ProgramEntry.h"
#include "WindowPlacement.h"
#include "WindowProbe.h"

namespace {

// A limit that catches a window that is never painted again, not a slow one.
constexpr DWORD RepaintLimit = 10000;

// Fails the `nth` call of `function` from now on (1: the next), or every call from it on.
void FailCallOf(const char* function, std::uint64_t nth = 1, bool onward = false) {
    const std::string choice = std::string(function) + ":" +
                               std::to_string(CallInjector::CallsOf(function) + nth) +
                               (onward ? "+" : "");
    ASSERT_TRUE(CallInjector::Choose(choice.c_str())) << choice;
}

class FailedCallTest : public MainWindowTest {
  protected:
    void TearDown() override {
        CallInjector::Choose("");
        MainWindowTest::TearDown();
    }

    // Repaints the whole client area and returns the share, in percent, of its pixels that are
    // not black.
    int PaintedShare() {
        InvalidateRect(hwnd, nullptr, FALSE);
        UpdateWindow(hwnd);
        return WindowProbe::PaintedShare(hwnd);
    }
};

// Without the memory DC that WM_CREATE could not make, the client area stayed black for good. It
// is made at the next size; where none can be made at all, the scene is drawn onto the window.
TEST_F(FailedCallTest, ABackBufferThatCouldNotBeMadeIsMadeAtTheNextSizeOrDoneWithout) {
    for (const bool never : {false, true}) {
        DestroyWindow(hwnd);
        TakeQuitMessage();
        FailCallOf("CreateCompatibleDC", 1, never);
        ASSERT_TRUE(window.Create(KvWnd::StandardClassStyle, WS_OVERLAPPEDWINDOW, WS_EX_APPWINDOW,
                                  nullptr, nullptr));
        hwnd = window.GetHwnd();
        EXPECT_EQ(window.BackBuffer(), nullptr) << never;
        ASSERT_NO_FATAL_FAILURE(SetClientSize(TestClientWidth, TestClientHeight));
        EXPECT_EQ(window.BackBuffer() != nullptr, !never);
        EXPECT_GT(PaintedShare(), 90) << never;
    }
}

// The buffer deleted its bitmap by asking the DC for it; when that failed, the bitmap leaked.
TEST_F(FailedCallTest, ABufferDeletesItsOwnBitmapWithoutAskingTheDc) {
    const std::size_t before = ObjectTracker::Unreleased();
    {
        MemoryDc buffer;
        HDC screen = GetDC(hwnd);
        buffer.Create(screen);
        ASSERT_TRUE(buffer.SelectNewBitmap(screen, 40, 30));
        ReleaseDC(hwnd, screen);
        FailCallOf("GetCurrentObject", 1, true);
    }
    EXPECT_EQ(ObjectTracker::Unreleased(), before);
}

// A paint cut short (here by memory running out) or a selection that could not be undone left
// the heading font selected in the back buffer, and the cache deleted it at WM_DESTROY while it
// was: Windows refuses that, and the font leaked.
TEST_F(FailedCallTest, APaintThatLeavesAFontSelectedDoesNotKeepItFromBeingDeleted) {
    // The last selection of a paint puts the DC's font back. The first paint also draws the
    // cell pictures, with selections of their own; the count is taken of the next.
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    const std::uint64_t selections = CallInjector::CallsOf("SelectObject");
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    const std::uint64_t perPaint = CallInjector::CallsOf("SelectObject") - selections;
    ASSERT_GT(perPaint, 0u);
    const std::uint64_t failed = CallInjector::FailedCalls();
    FailCallOf("SelectObject", perPaint);
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    ASSERT_EQ(CallInjector::FailedCalls(), failed + 1) << "the selection did not fail";
    ASSERT_EQ(GetCurrentObject(window.BackBuffer(), OBJ_FONT), GetFont(GetAppContext().headingFont))
        << "the paint did not leave the heading font selected";

    // A score this long no longer fits in the string's own storage: the paint asks for memory.
    window.score = 123456;
    const std::uint64_t failing = CheckedHeap::CurrentStatistics().allocations + 1;
    CheckedHeap::FailAllocationNumber(failing);
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    CheckedHeap::FailAllocationNumber(0);
    ASSERT_GE(CheckedHeap::CurrentStatistics().allocations, failing)
        << "the paint asked for no memory, and so was not cut short";

    const std::size_t refused = ObjectTracker::RefusedDeletes();
    DestroyWindow(hwnd);
    EXPECT_EQ(ObjectTracker::RefusedDeletes(), refused);
}

// A paint whose BeginPaint failed left the window invalid, so that WM_PAINT, which the queue
// hands out before any WM_TIMER, came again at once and the game's timers never ticked. Once the
// area was given up instead, a window without a running game stayed stale (here black) until
// covered or resized, as nothing asked for another paint. It is painted whole again soon, by
// itself.
TEST_F(FailedCallTest, APaintThatCannotBeginIsMadeGoodSoonByItself) {
    FailCallOf("BeginPaint");
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));

    HDC dc = GetDC(hwnd);
    const RECT client = {0, 0, TestClientWidth, TestClientHeight};
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(hwnd, dc);
    ASSERT_EQ(WindowProbe::PaintedShare(hwnd), 0);
    const bool painted = PollUntil(
        [&] {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageW(&message);
            }
            return WindowProbe::PaintedShare(hwnd) > 90;
        },
        RepaintLimit);
    EXPECT_TRUE(painted);
}

// A close whose destroy request could not be posted was lost.
TEST_F(FailedCallTest, ACloseThatCannotBePostedDestroysTheWindowAtOnce) {
    FailCallOf("PostMessageW");
    Send(WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(TakeQuitMessage(), 0);
}

// A window that cannot be destroyed still ends the run.
TEST_F(FailedCallTest, ADestroyRequestThatFailsEndsTheMessageLoop) {
    FailCallOf("DestroyWindow");
    Send(KvMainWnd::DestroyRequestMessage, 0, 0);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(TakeQuitMessage(), 0);
}

// Centring on a rectangle that could not be read put the window off the screen.
TEST_F(FailedCallTest, CentringLeavesTheWindowWhereItIsWhenARectangleCannotBeRead) {
    for (const char* function : {"GetWindowRect", "SystemParametersInfoW"}) {
        MoveWindow(hwnd, 37, 41, 650, 650, FALSE);
        FailCallOf(function);
        CenterWindow(hwnd);
        RECT rect = {};
        GetWindowRect(hwnd, &rect);
        EXPECT_EQ(rect.left, 37) << function;
        EXPECT_EQ(rect.top, 41) << function;
    }
}

// A resize that failed left the window at its creation size of 0 × 0, which could be neither
// seen nor played: the run ends as when no window can be made.
TEST(FailedCallEntry, AWindowThatCannotBeSizedEndsTheRunAsOneThatCannotBeMade) {
    ClosingMainWnd window;
    FailCallOf("MoveWindow");
    EXPECT_EQ(RunGame(window), 1);
    CallInjector::Choose("");
    EXPECT_EQ(window.GetHwnd(), nullptr);
    EXPECT_EQ(TakeQuitMessage(), -1) << "the destroyed window's quit message is taken back";
}

}  // namespace
