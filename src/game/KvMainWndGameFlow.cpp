// The game flow of the main window: the states of a game, its four timers, the keys, the
// start/stop button and the difficulty list; start, pause, stop, landing and the lost game.
#include "KvMainWnd.h"

#include <algorithm>
#include <iterator>

#include "ComboBox.h"
#include "GameControls.h"

namespace {

using GameControls::Difficulties;
using GameControls::Difficulty;

// The status line's texts.
constexpr wchar_t PlayingStatus[] = L"游戏中";
constexpr wchar_t PausedStatus[] = L"游戏暂停";
constexpr wchar_t GameOverStatus[] = L"游戏结束";

// What BeginPlay reads when the list has no selection: no level, so the game plays at level 1.
constexpr LPARAM NoSelectionData = 0x7FFFFFFF;

// Returns the level that a difficulty item's data stands for; anything unknown plays as level 1.
std::int32_t LevelForItemData(LPARAM data) {
    for (const Difficulty& difficulty : Difficulties) {
        if (data == difficulty.level) {
            return difficulty.level;
        }
    }
    return Difficulties[0].level;
}

// Returns the fall interval of a level; an unknown level plays as level 1.
UINT FallIntervalForLevel(std::int32_t level) {
    for (const Difficulty& difficulty : Difficulties) {
        if (difficulty.level == level) {
            return difficulty.fallInterval;
        }
    }
    return Difficulties[0].fallInterval;
}

// What a key does in a game; the keys that do nothing are not listed.
enum class KeyAction { Rotate, MoveLeft, TogglePause, MoveRight, Drop };

struct KeyBinding {
    UINT key;
    KeyAction action;
};
constexpr KeyBinding KeyBindings[] = {
    {VK_SPACE, KeyAction::Rotate}, {VK_LEFT, KeyAction::MoveLeft},
    {'A', KeyAction::MoveLeft},    {VK_UP, KeyAction::TogglePause},
    {'W', KeyAction::TogglePause}, {VK_RIGHT, KeyAction::MoveRight},
    {'D', KeyAction::MoveRight},   {VK_DOWN, KeyAction::Drop},
    {'S', KeyAction::Drop},
};

}  // namespace

// Called at WM_KEYDOWN, for every auto-repeat too. The game operations themselves refuse to act
// outside a running, unpaused game with a falling piece.
void KvMainWnd::OnKeyDown(UINT key) {
    const KeyBinding* binding =
        std::find_if(std::begin(KeyBindings), std::end(KeyBindings),
                     [key](const KeyBinding& entry) { return entry.key == key; });
    if (binding == std::end(KeyBindings)) {
        return;
    }
    switch (binding->action) {
        case KeyAction::Rotate:
            if (!paused) {
                RotatePiece();
            }
            break;
        case KeyAction::MoveLeft:
            MovePieceLeft();
            break;
        case KeyAction::TogglePause:
            TogglePause();
            break;
        case KeyAction::MoveRight:
            MovePieceRight();
            break;
        case KeyAction::Drop:
            DropPiece();
            break;
    }
}

// Called at WM_COMMAND. Only the start/stop button sends commands; a command without a control
// (a menu or accelerator) is not the button, even before the button exists.
void KvMainWnd::OnCommand(HWND control) {
    if (control == nullptr || control != startButton) {
        return;
    }
    if (state == GameState::Playing || state == GameState::Landed) {
        StopGame();
    } else {
        StartGame();
    }
}

void KvMainWnd::OnTimer(UINT_PTR id) {
    switch (id) {
        case StartDelayTimer:
            // Outside Starting the tick is ignored and the timer keeps running until BeginPlay.
            if (state == GameState::Starting) {
                BeginPlay();
            }
            break;
        case FallTimer:
            StepPiece();
            break;
        case SpawnTimer:
            AdvanceAfterLanding();
            break;
        case GameOverTimer:
            CompleteGameOver();
            break;
        default:
            break;
    }
}

