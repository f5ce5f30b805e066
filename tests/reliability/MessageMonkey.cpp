#include "MessageMonkey.h"

#include <cstddef>
#include <cstdio>
#include <iterator>

#include "KvWnd.h"

namespace {

// Ids that none of the game's timers has: the framework's own, and ids nobody uses.
constexpr UINT_PTR OtherTimers[] = {0, 1, 2, 7, 100};

constexpr UINT BoundKeys[] = {VK_SPACE, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, 'A', 'D', 'S', 'W'};

// The smallest outer size the program allows, and the largest the monkey asks for.
constexpr int MinimumSize = 650;
constexpr int LargestWidth = 1400;
constexpr int LargestHeight = 1100;

// Every held key repeats at most this often before it is released.
constexpr int MostRepeats = 8;
// The inputs that the report of a failure lists.
constexpr std::size_t RememberedInputs = 40;

// A message sent is given this long to be answered, so that a hung game fails the check that
// follows instead of hanging the monkey.
constexpr UINT SendLimit = 20000;

// Returns the lParam of a key message: repeat count, scan code, previous state and transition,
// as the system fills them for a key that goes down, repeats or comes up.
LPARAM KeyLParam(UINT key, bool wasDown, bool goingUp) {
    const DWORD scanCode = MapVirtualKeyW(key, MAPVK_VK_TO_VSC) & 0xFF;
    return static_cast<LPARAM>(1 | (scanCode << 16) | (DWORD{wasDown} << 30) |
                               (DWORD{goingUp} << 31));
}

}  // namespace

MessageMonkey::MessageMonkey(const GameWindows& windows, std::uint32_t seed)
    : windows_(windows), driver_(windows), random_(seed) {}

int MessageMonkey::Below(int limit) {
    return std::uniform_int_distribution<int>(0, limit - 1)(random_);
}

// Counts an input and keeps it for the report of a failure.
void MessageMonkey::Record(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    recent_.push_back({window, message, wParam, lParam});
    if (recent_.size() > RememberedInputs) {
        recent_.pop_front();
    }
    ++inputs_;
}

void MessageMonkey::Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Record(window, message, wParam, lParam);
    PostMessageW(window, message, wParam, lParam);
}

void MessageMonkey::Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Record(window, message, wParam, lParam);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, SendLimit, &result);
}

// One action: its kind is drawn with weights that keep games going and ending. A game ends at
// the first click, so the button is pressed more often while no game runs than during one; the
// difficulty can only change then.
void MessageMonkey::Act() {
    const bool idle = !driver_.InGame();
    const int idleRoll = Below(100);
    if (idleRoll < (idle ? 10 : 1)) {
        ClickButton();
        return;
    }
    if (idle && idleRoll < 20) {
        ChangeDifficulty();
        return;
    }
    const int roll = Below(100);
    if (roll < 42) {
        PressKey();
    } else if (roll < 62) {
        TickTimers();
    } else if (roll < 76) {
        DropPieces();
    } else if (roll < 79) {
        ChangeDifficulty();
    } else if (roll < 91) {
        UseMouse();
    } else if (roll < 96) {
        Resize();
    } else {
        ChangeShowState();
    }
}

// Posts a key going down, its auto-repeats and its release, as the system posts them.
void MessageMonkey::PostKey(HWND window, UINT key, int repeats) {
    Post(window, WM_KEYDOWN, key, KeyLParam(key, false, false));
    for (int i = 0; i < repeats; ++i) {
        Post(window, WM_KEYDOWN, key, KeyLParam(key, true, false));
    }
    tally_["auto-repeats"] += repeats;
    ++tally_["keys"];
    // Releasing F10 opens the system menu, whose letters would then choose its commands (C
    // closes the window) among the random keys that follow; the release of F10 is left out.
    if (key != VK_F10) {
        Post(window, WM_KEYUP, key, KeyLParam(key, true, true));
    }
}

