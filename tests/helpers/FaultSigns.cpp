#include "FaultSigns.h"

#include <cstdio>
#include <sstream>

#include "FaultReporter.h"

namespace {

// How a line that reports a fault begins.
constexpr const char* FaultLineStarts[] = {
    FaultReporter::ReportPrefix,  // the fault reporter
    "checked heap: ",             // the guarded allocator: misuse, leak, corruption
    "checked calls: ",            // the call injector: an object deleted while selected, or kept
    "wine: Unhandled",            // an exception that nothing handled, without the reporter
    "wine: Call from",            // an unhandled exception raised by the program itself
};

// Exit statuses that a clean run never gives: the reporter's, and every error status of the
// system (an access violation, a corrupt heap, a stack overflow), which a process ends with when
// nothing reports its fault.
bool IsFaultStatus(DWORD exitCode) {
    return exitCode == FaultReporter::FaultExitStatus || (exitCode & 0xC0000000) == 0xC0000000;
}

bool StartsWith(const std::string& line, const char* start) {
    return line.compare(0, std::char_traits<char>::length(start), start) == 0;
}

}  // namespace

std::string FaultSigns(const std::string& output, DWORD exitCode, bool ended,
                       bool exitReportMissing) {
    std::string signs;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        for (const char* start : FaultLineStarts) {
            if (StartsWith(line, start)) {
                signs += line + "\n";
                break;
            }
        }
    }
    if (ended && IsFaultStatus(exitCode)) {
        char status[64];
        std::snprintf(status, sizeof status, "exit status 0x%08lX\n",
                      static_cast<unsigned long>(exitCode));
        signs += status;
    } else if (ended && exitReportMissing) {
        signs +=
            "the program ended without its exit report: it did not pass through its own exit\n";
    }
    return signs;
}
