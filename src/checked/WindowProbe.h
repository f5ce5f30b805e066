// Lets a test in another process see what the game's main window shows, which it cannot read
// itself under Wine's null display driver: with KV_WINDOW_PROBE=1 in the environment the main
// window answers the message registered under ProbeMessageName with the share, in percent, of
// its client area that is not black, sampled every 8 pixels. 0 for an empty client area.
#pragma once

#include <windows.h>

namespace WindowProbe {

constexpr wchar_t ProbeMessageName[] = L"KvBlocks checked build: share of the client area painted";
constexpr char Variable[] = "KV_WINDOW_PROBE";

// Returns the share that the message answers, for a window of this process.
int PaintedShare(HWND window);

}  // namespace WindowProbe
