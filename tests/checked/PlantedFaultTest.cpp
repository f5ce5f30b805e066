// The fault reporter's positive control on the real checked game: the game faults on purpose at
// one point of a short session (a static constructor, the entry function, and inside the main
// window's procedure at a paint, a timer tick or a key), and every fault must be reported and
// end the game with the reporter's status. The same session without the reporter shows what the
// system makes of each fault on its own.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "FaultReporter.h"
#include "FaultSigns.h"
#include "GameDriver.h"
#include "GameProcess.h"
#include "fixtures/ProbeCases.h"

namespace {

constexpr DWORD WindowLimit = 30000;
constexpr DWORD FaultLimit = 10000;
constexpr DWORD ExitLimit = 20000;

struct PlantedPoint {
    const char* point;     // the value of KV_PLANT_FAULT
    const char* function;  // the function that the report must name
    bool unseenAlone;      // without the reporter the game runs on and ends with status 0
};

void PrintTo(const PlantedPoint& planted, std::ostream* stream) {
    *stream << planted.point;
}

const PlantedPoint plantedPoints[] = {
    {"static", "PlantedFault::FaultInStaticConstructor()", false},
    {"entry", "PlantedFault::FaultInEntryFunction()", false},
    // The first paint comes while the window is made, the third when another process asks for
    // it: both are sent by the system from inside a call of its own, which drops the fault.
    {"paint:1", "PlantedFault::FaultInWindowProcedure()", true},
    {"paint:3", "PlantedFault::FaultInWindowProcedure()", true},
    {"timer:2", "PlantedFault::FaultInWindowProcedure()", false},
    {"key:1", "PlantedFault::FaultInWindowProcedure()", false},
};

// What one session of the game came to.
struct Outcome {
    bool windowShown = false;
    bool endedByItself = false;  // before the session's close
    long exitCode = -1;
    std::string output;
};

// Starts the game with the fault planted and plays a session that reaches every point: paints
// asked for from outside, a started game whose timers tick, and a key. Closes the game when it
// is still running at the end.
Outcome RunSession(const char* point, bool reporter) {
    const std::string planted = point;
    GameProcess game(KV_GAME_PROGRAM, true,
                     {{L"KV_PLANT_FAULT", std::wstring(planted.begin(), planted.end())},
                      {L"KV_FAULT_REPORTER", reporter ? L"1" : L"0"}});
    Outcome outcome;
    if (!game.Started()) {
        return outcome;
    }
    const GameWindows windows = game.WaitForWindows(WindowLimit);
    GameDriver driver(windows);
    outcome.windowShown = windows.main != nullptr;
    // Each step waits until the game has taken it, or has ended.
    for (int step = 0; outcome.windowShown && step < 4 && game.IsRunning(); ++step) {
        if (step < 3) {
            InvalidateRect(windows.main, nullptr, FALSE);
            UpdateWindow(windows.main);
        } else {
            driver.ClickButton();
            driver.Tick(GameFlow::FallTimer);
            driver.Tick(GameFlow::FallTimer);
            driver.PressKey(VK_LEFT);
        }
        driver.Settle(FaultLimit);
    }
    outcome.endedByItself = game.WaitForExit(windows.main != nullptr ? 0 : FaultLimit) != -1;
    if (!outcome.endedByItself) {
        PostMessageW(windows.main, WM_CLOSE, 0, 0);
    }
    outcome.exitCode = game.WaitForExit(ExitLimit);
    outcome.output = game.Output();
    return outcome;
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

class PlantedFaultTest : public testing::TestWithParam<PlantedPoint> {};

TEST_P(PlantedFaultTest, IsReportedAndEndsTheGame) {
    const Outcome outcome = RunSession(GetParam().point, true);
    EXPECT_TRUE(outcome.endedByItself) << "the game ran on after the fault\n" << outcome.output;
    EXPECT_EQ(static_cast<unsigned long>(outcome.exitCode), FaultReporter::FaultExitStatus)
        << outcome.output;
    // The game is built for this test's pointer size, and writes addresses at their full width.
    const std::string report =
        "fault: access violation writing 0x" + std::string(2 * sizeof(void*), '0') + " at ";
    const std::size_t line = outcome.output.find(report);
    ASSERT_NE(line, std::string::npos) << outcome.output;
    EXPECT_NE(outcome.output.find(GetParam().function, line), std::string::npos) << outcome.output;
    EXPECT_NE(outcome.output.find("kvblocks.exe+0x", line), std::string::npos) << outcome.output;
    std::printf("%-8s with the reporter: status 0x%08lX, %s\n", GetParam().point,
                static_cast<unsigned long>(outcome.exitCode),
                FirstLine(outcome.output.substr(line)).c_str());
}

// Without the reporter nothing writes a report line; what the system does instead is printed:
// some faults go unseen (the game runs on and ends with status 0 when closed), others end it
// through the system's own handling of an unhandled exception.
TEST_P(PlantedFaultTest, WithoutTheReporterNothingReportsIt) {
    const Outcome outcome = RunSession(GetParam().point, false);
    EXPECT_EQ(outcome.output.find(FaultReporter::ReportPrefix), std::string::npos)
        << outcome.output;
    if (GetParam().unseenAlone) {
        EXPECT_FALSE(outcome.endedByItself) << outcome.output;
        EXPECT_EQ(outcome.exitCode, 0) << outcome.output;
    } else {
        // No crash dialog holds the process: the prefix turns it off.
        EXPECT_TRUE(outcome.endedByItself) << outcome.output;
        EXPECT_NE(FaultSigns(outcome.output, static_cast<DWORD>(outcome.exitCode), true), "");
    }
    const std::string signs =
        FaultSigns(outcome.output, static_cast<DWORD>(outcome.exitCode), outcome.exitCode != -1);
    std::printf(
        "%-8s without the reporter: %s, status 0x%08lX, %s\n", GetParam().point,
        outcome.endedByItself ? "ended by itself" : "ran on until closed",
        static_cast<unsigned long>(outcome.exitCode),
        signs.empty() ? "nothing printed: the fault went unseen" : FirstLine(signs).c_str());
}

INSTANTIATE_TEST_SUITE_P(Points, PlantedFaultTest, testing::ValuesIn(plantedPoints),
                         [](const auto& info) { return TestNameOf(info.param.point); });

}  // namespace
