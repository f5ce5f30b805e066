#include "GameDriver.h"

#include "Polling.h"

namespace {

// Markers of the queue barrier: widths of the combobox's dropped-down list, which must be wider
// than the combobox (200 pixels) and below 32768 to be taken.
constexpr int FirstMarker = 1000;
constexpr int MarkerCount = 1000;
constexpr WPARAM ResetWidth = 1;
constexpr UINT SendLimit = 1000;

}  // namespace

void GameDriver::ClickButton() const {
    PostMessageW(windows_.button, BM_CLICK, 0, 0);
}

void GameDriver::PressKey(UINT key) const {
    PostMessageW(windows_.main, WM_KEYDOWN, key, 1);
}

void GameDriver::Tick(std::uintptr_t timer) const {
    PostMessageW(windows_.main, WM_TIMER, timer, 0);
}

void GameDriver::StartGame() const {
    ClickButton();
    Tick(GameFlow::StartDelayTimer);
}

void GameDriver::PlayPiece(std::initializer_list<UINT> keys) const {
    for (UINT key : keys) {
        PressKey(key);
    }
    PressKey(VK_DOWN);
    Tick(GameFlow::FallTimer);
    Tick(GameFlow::SpawnTimer);
}

bool GameDriver::InGame() const {
    return !IsWindowEnabled(windows_.comboBox);
}

// Posts a marker behind everything posted so far and waits until the combobox shows it: the
// game's windows share one queue, so by then the game has taken every earlier message too.
bool GameDriver::Settle(DWORD limit) {
    const LRESULT width = FirstMarker + ++marker_ % MarkerCount;
    // A width below the list's present one clears the width set before; only then does the
    // combobox take a marker smaller than the last.
    PostMessageW(windows_.comboBox, CB_SETDROPPEDWIDTH, ResetWidth, 0);
    PostMessageW(windows_.comboBox, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(width), 0);
    bool gone = false;
    const bool shown = PollUntil(
        [&] {
            if (!IsWindow(windows_.comboBox)) {
                gone = true;
                return true;
            }
            DWORD_PTR answer = 0;
            return SendMessageTimeoutW(windows_.comboBox, CB_GETDROPPEDWIDTH, 0, 0,
                                       SMTO_ABORTIFHUNG, SendLimit, &answer) != 0 &&
                   static_cast<LRESULT>(answer) == width;
        },
        limit);
    return shown && !gone;
}
