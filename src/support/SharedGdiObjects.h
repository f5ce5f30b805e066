// The entries of a cache of GDI objects shared by id: each entry counts its holders, the last
// holder's release deletes the object, and whatever is left is deleted with the cache.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "ObjectIdAllocator.h"

// `Entry` has the members `id` (ObjectId), `handle` (the GDI object) and `refCount`.
template <typename Entry>
class SharedGdiObjects {
  public:
    SharedGdiObjects() = default;
    ~SharedGdiObjects() {
        for (const Entry& entry : entries_) {
            DeleteObject(entry.handle);
        }
    }
    SharedGdiObjects(const SharedGdiObjects&) = delete;
    SharedGdiObjects& operator=(const SharedGdiObjects&) = delete;

    // Returns the id of the first entry that `matches`, counting one more holder, or
    // InvalidObjectId when there is none.
    template <typename Matches>
    ObjectId AddHolder(Matches matches) {
        const auto found = std::find_if(entries_.begin(), entries_.end(), matches);
        if (found == entries_.end()) {
            return InvalidObjectId;
        }
        ++found->refCount;
        return found->id;
    }

    // Adds an entry for an object just made, deleting the object when the entry cannot be
    // stored.
    void Add(const Entry& entry) {
        try {
            entries_.push_back(entry);
        } catch (...) {
            DeleteObject(entry.handle);
            throw;
        }
    }

    // Returns the object of `id`, still owned here, or null for an unknown id.
    auto Get(ObjectId id) const -> decltype(Entry::handle) {
        const auto found = Find(entries_, id);
        return found != entries_.end() ? found->handle : nullptr;
    }

    // Drops one holder of `id`; the last deletes the object. Returns false for an unknown id.
    bool Release(ObjectId id) {
        const auto found = Find(entries_, id);
        if (found == entries_.end()) {
            return false;
        }
        if (--found->refCount == 0) {
            DeleteObject(found->handle);
            entries_.erase(found);
        }
        return true;
    }

    std::size_t Count() const { return entries_.size(); }

  private:
    // Returns the entry of `id` in `entries`, this cache's, or their end for an unknown id.
    template <typename Entries>
    static auto Find(Entries& entries, ObjectId id) -> decltype(entries.begin()) {
        if (id == InvalidObjectId) {
            return entries.end();
        }
        return std::find_if(entries.begin(), entries.end(),
                            [id](const Entry& entry) { return entry.id == id; });
    }

    std::vector<Entry> entries_;
};
