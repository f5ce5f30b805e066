// The Windows functions that the program's own code calls through the checked build's call
// injector: one row each, in the form the includer gives the two macros.
//
//   KV_FAILING(name, scope, type, (parameters), (arguments), failure, last error, after)
//     a function that can fail: the injector may answer a call with `failure` and set the last
//     error, without calling the function; `after` runs after a real call (`result` holds its
//     result) and tracks what the call made or selected.
//   KV_PASSING(name, scope, type, (parameters), (arguments), before, after)
//     a release: never failed, always called; `before` may refuse the call as Windows would,
//     `after` tracks what it released.
//
// The scope says where the system headers declare the function: Global, Gdiplus (namespace
// Gdiplus) or GdiplusFlat (namespace Gdiplus::DllExports). Failure values are the documented
// ones; the last-error codes are what the system sets for the likeliest cause.
//
// No include guard: the table is meant to be included more than once.

// clang-format off

// USER32: windows, painting, messages, timers, placement.
KV_FAILING(BeginPaint, Global, HDC, (HWND window, LPPAINTSTRUCT paint), (window, paint),
           nullptr, ERROR_INVALID_WINDOW_HANDLE, KV_MADE(PaintDc, result))
KV_PASSING(EndPaint, Global, BOOL, (HWND window, const PAINTSTRUCT* paint), (window, paint),
           KV_NOTHING, KV_RELEASED(PaintDc, paint != nullptr ? paint->hdc : nullptr))
KV_FAILING(GetDC, Global, HDC, (HWND window), (window),
           nullptr, ERROR_INVALID_WINDOW_HANDLE, KV_MADE(WindowDc, result))
KV_PASSING(ReleaseDC, Global, int, (HWND window, HDC dc), (window, dc),
           KV_NOTHING, if (result != 0) KV_RELEASED(WindowDc, dc))
KV_FAILING(ClientToScreen, Global, BOOL, (HWND window, LPPOINT point), (window, point),
           FALSE, ERROR_INVALID_WINDOW_HANDLE, KV_NOTHING)
KV_FAILING(ScreenToClient, Global, BOOL, (HWND window, LPPOINT point), (window, point),
           FALSE, ERROR_INVALID_WINDOW_HANDLE, KV_NOTHING)
KV_FAILING(CreateWindowExW, Global, HWND,
           (DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y,
            int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID parameter),
           (exStyle, className, title, style, x, y, width, height, parent, menu, instance,
            parameter),
           nullptr, ERROR_NOT_ENOUGH_MEMORY, KV_NOTHING)
KV_FAILING(DestroyWindow, Global, BOOL, (HWND window), (window),
           FALSE, ERROR_ACCESS_DENIED, KV_NOTHING)
KV_FAILING(RegisterClassExW, Global, ATOM, (const WNDCLASSEXW* windowClass), (windowClass),
           0, ERROR_NOT_ENOUGH_MEMORY, KV_NOTHING)
KV_FAILING(DrawTextW, Global, int, (HDC dc, LPCWSTR text, int length, LPRECT rect, UINT format),
           (dc, text, length, rect, format), 0, ERROR_INVALID_HANDLE, KV_NOTHING)
KV_FAILING(FillRect, Global, int, (HDC dc, const RECT* rect, HBRUSH brush), (dc, rect, brush),
           0, ERROR_INVALID_HANDLE, KV_NOTHING)
KV_FAILING(GetClientRect, Global, BOOL, (HWND window, LPRECT rect), (window, rect),
           FALSE, ERROR_INVALID_WINDOW_HANDLE, KV_NOTHING)
KV_FAILING(GetWindowRect, Global, BOOL, (HWND window, LPRECT rect), (window, rect),
           FALSE, ERROR_INVALID_WINDOW_HANDLE, KV_NOTHING)
KV_FAILING(GetParent, Global, HWND, (HWND window), (window),
           nullptr, ERROR_INVALID_WINDOW_HANDLE, KV_NOTHING)
KV_FAILING(GetWindowLongW, Global, LONG, (HWND window, int index), (window, index),
           0, ERROR_INVALID_WINDOW_HANDLE, KV_NOTHING)
