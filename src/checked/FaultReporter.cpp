#include "FaultReporter.h"

#include <windows.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iterator>

#include "CheckedOutput.h"
#include "CodeAddress.h"
#include "CoverageFlush.h"

// Where the line is drawn. A first-chance (vectored) handler sees every exception of the process
// where it is raised, before any frame can swallow it. It reports a fault whose instruction lies
// in the program's own image (its code, and the C++ runtime and libgcc linked into it), in the C
// runtime DLL that works for it, or in no module at all (a jump through a stale pointer), and a
// stack overflow wherever it happens. A fault inside another system DLL is left to that DLL: Wine
// and Windows probe memory there on purpose and handle the fault themselves (IsBadReadPtr, user
// pointers checked by USER32). What nothing handles reaches the last-chance filter and is
// reported wherever it came from; so is std::terminate (a C++ exception that nothing catches)
// and abort. C++ exceptions on their way to a handler pass: a 32-bit program's never enter the
// system's dispatcher, a 64-bit program's travel as exceptions with libgcc's own code.
//
// The linker routes every other call of std::set_terminate through the wrapper at the end of this
// file (src/checked/CMakeLists.txt), which keeps the reporter's handler while the reporter is
// installed: a handler that the program sets does not take its place.

// The runtime's std::set_terminate, as the linker names it for the wrapper.
extern "C" std::terminate_handler __real__ZSt13set_terminatePFvvE(std::terminate_handler handler);

