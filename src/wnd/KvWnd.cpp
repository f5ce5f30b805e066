#include "KvWnd.h"

#include <commctrl.h>

#include <new>

#include "ModuleInstance.h"
#include "PaintScope.h"
#include "WideString.h"
#include "WindowRegistry.h"

namespace {

// How long after a paint that could not begin the window asks to be painted again.
constexpr UINT MissedPaintRetryDelay = 100;

// One window class per class style, all with StaticWndProc as their window procedure.
constexpr wchar_t ClassNameFormat[] = L"_Pmw_KvWnd2_classCtyle:%X_";

// Mouse messages carry signed 16-bit client coordinates (negative left of or above the window).
int ClientX(LPARAM lParam) {
    return static_cast<short>(LOWORD(lParam));
}
int ClientY(LPARAM lParam) {
    return static_cast<short>(HIWORD(lParam));
}

// Returns the window object passed as the creation parameter of WM_NCCREATE or WM_CREATE.
KvWnd* CreationParameter(LPARAM lParam) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    return create != nullptr ? static_cast<KvWnd*>(create->lpCreateParams) : nullptr;
}

}  // namespace

KvWnd::KvWnd() = default;

KvWnd::~KvWnd() = default;

bool KvWnd::Create(UINT classStyle, DWORD style, DWORD exStyle, HWND parent, HDC background) {
    if (hwnd != nullptr) {
        return false;
    }
    WideString className;
    className.Format(ClassNameFormat, classStyle);

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = classStyle;
    windowClass.lpfnWndProc = StaticWndProc;
    windowClass.hInstance = moduleInstance();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className.c_str();
    // Fails from the second window of a class style on, as the class exists already; creation
    // then goes on with that class.
    RegisterClassExW(&windowClass);

    HWND created = CreateWindowExW(exStyle, className.c_str(), L"", style, 0, 0, 0, 0, parent,
                                   nullptr, moduleInstance(), static_cast<KvWnd*>(this));
    hwnd = created;
    if (created == nullptr) {
        return false;
    }
    parentHwnd = parent;
    backgroundDc = background;
    return true;
}

bool KvWnd::CreateChild(HWND parent, HDC background) {
    if (parent == nullptr) {
        return false;
    }
    return Create(StandardClassStyle, WS_CHILD, 0, parent, background);
}

bool KvWnd::TracksMouseLeave() const {
    return false;
}

bool KvWnd::OnLButtonDown(int, int) {
    return false;
}

void KvWnd::Paint(HDC, const RECT*) {}

// Returns the object's answer to a message of one of the framework's classes. The object is
// found through the creation parameter while the window is being created and through the
// registry afterwards; a handle without an object gets the default processing.
//
// No exception leaves this function: unwinding through the system's frames is undefined
// behaviour. Running out of memory is a failure the program answers (the message gets the answer
// of AnswerOutOfMemory); any other exception is a bug, after which the window's state is
// unknown: as the function is noexcept, it ends the program through std::terminate, where the
// checked build reports it as a fault, rather than let it run on.
LRESULT CALLBACK KvWnd::StaticWndProc(HWND handle, UINT message, WPARAM wParam,
                                      LPARAM lParam) noexcept {
    KvWnd* window = nullptr;
    LPARAM routedLParam = lParam;
    CREATESTRUCTW createCopy;
    if (message == WM_NCCREATE) {
        window = CreationParameter(lParam);
        if (window == nullptr) {
            return FALSE;
        }
        window->hwnd = handle;
    } else if (message == WM_CREATE) {
        window = CreationParameter(lParam);
        if (window == nullptr) {
            return -1;
        }
        // The object works on a copy, never on the system's own record.
        createCopy = *reinterpret_cast<const CREATESTRUCTW*>(lParam);
        routedLParam = reinterpret_cast<LPARAM>(&createCopy);
    } else {
        // The registry holds IKvWnd objects; only a KvWnd processes messages.
        window = dynamic_cast<KvWnd*>(WindowRegistry::Process().FindByHwnd(handle));
        if (window == nullptr) {
            return DefWindowProcW(handle, message, wParam, lParam);
        }
    }
    try {
        return window->ProcessMessage(message, wParam, routedLParam);
    } catch (const std::bad_alloc&) {
        return window->AnswerOutOfMemory(handle, message, wParam, lParam);
    }
}