// Half of the keys are the game's own, half any key at all; a third of them are held.
void MessageMonkey::PressKey() {
    const UINT key = Below(2) == 0 ? BoundKeys[Below(static_cast<int>(std::size(BoundKeys)))]
                                   : static_cast<UINT>(1 + Below(254));
    const int repeats = Below(3) == 0 ? 1 + Below(MostRepeats) : 0;
    PostKey(windows_.main, key, repeats);
}

// A burst of ticks: mostly the game's timers, now and then ids the game does not use. The
// game-over tick cuts the pause after a lost game short, so it is rare; the start delay's tick
// matters once a game, so it is less common than the fall and spawn ticks.
void MessageMonkey::TickTimers() {
    const int count = 1 + Below(20);
    for (int i = 0; i < count; ++i) {
        const int roll = Below(200);
        UINT_PTR id = GameFlow::GameOverTimer;
        if (roll < 16) {
            id = OtherTimers[Below(static_cast<int>(std::size(OtherTimers)))];
        } else if (roll < 40) {
            id = GameFlow::StartDelayTimer;
        } else if (roll < 120) {
            id = GameFlow::FallTimer;
        } else if (roll < 199) {
            id = GameFlow::SpawnTimer;
        }
        Post(windows_.main, WM_TIMER, id, 0);
        ++tally_["timer ticks"];
    }
}

// Drops, lands and spawns pieces in quick succession, which fills the well and loses games.
void MessageMonkey::DropPieces() {
    const int count = 1 + Below(12);
    for (int i = 0; i < count; ++i) {
        if (Below(2) == 0) {
            PostKey(windows_.main, Below(2) == 0 ? VK_LEFT : VK_RIGHT, Below(4));
        }
        PostKey(windows_.main, VK_DOWN, 0);
        Post(windows_.main, WM_TIMER, GameFlow::FallTimer, 0);
        Post(windows_.main, WM_TIMER, GameFlow::SpawnTimer, 0);
        tally_["timer ticks"] += 2;
    }
}

// The start/stop button, pressed in the ways a click reaches the game.
void MessageMonkey::ClickButton() {
    ++tally_["clicks"];
    const LPARAM button = reinterpret_cast<LPARAM>(windows_.button);
    switch (Below(4)) {
        case 0:
            Post(windows_.button, BM_CLICK, 0, 0);
            break;
        case 1:
            Post(windows_.main, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), button);
            break;
        case 2:
            Send(windows_.main, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), button);
            break;
        default:
            Post(windows_.button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
            Post(windows_.button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
            break;
    }
}

// Only an enabled list is changed, as only that one takes a player's choice: by its own keys, by
// a selection, or by opening and closing it.
void MessageMonkey::ChangeDifficulty() {
    if (!IsWindowEnabled(windows_.comboBox)) {
        return;
    }
    ++tally_["difficulty changes"];
    switch (Below(3)) {
        case 0:
            PostKey(windows_.comboBox, Below(2) == 0 ? VK_DOWN : VK_UP, 0);
            break;
        case 1:
            Send(windows_.comboBox, CB_SETCURSEL, static_cast<WPARAM>(Below(4) - 1), 0);
            break;
        default:
            Send(windows_.comboBox, CB_SHOWDROPDOWN, TRUE, 0);
            Send(windows_.comboBox, CB_SHOWDROPDOWN, FALSE, 0);
            break;
    }
}

LPARAM MessageMonkey::RandomClientPoint() {
    RECT client = {};
    GetClientRect(windows_.main, &client);
    return MAKELPARAM(Below(static_cast<int>(client.right) + 1),
                      Below(static_cast<int>(client.bottom) + 1));
}

