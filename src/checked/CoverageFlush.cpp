#include "CoverageFlush.h"

#ifdef KV_COVERAGE

#include <windows.h>

#include <cstdlib>

// The runtime's own save runs among the C runtime's exit functions, before the destructors of
// objects with static storage duration, so those destructors would all show as never run. The
// linker routes the runtime's save to a wrapper that does nothing (-Wl,--wrap=__gcov_exit, see
// cmake/coverage.cmake), and the counts are saved by an exit function registered at the first
// registration of an instrumented file (-Wl,--wrap=__gcov_init). That happens in the runtime's
// own constructors, which run before any static object of the program, the checked heap's exit
// report included, is built; exit functions run in the reverse order of their registration, so
// this one runs after every static object's destructor.
extern "C" {
void __gcov_dump();
void __real___gcov_init(void* info);
void __wrap___gcov_init(void* info);
void __wrap___gcov_exit();
}

namespace CoverageFlush {
namespace {

// Set by the first save. A fault inside the save reaches the fault reporter, which calls it
// again; the runtime's lock is still held then, and taking it a second time would hang.
volatile LONG saved = 0;

bool exitSaveRegistered = false;

}  // namespace

void SaveCounts() {
    if (InterlockedExchange(&saved, 1) == 0) {
        __gcov_dump();
    }
}

}  // namespace CoverageFlush

void __wrap___gcov_init(void* info) {
    __real___gcov_init(info);
    if (!CoverageFlush::exitSaveRegistered) {
        CoverageFlush::exitSaveRegistered = true;
        std::atexit(CoverageFlush::SaveCounts);
    }
}

void __wrap___gcov_exit() {}

#else

void CoverageFlush::SaveCounts() {}

#endif
