#include "ObjectTracker.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>

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
    const void* handle;
    Kind kind;
    int function;
    const void* site;
};

// The types of object that a device context holds one of each selected; an extended pen counts
// as a pen.
constexpr DWORD SelectedTypes[] = {OBJ_PEN, OBJ_FONT, OBJ_BITMAP, OBJ_BRUSH};

// The objects that a device context holds selected, in the order of SelectedTypes.
struct Selection {
    HDC dc;
    HGDIOBJ held[std::size(SelectedTypes)];
};

constexpr std::size_t ObjectCapacity = 16384;
constexpr std::size_t SelectionCapacity = 1024;

struct State {
    SRWLOCK lock;
    Object objects[ObjectCapacity];  // the first `live` are the objects not released, unordered
    std::size_t live;
    std::size_t liveOf[KindCount];
    std::uint64_t madeOf[KindCount];
    Selection selections[SelectionCapacity];  // the first `selectionCount` are in use, unordered
    std::size_t selectionCount;
    std::size_t refused;
};

// Zero, and so an unlocked SRWLOCK, before any code runs.
State state{};

// Returns the live object with this handle, or null. A program holds a few dozen at a time.
Object* Find(const void* handle) {
    Object* const end = state.objects + state.live;
    Object* const found =
        std::find_if(state.objects, end, [handle](const Object& o) { return o.handle == handle; });
    return found != end ? found : nullptr;
}

bool IsDc(Kind kind) {
    return kind == Kind::PaintDc || kind == Kind::WindowDc || kind == Kind::MemoryDc;
}

// Returns the selections of `dc`, or null when it holds none that the tracker saw.
Selection* SelectionOf(HDC dc) {
    Selection* const end = state.selections + state.selectionCount;
    Selection* const found =
        std::find_if(state.selections, end, [dc](const Selection& s) { return s.dc == dc; });
    return found != end ? found : nullptr;
}

void ForgetSelections(HDC dc) {
    if (Selection* selection = SelectionOf(dc)) {
        *selection = state.selections[--state.selectionCount];
    }
}

void Release(Object& object) {
    if (IsDc(object.kind)) {
        ForgetSelections(static_cast<HDC>(const_cast<void*>(object.handle)));
    }
    --state.liveOf[static_cast<int>(object.kind)];
    object = state.objects[--state.live];
}

// Calls `visit` with "a <kind> from <function>, made at <code>" for each object not released.
template <typename Visit>
void DescribeEachUnreleased(Visit visit) {
    char place[900];
    char text[1200];
    for (std::size_t i = 0; i < state.live; ++i) {
        const Object& object = state.objects[i];
        CodeAddress::Describe(object.site, place, sizeof place, true);
        std::snprintf(text, sizeof text, "a %s from %s, made at %s",
                      KindNames[static_cast<int>(object.kind)],
                      CallInjector::NameOf(object.function), place);
        visit(text);
    }
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
    if (state.live == ObjectCapacity) {
        return;
    }
    state.objects[state.live++] = Object{handle, kind, function, site};
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
    const DWORD type = GetObjectType(object);
    const DWORD* const held = std::find(std::begin(SelectedTypes), std::end(SelectedTypes),
                                        type == OBJ_EXTPEN ? OBJ_PEN : type);
    Selection* selection = SelectionOf(dc);
    if (selection == nullptr && state.selectionCount < SelectionCapacity) {
        selection = &(state.selections[state.selectionCount++] = Selection{dc, {}});
    }
    if (selection != nullptr && held != std::end(SelectedTypes)) {
        selection->held[held - std::begin(SelectedTypes)] = object;
    }
}

bool RefuseDeleteWhileSelected(HGDIOBJ object, const void* site) {
    const ExclusiveLock lock(state.lock);
    // Only the program's own objects count: a stock object, selected into every new device
    // context, is never deleted.
    const auto holds = [object](const Selection& selection) {
        return std::find(std::begin(selection.held), std::end(selection.held), object) !=
               std::end(selection.held);
    };
    if (Find(object) == nullptr ||
        std::none_of(state.selections, state.selections + state.selectionCount, holds)) {
        return false;
    }
    ++state.refused;
    char place[900];
    CodeAddress::Describe(site, place, sizeof place, true);
    CheckedOutput::WriteErrorLine(
        "checked calls: DeleteObject of an object still selected into a device context, refused "
        "as Windows refuses it, at ",
        place);
    return true;
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
    DescribeEachUnreleased([](const char* text) {
        CheckedOutput::WriteErrorLine("checked calls: not released at exit: ", text);
    });
    return state.live;
}

void WriteReport(CheckedOutput::ReportFile& report) {
    const ExclusiveLock lock(state.lock);
    DescribeEachUnreleased([&report](const char* text) { report.Line("unreleased %s", text); });
    report.Line("refused %llu", static_cast<unsigned long long>(state.refused));
}

}  // namespace ObjectTracker
