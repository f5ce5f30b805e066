#include "GameProcess.h"

#include <cwchar>

#include "FaultSigns.h"
#include "Polling.h"
#include "kvblocks_version.h"

namespace {

constexpr wchar_t MainWindowClass[] = L"_Pmw_KvWnd2_classCtyle:B_";
constexpr wchar_t ProductName[] = L"下落方块";

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

GameProcess::GameProcess(const char* unixPath, bool checked, const Environment& environment)
    : GameProcess(WindowsPath(unixPath), L"", checked, environment) {}

GameProcess::GameProcess(const std::wstring& path, const std::wstring& arguments, bool checked,
                         const Environment& environment)
    : checked_(checked) {
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE output =
        CreateFileW(output_.Path().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) {
        return;
    }
    std::wstring commandLine = L"\"" + path + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    Environment settings = environment;
    settings.emplace_back(L"KV_ALLOCATION_REPORT", checked ? exitReport_.Path().Text() : L"");
    std::vector<wchar_t> block = EnvironmentBlock(settings);
    started_ = CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                              CREATE_UNICODE_ENVIRONMENT, block.data(), nullptr, &startup,
                              &process_) != FALSE;
    CloseHandle(output);
}

// A test that failed half-way must not leave the program behind.
GameProcess::~GameProcess() {
    if (started_) {
        if (IsRunning()) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, 10000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
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
    if (started_ && WaitForSingleObject(process_.hProcess, limit) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process_.hProcess, &code);
    }
    return static_cast<long>(code);
}

std::string GameProcess::Output() const {
    return ReadText(output_.Path());
}

std::string GameProcess::ExitReport() const {
    return checked_ ? ReadText(exitReport_.Path()) : std::string();
}

std::string GameProcess::FaultSigns() const {
    DWORD code = 0;
    const bool ended = started_ && !IsRunning() && GetExitCodeProcess(process_.hProcess, &code);
    const bool exitReportMissing = ended && checked_ && ExitReport().empty();
    return ::FaultSigns(Output(), code, ended, exitReportMissing);
}

std::wstring GameProcess::WindowsPath(const char* unixPath) {
    std::wstring path = L"Z:";
    for (const char* c = unixPath; *c != '\0'; ++c) {
        path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    }
    return path;
}

std::wstring SiblingPath(const wchar_t* name) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path = self;
    return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

DWORD RunSiblingProgram(const wchar_t* name, const std::wstring& arguments, std::string& output,
                        const GameProcess::Environment& environment, DWORD limit) {
    const GameProcess program(SiblingPath(name), arguments, false, environment);
    const long status = program.WaitForExit(limit);
    output = program.Output();
    return static_cast<DWORD>(status);
}

std::wstring WindowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

std::string Utf8(const std::wstring& text) {
    const int length = static_cast<int>(text.size());
    std::string bytes(
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), length, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), length, &bytes[0], static_cast<int>(bytes.size()),
                        nullptr, nullptr);
    return bytes;
}

// The title's form is "%s （%u.%u）:" with the product name and the version's first two numbers.
std::wstring GameTitle() {
    return std::wstring(ProductName) + L" （" + std::to_wstring(KV_VERSION_MAJOR) + L"." +
           std::to_wstring(KV_VERSION_MINOR) + L"）:";
}
