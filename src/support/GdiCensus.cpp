#include "GdiCensus.h"

#include <atomic>

namespace {

// Constant-initialised, so that objects created during static initialisation are counted
// whatever the order in which the translation units start. Relaxed order is enough: the counts
// are read when the work that changed them is over.
struct KindCounts {
    std::atomic<std::int64_t> created;
    std::atomic<std::int64_t> deleted;
};

KindCounts counts[GdiCensus::KindCount];

KindCounts& CountsOf(GdiKind kind) {
    return counts[static_cast<int>(kind)];
}

constexpr const char* KindNames[GdiCensus::KindCount] = {
    "fonts", "pens", "memory DCs", "bitmaps", "GDI+ graphics", "GDI+ images",
};

}  // namespace

void GdiCensus::Created(GdiKind kind) {
    CountsOf(kind).created.fetch_add(1, std::memory_order_relaxed);
}

void GdiCensus::Deleted(GdiKind kind) {
    CountsOf(kind).deleted.fetch_add(1, std::memory_order_relaxed);
}

std::int64_t GdiCensus::Alive(GdiKind kind) {
    const KindCounts& kindCounts = CountsOf(kind);
    return kindCounts.created.load(std::memory_order_relaxed) -
           kindCounts.deleted.load(std::memory_order_relaxed);
}

std::int64_t GdiCensus::CreatedSoFar(GdiKind kind) {
    return CountsOf(kind).created.load(std::memory_order_relaxed);
}

const char* GdiCensus::Name(GdiKind kind) {
    return KindNames[static_cast<int>(kind)];
}
