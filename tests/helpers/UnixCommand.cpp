#include "UnixCommand.h"

#include <cstdio>

#include "Polling.h"

namespace {

// Returns the wide form of a UTF-8 string, as Wine hands command lines on to Unix in UTF-8.
std::wstring Widen(const std::string& text) {
    std::wstring wide(MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    wide.resize(wide.size() - 1);
    return wide;
}

// Returns the status that the shell wrote to `path`, or -1 while there is none.
int ReadStatus(const std::wstring& path) {
    FILE* file = _wfopen(path.c_str(), L"r");
    if (file == nullptr) {
        return -1;
    }
    int status = -1;
    const bool complete = std::fscanf(file, "%d\n", &status) == 1 && std::feof(file) != 0;
    std::fclose(file);
    return complete ? status : -1;
}

}  // namespace

int RunUnixCommand(const std::string& command, DWORD limit) {
    static int calls = 0;
    // Wine's drive Z: is the Unix root, so both sides name the file in /tmp.
    const std::string name =
        "kv-unix-command-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++calls);
    const std::string unixPath = "/tmp/" + name;
    const std::wstring windowsPath = L"Z:\\tmp\\" + Widen(name);
    DeleteFileW(windowsPath.c_str());

    // The status goes to a second file first and is renamed into place, so that it is never
    // read half-written.
    std::wstring commandLine = Widen("/bin/sh -c \"" + command + "; echo $? > " + unixPath +
                                     ".part; mv " + unixPath + ".part " + unixPath + "\"");
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return -1;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    int status = -1;
    PollUntil(
        [&] {
            status = ReadStatus(windowsPath);
            return status >= 0;
        },
        limit);
    DeleteFileW(windowsPath.c_str());
    return status;
}

bool Xdotool(const std::string& arguments, DWORD limit) {
    return RunUnixCommand("/usr/bin/xdotool " + arguments, limit) == 0;
}
