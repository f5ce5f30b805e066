// The entry point of the planted faults, linked only into the game's executables, whose entry
// function the linker routes through this one (--wrap): KV_PLANT_FAULT=entry faults here, in
// the entry function's place, before the main window exists.
#include <windows.h>

#include "PlantedFault.h"

extern "C" int WINAPI __real_wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine,
                                      int show);

extern "C" int WINAPI __wrap_wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine,
                                      int show) {
    unsigned count = 0;
    if (PlantedFault::IsPlantedAt("entry", count)) {
        PlantedFault::FaultInEntryFunction();
    }
    return __real_wWinMain(instance, previous, commandLine, show);
}
