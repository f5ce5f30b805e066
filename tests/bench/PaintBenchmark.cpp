// Times the main window's paint on a nearly full well, against drawing every cell piece by piece
// and against the cheapest possible repaint of the client area; run by hand, not by CTest. With
// --piece-by-piece every paint draws its cells piece by piece, as it did before cell pictures.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "TestMainWnd.h"
#include "MemoryDc.h"
#include "ProgramEntry.h"

namespace {

constexpr int kWarmUp = 5;
constexpr int kRepetitions = 100;

struct ClientSize {
    int width;
    int height;
};
// The program's own client size (its 650 × 650 window) and a large window.
constexpr ClientSize kSizes[] = {{TestClientWidth, TestClientHeight}, {1200, 1000}};

// Board cells left empty in the scene: the falling bar moves along the top row between columns
// 2 and 6, and four more holes keep the count at 171 landed blocks. A game cannot hold that many
// without a full row (at most 18 × 9 = 162), but the paint looks only at cells, never at rows.
constexpr POINT kHoles[] = {{2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {0, 1}, {9, 2}, {0, 3}, {9, 4}};

LONGLONG Now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

double Milliseconds(LONGLONG ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1e3 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

struct Summary {
    double median;
    double maximum;
};

Summary Summarise(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

// Returns the median and maximum times of two steps, each of which returns its own time in
// counter ticks, measured by turns, so that a change in the machine's load falls on both alike.
template <typename First, typename Second>
std::pair<Summary, Summary> MeasureByTurns(First first, Second second) {
    for (int i = 0; i < kWarmUp; ++i) {
        first();
        second();
    }
    std::vector<double> firstTimes;
    std::vector<double> secondTimes;
    for (int i = 0; i < kRepetitions; ++i) {
        firstTimes.push_back(Milliseconds(first()));
        secondTimes.push_back(Milliseconds(second()));
    }
    return {Summarise(firstTimes), Summarise(secondTimes)};
}

// Returns the median and maximum time of one step measured alone.
template <typename Step>
Summary Measure(Step step) {
    return MeasureByTurns(step, [] { return LONGLONG{0}; }).first;
}

// The main window with its timers kept still, so that nothing but the benchmark changes the
// scene, and a mark at the end of the paint that the latency measurement waits for.
class BenchWnd : public TestMainWnd {
  public:
    void Paint(HDC dc, const RECT* rect) override {
        if (copyOnly) {
            BitBlt(dc, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
                   BackBuffer(), rect->left, rect->top, SRCCOPY);
        } else {
            KvMainWnd::Paint(dc, rect);
        }
        if (quitAfterPaint) {
            GdiFlush();
            paintEnd = Now();
            quitAfterPaint = false;
            PostQuitMessage(0);
        }
    }

    // Makes the paint only copy the back buffer to the screen, leaving the system's own work.
    bool copyOnly = false;
    bool quitAfterPaint = false;
    LONGLONG paintEnd = 0;

  protected:
    bool StartTimer(std::uintptr_t, std::uint32_t) override { return true; }
};

// Handles every message waiting in the queue, paints included.
void Settle(HWND hwnd) {
    UpdateWindow(hwnd);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message != WM_QUIT) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

bool SetClientSize(HWND hwnd, const ClientSize& size) {
    const RECT client = ResizeClientArea(hwnd, size.width, size.height);
    return client.right == size.width && client.bottom == size.height;
}

// Starts a game through the flow's own inputs, then fills the well: 171 landed blocks, a
// bar falling in the top row, a tee in the preview and counters with several digits.
void SetUpScene(BenchWnd& window) {
    window.PressButton();
    window.Tick(KvMainWnd::StartDelayTimer);
    std::fill_n(&window.board[0][0], GameRules::WellWidth * GameRules::WellHeight, 1);
    for (const POINT& hole : kHoles) {
        window.board[hole.x][hole.y] = 0;
    }
    window.currentType = BarType;
    window.currentOrientation = 1;
    window.pieceX = GameRules::SpawnColumn;
    window.pieceY = 0;
    for (int i = 0; i < 4; ++i) {
        window.pieceCells[i] = {GameRules::SpawnColumn + i, 0};
    }
    window.nextType = TeeType;
    window.nextOrientation = 1;
    window.rowsRemoved = 1234;
    window.score = 987650;
}

long LandedBlocks(const BenchWnd& window) {
    const auto* cells = &window.board[0][0];
    return std::count_if(cells, cells + GameRules::WellWidth * GameRules::WellHeight,
                         [](auto cell) { return cell != 0; });
}

void PrintRow(const char* name, const Summary& summary) {
    std::printf("  %-66s %9.3f %9.3f\n", name, summary.median, summary.maximum);
}

// Measures one client size in a window of its own; returns false when no window can take it.
// The system keeps a framed window within the screen (1024 x 768 under Wine's null display
// driver); a client area larger than that gets a window without a frame, which paints alike.
bool RunAtSize(const ClientSize& size, bool pieceByPiece) {
    const bool fitsScreen =
        size.width < GetSystemMetrics(SM_CXSCREEN) && size.height < GetSystemMetrics(SM_CYSCREEN);
    BenchWnd window;
    if (!window.Create(KvWnd::StandardClassStyle, fitsScreen ? WS_OVERLAPPEDWINDOW : WS_POPUP,
                       WS_EX_APPWINDOW, nullptr, nullptr)) {
        std::fprintf(stderr, "the main window could not be created\n");
        return false;
    }
    HWND hwnd = window.GetHwnd();
    ShowWindow(hwnd, SW_SHOWNORMAL);
    if (!SetClientSize(hwnd, size)) {
        std::fprintf(stderr, "the client area cannot be %d x %d\n", size.width, size.height);
        return false;
    }
    SetUpScene(window);
    Settle(hwnd);
    const RECT client = {0, 0, size.width, size.height};
    const RECT board = window.boardRect;
    HDC buffer = window.BackBuffer();
    // The paint's final copy goes to a 1 × 1 bitmap here, which clips it to nothing.
    MemoryDc sink;
    sink.Create(buffer);
    sink.SelectNewBitmap(buffer, 1, 1);

    const auto paintIntoBuffer = [&] {
        const LONGLONG start = Now();
        window.Paint(sink, &client);
        GdiFlush();
        return Now() - start;
    };
    const auto repaint = [&](const RECT* area) {
        const LONGLONG start = Now();
        InvalidateRect(hwnd, area, FALSE);
        UpdateWindow(hwnd);
        GdiFlush();
        return Now() - start;
    };

    window.DrawCellsPieceByPiece(pieceByPiece);
    const Summary cached = Measure(paintIntoBuffer);
    // The system's share of a repaint: the same repaint whose paint only copies the buffer.
    const auto copyOnlyRepaint = [&] {
        window.copyOnly = true;
        const LONGLONG ticks = repaint(nullptr);
        window.copyOnly = false;
        return ticks;
    };
    const auto [whole, system] = MeasureByTurns([&] { return repaint(nullptr); }, copyOnlyRepaint);
    const Summary boardOnly = Measure([&] { return repaint(&board); });

    // A key press travels through the queue and the real message loop; the paint that follows
    // ends the loop. The bar moves left and right by turns.
    int missedMoves = 0;
    bool left = true;
    const Summary latency = Measure([&] {
        Settle(hwnd);
        const std::int32_t before = window.pieceX;
        window.quitAfterPaint = true;
        const LONGLONG start = Now();
        PostMessageW(hwnd, WM_KEYDOWN, left ? VK_LEFT : VK_RIGHT, 1);
        RunMessageLoop();
        const LONGLONG ticks = window.paintEnd - start;
        missedMoves += window.pieceX == before + (left ? -1 : 1) ? 0 : 1;
        left = !left;
        return ticks;
    });

    window.DrawCellsPieceByPiece(true);
    const Summary reference = Measure(paintIntoBuffer);
    window.DrawCellsPieceByPiece(pieceByPiece);

    HDC screen = GetDC(hwnd);
    const Summary floor = Measure([&] {
        const LONGLONG start = Now();
        FillRect(buffer, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        BitBlt(screen, 0, 0, size.width, size.height, buffer, 0, 0, SRCCOPY);
        GdiFlush();
        return Now() - start;
    });
    ReleaseDC(hwnd, screen);
    // The floor left a white client area on the screen; the scene goes back on it.
    InvalidateRect(hwnd, nullptr, FALSE);
    Settle(hwnd);

    std::printf(
        "client %d x %d (%s window), cells of %d px, %ld landed blocks, falling bar, "
        "next tee; %d repetitions\n",
        size.width, size.height, fitsScreen ? "framed" : "frameless", window.layout.CellSize(),
        LandedBlocks(window), kRepetitions);
    std::printf("  %-66s %9s %9s\n", "", "median ms", "max ms");
    PrintRow("(1) paint into the back buffer", cached);
    PrintRow("(2) whole-client repaint, copy to the screen included", whole);
    PrintRow("(3) board-only repaint (a move or a fall tick)", boardOnly);
    PrintRow("(4) key-to-screen latency through the message loop", latency);
    PrintRow("(5) reference: one DrawJigsawImage per cell, into the buffer", reference);
    PrintRow("(6) floor: FillRect of the client area and its BitBlt", floor);
    PrintRow("(7) system share: (2) with a paint that only copies the buffer", system);
    std::printf("  ratio (5)/(1): %.1f (goal: at least 20)\n", reference.median / cached.median);
    std::printf("  ratio (2)/(6): %.2f (goal: at most 3)\n", whole.median / floor.median);
    std::printf("  ratio (2)/(7): %.2f (the window's own share of the repaint)\n",
                whole.median / system.median);
    std::printf("  latency (4): median %.3f ms, max %.3f ms (goal: under 5 ms)\n", latency.median,
                latency.maximum);
    if (missedMoves != 0) {
        std::printf("  warning: %d key presses did not move the bar\n", missedMoves);
    }
    std::printf("\n");
    DestroyWindow(hwnd);
    // The quit message of the destroyed window.
    MSG message;
    PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const bool pieceByPiece = argc > 1 && std::strcmp(argv[1], "--piece-by-piece") == 0;
    if (pieceByPiece) {
        std::printf("every paint draws its cells piece by piece\n\n");
    }
    bool allSizes = true;
    for (const ClientSize& size : kSizes) {
        allSizes = RunAtSize(size, pieceByPiece) && allSizes;
    }
    return allSizes ? 0 : 1;
}
