#include "ExitChecks.h"

#include <windows.h>

#include <cstddef>
#include <cstdio>

#include "CallInjector.h"
#include "CheckedHeap.h"
#include "CheckedOutput.h"
#include "CoverageFlush.h"
#include "ObjectTracker.h"

namespace ExitChecks {
namespace {

[[noreturn]] void End(unsigned long status) {
    std::fflush(nullptr);
    CoverageFlush::SaveCounts();
    TerminateProcess(GetCurrentProcess(), status);
    ExitProcess(status);
}

// Built before every other static object of the program, so it is destroyed after them and
// sees their releases too. A corrupted heap ends the process as a misuse does, a leak with a
// status of its own, so that no run that leaked passes for a clean one.
class Checks {
  public:
    Checks() = default;
    ~Checks() {
        const CheckedHeap::ExitFindings heap = CheckedHeap::CheckAtExit();
        const std::size_t unreleased = ObjectTracker::ListUnreleased();
        char path[MAX_PATH];
        if (CheckedOutput::ReadVariable(CallInjector::ReportVariable, path, sizeof path)) {
            CallInjector::WriteReport(path);
        }
        if (heap.corrupted) {
            End(CheckedHeap::MisuseExitStatus);
        }
        if (heap.leaked || unreleased > 0) {
            End(LeakExitStatus);
        }
    }
    Checks(const Checks&) = delete;
    Checks& operator=(const Checks&) = delete;
};

Checks checks __attribute__((init_priority(101)));

}  // namespace
}  // namespace ExitChecks