// Called when the start/stop button is pressed while no game runs, or during the pause after a
// lost game. The first piece comes with the start delay's tick.
void KvMainWnd::StartGame() {
    if (state == GameState::Starting || state == GameState::Playing || state == GameState::Landed) {
        return;
    }
    if (state == GameState::GameOverPause) {
        StopGame();
        // The lost game's pending tick would otherwise end the new game as soon as it starts.
        StopTimer(GameOverTimer);
    }
    state = GameState::Idle;
    ClearGame();
    // Without the start delay's tick the game would stay starting for good, with a button that
    // can no longer stop it; it stays idle instead, and a second press may start it.
    if (!StartTimer(StartDelayTimer, StartDelayInterval)) {
        RepaintClientArea();
        return;
    }
    EnableWindow(comboBox, FALSE);
    SetWindowTextW(startButton, GameControls::StopCaption);
    statusText = PlayingStatus;
    paused = false;
    state = GameState::Starting;
    // The click left the focus on the button; the keys must reach the window.
    SetFocus(hwnd);
    RepaintClientArea();
}

// Called on the start delay's tick in Starting: the level comes from the list, whose selection
// then shows the level played, and the first piece enters the empty well.
void KvMainWnd::BeginPlay() {
    StopTimer(StartDelayTimer);
    LPARAM data = NoSelectionData;
    const LRESULT selection = SendMessageW(comboBox, CB_GETCURSEL, 0, 0);
    if (selection != CB_ERR) {
        data = SendMessageW(comboBox, CB_GETITEMDATA, static_cast<WPARAM>(selection), 0);
    }
    level = LevelForItemData(data);
    const bool falling = StartTimer(FallTimer, FallIntervalForLevel(level));
    SelectComboItemByData(comboBox, level);
    const bool spawning = StartTimer(SpawnTimer, SpawnInterval);
    state = GameState::Playing;
    SpawnPiece();
    // Without its ticks no piece would fall, or none would follow a landing: the game ends as a
    // stopped one does, rather than hang with its controls in their in-game form.
    if (!falling || !spawning) {
        StopGame();
    }
}

// Called on the spawn tick: after a landing the next piece enters, or the game is lost.
void KvMainWnd::AdvanceAfterLanding() {
    if (state != GameState::Landed) {
        return;
    }
    if (SpawnPiece()) {
        state = GameState::Playing;
    } else {
        EndGame();
    }
    RepaintClientArea();
}

// Called on the up arrow or W. The timers keep running: the fall step skips a paused game.
void KvMainWnd::TogglePause() {
    if (state != GameState::Playing) {
        return;
    }
    paused = !paused;
    statusText = paused ? PausedStatus : PlayingStatus;
    RepaintPanel();
}

// Called when the button stops a running game, and before a start during the pause after a lost
// game. The falling piece stays on the board; the pause flag stays until the next start.
void KvMainWnd::StopGame() {
    StopTimer(FallTimer);
    StopTimer(SpawnTimer);
    state = GameState::Idle;
    FreezePiece();
    ShowIdleControls();
    nextType = 0;
    statusText = GameOverStatus;
    RepaintClientArea();
}

// Called by the rules when the game is lost. The controls keep their in-game form until the
// game-over tick; a click on the button during that pause starts a new game at once, as
// StartGame ends the lost one first.
void KvMainWnd::EndGame() {
    StopTimer(FallTimer);
    StopTimer(SpawnTimer);
    state = GameState::GameOverPause;
    FreezePiece();
    nextType = 0;
    // Without the game-over tick the pause after the lost game is cut short.
    if (!StartTimer(GameOverTimer, GameOverInterval)) {
        CompleteGameOver();
        return;
    }
    RepaintClientArea();
}

// Called on the game-over tick, whatever the state.
void KvMainWnd::CompleteGameOver() {
    StopTimer(GameOverTimer);
    state = GameState::Idle;
    ShowIdleControls();
    statusText = GameOverStatus;
    nextType = 0;
    RepaintClientArea();
}

void KvMainWnd::ShowIdleControls() {
    EnableWindow(comboBox, TRUE);
    SetWindowTextW(startButton, GameControls::StartCaption);
}

bool KvMainWnd::StartTimer(UINT_PTR id, UINT interval) {
    return SetTimer(hwnd, id, interval, nullptr) != 0;
}

void KvMainWnd::StopTimer(UINT_PTR id) {
    KillTimer(hwnd, id);
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
