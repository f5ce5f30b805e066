#include "CodeAddress.h"

#include <cxxabi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

// The function names come from the COFF symbol table that the linker leaves in an unstripped
// program: it is not mapped into memory, so it is read from the module's file when first needed
// and kept for the rest of the run. Its memory comes straight from VirtualAlloc, so that reading
// it neither disturbs nor depends on the guarded allocator.
namespace CodeAddress {
namespace {

constexpr std::size_t MaximumSymbolData = 64u * 1024 * 1024;
constexpr std::size_t CachedModules = 4;
// GCC marks every function symbol with the derived type "function" (DT_FCN << 4).
constexpr WORD FunctionSymbolType = 0x20;

// One module's symbol table and string table as read from its file, with its section table.
struct SymbolTable {
    HMODULE module = nullptr;
    bool loaded = false;  // true once reading was tried, whether or not it found symbols
    const unsigned char* symbols = nullptr;
    std::size_t symbolCount = 0;
    const char* strings = nullptr;
    std::size_t stringsSize = 0;
    IMAGE_SECTION_HEADER sections[96] = {};
    std::size_t sectionCount = 0;
};

SymbolTable tables[CachedModules];

// Reads `size` bytes at `offset` of an open file; false when the file is shorter.
bool ReadAt(HANDLE file, std::uint64_t offset, void* buffer, std::size_t size) {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    DWORD read = 0;
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) &&
           ReadFile(file, buffer, static_cast<DWORD>(size), &read, nullptr) && read == size;
}

// Fills `table` from the module's file; leaves it empty when the file has no symbols.
void Load(SymbolTable& table) {
    table.loaded = true;
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(table.module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    LARGE_INTEGER fileSize = {};
    IMAGE_DOS_HEADER dos = {};
    DWORD signature = 0;
    IMAGE_FILE_HEADER header = {};
    if (GetFileSizeEx(file, &fileSize) && ReadAt(file, 0, &dos, sizeof dos) &&
        ReadAt(file, static_cast<DWORD>(dos.e_lfanew), &signature, sizeof signature) &&
        signature == IMAGE_NT_SIGNATURE &&
        ReadAt(file, static_cast<DWORD>(dos.e_lfanew) + sizeof signature, &header, sizeof header) &&
        header.PointerToSymbolTable != 0 && header.NumberOfSymbols != 0 &&
        header.NumberOfSections <= std::size(table.sections)) {
        const std::uint64_t sectionsAt = static_cast<DWORD>(dos.e_lfanew) + sizeof signature +
                                         sizeof header + header.SizeOfOptionalHeader;
        const std::uint64_t dataSize =
            static_cast<std::uint64_t>(fileSize.QuadPart) - header.PointerToSymbolTable;
        const std::uint64_t symbolsSize =
            static_cast<std::uint64_t>(header.NumberOfSymbols) * IMAGE_SIZEOF_SYMBOL;
        void* data = nullptr;
        if (dataSize >= symbolsSize + 4 && dataSize <= MaximumSymbolData &&
            ReadAt(file, sectionsAt, table.sections,
                   header.NumberOfSections * sizeof(IMAGE_SECTION_HEADER)) &&
            (data = VirtualAlloc(nullptr, static_cast<std::size_t>(dataSize),
                                 MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE)) != nullptr) {
            if (ReadAt(file, header.PointerToSymbolTable, data,
                       static_cast<std::size_t>(dataSize))) {
                table.symbols = static_cast<const unsigned char*>(data);
                table.symbolCount = header.NumberOfSymbols;
                table.strings = reinterpret_cast<const char*>(table.symbols + symbolsSize);
                table.stringsSize = static_cast<std::size_t>(dataSize - symbolsSize);
                table.sectionCount = header.NumberOfSections;
            } else {
                VirtualFree(data, 0, MEM_RELEASE);
            }
        }
    }
    CloseHandle(file);
}

// Returns the module's table, read on first use; null when every slot holds another module.
const SymbolTable* TableOf(HMODULE module) {
    for (SymbolTable& table : tables) {
        if (table.module == nullptr) {
            table.module = module;
        }
        if (table.module == module) {
            if (!table.loaded) {
                Load(table);
            }
            return &table;
        }
    }
    return nullptr;
}

// Copies the name of a symbol into `name` (at most `size` - 1 characters).
void SymbolName(const SymbolTable& table, const IMAGE_SYMBOL& symbol, char* name,
                std::size_t size) {
    const DWORD offset = symbol.N.Name.Long;
    if (symbol.N.Name.Short != 0) {
        std::snprintf(name, size, "%.8s", reinterpret_cast<const char*>(symbol.N.ShortName));
    } else if (offset < table.stringsSize) {
        std::snprintf(name, size, "%.*s", static_cast<int>(table.stringsSize - offset),
                      table.strings + offset);
    } else {
        name[0] = '\0';
    }
}

// Finds the function symbol at or before `rva`; returns false when there is none.
bool NearestFunction(const SymbolTable& table, std::uintptr_t rva, char* name, std::size_t size,
                     std::uintptr_t& offset) {
    IMAGE_SYMBOL best = {};
    std::uintptr_t bestRva = 0;
    bool found = false;
    for (std::size_t i = 0; i < table.symbolCount; ++i) {
        IMAGE_SYMBOL symbol;
        std::memcpy(&symbol, table.symbols + i * IMAGE_SIZEOF_SYMBOL, IMAGE_SIZEOF_SYMBOL);
        i += symbol.NumberOfAuxSymbols;
        const int section = symbol.SectionNumber;
        if (section <= 0 || static_cast<std::size_t>(section) > table.sectionCount ||
            symbol.Type != FunctionSymbolType) {
            continue;
        }
        const IMAGE_SECTION_HEADER& holder = table.sections[section - 1];
        if ((holder.Characteristics & IMAGE_SCN_CNT_CODE) == 0) {
            continue;
        }
        const std::uintptr_t symbolRva = holder.VirtualAddress + symbol.Value;
        if (symbolRva <= rva && (!found || symbolRva > bestRva)) {
            best = symbol;
            bestRva = symbolRva;
            found = true;
        }
    }
    if (!found) {
        return false;
    }
    SymbolName(table, best, name, size);
    offset = rva - bestRva;
    return name[0] != '\0';
}

// Writes the readable form of a linker symbol: a C++ name demangled, and a 32-bit program's
// leading underscore and the argument size of a stdcall function ("@16") dropped.
void ReadableName(char* symbol, char* text, std::size_t size) {
    if (sizeof(void*) == 4 && symbol[0] == '_') {
        ++symbol;
        char* at = std::strchr(symbol, '@');
        const std::size_t digits = at != nullptr ? std::strspn(at + 1, "0123456789") : 0;
        if (at != symbol && digits > 0) {
            std::memmove(at, at + 1 + digits, std::strlen(at + 1 + digits) + 1);
        }
    }
    int status = -1;
    char* demangled = symbol[0] == '_' && symbol[1] == 'Z'
                          ? abi::__cxa_demangle(symbol, nullptr, nullptr, &status)
                          : nullptr;
    std::snprintf(text, size, "%s", status == 0 && demangled != nullptr ? demangled : symbol);
    std::free(demangled);
}

}  // namespace

HMODULE ModuleAt(const void* address) {
    HMODULE module = nullptr;  // and null when no module holds the address
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        static_cast<LPCWSTR>(address), &module);
    return module;
}

