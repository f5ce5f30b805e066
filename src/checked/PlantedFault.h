// The checked build's planted faults: KV_PLANT_FAULT in the environment makes the program fault
// on purpose at one chosen point, so that a test can prove that a fault there is seen:
//   static    in a static constructor, before the entry function runs
//   entry     in the entry function, before the main window exists
//   paint:N   in the main window's procedure, at its N-th WM_PAINT
//   timer:N   in the main window's procedure, at its N-th WM_TIMER
//   key:N     in the main window's procedure, at its N-th WM_KEYDOWN
// Each fault is a write through a null pointer, in a function named after its point.
#pragma once

namespace PlantedFault {

constexpr char Variable[] = "KV_PLANT_FAULT";

// Returns true when the environment plants the fault at `point` ("static", "entry", "paint", …);
// `count` receives the number after the colon, 1 when none is given.
bool IsPlantedAt(const char* point, unsigned& count);

// Each faults at once; the function names in the reports say where.
void FaultInStaticConstructor();
void FaultInWindowProcedure();
void FaultInEntryFunction();

}  // namespace PlantedFault