KV_FAILING(GetMessageW, Global, BOOL, (LPMSG message, HWND window, UINT first, UINT last),
           (message, window, first, last), -1, ERROR_INVALID_WINDOW_HANDLE, KV_NOTHING)
KV_FAILING(PostMessageW, Global, BOOL, (HWND window, UINT message, WPARAM wParam, LPARAM lParam),
           (window, message, wParam, lParam), FALSE, ERROR_NOT_ENOUGH_QUOTA, KV_NOTHING)
KV_FAILING(InvalidateRect, Global, BOOL, (HWND window, const RECT* rect, BOOL erase),
           (window, rect, erase), FALSE, ERROR_INVALID_WINDOW_HANDLE, KV_NOTHING)
KV_FAILING(UpdateWindow, Global, BOOL, (HWND window), (window),
           FALSE, ERROR_INVALID_WINDOW_HANDLE, KV_NOTHING)
KV_FAILING(SetTimer, Global, UINT_PTR,
           (HWND window, UINT_PTR id, UINT interval, TIMERPROC procedure),
           (window, id, interval, procedure), 0, ERROR_NO_SYSTEM_RESOURCES, KV_NOTHING)
KV_FAILING(KillTimer, Global, BOOL, (HWND window, UINT_PTR id), (window, id),
           FALSE, ERROR_INVALID_PARAMETER, KV_NOTHING)
KV_FAILING(LoadCursorW, Global, HCURSOR, (HINSTANCE instance, LPCWSTR name), (instance, name),
           nullptr, ERROR_RESOURCE_NAME_NOT_FOUND, KV_NOTHING)
KV_FAILING(LoadIconW, Global, HICON, (HINSTANCE instance, LPCWSTR name), (instance, name),
           nullptr, ERROR_RESOURCE_NAME_NOT_FOUND, KV_NOTHING)
KV_FAILING(MoveWindow, Global, BOOL,
           (HWND window, int x, int y, int width, int height, BOOL repaint),
           (window, x, y, width, height, repaint), FALSE, ERROR_INVALID_WINDOW_HANDLE, KV_NOTHING)
KV_FAILING(SetWindowTextW, Global, BOOL, (HWND window, LPCWSTR text), (window, text),
           FALSE, ERROR_NOT_ENOUGH_MEMORY, KV_NOTHING)
KV_FAILING(SetFocus, Global, HWND, (HWND window), (window),
           nullptr, ERROR_INVALID_WINDOW_HANDLE, KV_NOTHING)
KV_FAILING(SetForegroundWindow, Global, BOOL, (HWND window), (window),
           FALSE, ERROR_ACCESS_DENIED, KV_NOTHING)
KV_FAILING(ReleaseCapture, Global, BOOL, (), (), FALSE, ERROR_ACCESS_DENIED, KV_NOTHING)
KV_FAILING(SystemParametersInfoW, Global, BOOL,
           (UINT action, UINT uiParam, PVOID pvParam, UINT winIni),
           (action, uiParam, pvParam, winIni), FALSE, ERROR_INVALID_PARAMETER, KV_NOTHING)

// COMCTL32.
KV_FAILING(_TrackMouseEvent, Global, BOOL, (LPTRACKMOUSEEVENT request), (request),
           FALSE, ERROR_INVALID_WINDOW_HANDLE, KV_NOTHING)

// GDI32: device contexts, objects and drawing.
KV_FAILING(CreateCompatibleDC, Global, HDC, (HDC dc), (dc),
           nullptr, ERROR_NOT_ENOUGH_MEMORY, KV_MADE(MemoryDc, result))
KV_PASSING(DeleteDC, Global, BOOL, (HDC dc), (dc),
           KV_NOTHING, if (result) KV_RELEASED(MemoryDc, dc))
KV_FAILING(CreateCompatibleBitmap, Global, HBITMAP, (HDC dc, int width, int height),
           (dc, width, height), nullptr, ERROR_NOT_ENOUGH_MEMORY, KV_MADE(Bitmap, result))
