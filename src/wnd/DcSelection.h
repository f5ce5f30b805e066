// Selects GDI objects of one type into a device context for one scope, and puts back, at the
// scope's end however it is left, the object that the first selection replaced.
#pragma once

#include <windows.h>

class DcSelection {
  public:
    DcSelection(HDC dc, HGDIOBJ object) : dc_(dc) { Select(object); }
    ~DcSelection() {
        if (previous_ != nullptr) {
            SelectObject(dc_, previous_);
        }
    }
    DcSelection(const DcSelection&) = delete;
    DcSelection& operator=(const DcSelection&) = delete;

    // Selects `object` in place of the current one. A null object (one that could not be made)
    // leaves the DC's current one in use.
    void Select(HGDIOBJ object) {
        if (object == nullptr) {
            return;
        }
        HGDIOBJ replaced = SelectObject(dc_, object);
        if (previous_ == nullptr) {
            previous_ = replaced;
        }
    }

  private:
    HDC dc_;
    HGDIOBJ previous_ = nullptr;
};
