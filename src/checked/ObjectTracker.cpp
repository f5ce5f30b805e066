#include "ObjectTracker.h"

#include <cstdint>
#include <cstdio>

#include "CallInjector.h"
#include "CodeAddress.h"
#include "ExclusiveLock.h"

namespace ObjectTracker {
namespace {

constexpr const char* KindNames[KindCount] = {
    "paint device context",
    "window device context",
    "memory device context",
    "bitmap",
    "font",
    "pen",
    "global memory block",
    "mutex",
    "GDI+ image",
    "GDI+ graphics",
};

struct Object {
    const void* handle;  // null: a free slot
    Kind kind;
    int function;
    const void* site;
};

constexpr std::size_t SlotMask = 16384 - 1;

// The objects that a device context holds selected, by type.
struct Selection {
    HDC dc;  // null: a free slot
    HGDIOBJ pen;
    HGDIOBJ font;
    HGDIOBJ bitmap;
    HGDIOBJ brush;
};

constexpr std::size_t ObjectCapacity = SlotMask + 1;
constexpr std::size_t SelectionCapacity = 1024;

struct State {
    SRWLOCK lock;
    Object objects[ObjectCapacity];
    std::size_t live;
    std::size_t liveOf[KindCount];
    std::uint64_t madeOf[KindCount];
    Selection selections[SelectionCapacity];
    std::size_t refused;
};

// Zero, and so an unlocked SRWLOCK, before any code runs.
State state{};

// The objects live in an open-addressed table with linear probing.
std::size_t HomeSlot(const void* handle) {
    return (reinterpret_cast<std::uintptr_t>(handle) >> 2) & SlotMask;
}

// Returns the object with this handle, or null.
Object* Find(const void* handle) {
    std::size_t slot = HomeSlot(handle);
    for (std::size_t probes = 0; probes < ObjectCapacity; ++probes) {
        Object& object = state.objects[slot];
        if (object.handle == nullptr) {
            return nullptr;
        }
        if (object.handle == handle) {
            return &object;
        }
        slot = (slot + 1) & SlotMask;
    }
    return nullptr;
}

// Empties a slot and moves the objects after it back where their probes still find them.
void Erase(Object& erased) {
    std::size_t hole = static_cast<std::size_t>(&erased - state.objects);
    for (std::size_t next = (hole + 1) & SlotMask; state.objects[next].handle != nullptr;
         next = (next + 1) & SlotMask) {
        const std::size_t home = HomeSlot(state.objects[next].handle);
        if (((next - home) & SlotMask) >= ((next - hole) & SlotMask)) {
            state.objects[hole] = state.objects[next];
            hole = next;
        }
    }
    state.objects[hole] = Object{};
}

bool IsDc(Kind kind) {
    return kind == Kind::PaintDc || kind == Kind::WindowDc || kind == Kind::MemoryDc;
}

Selection* SelectionOf(HDC dc, bool add) {
    Selection* free = nullptr;
    for (Selection& selection : state.selections) {
        if (selection.dc == dc) {
            return &selection;
        }
        if (selection.dc == nullptr && free == nullptr) {
            free = &selection;
        }
    }
    if (!add || free == nullptr) {
        return nullptr;
    }
    *free = Selection{dc, nullptr, nullptr, nullptr, nullptr};
    return free;
}

void ForgetSelections(HDC dc) {
    if (Selection* selection = SelectionOf(dc, false)) {
        *selection = Selection{};
    }
}

void Release(Object& object) {
    if (IsDc(object.kind)) {
        ForgetSelections(static_cast<HDC>(const_cast<void*>(object.handle)));
    }
    --state.liveOf[static_cast<int>(object.kind)];
    Erase(object);
    --state.live;
}

void Describe(const Object& object, char* text, std::size_t size) {
    char place[900];
    CodeAddress::Describe(object.site, place, sizeof place, true);
    std::snprintf(text, size, "a %s from %s, made at %s", KindNames[static_cast<int>(object.kind)],
                  CallInjector::NameOf(object.function), place);
}

}  // namespace

void Made(Kind kind, const void* handle, int function, const void* site) {
    if (handle == nullptr) {
        return;
    }
    const ExclusiveLock lock(state.lock);
    // A handle made again was released behind the tracker's back (the system reuses values).
    if (Object* earlier = Find(handle)) {
        Release(*earlier);
    }
    if (state.live == ObjectCapacity - 1) {
        return;
    }
    std::size_t slot = HomeSlot(handle);
    while (state.objects[slot].handle != nullptr) {
        slot = (slot + 1) & SlotMask;
    }
    state.objects[slot] = Object{handle, kind, function, site};
    ++state.live;
    ++state.liveOf[static_cast<int>(kind)];
    ++state.madeOf[static_cast<int>(kind)];
}

void Released(Kind kind, const void* handle) {
    const ExclusiveLock lock(state.lock);
    // A device context's selections go with it even when the tracker did not see it made.
    if (IsDc(kind)) {
        ForgetSelections(static_cast<HDC>(const_cast<void*>(handle)));
    }
    Object* object = Find(handle);
    if (object != nullptr && object->kind == kind) {
        Release(*object);
    }
}

void ReleasedGdiObject(const void* handle) {
    const ExclusiveLock lock(state.lock);
    Object* object = Find(handle);
    if (object != nullptr &&
        (object->kind == Kind::Pen || object->kind == Kind::Font || object->kind == Kind::Bitmap)) {
        Release(*object);
    }
}

void Selected(HDC dc, HGDIOBJ object) {
    const ExclusiveLock lock(state.lock);
    Selection* selection = SelectionOf(dc, true);
    if (selection == nullptr) {
        return;
    }
    switch (GetObjectType(object)) {
        case OBJ_PEN:
        case OBJ_EXTPEN:
            selection->pen = object;
            break;
        case OBJ_FONT:
            selection->font = object;
            break;
        case OBJ_BITMAP:
            selection->bitmap = object;
            break;
        case OBJ_BRUSH:
            selection->brush = object;
            break;
        default:
            break;
    }
}

bool RefuseDeleteWhileSelected(HGDIOBJ object, const void* site) {
    const ExclusiveLock lock(state.lock);
    // Only the program's own objects count: a stock object, selected into every new device
    // context, is never deleted.
    if (Find(object) == nullptr) {
        return false;
    }
    for (const Selection& selection : state.selections) {
        if (selection.dc == nullptr || (selection.pen != object && selection.font != object &&
                                        selection.bitmap != object && selection.brush != object)) {
            continue;
        }
        ++state.refused;
        char place[900];
        CodeAddress::Describe(site, place, sizeof place, true);
        char text[1100];
        std::snprintf(text, sizeof text,
                      "DeleteObject of an object still selected into a device context, refused "
                      "as Windows refuses it, at %s",
                      place);
        CheckedOutput::WriteErrorLine("checked calls: ", text);
        return true;
    }
    return false;
}

std::size_t Unreleased() {
    const ExclusiveLock lock(state.lock);
    return state.live;
}

std::size_t Unreleased(Kind kind) {
    const ExclusiveLock lock(state.lock);
    return state.liveOf[static_cast<int>(kind)];
}

std::uint64_t MadeSoFar(Kind kind) {
    const ExclusiveLock lock(state.lock);
    return state.madeOf[static_cast<int>(kind)];
}

const char* NameOf(Kind kind) {
    return KindNames[static_cast<int>(kind)];
}

std::size_t RefusedDeletes() {
    const ExclusiveLock lock(state.lock);
    return state.refused;
}

std::size_t ListUnreleased() {
    const ExclusiveLock lock(state.lock);
    char text[1200];
    for (const Object& object : state.objects) {
        if (object.handle != nullptr) {
            Describe(object, text, sizeof text);
            CheckedOutput::WriteErrorLine("checked calls: not released at exit: ", text);
        }
    }
    return state.live;
}

void WriteReport(CheckedOutput::ReportFile& report) {
    const ExclusiveLock lock(state.lock);
    char text[1200];
    for (const Object& object : state.objects) {
        if (object.handle != nullptr) {
            Describe(object, text, sizeof text);
            report.Line("unreleased %s", text);
        }
    }
    report.Line("refused %llu", static_cast<unsigned long long>(state.refused));
}

}  // namespace ObjectTracker
