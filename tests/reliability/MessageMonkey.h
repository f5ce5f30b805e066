// A random player that sends the running game every kind of input as window messages from
// another process: keys with auto-repeat, clicks, difficulty changes, resizes, show-state changes
// and bursts of the game's own timer ticks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

#include <windows.h>

#include "GameDriver.h"
#include "GameProcess.h"

class MessageMonkey {
  public:
    // How many inputs of each kind were sent.
    struct Tally {
        long inputs = 0;
        long keys = 0;
        long autoRepeats = 0;
        long clicks = 0;
        long difficultyChanges = 0;
        long resizes = 0;
        long showChanges = 0;
        long timerTicks = 0;
        long mouse = 0;
    };

    MessageMonkey(const GameWindows& windows, std::uint32_t seed);

    // Sends one random action of one or more inputs.
    void Act();
    // Returns true when the main window answers a sent message within `limit` milliseconds;
    // `elapsed` receives the time it took.
    bool Answers(UINT limit, DWORD& elapsed) const;
    // Returns true when every message posted so far has been taken from the game's queue within
    // `limit` milliseconds; `elapsed` receives the time it took.
    bool Drain(DWORD limit, DWORD& elapsed);

    const Tally& Counts() const { return tally_; }
    // Returns the last inputs sent, oldest first, one a line, for the report of a failure.
    std::string RecentInputs() const;
    // Returns what the system tells of the game's thread and window: modal loops, capture,
    // focus and show state.
    std::string DescribeGame() const;

  private:
    void PressKey();
    void TickTimers();
    void DropPieces();
    void ClickButton();
    void ChangeDifficulty();
    void UseMouse();
    void Resize();
    void ChangeShowState();

    int Below(int limit);
    void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void PostKey(HWND window, UINT key, int repeats);
    LPARAM RandomClientPoint();
    void Remember(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    GameWindows windows_;
    GameDriver driver_;
    std::mt19937 random_;
    Tally tally_;

    struct Input {
        HWND window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    static constexpr std::size_t RememberedInputs = 40;
    std::array<Input, RememberedInputs> recent_ = {};
    std::size_t nextRecent_ = 0;
};
