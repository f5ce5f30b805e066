// The checked build's account of the objects that the program's own code makes and releases
// through the routed Windows calls: device contexts, pens, fonts, bitmaps, global memory,
// mutexes, GDI+ images and graphics. It matches every object to its release, knows what is
// selected into each device context, and refuses, as Windows does, to delete a pen, font or
// bitmap that is still selected into one (Wine deletes it, and would hide the fault).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "CheckedOutput.h"

namespace ObjectTracker {

enum class Kind : int {
    PaintDc,
    WindowDc,
    MemoryDc,
    Bitmap,
    Font,
    Pen,
    GlobalMemory,
    Mutex,
    GdiplusImage,
    GdiplusGraphics,
};
constexpr int KindCount = 10;

// Notes an object that the routed function `function` made at `site`; null handles are ignored.
void Made(Kind kind, const void* handle, int function, const void* site);
// Notes the release of an object of `kind`; a handle that was not made through a routed call is
// ignored. A device context released takes its selections with it.
void Released(Kind kind, const void* handle);
// Notes the deletion of a pen, font or bitmap.
void ReleasedGdiObject(const void* handle);
// Notes that `object` is now selected into `dc`, in place of the object of the same type.
void Selected(HDC dc, HGDIOBJ object);
// Returns true, and says so on standard error, when `object`, made by a routed call, is selected
// into a device context: the deletion must then be refused.
bool RefuseDeleteWhileSelected(HGDIOBJ object, const void* site);

// Returns the number of objects made and not released so far, of all kinds or of one.
std::size_t Unreleased();
std::size_t Unreleased(Kind kind);
// Returns the number of objects of `kind` made so far, released or not.
std::uint64_t MadeSoFar(Kind kind);
// Returns the name of `kind` that the reports use.
const char* NameOf(Kind kind);
// Returns the number of deletions refused so far.
std::size_t RefusedDeletes();
// Writes a line on standard error for each object not released; returns their number.
std::size_t ListUnreleased();
// Writes "unreleased" and "refused" lines to a report.
void WriteReport(CheckedOutput::ReportFile& report);

}  // namespace ObjectTracker
