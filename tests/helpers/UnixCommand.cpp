#include "UnixCommand.h"

#include <cstdio>

#include "GameProcess.h"
#include "Polling.h"

namespace {

// Returns the wide form of a UTF-8 string, as Wine hands command lines on to Unix in UTF-8.
std::wstring Widen(const std::string& text) {
    std::wstring wide(MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    wide.resize(wide.size() - 1);
    return wide;
}

// Returns the status that the shell wrote to `path`, or -1 while there is none: the file the
// system made for it is empty until then.
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
    // Wine's drive Z: is the Unix root, so both sides name the file in /tmp. The system makes the
    // file under a name no other file has: a Windows process id is unique only within its own
    // wineserver, and two of them may run on one machine.
    wchar_t made[MAX_PATH] = {};
    if (GetTempFileNameW(L"Z:\\tmp", L"kvu", 0, made) == 0) {
        return -1;
    }
    const std::wstring windowsPath = made;
    const std::string name = Utf8(windowsPath.substr(windowsPath.rfind(L'\\') + 1));
    const std::string unixPath = "/tmp/" + name;

    // The status goes to a second file first and is renamed into place, so that it is never
    // read half-written.
    std::wstring commandLine = Widen("/bin/sh -c \"" + command + "; echo $? > " + unixPath +
                                     ".part; mv " + unixPath + ".part " + unixPath + "\"");
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        DeleteFileW(windowsPath.c_str());
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
