// The program's one string type: UTF-16 text with value semantics, a writable array that a Win32
// call can fill, and printf-style formatting with the Windows meaning of "%s".
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class WideString {
  public:
    // Largest array AcquireBuffer hands out, in characters.
    static constexpr std::uint32_t MaxBufferLength = 0x100000;
    // Longest text Format produces; longer output leaves the string empty.
    static constexpr int MaxFormattedLength = 0xFFFFE;

    WideString() = default;
    // Takes the text up to its first NUL; a null pointer gives an empty string.
    WideString(const wchar_t* text);  // NOLINT: implicit on purpose, like the standard string
    WideString(const WideString& other);
    WideString(WideString&& other) noexcept;
    ~WideString() = default;

    WideString& operator=(const WideString& other);
    WideString& operator=(WideString&& other) noexcept;
    WideString& operator=(const wchar_t* text);

    WideString& Assign(const WideString& other, std::size_t position, std::size_t count);
    WideString& Assign(const wchar_t* text);
    WideString& Append(const WideString& other);
    WideString& Append(const wchar_t* text);
    WideString& operator+=(const WideString& other) { return Append(other); }
    WideString& operator+=(const wchar_t* text) { return Append(text); }

    void Clear() { text_.clear(); }
    std::size_t Length() const { return text_.length(); }
    bool IsEmpty() const { return text_.empty(); }
    const wchar_t* c_str() const { return text_.c_str(); }
    const std::wstring& Text() const { return text_; }
    // Index Length() reads the terminating NUL, as with the standard string.
    wchar_t operator[](std::size_t index) const { return text_[index]; }
    wchar_t& operator[](std::size_t index) { return text_[index]; }

    // Returns a writable array of `capacity` characters whose first character is NUL, or null
    // when the capacity is 0 or above MaxBufferLength or an array is already outstanding.
    wchar_t* AcquireBuffer(std::uint32_t capacity);
    // Makes the text in the outstanding array the content and frees the array.
    void CommitBuffer();
    bool HasOutstandingBuffer() const { return bufferData_ != nullptr; }

    // Replaces the content with the formatted text; "%s" takes a wide string. Any formatting
    // failure, or output longer than MaxFormattedLength, leaves the string empty.
    void Format(const wchar_t* format, ...);

    friend bool operator==(const WideString& a, const WideString& b) { return a.text_ == b.text_; }
    friend bool operator!=(const WideString& a, const WideString& b) { return a.text_ != b.text_; }
    friend bool operator<(const WideString& a, const WideString& b) { return a.text_ < b.text_; }
    friend bool operator>(const WideString& a, const WideString& b) { return b < a; }
    friend bool operator<=(const WideString& a, const WideString& b) { return !(b < a); }
    friend bool operator>=(const WideString& a, const WideString& b) { return !(a < b); }

  private:
    std::wstring text_;
    std::unique_ptr<wchar_t[]> bufferData_;
    std::uint32_t bufferLength_ = 0;
};

WideString operator+(const WideString& a, const WideString& b);
