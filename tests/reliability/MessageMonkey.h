// A random player that sends the running game every kind of input as window messages from
// another process: keys with auto-repeat, clicks, difficulty changes, resizes, show-state changes
// and bursts of the game's own timer ticks.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <random>
#include <string>

#include <windows.h>

#include "GameDriver.h"
#include "GameProcess.h"

class MessageMonkey {
  public:
    MessageMonkey(const GameWindows& windows, std::uint32_t seed);

    // Sends one random action of one or more inputs.
    void Act();

    long Inputs() const { return inputs_; }
    // Returns how many inputs of each kind were sent, for the report of a run.
    std::string Tally() const;
    // Returns, for the report of a failure, what the system tells of the game's thread and window
    // (modal loops, capture, focus and show state) and the last inputs sent, oldest first.
    std::string Describe() const;

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
    void Record(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    const char* NameOf(HWND window) const;

    struct Input {
        HWND window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    GameWindows windows_;
    GameDriver driver_;
    std::mt19937 random_;
    long inputs_ = 0;
    std::map<std::string, long> tally_;
    std::deque<Input> recent_;
};
