// The checked build's fault reporter, watched in the probe program: every fault of the program's
// own code and every exception that nothing handles is named in one line and ends the process
// with the reporter's status at once; exceptions handled where they are raised pass in silence.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "FaultReporter.h"
#include "FaultSigns.h"
#include "GameProcess.h"
#include "ProgramEntry.h"
#include "TestFiles.h"
#include "fixtures/ProbeCases.h"

namespace {

using FaultReporter::FaultExitStatus;

struct ReportedFault {
    const char* name;
    const char* report;  // what the report line must begin with
    const char* place;   // what it must name as the place of the fault
};

void PrintTo(const ReportedFault& fault, std::ostream* stream) {
    *stream << fault.name;
}

// Returns the one line of `output` that begins with "fault: ", or an empty string when there is
// none or more than one.
std::string ReportLine(const std::string& output) {
    const std::size_t start = output.find(FaultReporter::ReportPrefix);
    if (start == std::string::npos ||
        output.find(FaultReporter::ReportPrefix, start + 1) != std::string::npos) {
        return std::string();
    }
    return output.substr(start, output.find('\n', start) - start);
}

class FaultIsReported : public testing::TestWithParam<ReportedFault> {};

TEST_P(FaultIsReported, InOneLineThatEndsTheProcess) {
    const std::string name = GetParam().name;
    std::string output;
    const DWORD status = RunSiblingProgram(L"checked_fault_probe.exe",
                                           std::wstring(name.begin(), name.end()), output);
    EXPECT_EQ(status, FaultExitStatus) << output;
    const std::string line = ReportLine(output);
    EXPECT_EQ(line.rfind(GetParam().report, 0), 0u) << output;
    EXPECT_NE(line.find(GetParam().place), std::string::npos) << output;
    EXPECT_EQ(output.find("survived"), std::string::npos) << output;
}

// Where the fault lies in the probe, the report names the probe's file and the function.
constexpr char InProbe[] = "checked_fault_probe.exe+0x";
constexpr char InWindowProcedure[] = "FaultingProcedure(";

const ReportedFault reportedFaults[] = {
    {"write-through-null", "fault: access violation writing 0x00000000", InProbe},
    {"read-through-null", "fault: access violation reading 0x00000000", InProbe},
    {"divide-by-zero", "fault: integer divide by zero at ", InProbe},
    {"illegal-instruction", "fault: illegal instruction at ", InProbe},
    {"fault-in-sent-message", "fault: access violation writing 0x00000000", InWindowProcedure},
    {"fault-in-dispatched-message", "fault: access violation writing 0x00000000",
     InWindowProcedure},
    // Without the reporter the system would swallow this one, as PlantedFaultTest shows.
    {"fault-in-message-sent-by-the-system", "fault: access violation writing 0x00000000",
     InWindowProcedure},
    // The C runtime's code works for the program: a fault in it is the program's.
    {"fault-in-c-runtime", "fault: access violation writing 0x00000000", "msvcrt.dll+0x"},
    {"uncaught-exception", "fault: std::terminate", "nothing caught"},
    // The framework's window procedure answers running out of memory; anything else thrown in a
    // message handler is a bug, and ends the program.
    {"exception-in-framework-window", "fault: std::terminate", "nothing caught"},
    {"abort", "fault: abort", "abort"},
    // Raised inside the system's RaiseException: seen only once nothing has handled it.
    {"unhandled-raised-exception", "fault: exception 0xe0001234, which nothing handled, at ", "0x"},
};

INSTANTIATE_TEST_SUITE_P(Probe, FaultIsReported, testing::ValuesIn(reportedFaults),
                         [](const auto& info) { return TestNameOf(info.param.name); });

// A stack overflow leaves a 32-bit program enough stack for the report. A 64-bit program under
// Wine has too little left for any handler: Wine ends it at once with status 0 and no word. The
// harnesses see it all the same, as a checked program that ended without its exit report.
TEST(FaultReporter, StackOverflowIsSeen) {
    TemporaryFile exitReport;
    std::string output;
    const DWORD status = RunSiblingProgram(L"checked_fault_probe.exe", L"stack-overflow", output,
                                           {{L"KV_ALLOCATION_REPORT", exitReport.Path().Text()}});
    const bool exitReportMissing = ReadText(exitReport.Path()).empty();
    EXPECT_NE(FaultSigns(output, status, true, exitReportMissing), "") << output;
    EXPECT_EQ(output.find("survived"), std::string::npos) << output;
    const bool reported = output.find(FaultReporter::ReportPrefix) != std::string::npos;
    if (sizeof(void*) == 4 || reported) {
        EXPECT_EQ(status, FaultExitStatus) << output;
        EXPECT_EQ(ReportLine(output).rfind("fault: stack overflow at ", 0), 0u) << output;
        EXPECT_NE(ReportLine(output).find(InProbe), std::string::npos) << output;
    } else {
        EXPECT_TRUE(exitReportMissing) << "status " << status << ": " << output;
    }
}

// Exceptions that are handled where they are raised: C++ exceptions thrown and caught (on a
// 64-bit system they travel as exceptions of the system's own kind), running out of memory in a
// framework window, and the faults of the system's own memory probes.
TEST(FaultReporter, StaysSilentForExceptionsThatAreHandled) {
    for (const wchar_t* name :
         {L"caught-exception", L"caught-exception-in-window-procedure",
          L"out-of-memory-in-framework-window", L"system-probe", L"debug-output"}) {
        std::string output;
        EXPECT_EQ(RunSiblingProgram(L"checked_fault_probe.exe", name, output), 0u) << output;
        EXPECT_EQ(output, "survived\n") << name;
    }
}

// The program sets a terminate handler of its own at its entry; the reporter's stays in place, so
// that a bug in a message handler of a game run through that entry is still reported. Without
// the reporter the program's handler ends the game, with the program's own status for a bug.
TEST(FaultReporter, KeepsItsHandlerOfTerminateOverTheProgramsOwn) {
    for (const bool reporter : {true, false}) {
        SCOPED_TRACE(reporter ? "with the reporter" : "without the reporter");
        GameProcess game(KV_KEY_BUG_GAME, true, {{L"KV_FAULT_REPORTER", reporter ? L"1" : L"0"}});
        const GameWindows windows = game.WaitForWindows(30000);
        ASSERT_NE(windows.main, nullptr) << game.Output();
        PostMessageW(windows.main, WM_KEYDOWN, VK_LEFT, 1);
        const long status = game.WaitForExit(20000);
        const std::string output = game.Output();
        if (reporter) {
            EXPECT_EQ(static_cast<DWORD>(status), FaultExitStatus) << output;
            EXPECT_EQ(ReportLine(output).rfind("fault: std::terminate", 0), 0u) << output;
        } else {
            EXPECT_EQ(status, BugExitCode) << output;
            EXPECT_EQ(output.find(FaultReporter::ReportPrefix), std::string::npos) << output;
        }
    }
}

}  // namespace
