// Test helpers: a framework window that records what reaches its hooks.
#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <new>
#include <vector>

#include <windows.h>

#include "KvWnd.h"
#include "WindowRegistry.h"

struct RecordedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    HWND hwndAtCall;
};

struct RecordedPaint {
    HDC dc;
    RECT rect;
    int backgroundMode;
    COLORREF cornerPixel;  // the pixel at the rectangle's top-left corner when Paint began
    HWND dcWindow;         // the window whose DC it is; null for a memory DC
};

class RecordingWindow : public KvWnd {
  public:
    // Shared, so that a test can still read it once the object is gone.
    std::shared_ptr<std::vector<RecordedMessage>> log =
        std::make_shared<std::vector<RecordedMessage>>();
    // Messages answered with these results instead of DefWindowProcW.
    std::map<UINT, LRESULT> answers;
    // A message on which HandleMessage throws std::bad_alloc; 0 for none.
    UINT throwOn = 0;
    bool paintsItself = false;
    bool doubleBuffered = true;
    bool secondBuffer = false;
    bool stopsTimerOne = true;
    bool tracksMouseLeave = false;
    bool capturesClicks = false;
    std::vector<POINT> clicks;
    std::vector<RecordedPaint> paints;
    CREATESTRUCTW createSeen = {};
    HDC backBufferAtCreate = nullptr;
    HDC secondBufferAtCreate = nullptr;

    using KvWnd::mouseCaptured;
    using KvWnd::trackingMouseLeave;

    HDC BackBuffer() const { return backBuffer.Dc(); }
    HDC SecondBuffer() const { return backBuffer.SecondDc(); }

    bool ShouldStopTimerOne() const override { return stopsTimerOne; }
    bool HandlesPaintItself() const override { return paintsItself; }
    bool IsDoubleBuffered() const override { return doubleBuffered; }
    bool HasSecondBuffer() const override { return secondBuffer; }
    bool TracksMouseLeave() const override { return tracksMouseLeave; }

    bool OnLButtonDown(int x, int y) override {
        clicks.push_back({x, y});
        return capturesClicks;
    }

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        log->push_back({message, wParam, lParam, hwnd});
        if (message == WM_CREATE) {
            createSeen = *reinterpret_cast<const CREATESTRUCTW*>(lParam);
            backBufferAtCreate = backBuffer.Dc();
            secondBufferAtCreate = backBuffer.SecondDc();
        }
        if (message == throwOn) {
            throw std::bad_alloc();
        }
        auto answer = answers.find(message);
        if (answer != answers.end()) {
            return answer->second;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    void Paint(HDC dc, const RECT* rect) override {
        paints.push_back(
            {dc, *rect, GetBkMode(dc), GetPixel(dc, rect->left, rect->top), WindowFromDC(dc)});
    }

    // Returns how many times `message` reached HandleMessage.
    int Count(UINT message) const {
        return static_cast<int>(
            std::count_if(log->begin(), log->end(),
                          [message](const auto& entry) { return entry.message == message; }));
    }

    // Creates a top-level window at the given place and size, borderless unless told otherwise.
    bool CreateAt(int x, int y, int width, int height, DWORD style = WS_POPUP) {
        return Create(0xB, style, 0, nullptr, nullptr) &&
               MoveWindow(GetHwnd(), x, y, width, height, FALSE);
    }
};

inline void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

inline SIZE BitmapSize(HDC dc) {
    BITMAP info = {};
    GetObjectW(GetCurrentObject(dc, OBJ_BITMAP), sizeof info, &info);
    return {info.bmWidth, info.bmHeight};
}