KV_FAILING(CreateFontIndirectW, Global, HFONT, (const LOGFONTW* font), (font),
           nullptr, ERROR_NOT_ENOUGH_MEMORY, KV_MADE(Font, result))
KV_FAILING(CreatePen, Global, HPEN, (int style, int width, COLORREF colour), (style, width, colour),
           nullptr, ERROR_NOT_ENOUGH_MEMORY, KV_MADE(Pen, result))
KV_PASSING(DeleteObject, Global, BOOL, (HGDIOBJ object), (object),
           KV_REFUSE_IF_SELECTED(object), if (result) KV_RELEASED_GDI_OBJECT(object))
KV_FAILING(SelectObject, Global, HGDIOBJ, (HDC dc, HGDIOBJ object), (dc, object),
           nullptr, ERROR_INVALID_HANDLE, KV_SELECTED(dc, object, result))
KV_FAILING(GetCurrentObject, Global, HGDIOBJ, (HDC dc, UINT type), (dc, type),
           nullptr, ERROR_INVALID_HANDLE, KV_NOTHING)
KV_FAILING(GetObjectW, Global, int, (HANDLE object, int size, LPVOID buffer),
           (object, size, buffer), 0, ERROR_INVALID_HANDLE, KV_NOTHING)
KV_FAILING(GetStockObject, Global, HGDIOBJ, (int index), (index),
           nullptr, ERROR_INVALID_PARAMETER, KV_NOTHING)
KV_FAILING(BitBlt, Global, BOOL,
           (HDC target, int x, int y, int width, int height, HDC source, int sourceX,
            int sourceY, DWORD operation),
           (target, x, y, width, height, source, sourceX, sourceY, operation),
           FALSE, ERROR_INVALID_HANDLE, KV_NOTHING)
KV_FAILING(GetPixel, Global, COLORREF, (HDC dc, int x, int y), (dc, x, y),
           CLR_INVALID, ERROR_INVALID_HANDLE, KV_NOTHING)
KV_FAILING(MoveToEx, Global, BOOL, (HDC dc, int x, int y, LPPOINT previous), (dc, x, y, previous),
           FALSE, ERROR_INVALID_HANDLE, KV_NOTHING)
KV_FAILING(LineTo, Global, BOOL, (HDC dc, int x, int y), (dc, x, y),
           FALSE, ERROR_INVALID_HANDLE, KV_NOTHING)
KV_FAILING(Polyline, Global, BOOL, (HDC dc, const POINT* points, int count), (dc, points, count),
           FALSE, ERROR_INVALID_HANDLE, KV_NOTHING)
KV_FAILING(SetBkMode, Global, int, (HDC dc, int mode), (dc, mode),
           0, ERROR_INVALID_HANDLE, KV_NOTHING)
KV_FAILING(SetTextColor, Global, COLORREF, (HDC dc, COLORREF colour), (dc, colour),
           CLR_INVALID, ERROR_INVALID_HANDLE, KV_NOTHING)

// KERNEL32: modules, resources, global memory, file attributes, mutexes, waits.
KV_FAILING(GetModuleHandleW, Global, HMODULE, (LPCWSTR name), (name),
           nullptr, ERROR_MOD_NOT_FOUND, KV_NOTHING)
KV_FAILING(GetModuleFileNameW, Global, DWORD, (HMODULE module, LPWSTR path, DWORD size),
           (module, path, size), 0, ERROR_NOT_ENOUGH_MEMORY, KV_NOTHING)
KV_FAILING(FindResourceW, Global, HRSRC, (HMODULE module, LPCWSTR name, LPCWSTR type),
           (module, name, type), nullptr, ERROR_RESOURCE_NAME_NOT_FOUND, KV_NOTHING)
KV_FAILING(LoadResource, Global, HGLOBAL, (HMODULE module, HRSRC resource), (module, resource),
           nullptr, ERROR_NOT_ENOUGH_MEMORY, KV_NOTHING)
KV_FAILING(SizeofResource, Global, DWORD, (HMODULE module, HRSRC resource), (module, resource),
           0, ERROR_RESOURCE_DATA_NOT_FOUND, KV_NOTHING)
