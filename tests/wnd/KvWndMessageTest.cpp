#include <vector>

#include <gtest/gtest.h>

#include "CallInjector.h"
#include "WindowTestSupport.h"

namespace {

// What HandleMessage answers in these tests, so that a test can tell its result from others.
constexpr LRESULT SubclassAnswer = 0x5EED;

MINMAXINFO minMaxBuffer;
RECT ncCalcBuffer = {0, 0, 100, 100};

struct RoutingCase {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool paintsItself;
    bool reachesSubclass;
};

void PrintTo(const RoutingCase& entry, std::ostream* out) {
    *out << entry.name;
}

class KvWndRouting : public testing::TestWithParam<RoutingCase> {};

TEST_P(KvWndRouting, MessageReachesHandleMessageOnlyWhenTheFrameworkPassesItOn) {
    const RoutingCase& entry = GetParam();
    RecordingWindow window;
    window.paintsItself = entry.paintsItself;
    ASSERT_TRUE(window.CreateAt(0, 0, 60, 40));
    window.answers[entry.message] = SubclassAnswer;
    window.log->clear();

    const LRESULT result =
        SendMessageW(window.GetHwnd(), entry.message, entry.wParam, entry.lParam);

    ASSERT_EQ(entry.reachesSubclass ? 1 : 0, window.Count(entry.message));
    if (entry.reachesSubclass) {
        EXPECT_EQ(SubclassAnswer, result);
        for (const RecordedMessage& seen : *window.log) {
            if (seen.message == entry.message) {
                EXPECT_EQ(entry.wParam, seen.wParam);
                EXPECT_EQ(entry.lParam, seen.lParam);
            }
        }
    } else {
        EXPECT_NE(SubclassAnswer, result);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, KvWndRouting,
    testing::Values(
        RoutingCase{"Size", WM_SIZE, SIZE_RESTORED, MAKELPARAM(30, 20), false, true},
        RoutingCase{"Activate", WM_ACTIVATE, WA_CLICKACTIVE, 0, false, true},
        RoutingCase{"Enable", WM_ENABLE, TRUE, 0, false, true},
        RoutingCase{"ActivateApp", WM_ACTIVATEAPP, FALSE, 77, false, true},
        RoutingCase{"PaintBySubclass", WM_PAINT, 0, 0, true, true},
        RoutingCase{"PaintByFramework", WM_PAINT, 0, 0, false, false},
        RoutingCase{"GetMinMaxInfo", WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&minMaxBuffer),
                    false, false},
        RoutingCase{"NcCalcSize", WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&ncCalcBuffer),
                    false, false},
        RoutingCase{"TimerOne", WM_TIMER, 1, 0, false, false},
        RoutingCase{"OtherTimer", WM_TIMER, 3, 0, false, true},
        RoutingCase{"MouseMove", WM_MOUSEMOVE, 0, MAKELPARAM(5, 6), false, true},
        RoutingCase{"LButtonDown", WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6), false, true},
        RoutingCase{"LButtonUp", WM_LBUTTONUP, 0, MAKELPARAM(5, 6), false, true},
        RoutingCase{"MouseLeave", WM_MOUSELEAVE, 0, 0, false, true},
        RoutingCase{"KeyDown", WM_KEYDOWN, VK_LEFT, 1, false, true},
        RoutingCase{"SizeChanged", WM_KV_SIZECHANGED, 0, MAKELPARAM(30, 20), false, true},
        RoutingCase{"ActiveChanged", WM_KV_ACTIVECHANGED, 1, 0, false, true},
        RoutingCase{"Restore", WM_KV_RESTORE, 0, 0, false, false},
        RoutingCase{"PrivateOfTheGame", WM_USER + 107, 0, 0, false, true}),
    [](const testing::TestParamInfo<RoutingCase>& info) { return info.param.name; });

struct PostedCase {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    UINT posted;
    WPARAM postedWParam;
    LPARAM postedLParam;
};

void PrintTo(const PostedCase& entry, std::ostream* out) {
    *out << entry.name;
}

class KvWndPostedMessages : public testing::TestWithParam<PostedCase> {};

