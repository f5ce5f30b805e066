// The executable's module handle, shared by window creation, controls and resource loading.
#pragma once

#include <windows.h>

// Returns the module handle of the executable, asked of the system once and then cached.
HINSTANCE moduleInstance();
