// Allocation-failure sweep of the checked game: one run counts the allocations of a short session
// (start-up, first paint, a started game with a few pieces, close); then the game is run again
// once for each allocation number, evenly sampled when there are many, with that allocation
// failing. Every run must end by itself with status 0 or 1, with no fault and no exception.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "GameDriver.h"
#include "GameProcess.h"

namespace {

constexpr int PiecesPlayed = 4;
// How many failing runs at most, unless KV_SWEEP_RUNS asks for another number: about a second
// each here.
constexpr long DefaultRuns = 120;
constexpr DWORD WindowLimit = 20000;
constexpr DWORD QueueLimit = 10000;
constexpr DWORD ExitLimit = 20000;

// What one run of the game came to.
struct RunOutcome {
    long exitCode = -1;  // -1: it had not ended in time and was ended by the test
    bool windowShown = false;
    bool piecesPlayed = false;  // the game took every input of the session
    std::string output;         // its standard output and error, Wine's messages included
    std::string faultSigns;     // what in them shows a fault; empty for a clean run
    std::string exitReport;     // the checked heap's figures, written at the game's exit
};

// Plays the session: start a game with the button, drop a few pieces with keys and the game's
// own timer ticks, close. A game that shows no window must end by itself.
RunOutcome RunSession(const GameProcess::Environment& environment = {}) {
    RunOutcome outcome;
    GameProcess game(KV_GAME_PROGRAM, true, environment);
    if (!game.Started()) {
        return outcome;
    }
    const GameWindows windows = game.WaitForWindows(WindowLimit);
    outcome.windowShown = windows.main != nullptr;
    if (outcome.windowShown) {
        GameDriver driver(windows);
        driver.StartGame();
        for (int piece = 0; piece < PiecesPlayed; ++piece) {
            driver.PlayPiece({static_cast<UINT>(piece % 2 == 0 ? VK_LEFT : VK_RIGHT), VK_SPACE});
        }
        outcome.piecesPlayed = driver.Settle(QueueLimit);
        PostMessageW(windows.main, WM_CLOSE, 0, 0);
    }
    outcome.exitCode = game.WaitForExit(ExitLimit);
    outcome.output = game.Output();
    outcome.faultSigns = game.FaultSigns();
    outcome.exitReport = game.ExitReport();
    return outcome;
}

// Returns the number after `key` in the checked heap's exit report, or 0.
unsigned long ReportValue(const std::string& report, const std::string& key) {
    std::istringstream lines(report);
    std::string name;
    unsigned long value = 0;
    while (lines >> name >> value) {
        if (name == key) {
            return value;
        }
    }
    return 0;
}

long RunsWanted() {
    const char* text = std::getenv("KV_SWEEP_RUNS");
    const long wanted = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
    return wanted > 0 ? wanted : DefaultRuns;
}

}  // namespace

TEST(AllocationSweepTest, EveryFailedAllocationEndsTheGameCleanly) {
    const RunOutcome counted = RunSession();
    const std::string& report = counted.exitReport;
    ASSERT_TRUE(counted.windowShown) << counted.output;
    ASSERT_TRUE(counted.piecesPlayed) << "the game did not take the session's inputs";
    ASSERT_EQ(counted.exitCode, 0) << counted.output;
    ASSERT_EQ(counted.faultSigns, "") << counted.output;
    const unsigned long allocations = ReportValue(report, "allocations");
    ASSERT_GT(allocations, 0ul) << "no allocation report: is this the checked build?\n" << report;
    std::printf("one session makes %lu allocations; peak %lu bytes asked for, %lu committed\n",
                allocations, ReportValue(report, "peak_live_bytes"),
                ReportValue(report, "peak_committed_bytes"));

    const long runs = std::min<long>(RunsWanted(), static_cast<long>(allocations));
    std::map<long, int> exitCodes;
    std::string statuses;
    for (long run = 1; run <= runs; ++run) {
        // Evenly spread over 1..allocations, the first and the last included.
        const unsigned long failing =
            static_cast<unsigned long>((run * static_cast<long long>(allocations)) / runs);
        const RunOutcome outcome = RunSession({{L"KV_FAIL_ALLOCATION", std::to_wstring(failing)}});
        ++exitCodes[outcome.exitCode];
        statuses += " " + std::to_string(failing) + (outcome.windowShown ? "w" : "") + ":" +
                    std::to_string(outcome.exitCode);
        SCOPED_TRACE("allocation " + std::to_string(failing) + " failing");
        EXPECT_TRUE(outcome.exitCode == 0 || outcome.exitCode == 1)
            << "exit status " << outcome.exitCode << " (-1: it did not end by itself)\n"
            << outcome.output;
        EXPECT_EQ(outcome.faultSigns, "") << outcome.output;
        EXPECT_TRUE(outcome.exitCode != 0 || outcome.windowShown)
            << "a game without a window ended with status 0";
    }
    std::printf("%ld failing runs, allocations %lu to %lu, every %.1f:", runs,
                allocations / static_cast<unsigned long>(runs), allocations,
                static_cast<double>(allocations) / static_cast<double>(runs));
    for (const auto& [code, count] : exitCodes) {
        std::printf(" %d ended with status %ld;", count, code);
    }
    std::printf("\nfailing allocation, w where the window was shown, and exit status:%s\n",
                statuses.c_str());
}
