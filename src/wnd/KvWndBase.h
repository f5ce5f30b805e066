// A window object's handle, drawing surfaces and sizing hooks, and its place in the registry.
#pragma once

#include <windows.h>

#include "IKvWnd.h"
#include "KvClassBase.h"
#include "BackBuffer.h"

// IKvWnd comes first so that the object's primary virtual table serves the registry; deleting
// through a KvClassBase pointer destroys the whole window object.
class KvWndBase : public IKvWnd, public KvClassBase {
  public:
    // The virtual operations keep this order; subclasses add theirs behind it.
    HWND GetHwnd() const override;
    // Sets the smallest size the window may be dragged to, reported at WM_GETMINMAXINFO.
    virtual void SetMinTrackSize(int cx, int cy);
    // Returns whether the framework kills timer 1 when it fires.
    virtual bool ShouldStopTimerOne() const;
    // Returns whether WM_PAINT goes to the subclass instead of the framework's paint path.
    virtual bool HandlesPaintItself() const;
    // Returns whether the window keeps a back buffer.
    virtual bool IsDoubleBuffered() const;
    // Returns whether a second buffer of the same size is kept beside the back buffer.
    virtual bool HasSecondBuffer() const;

    ~KvWndBase() override;

    HWND ParentHwnd() const { return parentHwnd; }

  protected:
    KvWndBase();

    HWND hwnd = nullptr;
    HWND parentHwnd = nullptr;
    // In client coordinates; subclasses may draw into it.
    BackBuffer backBuffer;
    // Addressed in the parent's client coordinates; not owned.
    HDC backgroundDc = nullptr;
    int minTrackWidth = 0;
    int minTrackHeight = 0;
};
