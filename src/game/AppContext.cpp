#include "AppContext.h"

#include "ExecutablePath.h"
#include "FontCache.h"
#include "ImageStore.h"
#include "ModuleInstance.h"
#include "PenCache.h"

namespace {

// Loads a cell picture through the image store, so that every window shares one decoded copy,
// and gives it the borders that nine-region drawing keeps at their size.
void LoadCellImage(KvJigsawImage& image, HMODULE module, WORD resourceId) {
    image.LoadFromResource(module, AppContext::ImageResourceType, MAKEINTRESOURCEW(resourceId),
                           true);
    const LONG margin = AppContext::CellImageMargin;
    image.margins = {margin, margin, margin, margin};
}

}  // namespace

// Process-wide objects are destroyed at exit in the reverse order of their construction. The
// context releases pens, fonts and pictures into the caches and the image store, so these are
// built first: whatever happens to the window, they are still there when the context goes.
AppContext::AppContext() {
    PenCache::Instance();
    FontCache::Instance();
    ImageStore::Instance();
}

// Called at process exit; the main window's WM_DESTROY has normally emptied the context already.
AppContext::~AppContext() {
    Shutdown();
}

// Called when the main window is created. Nothing here can fail in a way the game cannot live
// with: a missing title, pen, font or picture only makes the window plainer.
void AppContext::Initialize() {
    if (moduleHandle != nullptr) {
        return;
    }
    moduleHandle = moduleInstance();
    modulePath = ExecutablePath();
    moduleDirectory = ExecutableDirectory();
    moduleFileName = ExecutableFileName();

    version.Load(modulePath.c_str());
    if (!version.translations.empty()) {
        productName = version.translations.front().ProductName;
        windowTitle.Format(WindowTitleFormat, productName.c_str(),
                           static_cast<unsigned>(version.productVersion[0]),
                           static_cast<unsigned>(version.productVersion[1]));
    }

    shapes.Build();
    borderPen = AcquirePen(BorderColor);
    gridPen = AcquirePen(GridColor);
    bodyFont = AcquireBodyFont();
    headingFont = AcquireHeadingFont();
    LoadCellImage(blockImage, moduleHandle, LandedBlockImageId);
    LoadCellImage(pieceImage, moduleHandle, FallingBlockImageId);
}

// Called when the main window is destroyed and at exit; releases each reference exactly once.
void AppContext::Shutdown() {
    if (moduleHandle == nullptr) {
        return;
    }
    ReleasePen(borderPen);
    ReleasePen(gridPen);
    ReleaseFont(bodyFont);
    ReleaseFont(headingFont);
    blockImage.Unload();
    pieceImage.Unload();
    shapes.Clear();
    // The ids may be handed out again to other owners; this context no longer names them.
    borderPen = gridPen = bodyFont = headingFont = InvalidObjectId;
    moduleHandle = nullptr;
}

AppContext& GetAppContext() {
    static AppContext context;
    return context;
}
