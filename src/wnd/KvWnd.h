// A window object that registers its window class, creates its window and processes its messages.
#pragma once

#include <windows.h>

#include "KvWndBase.h"

// Private messages of the framework. The first two are posted by a window to itself; the third
// may be sent or posted by anyone.
constexpr UINT WM_KV_SIZECHANGED = WM_USER + 102;    // wParam 0, lParam as in WM_SIZE
constexpr UINT WM_KV_ACTIVECHANGED = WM_USER + 103;  // wParam nonzero: active or enabled
constexpr UINT WM_KV_RESTORE = WM_USER + 104;        // restore and bring to the foreground

class KvWnd : public KvWndBase {
  public:
    // The framework's own timer; a subclass's timers take other ids.
    static constexpr UINT_PTR FrameworkTimerId = 1;
    // The class style of the framework's children and of the game's main window: double clicks,
    // and a full redraw whenever the width or the height changes.
    static constexpr UINT StandardClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;

    KvWnd();
    ~KvWnd() override;

    // Registers the window class of `classStyle` if needed and creates the window, empty-titled
    // at (0, 0) with size 0 × 0. Returns false when the object already has a window or creation
    // fails.
    virtual bool Create(UINT classStyle, DWORD style, DWORD exStyle, HWND parent, HDC background);
    // Creates a hidden, borderless child of `parent`; false for a null parent.
    virtual bool CreateChild(HWND parent, HDC background);
    // Returns whether the window wants WM_MOUSELEAVE.
    virtual bool TracksMouseLeave() const;
    // Called on a left click while the framework holds no capture; returns whether to capture
    // the mouse until the button is released.
    virtual bool OnLButtonDown(int x, int y);
    // Called for every message the framework does not answer itself. Must pass what it does not
    // handle to DefWindowProcW; returning -1 for WM_CREATE makes the creation fail.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Called by the framework's paint path with the target DC, which already holds the
    // background under `rect`; only `rect` reaches the screen.
    virtual void Paint(HDC dc, const RECT* rect);

    // The window procedure of every framework window class.
    static LRESULT CALLBACK StaticWndProc(HWND handle, UINT message, WPARAM wParam,
                                          LPARAM lParam) noexcept;

  protected:
    bool trackingMouseLeave = false;
    bool mouseCaptured = false;
    // A paint could not begin; the next one covers the whole client area, and timer 1 asks for it.
    bool paintMissed = false;

  private:
    LRESULT ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT AnswerOutOfMemory(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroyWithoutWmDestroy(WPARAM wParam, LPARAM lParam);
    void OnSize(int width, int height, LPARAM sizeLParam);
    void PostActiveChanged(WPARAM active);
    LRESULT OnPaintMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaint();
    LRESULT OnGetMinMaxInfo(WPARAM wParam, LPARAM lParam);
    LRESULT OnTimerOne();
    void TrackMouseLeave();
    void FocusAndCapture(int x, int y);
    void ReleaseMouseCapture();
    void ForgetMouseLeave();
    LRESULT RestoreAndActivate();

    void FinishDestroy();
    void DrawBackground(HDC target, const RECT& rect);
};
