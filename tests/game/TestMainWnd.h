// The main window for tests: its fields exposed, and its timers recorded. Nothing here needs
// GoogleTest, so that benchmarks and long runs use it too.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include <windows.h>

#include "KvMainWnd.h"

// The client size the program runs with.
constexpr int TestClientWidth = 634;
constexpr int TestClientHeight = 612;

// Piece types and orientations of the shape table that the tests place by hand.
constexpr std::int32_t BarType = 1;
constexpr std::int32_t TeeType = 3;

// Gives a window the client size asked for and shows it; the frame's size is measured, not
// assumed. Returns the client rectangle the window has then.
inline RECT ResizeClientArea(HWND hwnd, int width, int height) {
    RECT outer = {};
    RECT client = {};
    GetWindowRect(hwnd, &outer);
    GetClientRect(hwnd, &client);
    const int frameWidth = (outer.right - outer.left) - client.right;
    const int frameHeight = (outer.bottom - outer.top) - client.bottom;
    SetWindowPos(hwnd, nullptr, 0, 0, width + frameWidth, height + frameHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    GetClientRect(hwnd, &client);
    return client;
}

class TestMainWnd : public KvMainWnd {
  public:
    // The game's fields and the window's own, which the tests read and set.
    using KvMainWnd::board;
    using KvMainWnd::boardRect;
    using KvMainWnd::ChooseNextPiece;
    using KvMainWnd::comboBox;
    using KvMainWnd::currentOrientation;
    using KvMainWnd::currentType;
    using KvMainWnd::layout;
    using KvMainWnd::level;
    using KvMainWnd::nextOrientation;
    using KvMainWnd::nextType;
    using KvMainWnd::panelRect;
    using KvMainWnd::paused;
    using KvMainWnd::pieceCells;
    using KvMainWnd::pieceX;
    using KvMainWnd::pieceY;
    using KvMainWnd::rowsRemoved;
    using KvMainWnd::score;
    using KvMainWnd::startButton;
    using KvMainWnd::state;
    using KvMainWnd::statusText;

    // Running timers with their intervals, as the window set and killed them; the real timers run
    // as well, but the tests never dispatch their ticks.
    std::map<UINT_PTR, UINT> timers;
    // Every timer start in order.
    std::vector<UINT_PTR> starts;

    HDC BackBuffer() const { return backBuffer.Dc(); }
    // Draws the cells piece by piece, as without cell pictures, or from the pictures again.
    void DrawCellsPieceByPiece(bool pieceByPiece) { cellPicturesCached = !pieceByPiece; }
    int MinTrackWidth() const { return minTrackWidth; }
    int MinTrackHeight() const { return minTrackHeight; }

  protected:
    bool StartTimer(std::uintptr_t id, std::uint32_t interval) override {
        timers[id] = interval;
        starts.push_back(id);
        return KvMainWnd::StartTimer(id, interval);
    }
    void StopTimer(std::uintptr_t id) override {
        timers.erase(id);
        KvMainWnd::StopTimer(id);
    }
};
