// The program's run: creation failure, the window's size, minimum size and place, the loop's end
// on close, and a program without the game's resources.
#include <cstddef>
#include <string>
#include <tuple>

#include <gtest/gtest.h>
#include <windows.h>

#include "AppContext.h"
#include "FontCache.h"
#include "GameProcess.h"
#include "ImageStore.h"
#include "MainWindowFixture.h"
#include "PenCache.h"
#include "ProgramEntry.h"

namespace {

// A main window whose creation fails at WM_CREATE: refused at once, or after the window has filled
// the context and made the controls, as when the system cannot finish a window it has begun.
class FailingMainWnd : public KvMainWnd {
  public:
    explicit FailingMainWnd(bool afterCreate) : afterCreate_(afterCreate) {}

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != WM_CREATE) {
            return KvMainWnd::HandleMessage(message, wParam, lParam);
        }
        if (afterCreate_) {
            KvMainWnd::HandleMessage(message, wParam, lParam);
            contextFilledAtCreate = GetAppContext().moduleHandle != nullptr;
        }
        return -1;
    }

    bool contextFilledAtCreate = false;

  private:
    bool afterCreate_;
};

// What the process-wide pen and font caches and the picture store hold now, to show that a run
// left nothing in them.
std::tuple<std::size_t, std::size_t, std::size_t> ProcessWideEntries() {
    return {PenCache::Instance().EntryCount(), FontCache::Instance().EntryCount(),
            ImageStore::EntryCount()};
}

}  // namespace

// Entering the message loop would wait for good. Nothing may be left for exit to release: the
// caches and the store may be gone by then.
TEST(ProgramEntryTest, FailedCreationEndsRunWithStatusOneAndEmptiesTheContext) {
    for (const bool afterCreate : {false, true}) {
        SCOPED_TRACE(afterCreate ? "failing after WM_CREATE" : "refused at WM_CREATE");
        const auto before = ProcessWideEntries();
        {
            FailingMainWnd window(afterCreate);
            EXPECT_EQ(RunGame(window), 1);
            ASSERT_EQ(window.contextFilledAtCreate, afterCreate);
        }
        const AppContext& context = GetAppContext();
        EXPECT_EQ(context.moduleHandle, nullptr);
        EXPECT_EQ(ProcessWideEntries(), before);
        EXPECT_EQ(context.blockImage.StoreId(), 0u);
        EXPECT_EQ(context.pieceImage.StoreId(), 0u);
        MSG quit;
        EXPECT_FALSE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
            << "a quit message left behind would end the next message loop at once";
    }
}

// When the message loop fails, the main window object goes while its window is still there: the
// window must be destroyed through its own WM_DESTROY, which empties the context, or exit would
// find pens, fonts and pictures in a context whose caches may be gone.
TEST(ProgramEntryTest, MainWindowObjectGoingFirstDestroysItsWindowAndEmptiesTheContext) {
    const auto before = ProcessWideEntries();
    HWND hwnd = nullptr;
    {
        KvMainWnd window;
        ASSERT_TRUE(window.Create(KvWnd::StandardClassStyle, WS_OVERLAPPEDWINDOW, WS_EX_APPWINDOW,
                                  nullptr, nullptr));
        hwnd = window.GetHwnd();
        ASSERT_NE(GetAppContext().moduleHandle, nullptr);
    }
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(GetAppContext().moduleHandle, nullptr);
    EXPECT_EQ(ProcessWideEntries(), before);
    EXPECT_EQ(TakeQuitMessage(), 0) << "the window's WM_DESTROY posts the quit message";
}

TEST(ProgramEntryTest, RunShowsCentredWindowAndEndsWhenClosed) {
    ClosingMainWnd window;
    ASSERT_EQ(RunGame(window), 0);
    EXPECT_EQ(window.GetHwnd(), nullptr);
    EXPECT_TRUE(window.visibleAtClose);
    EXPECT_EQ(window.titleAtClose, GameTitle());
    const RECT& rect = window.rectAtClose;
    EXPECT_EQ(rect.right - rect.left, 650);
    EXPECT_EQ(rect.bottom - rect.top, 650);
    RECT area = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_EQ(rect.left, (area.right - area.left - 650) / 2);
    EXPECT_EQ(rect.top, (area.bottom - area.top - 650) / 2);
    EXPECT_EQ(window.MinTrackWidth(), 650);
    EXPECT_EQ(window.MinTrackHeight(), 650);
    EXPECT_EQ(window.state, GameState::Idle);
}

// Windows takes the first show state from the launcher, whatever the program asks, and restores
// a window shown minimised or maximised to its normal place; Wine shows the window as asked, so
// each show state stands in for the launcher's here. On a work area lower than the window (as
// 1366 × 768 at 125 % gives), centring alone put the title bar above the screen, where the
// restored window could not be dragged. Its origin is the screen's, where the placement's
// workspace coordinates and screen coordinates agree.
TEST(ProgramEntryTest, TheNormalPlaceLiesOnTheWorkAreaWhateverTheFirstShowState) {
    RECT saved = {};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &saved, 0));
    RECT low = {0, 0, saved.right, 574};
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETWORKAREA, 0, &low, 0));
    for (const int show : {SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED, SW_SHOWMINNOACTIVE}) {
        SCOPED_TRACE("show state " + std::to_string(show));
        TestMainWnd window;
        ASSERT_TRUE(PrepareMainWindow(window));
        ShowWindow(window.GetHwnd(), show);
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof placement;
        ASSERT_TRUE(GetWindowPlacement(window.GetHwnd(), &placement));
        const RECT& normal = placement.rcNormalPosition;
        EXPECT_EQ(normal.right - normal.left, 650);
        EXPECT_EQ(normal.top, 0) << "the title bar is off the work area";
        EXPECT_GE(normal.left, 0);
        EXPECT_LE(normal.right, low.right);
        DestroyWindow(window.GetHwnd());
        TakeQuitMessage();
    }
    SystemParametersInfoW(SPI_SETWORKAREA, 0, &saved, 0);
}

TEST(ProgramEntryTest, ProgramWithoutTranslationOrPicturesRunsWithEmptyTitle) {
    // The fixture reports 10 plus its title's length after playing a landing without pictures.
    GameProcess fixture(SiblingPath(L"game_fixture_plain.exe"), L"", true, {});
    ASSERT_TRUE(fixture.Started());
    EXPECT_EQ(fixture.WaitForExit(60000), 10);
    EXPECT_EQ(fixture.FaultSigns(), "");
}

// A queue that cannot be read ends the loop at once; dispatching the message left from before
// would repeat it for good. A window that does not exist makes GetMessageW answer -1.
TEST(ProgramEntryTest, MessageLoopEndsWhenTheQueueCannotBeRead) {
    HWND missing =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(missing, nullptr);
    DestroyWindow(missing);
    PostMessageW(nullptr, WM_USER, 0, 0);
    EXPECT_FALSE(RunMessageLoop(missing));

    PostQuitMessage(0);
    EXPECT_TRUE(RunMessageLoop()) << "the loop must still end normally on the quit message";
}
