// Keeps GDI+ started for as long as at least one acquisition of it is held.
#pragma once

#include <cstdint>

// Returns true if GDI+ is (now) started and this acquisition was counted; a failed start-up is
// not counted, so the caller must not release it.
bool AcquireGdiplus();
// Drops one acquisition; the last one shuts GDI+ down. Does nothing when none is held.
void ReleaseGdiplus();
// Returns the number of acquisitions currently held.
std::int32_t GdiplusAcquisitionCount();
