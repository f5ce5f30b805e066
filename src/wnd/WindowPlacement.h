// Free operations that centre a window and resize a framework window where it stands.
#pragma once

#include <windows.h>

#include "KvWndBase.h"

// Moves the window by half the difference between its size and its area's: the parent's client
// area for a child, the primary monitor's work area otherwise. The area's own origin is not
// added. A null handle, or a window or area whose rectangle cannot be read, is left alone.
void CenterWindow(HWND hwnd);

// Gives the window's outer rectangle the new size without moving it: a child keeps the position
// of its client area in the parent, a top-level window the top-left corner of its rectangle.
// Returns false when the window could not be resized.
bool ResizeKeepingPosition(const KvWndBase& window, int width, int height);

// Moves a top-level window the least distance that brings it inside the primary monitor's work
// area, or to the area's top-left corner when it is larger. Leaves it alone when it is inside
// already, or when its rectangle or the area cannot be read. A minimised or maximised window
// is left as it is.
void KeepOnWorkArea(HWND hwnd);
