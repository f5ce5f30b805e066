// Hundreds of complete games in one window, played fast by a simple bot with the timers driven
// by their messages: the GDI objects, windows and private memory of the process, the GDI objects
// the program counts itself and the blocks it holds on the checked heap must not grow from the
// tenth game to the last.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "CheckedHeap.h"
#include "CountingMainWnd.h"
#include "GameBot.h"
#include "MainWindowFixture.h"
#include "ProcessObjects.h"
#include "RunSeed.h"

namespace {

constexpr int Games = 300;
constexpr int WarmUpGames = 10;
// No game of the bot lasts this long; one that does means the bot no longer loses.
constexpr int MostPiecesPerGame = 2000;
// The heap may hold a few more pages after 290 games than after 10, as its free blocks lie
// differently (the test's own record of timer starts grows to 16 KiB in a 64-bit process). A leak
// of 40 bytes per paint (about 7 500 paints in these games), of 900 bytes per game or of one back
// buffer in the whole run is above this, on the checked heap or off it.
constexpr std::uint64_t PrivateBytesTolerance = 256 * 1024;

// The processor time per piece of the first 50 games after the warm-up and of the last 50 is
// printed as a figure to watch: timing is not asserted, as a busy machine would make such a
// check flaky.
constexpr int PacedGames = 50;

constexpr int WindowSize = 650;

// Returns the processor time this thread has used, in milliseconds.
double ThreadMilliseconds() {
    FILETIME unused[2] = {};
    FILETIME times[2] = {};  // in kernel and user mode, in 100-nanosecond ticks
    GetThreadTimes(GetCurrentThread(), &unused[0], &unused[1], &times[0], &times[1]);
    double ticks = 0.0;
    for (const FILETIME& time : times) {
        ticks +=
            static_cast<double>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime);
    }
    return ticks / 10000.0;
}

// The checked heap keeps the pages of the blocks released last in a quarantine of
// QuarantineCapacity() blocks, each with a committed header page: 4 MiB in a 32-bit process and
// 16 MiB in a 64-bit one, whose quarantine holds four times as many. The games release a few
// blocks per paint and piece, so the 64-bit quarantine would still be filling long after game 10
// (by 10 MB of private bytes, and the system's records of 2 500 more reservations) while the
// program holds no more than before. Filled first, it holds as much after game 10 as after game
// 300: each release then gives the oldest block's pages back.
void FillHeapQuarantine() {
    using CheckedHeap::Form;
    for (std::size_t i = 0; i < CheckedHeap::QuarantineCapacity(); ++i) {
        CheckedHeap::Release(CheckedHeap::Allocate(1, 0, Form::Single, nullptr), Form::Single, 0);
    }
}

// Prints one moment's figures.
void Report(const char* moment, const ProcessObjects& objects) {
    std::printf("%s: %ld GDI objects, %ld windows, %llu private bytes; held", moment,
                objects.gdiObjects, objects.windows,
                static_cast<unsigned long long>(objects.privateBytes));
    for (int i = 0; i < ObjectTracker::KindCount; ++i) {
        if (objects.tracked[i] != 0) {
            std::printf(" %zu %s", objects.tracked[i],
                        ObjectTracker::NameOf(static_cast<ObjectTracker::Kind>(i)));
        }
    }
    std::printf("; checked heap %llu blocks of %llu bytes, %llu released in quarantine",
                static_cast<unsigned long long>(objects.heapBlocks),
                static_cast<unsigned long long>(objects.heapBytes),
                static_cast<unsigned long long>(objects.quarantinedBlocks));
    std::printf("; GDI objects by type");
    for (int type = 0; type < 256; ++type) {
        if (objects.gdiObjectsByType[type] != 0) {
            std::printf(" %d: %ld", type, objects.gdiObjectsByType[type]);
        }
    }
    std::printf("\n");
    std::fflush(stdout);
}

class LongRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FillHeapQuarantine();
        // The first main window of the process builds what stays for the whole run (the lock of
        // the ids of fonts and pens among it): one is made and destroyed before anything counts.
        {
            TestMainWnd first;
            ASSERT_TRUE(first.Create(KvWnd::StandardClassStyle, WS_OVERLAPPEDWINDOW,
                                     WS_EX_APPWINDOW, nullptr, nullptr));
            DestroyWindow(first.GetHwnd());
            TakeQuitMessage();
        }
        // The window seeded the pieces from the clock; the run's seed makes them repeatable.
        std::srand(seed);
        before = ProcessObjects::Now();
        ASSERT_TRUE(window.Create(KvWnd::StandardClassStyle, WS_OVERLAPPEDWINDOW, WS_EX_APPWINDOW,
                                  nullptr, nullptr));
        hwnd = window.GetHwnd();
        SetWindowPos(hwnd, nullptr, 0, 0, WindowSize, WindowSize,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        UpdateWindow(hwnd);
        ShowEveryFrameAndCursor();
    }

    // The system makes some of its objects on first use: the pointer's shapes over the window's
    // edges, and what it paints the frame with, active and inactive. Other programs' windows
    // move the pointer over this one or take the activation at any moment, so those objects
    // are made here, before the games, and not counted as growth when they appear later.
    void ShowEveryFrameAndCursor() {
        static constexpr WORD HitTests[] = {HTCLIENT,     HTCAPTION,    HTLEFT,    HTRIGHT,
                                            HTTOP,        HTBOTTOM,     HTTOPLEFT, HTTOPRIGHT,
                                            HTBOTTOMLEFT, HTBOTTOMRIGHT};
        for (WORD hitTest : HitTests) {
            Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(hitTest, WM_MOUSEMOVE));
        }
        for (BOOL active : {TRUE, FALSE}) {
            Send(WM_NCACTIVATE, active, 0);
            RedrawWindow(hwnd, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
        }
    }

    void TearDown() override {
        if (IsWindow(hwnd)) {
            DestroyWindow(hwnd);
        }
        TakeQuitMessage();
    }

    void Send(UINT message, WPARAM wParam, LPARAM lParam) {
        SendMessageW(hwnd, message, wParam, lParam);
    }
    void PressKey(UINT key) { Send(WM_KEYDOWN, key, 1); }
    void Tick(UINT_PTR timer) { Send(WM_TIMER, timer, 0); }

    // Paints what the last steps invalidated and takes the messages they posted. The real timers
    // keep running but their ticks are never taken: the test drives the game's time itself.
    void Settle() {
        UpdateWindow(hwnd);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, WM_TIMER - 1, PM_REMOVE) ||
               PeekMessageW(&message, nullptr, WM_TIMER + 1, 0xFFFF, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    // Turns, slides and drops the falling piece, now and then after letting it fall and pausing
    // on the way; the fall tick that follows lands it.
    void PlacePiece() {
        for (int turns = bot.Turns(); turns > 0; --turns) {
            PressKey(VK_SPACE);
        }
        if (bot.LetsFall()) {
            Tick(KvMainWnd::FallTimer);
            PressKey(VK_UP);
            Settle();
            PressKey('W');
            // The tick may have landed the piece, and lost the game with it.
            if (window.state != GameState::Playing) {
                ++pieces;
                return;
            }
        }
        const int slide = bot.Slide(window);
        for (int step = 0; step < (slide < 0 ? -slide : slide); ++step) {
            PressKey(slide < 0 ? (step % 2 == 0 ? VK_LEFT : 'A')
                               : (step % 2 == 0 ? VK_RIGHT : 'D'));
        }
        PressKey(pieces % 2 == 0 ? VK_DOWN : 'S');
        Tick(KvMainWnd::FallTimer);
        ++pieces;
    }

    // Plays one game from the button to the idle state after its loss.
    void PlayGame() {
        Send(WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(window.startButton));
        ASSERT_EQ(window.state, GameState::Starting);
        Tick(KvMainWnd::StartDelayTimer);
        const long firstPiece = pieces;
        while (window.state != GameState::Idle) {
            ASSERT_LT(pieces - firstPiece, MostPiecesPerGame) << "the bot no longer loses";
            switch (window.state) {
                case GameState::Playing:
                    PlacePiece();
                    break;
                case GameState::Landed:
                    Tick(KvMainWnd::SpawnTimer);
                    Settle();
                    break;
                case GameState::GameOverPause:
                    Tick(KvMainWnd::GameOverTimer);
                    break;
                default:
                    FAIL() << "unexpected state " << static_cast<int>(window.state);
            }
        }
        rowsRemoved += window.rowsRemoved;
        Settle();
    }

    CountingMainWnd window;
    HWND hwnd = nullptr;
    const std::uint32_t seed = RunSeed("KV_LONG_RUN_SEED");
    GameBot bot{seed};
    ProcessObjects before;
    long pieces = 0;
    long rowsRemoved = 0;
};

}  // namespace

TEST_F(LongRunTest, ObjectsAndMemoryStayFlatOverThreeHundredGames) {
    const DWORD start = GetTickCount();
    ProcessObjects warm;
    long paintsAtWarm = 0;
    // Processor time and pieces played after each game.
    std::vector<std::pair<double, long>> marks(Games + 1);
    for (int game = 1; game <= Games; ++game) {
        ASSERT_NO_FATAL_FAILURE(PlayGame()) << "in game " << game;
        if (game == WarmUpGames) {
            warm = ProcessObjects::Now();
            paintsAtWarm = window.paints;
        }
        marks[game] = {ThreadMilliseconds(), pieces};
    }
    // Milliseconds per piece in the games after `before` up to `last`.
    const auto pace = [&](int before, int last) {
        return (marks[last].first - marks[before].first) /
               static_cast<double>(marks[last].second - marks[before].second);
    };
    const ProcessObjects last = ProcessObjects::Now();
    std::printf("%d games, %ld pieces, %ld rows removed, %ld paints in %lu ms\n", Games, pieces,
                rowsRemoved, window.paints, static_cast<unsigned long>(GetTickCount() - start));
    Report("after game 10", warm);
    Report("after game 300", last);
    std::printf(
        "%.2f ms of processor time per piece in games 11 to 60, %.2f ms in games 251 to 300\n",
        pace(WarmUpGames, WarmUpGames + PacedGames), pace(Games - PacedGames, Games));
    std::fflush(stdout);

    EXPECT_GT(rowsRemoved, 0) << "the bot never removed a row";
    EXPECT_GT(window.paints - paintsAtWarm, Games) << "the window was hardly painted";
    ExpectSameTracked(last, warm);
    ASSERT_GT(warm.gdiObjects, 0) << "the process's GDI objects cannot be counted";
    EXPECT_LE(last.gdiObjects, warm.gdiObjects);
    EXPECT_LE(last.windows, warm.windows);
    EXPECT_EQ(warm.quarantinedBlocks, CheckedHeap::QuarantineCapacity())
        << "the checked heap's quarantine was not full after game 10: it grows the private bytes";
    EXPECT_LE(last.heapBlocks, warm.heapBlocks);
    EXPECT_LE(last.privateBytes, warm.privateBytes + PrivateBytesTolerance);

    // Everything the window made goes with it.
    DestroyWindow(hwnd);
    const ProcessObjects after = ProcessObjects::Now();
    Report("after the window is destroyed", after);
    ExpectSameTracked(after, before);
    EXPECT_EQ(after.windows, before.windows);
}
