// Owns one global memory block and frees it when it is dropped.
#pragma once

#include <windows.h>

class GlobalMemory {
  public:
    GlobalMemory() = default;
    explicit GlobalMemory(HGLOBAL memory) : memory_(memory) {}
    ~GlobalMemory() { Reset(); }
    GlobalMemory(const GlobalMemory&) = delete;
    GlobalMemory& operator=(const GlobalMemory&) = delete;
    GlobalMemory(GlobalMemory&& other) noexcept : memory_(other.Detach()) {}
    GlobalMemory& operator=(GlobalMemory&& other) noexcept {
        if (this != &other) {
            Reset(other.Detach());
        }
        return *this;
    }

    HGLOBAL Get() const { return memory_; }
    explicit operator bool() const { return memory_ != nullptr; }

    // Returns the block and gives up its ownership.
    HGLOBAL Detach() {
        HGLOBAL memory = memory_;
        memory_ = nullptr;
        return memory;
    }
    // Frees the block held, if any, and takes `memory` in its place.
    void Reset(HGLOBAL memory = nullptr) {
        if (memory_ != nullptr) {
            GlobalFree(memory_);
        }
        memory_ = memory;
    }

  private:
    HGLOBAL memory_ = nullptr;
};
