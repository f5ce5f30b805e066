// The main window, counting its paints.
#pragma once

#include "TestMainWnd.h"

class CountingMainWnd : public TestMainWnd {
  public:
    void Paint(HDC dc, const RECT* rect) override {
        ++paints;
        KvMainWnd::Paint(dc, rect);
    }
    long paints = 0;
};
