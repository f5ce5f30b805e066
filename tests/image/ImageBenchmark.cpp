// Times one DrawJigsawImage of the game's 22 x 22 cell picture, margins 7, at 30 x 30 pixels.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "ImageDrawing.h"
#include "KvJigsawImage.h"
#include "Surface.h"
#include "TestPictures.h"

namespace {

constexpr int kWarmUp = 200;
constexpr int kRepetitions = 5000;

double Microseconds(LONGLONG ticks, LONGLONG frequency) {
    return 1e6 * static_cast<double>(ticks) / static_cast<double>(frequency);
}

}  // namespace

int main() {
    const std::vector<std::uint8_t> bytes = MakeBitmapFile(22, 22, 0xA5);
    KvJigsawImage image;
    // Loaded as the game loads its cells: through the store, so each piece looks the bitmap up.
    if (!image.LoadFromMemory(bytes.data(), bytes.size(), true)) {
        std::fprintf(stderr, "the picture did not load\n");
        return 1;
    }
    SetRect(&image.margins, 7, 7, 7, 7);
    Surface canvas(64, 64);

    for (int i = 0; i < kWarmUp; ++i) {
        DrawJigsawImage(canvas, image, 2, 2, 30, 30, nullptr);
    }
    GdiFlush();
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    times.reserve(kRepetitions);
    for (int i = 0; i < kRepetitions; ++i) {
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        QueryPerformanceCounter(&start);
        DrawJigsawImage(canvas, image, 2, 2, 30, 30, nullptr);
        GdiFlush();
        QueryPerformanceCounter(&end);
        times.push_back(Microseconds(end.QuadPart - start.QuadPart, frequency.QuadPart));
    }
    std::sort(times.begin(), times.end());
    std::printf("DrawJigsawImage 22 x 22 at 30 x 30, %d repetitions: median %.1f us, max %.1f us\n",
                kRepetitions, times[times.size() / 2], times.back());
    return 0;
}
