// Random play against the built game from a second process: at least 20 000 inputs of every kind
// while the game keeps answering and taking them, then a close that ends it with exit code 0;
// and shorter runs of the same against the builds with broken resources. The limits catch a
// hang, never a speed: the times seen are printed, and speed is the benchmarks' to measure.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

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
    const DWORD start = GetTickCount();
    long nextAnswer = AnswerEvery;
    long nextDrain = DrainEvery;
    DWORD slowestAnswer = 0;
    DWORD slowestDrain = 0;
    bool wasInGame = false;
    int gamesStarted = 0;
    int gamesEnded = 0;
    while (monkey.Counts().inputs < inputs) {
        monkey.Act();
        const long sent = monkey.Counts().inputs;
        if (sent >= nextAnswer) {
            nextAnswer = sent + AnswerEvery;
            ASSERT_TRUE(game.IsRunning()) << "the game ended after " << sent << " inputs";
            DWORD elapsed = 0;
            ASSERT_TRUE(monkey.Answers(AnswerLimit, elapsed))
                << "no answer within " << AnswerLimit << " ms after " << sent << " inputs; "
                << monkey.DescribeGame() << "; the last inputs:\n"
                << monkey.RecentInputs();
            slowestAnswer = std::max(slowestAnswer, elapsed);
        }
        if (sent >= nextDrain) {
            nextDrain = sent + DrainEvery;
            DWORD elapsed = 0;
            ASSERT_TRUE(monkey.Drain(DrainLimit, elapsed))
                << "the game had not taken its inputs " << DrainLimit << " ms after " << sent
                << " inputs; " << monkey.DescribeGame() << "; the last inputs:\n"
                << monkey.RecentInputs();
            slowestDrain = std::max(slowestDrain, elapsed);
            // With the queue empty the list shows the state that the inputs left.
            const bool inGame = driver.InGame();
            gamesStarted += inGame && !wasInGame ? 1 : 0;
            gamesEnded += !inGame && wasInGame ? 1 : 0;
            wasInGame = inGame;
        }
    }
    DWORD elapsed = 0;
    ASSERT_TRUE(monkey.Drain(DrainLimit, elapsed));
    const DWORD runTime = GetTickCount() - start;

    const MessageMonkey::Tally& tally = monkey.Counts();
    std::printf(
        "%ld inputs in %lu ms: %ld keys (%ld auto-repeats), %ld timer ticks, %ld clicks, %ld "
        "difficulty changes, %ld mouse actions, %ld resizes, %ld show-state changes; %d games "
        "seen starting, %d ending; slowest answer %lu ms, slowest drain %lu ms\n",
        tally.inputs, static_cast<unsigned long>(runTime), tally.keys, tally.autoRepeats,
        tally.timerTicks, tally.clicks, tally.difficultyChanges, tally.mouse, tally.resizes,
        tally.showChanges, gamesStarted, gamesEnded, static_cast<unsigned long>(slowestAnswer),
        static_cast<unsigned long>(slowestDrain));
    std::fflush(stdout);
    EXPECT_GT(gamesStarted, 0) << "the inputs never started a game";
    EXPECT_GT(gamesEnded, 0) << "the inputs never ended a game";

    PostMessageW(windows.main, WM_CLOSE, 0, 0);
    EXPECT_EQ(game.WaitForExit(ExitLimit), 0);
}

struct BrokenBuild {
    const char* name;
    const char* program;
};

const BrokenBuild BrokenBuilds[] = {
    {"TruncatedPictures", KV_TRUNCATED_PICTURES_PROGRAM},
    {"NotPictures", KV_NOT_PICTURES_PROGRAM},
    {"NoPictures", KV_NO_PICTURES_PROGRAM},
    {"NoVersion", KV_NO_VERSION_PROGRAM},
};

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
                         [](const ::testing::TestParamInfo<BrokenBuild>& info) {
                             return std::string(info.param.name);
                         });
