#include "KvJigsawImage.h"

// Defined out of line so that the class's virtual table lives in this one object file. The
// margins are left as they are: the base part's destructor unloads without them.
KvJigsawImage::~KvJigsawImage() = default;

void KvJigsawImage::Unload() {
    KvImage::Unload();
    SetRect(&margins, 0, 0, 0, 0);
}