TEST_P(KvWndPostedMessages, MessagePostsExactlyOneNotification) {
    const PostedCase& entry = GetParam();
    RecordingWindow window;
    ASSERT_TRUE(window.CreateAt(0, 0, 60, 40));
    // Answered without default processing, which could activate the window and post more.
    window.answers[entry.message] = 0;
    PumpMessages();

    SendMessageW(window.GetHwnd(), entry.message, entry.wParam, entry.lParam);

    std::vector<MSG> posted;
    MSG msg;
    while (
        PeekMessageW(&msg, window.GetHwnd(), WM_KV_SIZECHANGED, WM_KV_ACTIVECHANGED, PM_REMOVE)) {
        posted.push_back(msg);
    }
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(entry.posted, posted[0].message);
    EXPECT_EQ(entry.postedWParam, posted[0].wParam);
    EXPECT_EQ(entry.postedLParam, posted[0].lParam);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, KvWndPostedMessages,
    testing::Values(PostedCase{"Size", WM_SIZE, SIZE_RESTORED, MAKELPARAM(120, 80),
                               WM_KV_SIZECHANGED, 0, MAKELPARAM(120, 80)},
                    PostedCase{"Minimised", WM_SIZE, SIZE_MINIMIZED, 0, WM_KV_SIZECHANGED, 0, 0},
                    PostedCase{"Active", WM_ACTIVATE, WA_ACTIVE, 0, WM_KV_ACTIVECHANGED, 1, 0},
                    PostedCase{"ClickActive", WM_ACTIVATE, WA_CLICKACTIVE, 0, WM_KV_ACTIVECHANGED,
                               1, 0},
                    PostedCase{"InactiveWhileMinimised", WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0,
                               WM_KV_ACTIVECHANGED, 0, 0},
                    PostedCase{"Enabled", WM_ENABLE, TRUE, 0, WM_KV_ACTIVECHANGED, 1, 0},
                    PostedCase{"Disabled", WM_ENABLE, FALSE, 0, WM_KV_ACTIVECHANGED, 0, 0},
                    PostedCase{"AppActive", WM_ACTIVATEAPP, TRUE, 0, WM_KV_ACTIVECHANGED, 1, 0},
                    PostedCase{"AppInactive", WM_ACTIVATEAPP, FALSE, 0, WM_KV_ACTIVECHANGED, 0, 0}),
    [](const testing::TestParamInfo<PostedCase>& info) { return info.param.name; });

TEST(KvWndTimer, TimerOneIsKilledWhenTheWindowSaysSo) {
    for (bool stops : {true, false}) {
        RecordingWindow window;
        window.stopsTimerOne = stops;
        ASSERT_TRUE(window.CreateAt(0, 0, 60, 40));
        ASSERT_NE(0u, SetTimer(window.GetHwnd(), 1, 60000, nullptr));
        EXPECT_EQ(0, SendMessageW(window.GetHwnd(), WM_TIMER, 1, 0));
        const bool stillRunning = KillTimer(window.GetHwnd(), 1) != FALSE;
        EXPECT_EQ(!stops, stillRunning) << "stops " << stops;
        EXPECT_EQ(0, window.Count(WM_TIMER));
    }
}

struct MinTrackCase {
    SIZE minimum;
    SIZE requested;
    SIZE expected;
};

// MoveWindow keeps a resizable top-level window within the tracking limits of WM_GETMINMAXINFO.
TEST(KvWndMinTrackSize, TheStoredMinimumReplacesTheSystemsEvenAtZero) {
    const MinTrackCase cases[] = {
        {{0, 0}, {1, 1}, {1, 1}},
        {{650, 650}, {100, 100}, {650, 650}},
        {{300, 200}, {100, 500}, {300, 500}},
        // The maximum stays the system's.
        {{300, 200},
         {5000, 5000},
         {GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)}},
    };
    for (const MinTrackCase& entry : cases) {
        RecordingWindow window;
        ASSERT_TRUE(window.Create(0xB, WS_OVERLAPPEDWINDOW, 0, nullptr, nullptr));
        window.SetMinTrackSize(entry.minimum.cx, entry.minimum.cy);
        MoveWindow(window.GetHwnd(), 10, 10, entry.requested.cx, entry.requested.cy, FALSE);
        RECT rect = {};
        GetWindowRect(window.GetHwnd(), &rect);
        EXPECT_EQ(entry.expected.cx, rect.right - rect.left) << entry.minimum.cx;
        EXPECT_EQ(entry.expected.cy, rect.bottom - rect.top) << entry.minimum.cy;
    }
}

class KvWndCapture : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(window.CreateAt(0, 0, 60, 40));
        ShowWindow(window.GetHwnd(), SW_SHOW);
    }
    void Click(UINT message, int x, int y) {
        SendMessageW(window.GetHwnd(), message, 0,
                     MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
    }
    RecordingWindow window;
};

