// Forced into every C++ file of the program and its tests in the checked build (never into the
// instruments themselves): each Windows function of RoutedCallTable.h that the file calls is
// renamed to its wrapper, KvRouted_<name>, which counts the call at its call site, may fail it on
// purpose and tracks what it makes and releases (CallInjector.h). Calls made inside the C and
// C++ runtime are compiled elsewhere and so are left alone.
//
// The system headers that declare the routed functions come first, so that their declarations
// keep the real names; only the code after them sees the renaming.
#pragma once

#ifdef __cplusplus

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <objidl.h>
#include <winver.h>
#include <gdiplus.h>

#define KV_SCOPE_OPEN_Global
#define KV_SCOPE_CLOSE_Global
#define KV_SCOPE_OPEN_Gdiplus namespace Gdiplus {
#define KV_SCOPE_CLOSE_Gdiplus }
#define KV_SCOPE_OPEN_GdiplusFlat namespace Gdiplus::DllExports {
#define KV_SCOPE_CLOSE_GdiplusFlat }

#define KV_FAILING(name, scope, type, parameters, ...)                       \
    KV_SCOPE_OPEN_##scope extern "C" type WINAPI KvRouted_##name parameters; \
    KV_SCOPE_CLOSE_##scope
#define KV_PASSING KV_FAILING
#include "RoutedCallTable.h"
#undef KV_FAILING
#undef KV_PASSING

// "#define CreatePen KvRouted_CreatePen" and so on, one line per row of the table, written by
// CMake when it reads the table.
#include "RoutedCallNames.h"

#endif  // __cplusplus
