#include "PlantedFault.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "CheckedOutput.h"
#include "MainWindowWatch.h"

// The message points need the fault inside the main window's own procedure, called by the system
// as it dispatches or sends a message: a procedure put in front of the framework's counts the
// chosen message and faults at its N-th arrival.
namespace PlantedFault {

// The write that faults; the compiler cannot see that the pointer is null. Each point writes its
// own value, so that no two of the functions are folded into one.
__attribute__((always_inline)) inline void WriteThroughNull(int value) {
    volatile int* volatile target = nullptr;
    *target = value;
}

__attribute__((noinline)) void FaultInStaticConstructor() {
    WriteThroughNull(1);
}

__attribute__((noinline)) void FaultInWindowProcedure() {
    WriteThroughNull(2);
}

__attribute__((noinline)) void FaultInEntryFunction() {
    WriteThroughNull(3);
}

namespace {

struct MessagePoint {
    const char* name;
    UINT message;
};
constexpr MessagePoint MessagePoints[] = {
    {"paint", WM_PAINT},
    {"timer", WM_TIMER},
    {"key", WM_KEYDOWN},
};

UINT plantedMessage = 0;
unsigned remaining = 0;
WNDPROC framework = nullptr;

LRESULT CALLBACK CountingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == plantedMessage && remaining > 0 && --remaining == 0) {
        FaultInWindowProcedure();
    }
    return CallWindowProcW(framework, window, message, wParam, lParam);
}

// Plants the static point at once, and a message point before the main window exists.
struct Planter {
    Planter() {
        unsigned count = 0;
        if (IsPlantedAt("static", count)) {
            FaultInStaticConstructor();
        }
        for (const MessagePoint& point : MessagePoints) {
            if (IsPlantedAt(point.name, count)) {
                plantedMessage = point.message;
                remaining = count;
                MainWindowWatch::Watch(CountingProcedure, &framework);
            }
        }
    }
};

Planter planter;

}  // namespace

bool IsPlantedAt(const char* point, unsigned& count) {
    char value[32];
    const std::size_t nameLength = std::strlen(point);
    if (!CheckedOutput::ReadVariable(Variable, value, sizeof value) ||
        std::strncmp(value, point, nameLength) != 0) {
        return false;
    }
    const char* rest = value + nameLength;
    count = *rest == '\0'  ? 1
            : *rest == ':' ? static_cast<unsigned>(std::strtoul(rest + 1, nullptr, 10))
                           : 0;
    return count > 0;
}

}  // namespace PlantedFault
