// Counts the GDI and GDI+ objects that the program itself creates and deletes, kind by kind, so
// that a leak shows even where the system's own object counters answer nothing.
#pragma once

#include <cstdint>

// The kinds of object counted; every creation site of the program names one.
enum class GdiKind : int {
    Font,
    Pen,
    MemoryDc,
    Bitmap,
    GdiplusGraphics,
    GdiplusImage,
};

class GdiCensus {
  public:
    static constexpr int KindCount = 6;

    // Called right after the program created an object of `kind`.
    static void Created(GdiKind kind);
    // Called right after the program deleted an object of `kind` that it had counted as created.
    static void Deleted(GdiKind kind);

    // Returns how many objects of `kind` the program holds now.
    static std::int64_t Alive(GdiKind kind);
    // Returns how many objects of `kind` the program has created since it started.
    static std::int64_t CreatedSoFar(GdiKind kind);
    // Returns a short name of `kind` for reports.
    static const char* Name(GdiKind kind);

    GdiCensus() = delete;
};