// Moves and clicks in the client area; the right button's context menu has no item there.
void MessageMonkey::UseMouse() {
    ++tally_["mouse actions"];
    const LPARAM point = RandomClientPoint();
    switch (Below(5)) {
        case 0:
            Post(windows_.main, WM_MOUSEMOVE, 0, point);
            break;
        case 1:
            Post(windows_.main, WM_LBUTTONDOWN, MK_LBUTTON, point);
            Post(windows_.main, WM_MOUSEMOVE, MK_LBUTTON, RandomClientPoint());
            Post(windows_.main, WM_LBUTTONUP, 0, point);
            break;
        case 2:
            Post(windows_.main, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
            Post(windows_.main, WM_LBUTTONUP, 0, point);
            break;
        case 3:
            Post(windows_.main, WM_RBUTTONDOWN, MK_RBUTTON, point);
            Post(windows_.main, WM_RBUTTONUP, 0, point);
            break;
        default:
            Post(windows_.main, WM_MOUSEWHEEL,
                 MAKEWPARAM(0, (Below(2) == 0 ? 1 : -1) * WHEEL_DELTA), point);
            break;
    }
}

// A new outer size at or above the minimum, through either call, waited for or not.
void MessageMonkey::Resize() {
    ++tally_["resizes"];
    const int width = MinimumSize + Below(LargestWidth - MinimumSize + 1);
    const int height = MinimumSize + Below(LargestHeight - MinimumSize + 1);
    // Recorded as the WM_SIZE that the resize asks for.
    Record(windows_.main, WM_SIZE, 0, MAKELPARAM(width, height));
    const int how = Below(3);
    if (how == 2) {
        MoveWindow(windows_.main, Below(200), Below(200), width, height, TRUE);
    } else {
        SetWindowPos(
            windows_.main, nullptr, 0, 0, width, height,
            SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | (how == 1 ? SWP_ASYNCWINDOWPOS : 0));
    }
}

// Minimise, maximise and restore through the system commands, or the framework's own restore.
void MessageMonkey::ChangeShowState() {
    ++tally_["show-state changes"];
    static constexpr WPARAM Commands[] = {SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE};
    if (Below(8) == 0) {
        Post(windows_.main, WM_KV_RESTORE, 0, 0);
    } else {
        Post(windows_.main, WM_SYSCOMMAND, Commands[Below(3)], 0);
    }
}

std::string MessageMonkey::Tally() const {
    std::string text = std::to_string(inputs_) + " inputs";
    for (const auto& [kind, count] : tally_) {
        text += ", " + std::to_string(count) + " " + kind;
    }
    return text;
}

const char* MessageMonkey::NameOf(HWND window) const {
    return window == windows_.main       ? "main"
           : window == windows_.comboBox ? "list"
           : window == windows_.button   ? "button"
           : window == nullptr           ? "none"
                                         : "other";
}

std::string MessageMonkey::Describe() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(windows_.main, nullptr);
    char text[256];
    if (!GetGUIThreadInfo(thread, &info)) {
        std::snprintf(text, sizeof text, "no thread information (error %lu)", GetLastError());
    } else {
        // A hung game does not answer; the list then counts as not dropped.
        DWORD_PTR dropped = 0;
        SendMessageTimeoutW(windows_.comboBox, CB_GETDROPPEDSTATE, 0, 0, SMTO_ABORTIFHUNG,
                            SendLimit, &dropped);
        std::snprintf(text, sizeof text,
                      "thread flags 0x%lX (menu mode 0x%X, move or size 0x%X), capture %s, focus "
                      "%s, menu owner %s, minimised %d, maximised %d, list dropped %d",
                      info.flags, GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE,
                      GUI_INMOVESIZE, info.hwndCapture == nullptr ? "none" : "some",
                      NameOf(info.hwndFocus), info.hwndMenuOwner == nullptr ? "none" : "some",
                      IsIconic(windows_.main), IsZoomed(windows_.main), static_cast<int>(dropped));
    }
    std::string description = std::string(text) + "; the last inputs:\n";
    for (const Input& input : recent_) {
        char line[128];
        std::snprintf(line, sizeof line, "%s 0x%04X %llX %llX\n", NameOf(input.window),
                      input.message, static_cast<unsigned long long>(input.wParam),
                      static_cast<unsigned long long>(input.lParam));
        description += line;
    }
    return description;
}
