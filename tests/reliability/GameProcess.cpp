#include "GameProcess.h"

#include "Polling.h"

namespace {

constexpr wchar_t MainWindowClass[] = L"_Pmw_KvWnd2_classCtyle:B_";

// Markers of the queue barrier: widths of the combobox's dropped-down list, which must be wider
// than the combobox (200 pixels) and below 32768 to be taken.
constexpr int FirstMarker = 1000;
constexpr int MarkerCount = 1000;
constexpr WPARAM ResetWidth = 1;
constexpr UINT SendLimit = 1000;

}  // namespace

GameProcess::GameProcess(const char* unixPath, const wchar_t* outputPath) {
    const std::wstring path = WindowsPath(unixPath);
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    HANDLE output = INVALID_HANDLE_VALUE;
    if (outputPath != nullptr) {
        SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
        output = CreateFileW(outputPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (output == INVALID_HANDLE_VALUE) {
            return;
        }
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    started_ = CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr,
                              outputPath != nullptr ? TRUE : FALSE, 0, nullptr, nullptr, &startup,
                              &process_) != FALSE;
    if (output != INVALID_HANDLE_VALUE) {
        CloseHandle(output);
    }
}

// A test that failed half-way must not leave the game behind.
GameProcess::~GameProcess() {
    if (!started_) {
        return;
    }
    if (IsRunning()) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 10000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

bool GameProcess::IsRunning() const {
    return started_ && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

GameWindows GameProcess::WaitForWindows(DWORD limit) const {
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
            return found.comboBox != nullptr && found.button != nullptr;
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
    return PollUntil(
        [&] {
            DWORD_PTR shown = 0;
            return SendMessageTimeoutW(windows.comboBox, CB_GETDROPPEDWIDTH, 0, 0, SMTO_ABORTIFHUNG,
                                       SendLimit, &shown) != 0 &&
                   static_cast<LRESULT>(shown) == width;
        },
        limit);
}
