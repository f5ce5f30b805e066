// Runs the checked build's probe programs from a test and reads what they wrote.
#pragma once

#include <windows.h>

#include <string>

#include "TemporaryFile.h"

// A file's text, its line ends made "\n". The file may still be open elsewhere: a helper process
// that Wine starts for a program's first window inherits the program's standard handles.
inline std::string ReadText(const WideString& path) {
    std::string text;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ScopedHandle closer(file);
    char buffer[4096];
    DWORD count = 0;
    while (closer.IsValid() && ReadFile(file, buffer, sizeof buffer, &count, nullptr) && count) {
        for (DWORD i = 0; i < count; ++i) {
            text += buffer[i] == '\r' ? std::string() : std::string(1, buffer[i]);
        }
    }
    return text;
}

// Runs `name`, a program built beside this one, with `variable` set in its environment, and
// returns its exit status (-1 when it could not run or did not end) and its output.
inline DWORD RunSiblingProgram(const wchar_t* name, const std::wstring& arguments,
                               std::string& output, const wchar_t* variable = L"KV_UNUSED",
                               const wchar_t* value = L"") {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring program = self;
    program = program.substr(0, program.find_last_of(L"\\/") + 1) + name;
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    TemporaryFile file;
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE handle = CreateFileW(file.Path().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = handle;
    PROCESS_INFORMATION process = {};
    SetEnvironmentVariableW(variable, value);
    const BOOL started = CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableW(variable, nullptr);
    CloseHandle(handle);
    DWORD status = static_cast<DWORD>(-1);
    if (started) {
        if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, status);
            WaitForSingleObject(process.hProcess, 10000);
        }
        GetExitCodeProcess(process.hProcess, &status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    output = ReadText(file.Path());
    return status;
}
