#include "WindowProbe.h"

#include <windows.h>

#include "CheckedOutput.h"
#include "MainWindowWatch.h"

namespace WindowProbe {
namespace {

constexpr int SampleStep = 8;

UINT probeMessage = 0;
WNDPROC framework = nullptr;

LRESULT CALLBACK ProbingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == probeMessage && probeMessage != 0) {
        return PaintedShare(window);
    }
    return CallWindowProcW(framework, window, message, wParam, lParam);
}

struct Probe {
    Probe() {
        char value[4];
        if (CheckedOutput::ReadVariable(Variable, value, sizeof value) && value[0] == '1') {
            probeMessage = RegisterWindowMessageW(ProbeMessageName);
            MainWindowWatch::Watch(ProbingProcedure, &framework);
        }
    }
};

Probe probe;

}  // namespace

int PaintedShare(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    HDC dc = GetDC(window);
    if (dc == nullptr) {
        return 0;
    }
    long samples = 0;
    long painted = 0;
    for (int y = SampleStep / 2; y < client.bottom; y += SampleStep) {
        for (int x = SampleStep / 2; x < client.right; x += SampleStep) {
            ++samples;
            painted += GetPixel(dc, x, y) != RGB(0, 0, 0) ? 1 : 0;
        }
    }
    ReleaseDC(window, dc);
    return samples > 0 ? static_cast<int>(painted * 100 / samples) : 0;
}

}  // namespace WindowProbe
