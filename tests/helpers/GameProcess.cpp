#include "GameProcess.h"

#include <cwchar>

#include "FaultSigns.h"
#include "Polling.h"
#include "TextFiles.h"

namespace {

constexpr wchar_t MainWindowClass[] = L"_Pmw_KvWnd2_classCtyle:B_";

// Markers of the queue barrier: widths of the combobox's dropped-down list, which must be wider
// than the combobox (200 pixels) and below 32768 to be taken.
constexpr int FirstMarker = 1000;
constexpr int MarkerCount = 1000;
constexpr WPARAM ResetWidth = 1;
constexpr UINT SendLimit = 1000;

// Returns this process's environment with `settings` put in, in the form CreateProcessW takes:
// "NAME=value" strings, each ended by a NUL, and one more NUL. Settings with an empty value are
// left out, as are the variables they replace.
std::vector<wchar_t> EnvironmentBlock(const GameProcess::Environment& settings) {
    std::vector<wchar_t> block;
    auto replaced = [&](const wchar_t* entry) {
        for (const auto& [name, value] : settings) {
            if (_wcsnicmp(entry, name.c_str(), name.size()) == 0 && entry[name.size()] == L'=') {
                return true;
            }
        }
        return false;
    };
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; entry != nullptr && *entry != L'\0';
         entry += wcslen(entry) + 1) {
        if (!replaced(entry)) {
            block.insert(block.end(), entry, entry + wcslen(entry) + 1);
        }
    }
    FreeEnvironmentStringsW(strings);
    for (const auto& [name, value] : settings) {
        if (!value.empty()) {
            const std::wstring entry = name + L"=" + value;
            block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
        }
    }
    block.push_back(L'\0');
    return block;
}

}  // namespace

GameProcess::GameProcess(const char* unixPath, bool checked, const Environment& environment) {
    outputPath_ = TemporaryPath(L"kvo");
    if (outputPath_.empty()) {
        return;
    }
    if (checked) {
        // Written only at the program's own exit.
        exitReportPath_ = TemporaryPath(L"kvr");
        DeleteFileW(exitReportPath_.c_str());
    }
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE output =
        CreateFileW(outputPath_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) {
        return;
    }
    const std::wstring path = WindowsPath(unixPath);
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = output;
    startup.hStdError = output;
    Environment settings = environment;
    settings.emplace_back(L"KV_ALLOCATION_REPORT", exitReportPath_);
    std::vector<wchar_t> block = EnvironmentBlock(settings);
    started_ = CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                              CREATE_UNICODE_ENVIRONMENT, block.data(), nullptr, &startup,
                              &process_) != FALSE;
    CloseHandle(output);
}

// A test that failed half-way must not leave the game behind.
GameProcess::~GameProcess() {
    if (started_) {
        if (IsRunning()) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, 10000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    for (const std::wstring& path : {outputPath_, exitReportPath_}) {
        if (!path.empty()) {
            DeleteFileW(path.c_str());
        }
    }
}

bool GameProcess::IsRunning() const {
    return started_ && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

GameWindows GameProcess::WaitForWindows(DWORD limit, bool controlsRequired) const {
    GameWindows found;
    const bool appeared = PollUntil(
        [&] {
            if (!IsRunning()) {
                return true;
            }
            found.main = nullptr;
            HWND candidate = nullptr;
            while ((candidate = FindWindowExW(nullptr, candidate, MainWindowClass, nullptr)) !=
                   nullptr) {
                DWORD owner = 0;
                GetWindowThreadProcessId(candidate, &owner);
                if (owner == process_.dwProcessId && IsWindowVisible(candidate)) {
                    found.main = candidate;
                    break;
                }
            }
            if (found.main == nullptr) {
                return false;
            }
            found.comboBox = FindWindowExW(found.main, nullptr, L"ComboBox", nullptr);
            found.button = FindWindowExW(found.main, nullptr, L"Button", nullptr);
            return !controlsRequired || (found.comboBox != nullptr && found.button != nullptr);
        },
        limit);
    if (!appeared || !IsRunning()) {
        return GameWindows();
    }
    return found;
}

long GameProcess::WaitForExit(DWORD limit) const {
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process_.hProcess, limit) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process_.hProcess, &code);
    }
    return static_cast<long>(code);
}

std::string GameProcess::Output() const {
    return ReadWholeFile(outputPath_);
}

std::string GameProcess::ExitReport() const {
    return exitReportPath_.empty() ? std::string() : ReadWholeFile(exitReportPath_);
}

std::string GameProcess::FaultSigns() const {
    DWORD code = 0;
    const bool ended = started_ && !IsRunning() && GetExitCodeProcess(process_.hProcess, &code);
    const bool exitReportMissing = ended && !exitReportPath_.empty() && ExitReport().empty();
    return ::FaultSigns(Output(), code, ended, exitReportMissing);
}

std::wstring GameProcess::WindowsPath(const char* unixPath) {
    std::wstring path = L"Z:";
    for (const char* c = unixPath; *c != '\0'; ++c) {
        path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    }
    return path;
}

std::wstring WindowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

// Posts the marker behind everything posted so far and waits until the combobox shows it: the
// game's windows share one queue, so by then the game has taken every earlier message too.
bool WaitForEmptyQueue(const GameWindows& windows, int marker, DWORD limit) {
    const LRESULT width = FirstMarker + marker % MarkerCount;
    // A width below the list's present one clears the width set before; only then does the
    // combobox take a marker smaller than the last.
    PostMessageW(windows.comboBox, CB_SETDROPPEDWIDTH, ResetWidth, 0);
    PostMessageW(windows.comboBox, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(width), 0);
    // A game that has ended, or lost its windows, takes nothing more: no need to wait for it.
    bool gone = false;
    const bool shown = PollUntil(
        [&] {
            if (!IsWindow(windows.comboBox)) {
                gone = true;
                return true;
            }
            DWORD_PTR answer = 0;
            return SendMessageTimeoutW(windows.comboBox, CB_GETDROPPEDWIDTH, 0, 0, SMTO_ABORTIFHUNG,
                                       SendLimit, &answer) != 0 &&
                   static_cast<LRESULT>(answer) == width;
        },
        limit);
    return shown && !gone;
}
