// A committed page of memory that may not be read, for the calls that must survive reading it.
#pragma once

#include <windows.h>

class UnreadablePage {
  public:
    UnreadablePage()
        : page_(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_NOACCESS)) {}
    ~UnreadablePage() { VirtualFree(page_, 0, MEM_RELEASE); }
    UnreadablePage(const UnreadablePage&) = delete;
    UnreadablePage& operator=(const UnreadablePage&) = delete;

    const void* Address() const { return page_; }

  private:
    void* page_;
};
