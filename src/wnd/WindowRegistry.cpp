#include "WindowRegistry.h"

#include "MutexLockGuard.h"

WindowRegistry::WindowRegistry() : firstBlock_() {}

WindowRegistry::~WindowRegistry() {
    RegistryBlock* block = firstBlock_.next;
    while (block != nullptr) {
        RegistryBlock* next = block->next;
        delete block;
        block = next;
    }
}

// Built by the first window object, so that it exists before any window does and outlives them
// all.
WindowRegistry& WindowRegistry::Process() {
    static WindowRegistry registry;
    return registry;
}

// Returns true once the object has a slot; blocks are searched from the first so that freed
// slots are reused before the chain grows.
bool WindowRegistry::Register(IKvWnd* window) {
    if (window == nullptr) {
        return false;
    }
    MutexLockGuard guard(lock_);
    RegistryBlock* last = nullptr;
    for (RegistryBlock* block = &firstBlock_; block != nullptr; block = block->next) {
        last = block;
        if (block->count >= RegistryBlock::SlotCount) {
            continue;
        }
        for (IKvWnd*& slot : block->slots) {
            if (slot == nullptr) {
                slot = window;
                ++block->count;
                return true;
            }
        }
    }
    RegistryBlock* added = new RegistryBlock();
    added->slots[0] = window;
    added->count = 1;
    last->next = added;
    return true;
}

// Returns true when the object was found and removed. A null object is refused before the
// search: it would match a free slot and corrupt that block's count.
bool WindowRegistry::Unregister(IKvWnd* window) {
    if (window == nullptr) {
        return false;
    }
    MutexLockGuard guard(lock_);
    RegistryBlock* previous = nullptr;
    for (RegistryBlock* block = &firstBlock_; block != nullptr;
         previous = block, block = block->next) {
        if (block->count == 0) {
            continue;
        }
        for (IKvWnd*& slot : block->slots) {
            if (slot != window) {
                continue;
            }
            slot = nullptr;
            --block->count;
            if (block->count == 0 && block != &firstBlock_) {
                previous->next = block->next;
                delete block;
            }
            return true;
        }
    }
    return false;
}

IKvWnd* WindowRegistry::FindByHwnd(HWND hwnd) {
    if (hwnd == nullptr) {
        return nullptr;
    }
    MutexLockGuard guard(lock_);
    for (RegistryBlock* block = &firstBlock_; block != nullptr; block = block->next) {
        for (IKvWnd* slot : block->slots) {
            if (slot != nullptr && slot->GetHwnd() == hwnd) {
                return slot;
            }
        }
    }
    return nullptr;
}