TEST_F(KvWndCapture, AClickTakesFocusAndTheCaptureItAsksForUntilTheButtonIsReleased) {
    Click(WM_LBUTTONDOWN, 3, 4);
    EXPECT_EQ(1u, window.clicks.size());
    EXPECT_EQ(nullptr, GetCapture()) << "not asked for";
    EXPECT_EQ(window.GetHwnd(), GetFocus());
    SetFocus(nullptr);

    window.capturesClicks = true;
    Click(WM_LBUTTONDOWN, -5, 7);
    ASSERT_EQ(2u, window.clicks.size());
    EXPECT_EQ(-5, window.clicks[1].x);
    EXPECT_EQ(7, window.clicks[1].y);
    EXPECT_EQ(window.GetHwnd(), GetCapture());
    EXPECT_EQ(window.GetHwnd(), GetFocus());

    Click(WM_LBUTTONDOWN, 1, 1);
    EXPECT_EQ(2u, window.clicks.size()) << "asked again while holding the capture";
    Click(WM_LBUTTONUP, 1, 1);
    EXPECT_EQ(nullptr, GetCapture());
    Click(WM_LBUTTONDOWN, 1, 1);
    EXPECT_EQ(3u, window.clicks.size());
}

TEST_F(KvWndCapture, ButtonUpLeavesACaptureTheFrameworkDidNotTake) {
    SetCapture(window.GetHwnd());
    Click(WM_LBUTTONUP, 3, 4);
    EXPECT_EQ(window.GetHwnd(), GetCapture());
    EXPECT_EQ(1, window.Count(WM_LBUTTONUP));
}

TEST_F(KvWndCapture, DestroyEndsTheCaptureSoANewWindowAsksAgain) {
    window.capturesClicks = true;
    Click(WM_LBUTTONDOWN, 3, 4);
    DestroyWindow(window.GetHwnd());
    EXPECT_FALSE(window.mouseCaptured);
    ASSERT_TRUE(window.CreateAt(0, 0, 60, 40));
    Click(WM_LBUTTONDOWN, 3, 4);
    EXPECT_EQ(2u, window.clicks.size());
    EXPECT_EQ(window.GetHwnd(), GetCapture());
}

TEST(KvWndMouseLeave, MouseMoveAsksTheSystemToTrackLeavingOnlyWhenTheWindowWantsIt) {
    for (bool wanted : {true, false}) {
        RecordingWindow window;
        window.tracksMouseLeave = wanted;
        ASSERT_TRUE(window.CreateAt(0, 0, 60, 40));
        const std::uint64_t asked = CallInjector::CallsOf("_TrackMouseEvent");
        SendMessageW(window.GetHwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        SendMessageW(window.GetHwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(6, 5));
        // One request lasts until the mouse leaves: the second move asks nothing more.
        EXPECT_EQ(CallInjector::CallsOf("_TrackMouseEvent"), asked + (wanted ? 1 : 0));
        EXPECT_EQ(wanted, window.trackingMouseLeave);
    }
}

TEST(KvWndMouseLeave, MouseLeaveOrDestroyEndsTheRequestAndTheNextMoveAsksAgain) {
    RecordingWindow window;
    window.tracksMouseLeave = true;
    ASSERT_TRUE(window.CreateAt(0, 0, 60, 40));
    SendMessageW(window.GetHwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    SendMessageW(window.GetHwnd(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(window.trackingMouseLeave);
    EXPECT_EQ(1, window.Count(WM_MOUSELEAVE));
    SendMessageW(window.GetHwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(window.trackingMouseLeave);
    DestroyWindow(window.GetHwnd());
    EXPECT_FALSE(window.trackingMouseLeave) << "a request does not outlive its window";
}

TEST(KvWndRestore, RestoreMessageRestoresAMinimisedWindowWithoutTheSubclass) {
    RecordingWindow window;
    ASSERT_TRUE(window.CreateAt(10, 10, 200, 150, WS_OVERLAPPEDWINDOW));
    ShowWindow(window.GetHwnd(), SW_SHOWMINIMIZED);
    ASSERT_TRUE(IsIconic(window.GetHwnd()));

    // Which window is in the foreground is the whole desktop's, which other tests change at any
    // moment: what is checked is that the window asked for it.
    const std::uint64_t asked = CallInjector::CallsOf("SetForegroundWindow");
    EXPECT_EQ(0, SendMessageW(window.GetHwnd(), WM_KV_RESTORE, 0, 0));
    EXPECT_FALSE(IsIconic(window.GetHwnd()));
    EXPECT_TRUE(IsWindowVisible(window.GetHwnd()));
    EXPECT_EQ(CallInjector::CallsOf("SetForegroundWindow"), asked + 1);
    EXPECT_EQ(0, window.Count(WM_KV_RESTORE));
}

}  // namespace
