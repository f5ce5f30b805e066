// The checked build's replacements of every form of operator new and delete: each goes to the
// guarded allocator, which remembers the form so that a mismatched release is caught, and the
// code that called operator new, which a leak report names.
#include <cstddef>
#include <new>

#include "CheckedHeap.h"

using CheckedHeap::Form;
using CheckedHeap::Release;

namespace {

std::size_t Alignment(std::align_val_t alignment) {
    return static_cast<std::size_t>(alignment);
}

// Throwing forms: a failed allocation raises the standard out-of-memory exception.
void* AllocateOrThrow(std::size_t size, std::size_t alignment, Form form, const void* caller) {
    void* block = CheckedHeap::Allocate(size, alignment, form, caller);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

}  // namespace

// clang-format off
void* operator new(std::size_t size) { return AllocateOrThrow(size, 0, Form::Single, __builtin_return_address(0)); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size, 0, Form::Array, __builtin_return_address(0)); }
void* operator new(std::size_t size, std::align_val_t a) {
    return AllocateOrThrow(size, Alignment(a), Form::AlignedSingle, __builtin_return_address(0));
}
void* operator new[](std::size_t size, std::align_val_t a) {
    return AllocateOrThrow(size, Alignment(a), Form::AlignedArray, __builtin_return_address(0));
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return CheckedHeap::Allocate(size, 0, Form::Single, __builtin_return_address(0));
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return CheckedHeap::Allocate(size, 0, Form::Array, __builtin_return_address(0));
}
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return CheckedHeap::Allocate(size, Alignment(a), Form::AlignedSingle, __builtin_return_address(0));
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return CheckedHeap::Allocate(size, Alignment(a), Form::AlignedArray, __builtin_return_address(0));
}

void operator delete(void* p) noexcept { Release(p, Form::Single, 0); }
void operator delete[](void* p) noexcept { Release(p, Form::Array, 0); }
void operator delete(void* p, std::size_t size) noexcept { Release(p, Form::Single, size); }
void operator delete[](void* p, std::size_t size) noexcept { Release(p, Form::Array, size); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p, Form::Single, 0); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p, Form::Array, 0); }
void operator delete(void* p, std::align_val_t) noexcept { Release(p, Form::AlignedSingle, 0); }
void operator delete[](void* p, std::align_val_t) noexcept { Release(p, Form::AlignedArray, 0); }
void operator delete(void* p, std::size_t size, std::align_val_t) noexcept {
    Release(p, Form::AlignedSingle, size);
}
void operator delete[](void* p, std::size_t size, std::align_val_t) noexcept {
    Release(p, Form::AlignedArray, size);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    Release(p, Form::AlignedSingle, 0);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    Release(p, Form::AlignedArray, 0);
}
// clang-format on
