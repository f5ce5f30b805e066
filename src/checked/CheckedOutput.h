// How the checked build's instruments speak: lines on standard error, where the harnesses look,
// and to an attached debugger; and small text files for their reports. Nothing here allocates.
#pragma once

#include <windows.h>

#include <cstddef>

namespace CheckedOutput {

// Writes `prefix` and `text` as one line on standard error and to the debugger.
void WriteErrorLine(const char* prefix, const char* text);

// A text file written line by line with printf-style formats; lines longer than 1 KiB are cut.
class ReportFile {
  public:
    // Creates or empties the file at `path`, a Windows path.
    explicit ReportFile(const char* path);
    ~ReportFile();
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;

    bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
    void Line(const char* format, ...) __attribute__((format(printf, 2, 3)));

  private:
    HANDLE file_;
};

// Ends the process at once with `status`, after what the program wrote to its C streams and the
// coverage build's counts: a process that ends itself this way saves nothing by itself.
[[noreturn]] void EndProcess(unsigned long status);

// Returns the value of the environment variable `name` in `value`, or false when it is unset,
// empty or longer than `size` - 1 characters.
bool ReadVariable(const char* name, char* value, std::size_t size);

}  // namespace CheckedOutput
