// Saves the coverage build's counts: at the very end of a normal exit, after every static
// object's destructor, and on demand where the program ends itself at once. Does nothing in any
// other build.
#pragma once

namespace CoverageFlush {

// Writes the counts of this process to their files now, once per process; later calls do
// nothing. Call it before TerminateProcess: a terminated process saves nothing by itself.
void SaveCounts();

}  // namespace CoverageFlush
