// The view of a window object that the window registry needs: its window handle.
#pragma once

#include <windows.h>

class IKvWnd {
  public:
    IKvWnd() = default;
    IKvWnd(const IKvWnd&) = delete;
    IKvWnd& operator=(const IKvWnd&) = delete;

    // Returns the object's window, or null while it has none. Called under the registry's lock,
    // so it must not use the registry itself.
    virtual HWND GetHwnd() const = 0;

  protected:
    // The registry only points at objects; it never deletes one through this interface.
    ~IKvWnd() = default;
};
