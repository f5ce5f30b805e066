#include "CheckedOutput.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "CoverageFlush.h"

namespace CheckedOutput {

void WriteErrorLine(const char* prefix, const char* text) {
    char line[1400];
    const int length = std::snprintf(line, sizeof line, "%s%s\n", prefix, text);
    if (length <= 0) {
        return;
    }
    const DWORD size = std::min<DWORD>(static_cast<DWORD>(length), sizeof line - 1);
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    if (error != nullptr && error != INVALID_HANDLE_VALUE) {
        WriteFile(error, line, size, &written, nullptr);
    }
    OutputDebugStringA(line);
}

ReportFile::ReportFile(const char* path)
    : file_(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr)) {}

ReportFile::~ReportFile() {
    if (IsOpen()) {
        CloseHandle(file_);
    }
}

void ReportFile::Line(const char* format, ...) {
    if (!IsOpen()) {
        return;
    }
    char line[1024];
    va_list arguments;
    va_start(arguments, format);
    int length = std::vsnprintf(line, sizeof line - 1, format, arguments);
    va_end(arguments);
    if (length < 0) {
        return;
    }
    length = std::min(length, static_cast<int>(sizeof line) - 2);
    line[length] = '\n';
    DWORD written = 0;
    WriteFile(file_, line, static_cast<DWORD>(length + 1), &written, nullptr);
}

void EndProcess(unsigned long status) {
    std::fflush(nullptr);
    CoverageFlush::SaveCounts();
    TerminateProcess(GetCurrentProcess(), status);
    ExitProcess(status);
}

bool ReadVariable(const char* name, char* value, std::size_t size) {
    const DWORD length = GetEnvironmentVariableA(name, value, static_cast<DWORD>(size));
    return length > 0 && length < size;
}

}  // namespace CheckedOutput
