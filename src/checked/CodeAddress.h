// Names a code address of this process for the checked build's reports: the module that holds it,
// the offset that addr2line takes, and the function around it where the module has symbols.
#pragma once

#include <windows.h>

#include <cstddef>

namespace CodeAddress {

// Returns the module whose image holds `address`, or null when none does.
HMODULE ModuleAt(const void* address);

// Writes "0x0040da50 in Z:\...\kvblocks.exe+0xda50 (KvMainWnd::OnPaint()+0x1c)" into `text`,
// always terminated; the part in brackets only where the module's file has a symbol before the
// address, and only when `withFunction` (reading the file needs stack and heap that a stack
// overflow or a broken heap may not leave).
void Describe(const void* address, char* text, std::size_t size, bool withFunction);

}  // namespace CodeAddress
