// The flow of a game through its states: the start and its delay, the fall and the next piece,
// pause and resume, the stop, and the short pause after a lost game; what the keys, the
// start/stop button and the timers' ticks do; the difficulty levels and the status line.
#pragma once

#include <cstddef>
#include <cstdint>

#include "GameRules.h"

// The flow knows nothing of windows. Its front end hands it the player's keys, the button and
// the ticks of its timers, and does what the flow asks through the hooks at the bottom: start
// and stop a timer, show the controls of a running game or of none, read the level the player
// chose and show the one played, take the keyboard focus and repaint.
class GameFlow : public GameRules {
  public:
    // The flow's timers, by the ids of the window timers that run them (the window framework
    // keeps id 1 for itself), and their intervals in milliseconds. The fall interval is the
    // difficulty's.
    static constexpr std::uintptr_t StartDelayTimer = 3;
    static constexpr std::uintptr_t FallTimer = 4;
    static constexpr std::uintptr_t SpawnTimer = 5;
    static constexpr std::uintptr_t GameOverTimer = 6;
    static constexpr std::uint32_t StartDelayInterval = 100;
    static constexpr std::uint32_t SpawnInterval = 100;
    static constexpr std::uint32_t GameOverInterval = 100;

    // The keys of the game by their virtual-key codes; a letter's code is its capital.
    static constexpr std::uint32_t SpaceKey = 0x20;
    static constexpr std::uint32_t LeftKey = 0x25;
    static constexpr std::uint32_t UpKey = 0x26;
    static constexpr std::uint32_t RightKey = 0x27;
    static constexpr std::uint32_t DownKey = 0x28;
    static constexpr std::uint32_t AKey = 'A';
    static constexpr std::uint32_t DKey = 'D';
    static constexpr std::uint32_t SKey = 'S';
    static constexpr std::uint32_t WKey = 'W';

    // The difficulty levels in the order the player is offered them.
    struct Difficulty {
        const wchar_t* text;
        std::int32_t level;
        std::uint32_t fallInterval;
    };
    static constexpr std::size_t DifficultyCount = 3;
    static constexpr Difficulty Difficulties[DifficultyCount] = {
        {L"容易", 1, 600},
        {L"正常", 2, 400},
        {L"困难", 3, 200},
    };
    // What ChosenLevel answers when the player has chosen none.
    static constexpr std::intptr_t NoLevel = 0x7FFFFFFF;

    // The status line's texts.
    static constexpr wchar_t PlayingStatus[] = L"游戏中";
    static constexpr wchar_t PausedStatus[] = L"游戏暂停";
    static constexpr wchar_t GameOverStatus[] = L"游戏结束";

    explicit GameFlow(const ShapeTable& shapes);

    // The flow's inputs: nothing else moves the game.
    //
    // Called once the front end's controls exist: the new game becomes idle, ready to start.
    void ControlsCreated();
    // Called for every key press, auto-repeats included.
    void PressKey(std::uint32_t key);
    // Called when the start/stop button is pressed.
    void PressButton();
    // Called on every tick of one of the flow's timers; other ids do nothing.
    void Tick(std::uintptr_t timer);

  protected:
    void StartGame();
    void BeginPlay();
    void AdvanceAfterLanding();
    void StopGame();
    void EndGame() override;
    void CompleteGameOver();
    void TogglePause();

    // Starts the timer `id`, ticking every `interval` milliseconds. Returns false when it could
    // not be started: no tick of it will come.
    virtual bool StartTimer(std::uintptr_t id, std::uint32_t interval) = 0;
    virtual void StopTimer(std::uintptr_t id) = 0;
    // Shows the controls of a running game: the difficulty cannot be changed, the button stops.
    virtual void ShowGameControls() = 0;
    // Shows the controls of no game: the difficulty can be changed, the button starts.
    virtual void ShowIdleControls() = 0;
    // Returns the level the player chose, or NoLevel; the flow plays any unknown value as the
    // first level.
    virtual std::intptr_t ChosenLevel() const = 0;
    // Shows `level` as the chosen one, or none when no choice stands for it.
    virtual void ShowLevel(std::int32_t level) = 0;
    // Gives the keyboard to the game, which a click on the button took.
    virtual void TakeFocus() = 0;
    // Asks for the side panel, where the status line is, to be repainted.
    virtual void RepaintPanel() = 0;

    // The status line: empty until the first game starts.
    const wchar_t* statusText = L"";

  private:
    void HaltPlay();
    void ShowNoGame();
};