KV_FAILING(LockResource, Global, LPVOID, (HGLOBAL resource), (resource),
           nullptr, ERROR_INVALID_HANDLE, KV_NOTHING)
KV_FAILING(GlobalAlloc, Global, HGLOBAL, (UINT flags, SIZE_T size), (flags, size),
           nullptr, ERROR_NOT_ENOUGH_MEMORY, KV_MADE(GlobalMemory, result))
KV_PASSING(GlobalFree, Global, HGLOBAL, (HGLOBAL memory), (memory),
           KV_NOTHING, if (result == nullptr) KV_RELEASED(GlobalMemory, memory))
KV_FAILING(GlobalLock, Global, LPVOID, (HGLOBAL memory), (memory),
           nullptr, ERROR_INVALID_HANDLE, KV_NOTHING)
KV_FAILING(GlobalUnlock, Global, BOOL, (HGLOBAL memory), (memory),
           FALSE, ERROR_NOT_LOCKED, KV_NOTHING)
KV_FAILING(GlobalSize, Global, SIZE_T, (HGLOBAL memory), (memory),
           0, ERROR_INVALID_HANDLE, KV_NOTHING)
KV_FAILING(GetFileAttributesW, Global, DWORD, (LPCWSTR path), (path),
           INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND, KV_NOTHING)
KV_FAILING(CreateMutexW, Global, HANDLE, (LPSECURITY_ATTRIBUTES security, BOOL owned, LPCWSTR name),
           (security, owned, name), nullptr, ERROR_NOT_ENOUGH_MEMORY, KV_MADE(Mutex, result))
KV_PASSING(CloseHandle, Global, BOOL, (HANDLE handle), (handle),
           KV_NOTHING, if (result) KV_RELEASED(Mutex, handle))
KV_FAILING(WaitForSingleObject, Global, DWORD, (HANDLE handle, DWORD limit), (handle, limit),
           WAIT_FAILED, ERROR_INVALID_HANDLE, KV_NOTHING)
KV_FAILING(ReleaseMutex, Global, BOOL, (HANDLE mutex), (mutex), FALSE, ERROR_NOT_OWNER, KV_NOTHING)

// VERSION.
KV_FAILING(GetFileVersionInfoSizeW, Global, DWORD, (LPCWSTR path, LPDWORD handle), (path, handle),
           0, ERROR_RESOURCE_TYPE_NOT_FOUND, KV_NOTHING)
KV_FAILING(GetFileVersionInfoW, Global, BOOL,
           (LPCWSTR path, DWORD handle, DWORD size, LPVOID block), (path, handle, size, block),
           FALSE, ERROR_RESOURCE_TYPE_NOT_FOUND, KV_NOTHING)
KV_FAILING(VerQueryValueW, Global, BOOL,
           (LPCVOID block, LPCWSTR subBlock, LPVOID* value, PUINT length),
           (block, subBlock, value, length), FALSE, ERROR_RESOURCE_TYPE_NOT_FOUND, KV_NOTHING)

// OLE32.
KV_FAILING(CreateStreamOnHGlobal, Global, HRESULT,
           (HGLOBAL memory, BOOL deleteOnRelease, LPSTREAM* stream),
           (memory, deleteOnRelease, stream), E_OUTOFMEMORY, ERROR_NOT_ENOUGH_MEMORY, KV_NOTHING)

// GDI+.
KV_FAILING(GdiplusStartup, Gdiplus, Gdiplus::Status,
           (ULONG_PTR* token, const Gdiplus::GdiplusStartupInput* input,
            Gdiplus::GdiplusStartupOutput* output),
           (token, input, output),
           Gdiplus::GenericError, ERROR_NOT_ENOUGH_MEMORY, KV_NOTHING)
KV_FAILING(GdipCreateBitmapFromStream, GdiplusFlat, Gdiplus::GpStatus,
           (IStream* stream, Gdiplus::GpBitmap** bitmap), (stream, bitmap),
           Gdiplus::OutOfMemory, ERROR_NOT_ENOUGH_MEMORY,
           if (result == Gdiplus::Ok) KV_MADE(GdiplusImage, *bitmap))
