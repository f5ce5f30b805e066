// The wrappers that RoutedCalls.h renames the program's calls to, one per row of the table. A
// wrapper counts the call at its call site (the address it returns to); a function that can fail
// is then either failed as the injector chooses or called, and what the real call made or
// released is noted.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <objidl.h>
#include <winver.h>
#include <gdiplus.h>

#include "CallInjector.h"
#include "ObjectTracker.h"

namespace {

// Each wrapper's place in the table, as the injector counts it.
enum class Row : int {
#define KV_FAILING(name, ...) name,
#define KV_PASSING(name, ...) name,
#include "RoutedCallTable.h"
#undef KV_FAILING
#undef KV_PASSING
};

}  // namespace

#define KV_REAL_Global(name) ::name
#define KV_REAL_Gdiplus(name) ::Gdiplus::name
#define KV_REAL_GdiplusFlat(name) ::Gdiplus::DllExports::name

// What the table's last columns say, for the wrapper that `row` and `site` name.
#define KV_NOTHING static_cast<void>(0)
#define KV_MADE(kind, handle) \
    ObjectTracker::Made(ObjectTracker::Kind::kind, (handle), static_cast<int>(row), site)
#define KV_RELEASED(kind, handle) ObjectTracker::Released(ObjectTracker::Kind::kind, (handle))
#define KV_RELEASED_GDI_OBJECT(handle) ObjectTracker::ReleasedGdiObject(handle)
#define KV_SELECTED(dc, object, previous) \
    if ((previous) != nullptr)            \
    ObjectTracker::Selected((dc), (object))
#define KV_REFUSE_IF_SELECTED(object)                               \
    if (ObjectTracker::RefuseDeleteWhileSelected((object), site)) { \
        SetLastError(ERROR_BUSY);                                   \
        return FALSE;                                               \
    }

#define KV_FAILING(name, scope, type, parameters, arguments, failure, error, after) \
    extern "C" type WINAPI KvRouted_##name parameters {                             \
        const void* const site = __builtin_return_address(0);                       \
        constexpr Row row = Row::name;                                              \
        if (CallInjector::ShouldFail(static_cast<int>(row), site)) {                \
            SetLastError(error);                                                    \
            return failure;                                                         \
        }                                                                           \
        const type result = KV_REAL_##scope(name) arguments;                        \
        after;                                                                      \
        return result;                                                              \
    }
#define KV_PASSING(name, scope, type, parameters, arguments, before, after) \
    extern "C" type WINAPI KvRouted_##name parameters {                     \
        const void* const site = __builtin_return_address(0);               \
        constexpr Row row = Row::name;                                      \
        CallInjector::Count(static_cast<int>(row), site);                   \
        before;                                                             \
        const type result = KV_REAL_##scope(name) arguments;                \
        after;                                                              \
        return result;                                                      \
    }

#include "RoutedCallTable.h"
