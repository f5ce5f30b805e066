// The checked build's call injector: counts the calls that the program's own code makes to the
// Windows functions of RoutedCallTable.h, at their call sites, and fails the ones chosen by
// KV_FAIL_CALL with each function's documented failure value and a fitting last error, without
// calling the function. A call site is the address the wrapper returns to; the routed files are
// compiled without sibling-call optimisation (CMakeLists.txt), so that it lies in the function
// that makes the call, whichever path led there. KV_CALL_REPORT names a file that receives at
// exit the calls per function and per call site, the calls that were failed, and the objects made
// and not released.
#pragma once

#include <cstdint>

namespace CallInjector {

constexpr char ChoiceVariable[] = "KV_FAIL_CALL";
constexpr char ReportVariable[] = "KV_CALL_REPORT";

// Chooses the calls to fail: "N" (the N-th call of the run to a function that can fail),
// "Name:K" (the K-th call of Name), "Name:K+" (every call of Name from its K-th on),
// "Name@Module+0xOffset" (the first call of Name, from the choice on, made at the call site that
// the reports name so: the return address that lies Offset bytes into the loaded image of Module,
// for example "WaitForSingleObject@kvblocks.exe+0xf1ed"), or an empty choice (none). A call site
// is reached whatever the calls before it, where the ordinal of a call late in a session depends
// on how many timer and paint messages came. Returns false, and chooses none, for a choice it
// cannot read or whose module is not loaded. The environment's choice is read at the first routed
// call of the run.
bool Choose(const char* choice);

// Returns the number of calls so far to functions that can fail.
std::uint64_t FailableCalls();
// Returns the number of calls so far to `function`, 0 for a name that is not in the table.
std::uint64_t CallsOf(const char* function);
// Returns the number of calls failed on purpose so far.
std::uint64_t FailedCalls();

// Writes the report to `path`, a Windows path.
void WriteReport(const char* path);

// For the wrappers: the table's rows by their place in it.
int IndexOf(const char* function);  // -1 for a name not in the table
const char* NameOf(int function);
// Counts a call of a function that can fail, and returns true when it is to fail.
bool ShouldFail(int function, const void* site);
// Counts a call of a function that is never failed.
void Count(int function, const void* site);

}  // namespace CallInjector