KV_FAILING(GdipCreateBitmapFromFile, GdiplusFlat, Gdiplus::GpStatus,
           (const WCHAR* path, Gdiplus::GpBitmap** bitmap), (path, bitmap),
           Gdiplus::OutOfMemory, ERROR_NOT_ENOUGH_MEMORY,
           if (result == Gdiplus::Ok) KV_MADE(GdiplusImage, *bitmap))
KV_FAILING(GdipCloneBitmapAreaI, GdiplusFlat, Gdiplus::GpStatus,
           (INT x, INT y, INT width, INT height, Gdiplus::PixelFormat format,
            Gdiplus::GpBitmap* source, Gdiplus::GpBitmap** clone),
           (x, y, width, height, format, source, clone),
           Gdiplus::OutOfMemory, ERROR_NOT_ENOUGH_MEMORY,
           if (result == Gdiplus::Ok) KV_MADE(GdiplusImage, *clone))
KV_PASSING(GdipDisposeImage, GdiplusFlat, Gdiplus::GpStatus, (Gdiplus::GpImage* image), (image),
           KV_NOTHING, if (result == Gdiplus::Ok) KV_RELEASED(GdiplusImage, image))
KV_FAILING(GdipCreateFromHDC, GdiplusFlat, Gdiplus::GpStatus,
           (HDC dc, Gdiplus::GpGraphics** graphics), (dc, graphics),
           Gdiplus::OutOfMemory, ERROR_NOT_ENOUGH_MEMORY,
           if (result == Gdiplus::Ok) KV_MADE(GdiplusGraphics, *graphics))
KV_PASSING(GdipDeleteGraphics, GdiplusFlat, Gdiplus::GpStatus, (Gdiplus::GpGraphics* graphics),
           (graphics),
           KV_NOTHING, if (result == Gdiplus::Ok) KV_RELEASED(GdiplusGraphics, graphics))
KV_FAILING(GdipGetImageWidth, GdiplusFlat, Gdiplus::GpStatus,
           (Gdiplus::GpImage* image, UINT* width), (image, width),
           Gdiplus::GenericError, ERROR_INVALID_HANDLE, KV_NOTHING)
KV_FAILING(GdipGetImageHeight, GdiplusFlat, Gdiplus::GpStatus,
           (Gdiplus::GpImage* image, UINT* height), (image, height),
           Gdiplus::GenericError, ERROR_INVALID_HANDLE, KV_NOTHING)
KV_FAILING(GdipGetImagePixelFormat, GdiplusFlat, Gdiplus::GpStatus,
           (Gdiplus::GpImage* image, Gdiplus::PixelFormat* format), (image, format),
           Gdiplus::GenericError, ERROR_INVALID_HANDLE, KV_NOTHING)
KV_FAILING(GdipSetInterpolationMode, GdiplusFlat, Gdiplus::GpStatus,
           (Gdiplus::GpGraphics* graphics, Gdiplus::InterpolationMode mode), (graphics, mode),
           Gdiplus::GenericError, ERROR_INVALID_HANDLE, KV_NOTHING)
KV_FAILING(GdipSetPixelOffsetMode, GdiplusFlat, Gdiplus::GpStatus,
           (Gdiplus::GpGraphics* graphics, Gdiplus::PixelOffsetMode mode), (graphics, mode),
           Gdiplus::GenericError, ERROR_INVALID_HANDLE, KV_NOTHING)
KV_FAILING(GdipDrawImageRectRectI, GdiplusFlat, Gdiplus::GpStatus,
           (Gdiplus::GpGraphics* graphics, Gdiplus::GpImage* image, INT x, INT y, INT width,
            INT height, INT sourceX, INT sourceY, INT sourceWidth, INT sourceHeight,
            Gdiplus::GpUnit unit, const Gdiplus::GpImageAttributes* attributes,
            Gdiplus::DrawImageAbort abort, VOID* abortData),
           (graphics, image, x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight,
            unit, attributes, abort, abortData),
           Gdiplus::GenericError, ERROR_INVALID_HANDLE, KV_NOTHING)

// clang-format on
