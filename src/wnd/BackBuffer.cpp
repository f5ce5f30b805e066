#include "BackBuffer.h"

#include "WindowDc.h"

void BackBuffer::Make(HWND window, bool withSecond) {
    kept_ = true;
    withSecond_ = withSecond;
    MakeMissing(window);
}

void BackBuffer::MakeMissing(HWND window) {
    WindowDc screen(window);
    if (static_cast<HDC>(back_) == nullptr) {
        back_.Create(screen);
    }
    if (withSecond_ && static_cast<HDC>(second_) == nullptr) {
        second_.Create(screen);
    }
}

// The buffers are replaced only when the client outgrows them in either direction, and then by
// bitmaps of exactly the client size; shrinking, minimising included, keeps them. A size too
// large for a bitmap leaves the size of the buffers as it was, so that the next size they do not
// cover makes new ones; taking it as their size would keep them too small for good.
bool BackBuffer::Cover(HWND window, int width, int height) {
    if (!kept_) {
        return false;
    }
    if (width <= width_ && height <= height_) {
        return true;
    }
    // A client area without width or height, as while a window is made or minimised, has
    // nothing to cover; a buffer of the other side alone would be of no use.
    if (width <= 0 || height <= 0) {
        return true;
    }
    MakeMissing(window);
    WindowDc screen(window);
    bool grown = back_.SelectNewBitmap(screen, width, height);
    if (withSecond_) {
        grown = second_.SelectNewBitmap(screen, width, height) && grown;
    }
    if (grown) {
        width_ = width;
        height_ = height;
    }
    return grown;
}

void BackBuffer::Release() {
    back_.Reset();
    second_.Reset();
    kept_ = false;
    width_ = 0;
    height_ = 0;
}

// The size is read at the paint itself: the buffers then cover the client area even where a
// size message could not make them grow.
bool BackBuffer::CoverClientArea(HWND window) {
    RECT client = {};
    return kept_ && GetClientRect(window, &client) && Cover(window, client.right, client.bottom);
}

void BackBuffer::Present(HDC dc, const RECT& rect) const {
    BitBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, back_,
           rect.left, rect.top, SRCCOPY);
}
