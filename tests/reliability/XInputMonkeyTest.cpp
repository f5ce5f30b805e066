// Random play with real X input against the built game on an X display: typed keys of every
// sort, keys held down until the X server repeats them, and real clicks on the button, the
// difficulty list and anywhere in the window, between bursts of the game's timer ticks. The game
// takes its input throughout and closes with exit code 0.
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "FaultWatch.h"
#include "GameDriver.h"
#include "GameProcess.h"
#include "RunSeed.h"
#include "UnixCommand.h"

namespace {

constexpr int Rounds = 12;
constexpr int KeysPerRound = 25;
// Held this long, a key is repeated by the X server several times.
constexpr char HoldTime[] = "1.0";
// Limits that catch a hang, never a speed: the machine may be busy with other tests.
constexpr DWORD StartLimit = 90000;
constexpr DWORD DrainLimit = 30000;
constexpr DWORD ExitLimit = 60000;

// X key names: the game's own keys, and others of every sort. Alt, F10 and the menu key are left
// out: they open the system menu, whose letters would close the window among the random keys;
// so are the lock keys, whose state would outlast the test on the display.
constexpr const char* BoundKeys[] = {"Left", "Right", "Up", "Down", "space", "a", "d", "s", "w"};
constexpr const char* OtherKeys[] = {
    "b",          "c",          "e",           "q",      "x",       "z",     "0",
    "5",          "9",          "F1",          "F4",     "F5",      "F12",   "Tab",
    "Return",     "Escape",     "BackSpace",   "Home",   "End",     "Prior", "Next",
    "Insert",     "Delete",     "KP_4",        "KP_Add", "minus",   "comma", "slash",
    "shift+Left", "ctrl+Right", "shift+space", "ctrl+a", "shift+w", "Pause", "KP_Enter",
};
constexpr std::uintptr_t GameTimers[] = {GameFlow::StartDelayTimer, GameFlow::FallTimer,
                                         GameFlow::FallTimer,       GameFlow::SpawnTimer,
                                         GameFlow::SpawnTimer,      GameFlow::GameOverTimer};

// Runs xdotool and expects it to succeed.
void RunXdotool(const std::string& arguments) {
    EXPECT_TRUE(Xdotool(arguments)) << "xdotool " << arguments;
}

class XInputMonkey {
  public:
    XInputMonkey(const GameWindows& windows, std::uint32_t seed)
        : windows_(windows), random_(seed) {}

    // Types a row of random keys into the focused game window.
    void TypeKeys() {
        std::string keys;
        for (int i = 0; i < KeysPerRound; ++i) {
            keys += ' ';
            keys += Below(2) == 0 ? BoundKeys[Below(static_cast<int>(std::size(BoundKeys)))]
                                  : OtherKeys[Below(static_cast<int>(std::size(OtherKeys)))];
        }
        RunXdotool(std::string(GameWindowSearch) + " windowfocus --sync key --delay 15" + keys);
        typed += KeysPerRound;
    }

    // Holds one of the game's keys until the X server has repeated it.
    void HoldKey() {
        const char* key = BoundKeys[Below(static_cast<int>(std::size(BoundKeys)))];
        RunXdotool(std::string(GameWindowSearch) + " windowfocus --sync keydown " + key +
                   " sleep " + HoldTime + " keyup " + key);
        ++held;
    }

    // Clicks the start/stop button, the difficulty list or a random point of the client area.
    void Click() {
        RECT target = {};
        const int roll = Below(3);
        if (roll == 0) {
            GetWindowRect(windows_.button, &target);
        } else if (roll == 1) {
            GetWindowRect(windows_.comboBox, &target);
            target.bottom = target.top + 20;
        } else {
            GetClientRect(windows_.main, &target);
            MapWindowPoints(windows_.main, nullptr, reinterpret_cast<POINT*>(&target), 2);
        }
        const long x = target.left + Below(static_cast<int>(target.right - target.left));
        const long y = target.top + Below(static_cast<int>(target.bottom - target.top));
        RunXdotool("mousemove --sync " + std::to_string(x) + " " + std::to_string(y) + " click " +
                   (Below(4) == 0 ? "3" : "1"));
        ++clicks;
    }

    // Posts a burst of the game's timer ticks, so that pieces land and games end quickly.
    void TickTimers() {
        const int count = 1 + Below(40);
        for (int i = 0; i < count; ++i) {
            PostMessageW(windows_.main, WM_TIMER,
                         GameTimers[Below(static_cast<int>(std::size(GameTimers)))], 0);
        }
        ticks += count;
    }

    int Below(int limit) { return std::uniform_int_distribution<int>(0, limit - 1)(random_); }

    long typed = 0;
    long held = 0;
    long clicks = 0;
    long ticks = 0;

  private:
    GameWindows windows_;
    std::mt19937 random_;
};

}  // namespace

TEST(XInputMonkeyTest, GameSurvivesRealKeysHeldKeysAndClicks) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr)
        << "needs an X display: run it through tools/test.sh";
    const std::uint32_t seed = RunSeed("KV_X_MONKEY_SEED");
    SCOPED_TRACE("seed " + std::to_string(seed));
    GameProcess game(KV_GAME_PROGRAM);
    const FaultWatch watch(game, "the game under the X monkey with seed " + std::to_string(seed));
    ASSERT_TRUE(game.Started()) << "cannot start the game";
    const GameWindows windows = game.WaitForWindows(StartLimit);
    ASSERT_NE(windows.main, nullptr) << "the game's window did not appear";
    GameDriver driver(windows);
    driver.StartGame();

    XInputMonkey monkey(windows, seed);
    const DWORD start = GetTickCount();
    for (int round = 0; round < Rounds; ++round) {
        switch (monkey.Below(4)) {
            case 0:
                monkey.HoldKey();
                break;
            case 1:
                monkey.Click();
                break;
            default:
                monkey.TickTimers();
                break;
        }
        monkey.TypeKeys();
        ASSERT_TRUE(game.IsRunning()) << "the game ended in round " << round;
        ASSERT_TRUE(driver.Settle(DrainLimit))
            << "the game did not take its input within " << DrainLimit << " ms in round " << round;
    }
    std::printf(
        "%ld keys typed and %ld held until repeated, %ld clicks, %ld timer ticks in %lu ms\n",
        monkey.typed, monkey.held, monkey.clicks, monkey.ticks,
        static_cast<unsigned long>(GetTickCount() - start));
    std::fflush(stdout);

    PostMessageW(windows.main, WM_CLOSE, 0, 0);
    EXPECT_EQ(game.WaitForExit(ExitLimit), 0);
}
