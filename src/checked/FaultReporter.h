// The checked build's fault reporter: every fault of the program's own code, and every exception
// that nothing handles, is named on standard error in one line at the moment it happens, and the
// process ends at once. Installed before any static object of the program is built.
//
// Wine, like 64-bit Windows, catches an access violation raised in a window procedure that the
// system called and lets the program run on without a word; the reporter sees the fault first.
#pragma once

namespace FaultReporter {

// The exit status of a process that the reporter ended; no normal run ends with it.
constexpr unsigned long FaultExitStatus = 0xE000FA17;

// What every report line starts with.
constexpr char ReportPrefix[] = "fault: ";

// KV_FAULT_REPORTER=0 in the environment leaves the reporter out, to show what a fault looks like
// without it.
constexpr char DisableVariable[] = "KV_FAULT_REPORTER";

}  // namespace FaultReporter