void Describe(const void* address, char* text, std::size_t size, bool withFunction) {
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    HMODULE module = ModuleAt(address);
    char path[MAX_PATH] = "";
    if (module == nullptr || GetModuleFileNameA(module, path, MAX_PATH) == 0) {
        std::snprintf(text, size, "0x%0*zx in no module", static_cast<int>(2 * sizeof at),
                      static_cast<std::size_t>(at));
        return;
    }
    const std::uintptr_t rva = at - reinterpret_cast<std::uintptr_t>(module);
    const int written =
        std::snprintf(text, size, "0x%0*zx in %s+0x%zx", static_cast<int>(2 * sizeof at),
                      static_cast<std::size_t>(at), path, static_cast<std::size_t>(rva));
    if (!withFunction || written < 0 || static_cast<std::size_t>(written) >= size) {
        return;
    }
    const SymbolTable* table = TableOf(module);
    char symbol[512];
    char readable[512];
    std::uintptr_t offset = 0;
    if (table != nullptr && NearestFunction(*table, rva, symbol, sizeof symbol, offset)) {
        ReadableName(symbol, readable, sizeof readable);
        std::snprintf(text + written, size - static_cast<std::size_t>(written), " (%s+0x%zx)",
                      readable, static_cast<std::size_t>(offset));
    }
}

}  // namespace CodeAddress
