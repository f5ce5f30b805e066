// Free operations that centre a window and resize a framework window where it stands.
#pragma once

#include <windows.h>

#include "KvWndBase.h"

// Moves the window by half the difference between its size and its area's: the parent's client
// area for a child, the primary monitor's work area otherwise. The area's own origin is not
// added. A null handle is ignored.
void CenterWindow(HWND hwnd);

// Gives the window's outer rectangle the new size without moving it: a child keeps the position
// of its client area in the parent, a top-level window the top-left corner of its rectangle.
void ResizeKeepingPosition(const KvWndBase& window, int width, int height);
