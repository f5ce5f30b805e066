// The main window's creation, message dispatch, end, and its part as the game flow's front end;
// the layout and paint of the scene are in KvMainWndScene.cpp.
#include "KvMainWnd.h"

#include <imm.h>

#include <array>
#include <cstdlib>

#include "AppContext.h"
#include "ComboBox.h"
#include "FontCache.h"
#include "PaintScope.h"
#include "ResourceIds.h"

namespace {

// The button's texts: between its creation and the first idle state (never seen on screen), and
// while no game runs or while one does.
constexpr wchar_t CreationCaption[] = L"测试";
constexpr wchar_t StartCaption[] = L"开始游戏";
constexpr wchar_t StopCaption[] = L"停止游戏";

// The flow names the keys by the system's virtual-key codes.
static_assert(GameFlow::SpaceKey == VK_SPACE && GameFlow::LeftKey == VK_LEFT &&
                  GameFlow::UpKey == VK_UP && GameFlow::RightKey == VK_RIGHT &&
                  GameFlow::DownKey == VK_DOWN,
              "the game's keys");
static_assert(GameFlow::DifficultyCount == ComboBoxFillCount, "one list item per difficulty");
// The game's timers are the window's; the framework keeps one id for itself.
static_assert(GameFlow::StartDelayTimer != KvWnd::FrameworkTimerId &&
                  GameFlow::FallTimer != KvWnd::FrameworkTimerId &&
                  GameFlow::SpawnTimer != KvWnd::FrameworkTimerId &&
                  GameFlow::GameOverTimer != KvWnd::FrameworkTimerId,
              "the game's timers and the framework's");

}  // namespace

// The rules keep a reference to the context's shape table, so the context is built here, before
// the window's first message; the table itself is filled at WM_CREATE.
KvMainWnd::KvMainWnd() : GameFlow(GetAppContext().shapes) {
    std::srand(GetTickCount());
}

// A window that outlives its object would lose its WM_DESTROY to the default procedure and keep
// the context filled; destroying it here, while the object is whole, releases the context.
KvMainWnd::~KvMainWnd() {
    if (hwnd != nullptr) {
        DestroyWindow(hwnd);
    }
}

bool KvMainWnd::HandlesPaintItself() const {
    return true;
}

// Returns the answer to one message. The switch is the window's message table: a case that
// returns answers the message itself; a case that breaks ends with the default processing.
LRESULT KvMainWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // clang-format off
    switch (message) {
        case WM_CREATE:             OnCreate(); break;
        case WM_DESTROY:            OnDestroy(); break;
        case WM_SIZE:               OnSize(LOWORD(lParam), HIWORD(lParam)); break;
        case WM_PAINT:              return OnPaint();
        case WM_CLOSE:              return OnClose();
        case WM_KEYDOWN:            PressKey(static_cast<std::uint32_t>(wParam)); break;
        case WM_COMMAND:            OnCommand(reinterpret_cast<HWND>(lParam)); break;
        case WM_TIMER:              Tick(static_cast<std::uintptr_t>(wParam)); break;
        case DestroyRequestMessage: return OnDestroyRequest();
        default:                    break;
    }
    // clang-format on
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Called at WM_CREATE: the context is filled before the controls need its font and module.
void KvMainWnd::OnCreate() {
    GetAppContext().Initialize();
    CreateControls();
    DetachInputMethod();
}

// Most players type with a Chinese input method that starts in Chinese mode. Every window has
// its thread's input context by default, through which the input method would take the letter
// keys (the window sees VK_PROCESSKEY instead of A, D, S and W), open its candidate box over the
// well and take a following Space as the choice of a candidate instead of a turn. Without a
// context, the window and its controls get every key as it is.
void KvMainWnd::DetachInputMethod() {
    ImmAssociateContext(hwnd, nullptr);
    ImmAssociateContextEx(hwnd, nullptr, IACE_CHILDREN);
}

// Called at WM_DESTROY; the system destroys the controls and the window's timers with it. The
// cell pictures go with the context's images they were drawn from. The back buffer goes before
// the context lets go of its pens and fonts: deleting it lets go of whatever a paint left
// selected in it (a paint cut short, or a selection that could not be undone), which the caches
// could not delete otherwise.
void KvMainWnd::OnDestroy() {
    backBuffer.Release();
    cellPictures.Clear();
    GetAppContext().Shutdown();
    PostQuitMessage(0);
}

