#include "ExitChecks.h"

#include <windows.h>

#include <cstddef>

#include "CallInjector.h"
#include "CheckedHeap.h"
#include "CheckedOutput.h"
#include "ObjectTracker.h"

namespace ExitChecks {
namespace {

// Built before every other static object of the program, so it is destroyed after them and
// sees their releases too. A corrupted heap ends the process as a misuse does, a leak with a
// status of its own, so that no run that leaked passes for a clean one.
struct Checks {
    ~Checks() {
        const CheckedHeap::ExitFindings heap = CheckedHeap::CheckAtExit();
        const std::size_t unreleased = ObjectTracker::ListUnreleased();
        char path[MAX_PATH];
        if (CheckedOutput::ReadVariable(CallInjector::ReportVariable, path, sizeof path)) {
            CallInjector::WriteReport(path);
        }
        if (heap.corrupted) {
            CheckedOutput::EndProcess(CheckedHeap::MisuseExitStatus);
        }
        if (heap.leaked || unreleased > 0) {
            CheckedOutput::EndProcess(LeakExitStatus);
        }
    }
};

Checks checks __attribute__((init_priority(101)));

}  // namespace
}  // namespace ExitChecks
