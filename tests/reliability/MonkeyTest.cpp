// Random play against the built game from a second process: at least 20 000 inputs of every kind
// while the game keeps answering and taking them, then a close that ends it with exit code 0;
// and shorter runs of the same against the builds with broken resources. The limits catch a
// hang, never a speed: the times seen are printed, and speed is the benchmarks' to measure.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "BrokenBuild.h"
#include "FaultWatch.h"
#include "GameDriver.h"
#include "GameProcess.h"
#include "MessageMonkey.h"
#include "RunSeed.h"

namespace {

// KV_MONKEY_INPUTS asks for a longer run.
constexpr long MinimumInputs = 20000;
constexpr long BrokenBuildInputs = 4000;
// The game must answer a sent message, checked this often.
constexpr UINT AnswerLimit = 20000;
constexpr long AnswerEvery = 20;
// The game must take every posted input within this time, checked this often. Waiting for it
// also leaves the game the idle moments in which it paints.
constexpr DWORD DrainLimit = 30000;
constexpr long DrainEvery = 40;
// Generous limits for starting and ending, since the machine may be busy with other tests.
constexpr DWORD StartLimit = 90000;
constexpr DWORD ExitLimit = 60000;

// Returns whether `check` holds, raising `slowest` to the time it took when that is longer.
bool Timed(DWORD& slowest, const std::function<bool()>& check) {
    const DWORD start = GetTickCount();
    const bool held = check();
    slowest = std::max(slowest, GetTickCount() - start);
    return held;
}

// Sends `inputs` random inputs to the program and closes it.
void RunMonkey(const char* program, long inputs) {
    const std::uint32_t seed = RunSeed("KV_MONKEY_SEED");
    SCOPED_TRACE("seed " + std::to_string(seed));
    GameProcess game(program);
    ASSERT_TRUE(game.Started()) << "cannot start " << program;
    const FaultWatch watch(
        game, std::string(program) + " under the monkey with seed " + std::to_string(seed));
    const GameWindows windows = game.WaitForWindows(StartLimit);
    ASSERT_NE(windows.main, nullptr) << "the game's window did not appear";

    MessageMonkey monkey(windows, seed);
    GameDriver driver(windows);
    const auto answers = [&] {
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(windows.main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, AnswerLimit,
                                   &result) != 0;
    };
    const auto drains = [&] { return driver.Settle(DrainLimit); };
    const DWORD start = GetTickCount();
    long nextAnswer = AnswerEvery;
    long nextDrain = DrainEvery;
    DWORD slowestAnswer = 0;
    DWORD slowestDrain = 0;
    bool wasInGame = false;
    int gamesStarted = 0;
    int gamesEnded = 0;
    while (monkey.Inputs() < inputs) {
        monkey.Act();
        const long sent = monkey.Inputs();
        if (sent >= nextAnswer) {
            nextAnswer = sent + AnswerEvery;
            ASSERT_TRUE(game.IsRunning()) << "the game ended after " << sent << " inputs";
            ASSERT_TRUE(Timed(slowestAnswer, answers))
                << "no answer within " << AnswerLimit << " ms after " << sent << " inputs; "
                << monkey.Describe();
        }
        if (sent >= nextDrain) {
            nextDrain = sent + DrainEvery;
            ASSERT_TRUE(Timed(slowestDrain, drains))
                << "the game had not taken its inputs " << DrainLimit << " ms after " << sent
                << " inputs; " << monkey.Describe();
            // With the queue empty the list shows the state that the inputs left.
            const bool inGame = driver.InGame();
            gamesStarted += inGame && !wasInGame ? 1 : 0;
            gamesEnded += !inGame && wasInGame ? 1 : 0;
            wasInGame = inGame;
        }
    }
    ASSERT_TRUE(drains());
    std::printf(
        "%s in %lu ms; %d games seen starting, %d ending; slowest answer %lu ms, slowest "
        "drain %lu ms\n",
        monkey.Tally().c_str(), static_cast<unsigned long>(GetTickCount() - start), gamesStarted,
        gamesEnded, static_cast<unsigned long>(slowestAnswer),
        static_cast<unsigned long>(slowestDrain));
    std::fflush(stdout);
    EXPECT_GT(gamesStarted, 0) << "the inputs never started a game";
    EXPECT_GT(gamesEnded, 0) << "the inputs never ended a game";

    PostMessageW(windows.main, WM_CLOSE, 0, 0);
    EXPECT_EQ(game.WaitForExit(ExitLimit), 0);
}

class BrokenBuildMonkeyTest : public ::testing::TestWithParam<BrokenBuild> {};

}  // namespace

TEST(MonkeyTest, GameSurvivesRandomInputAndEndsWithExitCodeZeroOnClose) {
    const char* asked = std::getenv("KV_MONKEY_INPUTS");
    RunMonkey(KV_GAME_PROGRAM, std::max(MinimumInputs, asked != nullptr ? std::atol(asked) : 0L));
}

TEST_P(BrokenBuildMonkeyTest, BuildSurvivesRandomInputAndEndsWithExitCodeZeroOnClose) {
    RunMonkey(GetParam().program, BrokenBuildInputs);
}

INSTANTIATE_TEST_SUITE_P(Builds, BrokenBuildMonkeyTest, ::testing::ValuesIn(BrokenBuilds),
                         BuildName);
