#include "WideString.h"

#include <cstdarg>
#include <cwchar>
#include <cstdio>
#include <utility>

namespace {

// The first attempt formats into a fixed array of this many characters, terminator included.
constexpr int LocalFormatCapacity = 256;

// Returns `text`, or an empty text in place of a null pointer.
const wchar_t* OrEmpty(const wchar_t* text) {
    return text != nullptr ? text : L"";
}

// Formats at most `limit` characters into `target` (which has room for limit + 1) and terminates
// them; returns the number of characters, or -1 when the output did not fit or the format failed.
// The runtime's _vsnwprintf is used rather than vswprintf because MinGW's C++ headers turn on
// their own printf, which reads "%s" in a wide format as a narrow string.
int FormatInto(wchar_t* target, int limit, const wchar_t* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int written = _vsnwprintf(target, static_cast<std::size_t>(limit), format, copy);
    va_end(copy);
    if (written < 0 || written > limit) {
        return -1;
    }
    target[written] = L'\0';
    return written;
}

// Returns the number of characters the complete output needs, or a negative value on failure.
int CountFormatted(const wchar_t* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int count = _vscwprintf(format, copy);
    va_end(copy);
    return count;
}

// Returns the formatted text, or an empty one when formatting fails or the output would be
// longer than WideString::MaxFormattedLength. Most texts fit the fixed local array, so the
// counting pass and the allocation are needed only for long ones.
std::wstring FormatArguments(const wchar_t* format, va_list args) {
    wchar_t local[LocalFormatCapacity];
    if (FormatInto(local, LocalFormatCapacity - 1, format, args) >= 0) {
        return local;
    }
    int count = CountFormatted(format, args);
    if (count < 0 || count > WideString::MaxFormattedLength) {
        return std::wstring();
    }
    std::unique_ptr<wchar_t[]> large(new wchar_t[static_cast<std::size_t>(count) + 1]);
    if (FormatInto(large.get(), count, format, args) < 0) {
        return std::wstring();
    }
    return large.get();
}

}  // namespace

WideString::WideString(const wchar_t* text) : text_(OrEmpty(text)) {}

// Only the text is copied: an array handed out by AcquireBuffer belongs to the string that
// handed it out, and its caller may still be writing into it.
WideString::WideString(const WideString& other) : text_(other.text_) {}

WideString::WideString(WideString&& other) noexcept : text_(std::move(other.text_)) {
    other.text_.clear();
}

WideString& WideString::operator=(const WideString& other) {
    if (this != &other) {
        text_ = other.text_;
    }
    return *this;
}

WideString& WideString::operator=(WideString&& other) noexcept {
    if (this != &other) {
        text_ = std::move(other.text_);
        other.text_.clear();
    }
    return *this;
}

WideString& WideString::operator=(const wchar_t* text) {
    return Assign(text);
}

// Called with a position past the end, this gives an empty string rather than throwing.
WideString& WideString::Assign(const WideString& other, std::size_t position, std::size_t count) {
    if (position >= other.text_.length()) {
        text_.clear();
    } else {
        text_.assign(other.text_, position, count);
    }
    return *this;
}

WideString& WideString::Assign(const wchar_t* text) {
    text_.assign(OrEmpty(text));
    return *this;
}

WideString& WideString::Append(const WideString& other) {
    text_.append(other.text_);
    return *this;
}

WideString& WideString::Append(const wchar_t* text) {
    text_.append(OrEmpty(text));
    return *this;
}

// Returns null for a capacity of 0 as well: such an array has no room for the NUL that every
// handed-out array starts with.
wchar_t* WideString::AcquireBuffer(std::uint32_t capacity) {
    if (capacity == 0 || capacity > MaxBufferLength || bufferData_ != nullptr) {
        return nullptr;
    }
    bufferData_.reset(new wchar_t[capacity]);
    bufferData_[0] = L'\0';
    bufferLength_ = capacity;
    return bufferData_.get();
}

// Called once the Win32 call has filled the array; the last character is forced to NUL so that
// an array filled to the brim cannot be read past its end.
void WideString::CommitBuffer() {
    if (bufferData_ != nullptr && bufferLength_ != 0) {
        bufferData_[bufferLength_ - 1] = L'\0';
        Assign(bufferData_.get());
    }
    bufferData_.reset();
    bufferLength_ = 0;
}

void WideString::Format(const wchar_t* format, ...) {
    text_.clear();
    if (format == nullptr) {
        return;
    }
    va_list args;
    va_start(args, format);
    try {
        text_ = FormatArguments(format, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}

WideString operator+(const WideString& a, const WideString& b) {
    WideString sum(a);
    sum.Append(b);
    return sum;
}