// Returns what a message whose processing ran out of memory is answered with: creation fails and
// frees what it made, destruction completes the framework's part, anything else gets the default
// processing, so that for example a WM_PAINT still validates the window.
LRESULT KvWnd::AnswerOutOfMemory(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
        case WM_NCCREATE:
            return FALSE;
        case WM_CREATE:
            backBuffer.Release();
            return -1;
        case WM_DESTROY:
            FinishDestroy();
            return 0;
        case WM_NCDESTROY:
            FinishDestroy();
            return DefWindowProcW(handle, message, wParam, lParam);
        default:
            return DefWindowProcW(handle, message, wParam, lParam);
    }
}

// Returns the result of one message. The switch is the framework's message table, kept to one
// line per message: a case that returns answers the message itself; a case that breaks does the
// framework's part first and then hands the message to HandleMessage.
LRESULT KvWnd::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // clang-format off
    switch (message) {
        case WM_CREATE:        return OnCreate(wParam, lParam);
        case WM_DESTROY:       return OnDestroy(wParam, lParam);
        case WM_NCDESTROY:     return OnDestroyWithoutWmDestroy(wParam, lParam);
        case WM_SIZE:          OnSize(LOWORD(lParam), HIWORD(lParam), lParam); break;
        case WM_ACTIVATE:      PostActiveChanged(LOWORD(wParam) != 0 ? 1 : 0); break;
        case WM_ENABLE:        PostActiveChanged(wParam); break;
        case WM_PAINT:         return OnPaintMessage(wParam, lParam);
        case WM_ACTIVATEAPP:   PostActiveChanged(wParam); break;
        case WM_GETMINMAXINFO: return OnGetMinMaxInfo(wParam, lParam);
        case WM_NCCALCSIZE:    return DefWindowProcW(hwnd, message, wParam, lParam);
        case WM_TIMER:         if (wParam == FrameworkTimerId) return OnTimerOne(); break;
        case WM_MOUSEMOVE:     TrackMouseLeave(); break;
        case WM_LBUTTONDOWN:   FocusAndCapture(ClientX(lParam), ClientY(lParam)); break;
        case WM_LBUTTONUP:     ReleaseMouseCapture(); break;
        case WM_MOUSELEAVE:    ForgetMouseLeave(); break;
        case WM_KV_RESTORE:    return RestoreAndActivate();
        default:               break;
    }
    // clang-format on
    return HandleMessage(message, wParam, lParam);
}

// Called at WM_CREATE. The memory DCs exist before the subclass sees the message, so that it may
// draw into them; their bitmaps come with the first WM_SIZE.
LRESULT KvWnd::OnCreate(WPARAM wParam, LPARAM lParam) {
    if (IsDoubleBuffered()) {
        backBuffer.Make(hwnd, HasSecondBuffer());
    }
    const LRESULT result = HandleMessage(WM_CREATE, wParam, lParam);
    if (result == -1) {
        backBuffer.Release();
        return result;
    }
    // A subclass may have destroyed its window already; a null handle would repaint every window.
    if (hwnd != nullptr) {
        InvalidateRect(hwnd, nullptr, TRUE);
        UpdateWindow(hwnd);
    }
    return result;
}

// Called at WM_DESTROY, after which the object has no window but lives on.
LRESULT KvWnd::OnDestroy(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = HandleMessage(WM_DESTROY, wParam, lParam);
    FinishDestroy();
    return result;
}

// Called at WM_NCDESTROY while the object still has its window, which happens only when
// WM_DESTROY never came: a creation that fails after WM_NCCREATE (-1 from WM_CREATE, or a
// failure of the system's own after WM_CREATE succeeded) ends with WM_NCDESTROY alone. The
// subclass gets its WM_DESTROY all the same, so that what it acquired at creation is released
// exactly as when a window is destroyed; the message itself gets the default processing.
LRESULT KvWnd::OnDestroyWithoutWmDestroy(WPARAM wParam, LPARAM lParam) {
    HWND handle = hwnd;
    OnDestroy(0, 0);
    return DefWindowProcW(handle, WM_NCDESTROY, wParam, lParam);
}

// Clears the handle, so that the window's last messages go to DefWindowProcW. A mouse-leave
// request dies with the window; forgetting it lets a window created later ask again.
void KvWnd::FinishDestroy() {
    hwnd = nullptr;
    backBuffer.Release();
    if (mouseCaptured) {
        ReleaseCapture();
        mouseCaptured = false;
    }
    trackingMouseLeave = false;
}

// Called at WM_SIZE with the new client size. A window that keeps buffers has them grow here,
// before its next paint.
void KvWnd::OnSize(int width, int height, LPARAM sizeLParam) {
    backBuffer.Cover(hwnd, width, height);
    PostMessageW(hwnd, WM_KV_SIZECHANGED, 0, sizeLParam);
}