namespace FaultReporter {
namespace {

constexpr DWORD GccCppExceptionCode = 0x20474343;  // "CCG": libgcc's SEH-based C++ throw
constexpr DWORD SeverityMask = 0xC0000000;         // 0 success, 1 information: never faults
constexpr std::size_t LineSize = 1024;

struct ExceptionName {
    DWORD code;
    const char* name;
};
constexpr ExceptionName ExceptionNames[] = {
    {EXCEPTION_ACCESS_VIOLATION, "access violation"},
    {EXCEPTION_GUARD_PAGE, "guard page violation"},
    {EXCEPTION_IN_PAGE_ERROR, "in-page error"},
    {EXCEPTION_ILLEGAL_INSTRUCTION, "illegal instruction"},
    {EXCEPTION_PRIV_INSTRUCTION, "privileged instruction"},
    {EXCEPTION_INT_DIVIDE_BY_ZERO, "integer divide by zero"},
    {EXCEPTION_INT_OVERFLOW, "integer overflow"},
    {EXCEPTION_STACK_OVERFLOW, "stack overflow"},
    {EXCEPTION_ARRAY_BOUNDS_EXCEEDED, "array bounds exceeded"},
    {EXCEPTION_DATATYPE_MISALIGNMENT, "datatype misalignment"},
    {EXCEPTION_BREAKPOINT, "breakpoint"},
    {EXCEPTION_FLT_DIVIDE_BY_ZERO, "floating-point divide by zero"},
    {EXCEPTION_FLT_INVALID_OPERATION, "floating-point invalid operation"},
    {EXCEPTION_FLT_OVERFLOW, "floating-point overflow"},
    {EXCEPTION_NONCONTINUABLE_EXCEPTION, "noncontinuable exception"},
    {EXCEPTION_INVALID_DISPOSITION, "invalid disposition"},
    {0xC0000409, "stack buffer overrun"},
};

HMODULE programModule = nullptr;
HMODULE runtimeModule = nullptr;
volatile LONG reporting = 0;
bool installed = false;

// Writes the line on standard error and, when there is `stackToSpare`, to an attached debugger
// (which raises an exception of its own), then ends the process.
[[noreturn]] void ReportAndEnd(const char* line, bool stackToSpare = true) {
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    if (error != nullptr && error != INVALID_HANDLE_VALUE) {
        WriteFile(error, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    }
    // Saving the coverage build's counts needs stack too: a stack overflow keeps none.
    if (stackToSpare) {
        OutputDebugStringA(line);
        CoverageFlush::SaveCounts();
    }
    TerminateProcess(GetCurrentProcess(), FaultExitStatus);
    ExitProcess(FaultExitStatus);
}

// Only one report: a fault while reporting, or in a second thread, ends the process plainly.
void BeginReport() {
    if (InterlockedExchange(&reporting, 1) != 0) {
        ReportAndEnd("fault: a second fault while reporting one\n");
    }
}

// "access violation writing 0x00000010", "integer divide by zero", "exception 0xe0000001".
void DescribeException(const EXCEPTION_RECORD& record, char* text, std::size_t size) {
    const ExceptionName* named = std::find_if(
        std::begin(ExceptionNames), std::end(ExceptionNames),
        [&record](const ExceptionName& entry) { return entry.code == record.ExceptionCode; });
    if (named == std::end(ExceptionNames)) {
        std::snprintf(text, size, "exception 0x%08lx",
                      static_cast<unsigned long>(record.ExceptionCode));
        return;
    }
    const bool hasTarget = (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION ||
                            record.ExceptionCode == EXCEPTION_IN_PAGE_ERROR) &&
                           record.NumberParameters >= 2;
    if (!hasTarget) {
        std::snprintf(text, size, "%s", named->name);
        return;
    }
    const ULONG_PTR kind = record.ExceptionInformation[0];
    const char* access = kind == 0 ? "reading" : kind == 1 ? "writing" : "executing";
    std::snprintf(text, size, "%s %s 0x%0*zx", named->name, access,
                  static_cast<int>(2 * sizeof(void*)),
                  static_cast<std::size_t>(record.ExceptionInformation[1]));
}

[[noreturn]] void Report(const EXCEPTION_RECORD& record, const char* how) {
    BeginReport();
    // A stack overflow leaves too little stack for reading the symbol table.
    const bool roomy = record.ExceptionCode != EXCEPTION_STACK_OVERFLOW;
    static char exception[160];
    static char place[LineSize];
    static char line[LineSize + 200];
    DescribeException(record, exception, sizeof exception);
    CodeAddress::Describe(record.ExceptionAddress, place, sizeof place, roomy);
    std::snprintf(line, sizeof line, "fault: %s%s at %s\n", exception, how, place);
    ReportAndEnd(line, roomy);
}

bool IsFault(DWORD code) {
    return code != GccCppExceptionCode && (code & SeverityMask) != 0 &&
           code != EXCEPTION_SINGLE_STEP;
}

// True for an exception whose instruction lies in code that works for the program.
bool RaisedByProgram(const EXCEPTION_RECORD& record) {
    HMODULE module = CodeAddress::ModuleAt(record.ExceptionAddress);
    return module == nullptr || module == programModule ||
           (runtimeModule != nullptr && module == runtimeModule);
}

LONG CALLBACK FirstChance(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
    if (IsFault(record.ExceptionCode) &&
        (record.ExceptionCode == EXCEPTION_STACK_OVERFLOW || RaisedByProgram(record))) {
        Report(record, "");
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI LastChance(EXCEPTION_POINTERS* pointers) {
    Report(*pointers->ExceptionRecord, ", which nothing handled,");
}

[[noreturn]] void OnTerminate() {
    BeginReport();
    ReportAndEnd(
        "fault: std::terminate (a C++ exception that nothing caught, or one that left a "
        "noexcept function)\n");
}

void OnAbort(int) {
    BeginReport();
    ReportAndEnd("fault: abort\n");
}

bool Disabled() {
    char value[8];
    return CheckedOutput::ReadVariable(DisableVariable, value, sizeof value) &&
           std::strcmp(value, "0") == 0;
}

// Runs before every static object of default priority, so before any of the program's.
__attribute__((constructor(101))) void Install() {
    if (Disabled()) {
        return;
    }
    ULONG guarantee = 64 * 1024;
    SetThreadStackGuarantee(&guarantee);
    programModule = GetModuleHandleW(nullptr);
    runtimeModule = GetModuleHandleW(L"msvcrt.dll");
    AddVectoredExceptionHandler(1, FirstChance);
    SetUnhandledExceptionFilter(LastChance);
    __real__ZSt13set_terminatePFvvE(OnTerminate);
    std::signal(SIGABRT, OnAbort);
    // No dialog box for a fault that the system itself would report.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    installed = true;
}

}  // namespace
}  // namespace FaultReporter

// Every other call of std::set_terminate: the reporter's handler stays while it is installed, and
// the caller is told that it is the one in place; with the reporter left out, the program's own
// handler is set as in the release build.
extern "C" std::terminate_handler __wrap__ZSt13set_terminatePFvvE(std::terminate_handler handler) {
    if (FaultReporter::installed) {
        return std::get_terminate();
    }
    return __real__ZSt13set_terminatePFvvE(handler);
}
