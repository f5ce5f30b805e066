// What a test reads off the game's scene: the colours it is drawn in, the board found from its
// frame's pixels, and the side panel's parts found from the place of the start/stop button.
#pragma once

#include <windows.h>

#include "Surface.h"

// The colours of the board and the panel without cells: background, grid lines, frames, text.
constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF GridColour = RGB(168, 168, 168);
constexpr COLORREF FrameColour = RGB(27, 27, 27);

// The falling and previewed cells' picture is red; paused status text is pure red.
bool IsRed(COLORREF colour);
// Black text and dark frames.
bool IsDark(COLORREF colour);
// Anything a cell picture may put where the empty board shows white, grid and frame.
bool IsCellColour(COLORREF colour);

// Where the board stands, found from its frame's pixels, and its cell pitch.
struct Board {
    RECT frame;  // the frame's own pixels: left and top, right and bottom inclusive
    int pitch;

    RECT Inside() const { return {frame.left + 1, frame.top + 1, frame.right, frame.bottom}; }
};

// Finds the board's frame left of `panelLeft`, scanning across the middle and down a column
// inside it; false when there is none.
bool FindBoard(const Surface& shot, int panelLeft, Board& board);

// The side panel in the main window's client coordinates, found from the place of its button,
// which stands 30 pixels from the panel's left and 90 from its top.
struct Panel {
    explicit Panel(HWND main);

    RECT area;
    // The preview box of the next piece, frame included.
    RECT Preview() const;
    // The band at the panel's bottom where the status line stands, within a client area of
    // `clientHeight`.
    RECT StatusBand(int clientHeight) const;
};
