// Drives a running game from another process with the messages the system would post: the
// button, keys and the ticks of the game's own timers, whose ids come from the game flow.
#pragma once

#include <cstdint>
#include <initializer_list>

#include <windows.h>

#include "GameFlow.h"
#include "GameProcess.h"

class GameDriver {
  public:
    explicit GameDriver(const GameWindows& windows) : windows_(windows) {}

    void ClickButton() const;
    void PressKey(UINT key) const;
    void Tick(std::uintptr_t timer) const;

    // Presses the button and sends the start delay's tick at once.
    void StartGame() const;
    // Presses `keys`, drops the falling piece and lands it with a fall tick; the spawn tick that
    // follows brings the next piece.
    void PlayPiece(std::initializer_list<UINT> keys = {}) const;
    // Returns whether a game runs: the difficulty list is disabled from a start to the end.
    bool InGame() const;

    // Returns true when the game has taken every message posted to its windows so far within
    // `limit` milliseconds; false when it did not, or when its windows are gone.
    bool Settle(DWORD limit);

  private:
    GameWindows windows_;
    int marker_ = 0;
};
