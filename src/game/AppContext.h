// The process-wide context of the game: the executable's paths and version, the window title,
// the pens, fonts and cell pictures the window draws with, and the shape table.
#pragma once

#include <windows.h>

#include "KvJigsawImage.h"
#include "ObjectIdAllocator.h"
#include "ResourceIds.h"
#include "ShapeTable.h"
#include "VersionRecord.h"
#include "WideString.h"

class AppContext {
  public:
    // Resources of the executable that the context loads.
    static constexpr WORD LandedBlockImageId = KV_LANDED_BLOCK_PICTURE;
    static constexpr WORD FallingBlockImageId = KV_FALLING_BLOCK_PICTURE;
    static constexpr wchar_t ImageResourceType[] = L"BIN";
    // Width of the bevelled border of the cell pictures, kept at its own size at any cell size.
    static constexpr LONG CellImageMargin = 7;
    static constexpr COLORREF BorderColor = RGB(27, 27, 27);
    static constexpr COLORREF GridColor = RGB(168, 168, 168);
    static constexpr wchar_t WindowTitleFormat[] = L"%s （%u.%u）:";

    // Builds the caches and the store that the context releases into, so that they outlive it.
    AppContext();
    ~AppContext();
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    void Initialize();
    void Shutdown();

    // Null while the context is empty; set, it marks the context as initialised.
    HMODULE moduleHandle = nullptr;
    WideString modulePath;
    WideString moduleDirectory;
    WideString moduleFileName;
    VersionRecord version;
    WideString productName;
    WideString windowTitle;
    ObjectId borderPen = InvalidObjectId;
    ObjectId gridPen = InvalidObjectId;
    ObjectId bodyFont = InvalidObjectId;
    ObjectId headingFont = InvalidObjectId;
    KvJigsawImage blockImage;
    KvJigsawImage pieceImage;
    ShapeTable shapes;
};

// Returns the one context of the process, constructed by the first call and destroyed at exit.
AppContext& GetAppContext();