void KvWnd::PostActiveChanged(WPARAM active) {
    PostMessageW(hwnd, WM_KV_ACTIVECHANGED, active, 0);
}

// Called at WM_PAINT: the framework's paint, or the subclass's own. A paint that could not begin
// gave up its area (PaintScope), and with no game running nothing else would ask for the window
// to be painted again: it would show stale or black pixels until covered or resized. The
// framework's timer asks again a little later, and after every paint that fails once more; the
// window's other timers tick in between, where a paint asked for at once would come before them
// for as long as the failure lasts.
LRESULT KvWnd::OnPaintMessage(WPARAM wParam, LPARAM lParam) {
    const LRESULT result =
        HandlesPaintItself() ? HandleMessage(WM_PAINT, wParam, lParam) : OnPaint();
    if (paintMissed && hwnd != nullptr) {
        SetTimer(hwnd, FrameworkTimerId, MissedPaintRetryDelay, nullptr);
    }
    return result;
}

// Called at WM_PAINT unless the subclass paints itself. The paint rectangle gets its background,
// then the subclass draws, through the back buffer where the window keeps one.
LRESULT KvWnd::OnPaint() {
    PaintScope paint(hwnd, paintMissed);
    const RECT& rect = paint.Rect();
    if (!paint.Began() || rect.right <= rect.left || rect.bottom <= rect.top) {
        return 0;
    }
    backBuffer.PaintThrough(hwnd, paint.Dc(), rect, [this, &rect](HDC target) {
        DrawBackground(target, rect);
        SetBkMode(target, TRANSPARENT);
        Paint(target, &rect);
    });
    return 0;
}

// The background DC is addressed in the parent's client coordinates, so the rectangle's corner
// is carried over through screen coordinates.
void KvWnd::DrawBackground(HDC target, const RECT& rect) {
    if (parentHwnd == nullptr || backgroundDc == nullptr) {
        FillRect(target, &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        return;
    }
    POINT source = {rect.left, rect.top};
    ClientToScreen(hwnd, &source);
    ScreenToClient(parentHwnd, &source);
    BitBlt(target, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
           backgroundDc, source.x, source.y, SRCCOPY);
}

// Called at WM_GETMINMAXINFO. The stored minimum replaces the system's even when it is 0 × 0.
LRESULT KvWnd::OnGetMinMaxInfo(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = DefWindowProcW(hwnd, WM_GETMINMAXINFO, wParam, lParam);
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    if (info != nullptr) {
        info->ptMinTrackSize.x = minTrackWidth;
        info->ptMinTrackSize.y = minTrackHeight;
    }
    return result;
}

// Called when timer 1 fires; the subclass never sees it. After a paint that could not begin, the
// whole window is asked for again.
LRESULT KvWnd::OnTimerOne() {
    if (paintMissed) {
        InvalidateRect(hwnd, nullptr, FALSE);
    }
    if (ShouldStopTimerOne()) {
        KillTimer(hwnd, FrameworkTimerId);
    }
    return 0;
}

// Called at WM_MOUSEMOVE. One request is enough until WM_MOUSELEAVE arrives; a failed request is
// repeated at the next move.
void KvWnd::TrackMouseLeave() {
    if (!TracksMouseLeave() || trackingMouseLeave) {
        return;
    }
    TRACKMOUSEEVENT request = {};
    request.cbSize = sizeof request;
    request.dwFlags = TME_LEAVE;
    request.hwndTrack = hwnd;
    request.dwHoverTime = 0;
    if (_TrackMouseEvent(&request)) {
        trackingMouseLeave = true;
    }
}

// Called at WM_LBUTTONDOWN with the click's client coordinates.
void KvWnd::FocusAndCapture(int x, int y) {
    SetFocus(hwnd);
    if (!mouseCaptured && OnLButtonDown(x, y)) {
        SetCapture(hwnd);
        mouseCaptured = true;
    }
}

// Called at WM_LBUTTONUP; releases only a capture the framework took.
void KvWnd::ReleaseMouseCapture() {
    if (mouseCaptured) {
        ReleaseCapture();
        mouseCaptured = false;
    }
}

void KvWnd::ForgetMouseLeave() {
    trackingMouseLeave = false;
}

LRESULT KvWnd::RestoreAndActivate() {
    ShowWindow(hwnd, SW_RESTORE);
    SetForegroundWindow(hwnd);
    return 0;
}
