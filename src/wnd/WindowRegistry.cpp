#include "WindowRegistry.h"

#include "MutexLock.h"
#include "MutexLockGuard.h"
#include "RegistryBlock.h"

namespace {

// Created during static initialisation, so the first window object, even a static one, finds a
// working lock.
MutexLock registryLock;

// Constant-initialised and never freed: the registry works before any dynamic initialisation.
RegistryBlock firstBlock;

unsigned long lockAcquisitions = 0;

// The only way this file takes the registry's lock, so that the tests can see every acquisition.
class RegistryLockScope {
  public:
    RegistryLockScope() : guard_(registryLock) { ++lockAcquisitions; }

  private:
    MutexLockGuard guard_;
};

}  // namespace

// Returns true once the object has a slot; blocks are searched from the first so that freed
// slots are reused before the chain grows.
bool WindowRegistry::Register(IKvWnd* window) {
    if (window == nullptr) {
        return false;
    }
    RegistryLockScope lock;
    RegistryBlock* last = nullptr;
    for (RegistryBlock* block = &firstBlock; block != nullptr; block = block->next) {
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
    RegistryLockScope lock;
    RegistryBlock* previous = nullptr;
    for (RegistryBlock* block = &firstBlock; block != nullptr;
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
            if (block->count == 0 && block != &firstBlock) {
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
    RegistryLockScope lock;
    for (RegistryBlock* block = &firstBlock; block != nullptr; block = block->next) {
        for (IKvWnd* slot : block->slots) {
            if (slot != nullptr && slot->GetHwnd() == hwnd) {
                return slot;
            }
        }
    }
    return nullptr;
}

std::size_t WindowRegistry::BlockCountForTesting() {
    RegistryLockScope lock;
    std::size_t count = 0;
    for (const RegistryBlock* block = &firstBlock; block != nullptr; block = block->next) {
        ++count;
    }
    return count;
}

long WindowRegistry::SlotIndexForTesting(const IKvWnd* window) {
    RegistryLockScope lock;
    long base = 0;
    for (const RegistryBlock* block = &firstBlock; block != nullptr; block = block->next) {
        for (long i = 0; i < static_cast<long>(RegistryBlock::SlotCount); ++i) {
            if (window != nullptr && block->slots[i] == window) {
                return base + i;
            }
        }
        base += RegistryBlock::SlotCount;
    }
    return -1;
}

unsigned long WindowRegistry::LockAcquisitionsForTesting() {
    return lockAcquisitions;
}

HANDLE WindowRegistry::LockHandleForTesting() {
    return registryLock.Handle();
}