// Called at WM_SIZE. A zero width or height (creation, minimising) keeps the last layout.
void KvMainWnd::OnSize(int width, int height) {
    if (width == 0 || height == 0) {
        return;
    }
    clientWidth = width;
    clientHeight = height;
    UpdateLayout();
}

LRESULT KvMainWnd::OnPaint() {
    PaintScope paint(hwnd, paintMissed);
    if (paint.Began()) {
        Paint(paint.Dc(), &paint.Rect());
    }
    return 0;
}

// Called at WM_CLOSE. The window is destroyed from its own message instead of inside the close
// command, which the system may be sending from deep inside its own processing; when the
// message cannot be posted, it is destroyed here rather than not at all.
LRESULT KvMainWnd::OnClose() {
    if (!PostMessageW(hwnd, DestroyRequestMessage, 0, 0)) {
        DestroyWindow(hwnd);
    }
    return 0;
}

// A window that cannot be destroyed still ends the run: the loop ends, and the entry function
// destroys the window object, which tries once more.
LRESULT KvMainWnd::OnDestroyRequest() {
    if (!DestroyWindow(hwnd)) {
        PostQuitMessage(0);
    }
    return 0;
}

// Called at WM_COMMAND. Only the start/stop button sends commands; a command without a control
// (a menu or accelerator) is not the button, even before the button exists.
void KvMainWnd::OnCommand(HWND control) {
    if (control != nullptr && control == startButton) {
        PressButton();
    }
}

// Called at WM_CREATE after the context is filled; the game then becomes idle. A control that
// cannot be created leaves the window without it.
void KvMainWnd::CreateControls() {
    const AppContext& context = GetAppContext();
    HFONT bodyFont = GetFont(context.bodyFont);

    comboBox = CreateComboBox(hwnd, bodyFont);
    SendMessageW(comboBox, CB_RESETCONTENT, 0, 0);
    std::array<LPARAM, ComboBoxFillCount> values;
    std::array<const wchar_t*, ComboBoxFillCount> texts;
    for (int i = 0; i < ComboBoxFillCount; ++i) {
        values[i] = Difficulties[i].level;
        texts[i] = Difficulties[i].text;
    }
    FillComboBox(comboBox, values, texts);

    startButton = CreateWindowExW(0, L"button", CreationCaption, WS_CHILD | WS_VISIBLE | WS_BORDER,
                                  0, 0, 0, 0, hwnd, nullptr, context.moduleHandle, nullptr);
    SendMessageW(startButton, WM_SETFONT, reinterpret_cast<WPARAM>(bodyFont), FALSE);

    ControlsCreated();

    HICON icon = LoadIconW(context.moduleHandle, MAKEINTRESOURCEW(KV_APP_ICON));
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SetWindowTextW(hwnd, context.windowTitle.c_str());
}

bool KvMainWnd::StartTimer(std::uintptr_t id, std::uint32_t interval) {
    return SetTimer(hwnd, id, interval, nullptr) != 0;
}

void KvMainWnd::StopTimer(std::uintptr_t id) {
    KillTimer(hwnd, id);
}

void KvMainWnd::ShowGameControls() {
    EnableWindow(comboBox, FALSE);
    SetWindowTextW(startButton, StopCaption);
}

void KvMainWnd::ShowIdleControls() {
    EnableWindow(comboBox, TRUE);
    SetWindowTextW(startButton, StartCaption);
}

// Returns the level that the list's selected item carries.
std::intptr_t KvMainWnd::ChosenLevel() const {
    const LRESULT selection = SendMessageW(comboBox, CB_GETCURSEL, 0, 0);
    if (selection == CB_ERR) {
        return NoLevel;
    }
    return SendMessageW(comboBox, CB_GETITEMDATA, static_cast<WPARAM>(selection), 0);
}

void KvMainWnd::ShowLevel(std::int32_t level) {
    SelectComboItemByData(comboBox, level);
}

void KvMainWnd::TakeFocus() {
    SetFocus(hwnd);
}

void KvMainWnd::RepaintBoard() {
    Invalidate(&boardRect);
}

void KvMainWnd::RepaintPanel() {
    Invalidate(&panelRect);
}

void KvMainWnd::RepaintClientArea() {
    Invalidate(nullptr);
}

// Asks for `area` (the whole client area when null) to be painted again, without erasing: the
// paint covers every pixel itself. With no window there is nothing to repaint, and a null
// handle would repaint every window on the desktop.
void KvMainWnd::Invalidate(const RECT* area) {
    if (hwnd != nullptr) {
        InvalidateRect(hwnd, area, FALSE);
    }
}
