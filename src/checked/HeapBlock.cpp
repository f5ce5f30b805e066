#include "HeapBlock.h"

#include <cstdio>

namespace CheckedHeap {
namespace {

// Returns the offset of the first byte in [from, to) that lost the slack's pattern, or -1.
long long FirstOverwritten(const unsigned char* from, const unsigned char* to) {
    for (const unsigned char* byte = from; byte < to; ++byte) {
        if (*byte != SlackFill) {
            return byte - from;
        }
    }
    return -1;
}

}  // namespace

bool FindOverwrite(const Header* header, char* what, std::size_t size) {
    const auto* dataStart = reinterpret_cast<const unsigned char*>(header) + PageSize;
    const unsigned char* blockEnd = header->block + header->size;
    const long long before = FirstOverwritten(dataStart, header->block);
    if (before >= 0) {
        std::snprintf(what, size, "write %lld bytes before",
                      static_cast<long long>(header->block - dataStart) - before);
        return true;
    }
    const long long after = FirstOverwritten(blockEnd, dataStart + header->dataPages * PageSize);
    if (after >= 0) {
        std::snprintf(what, size, "write %lld bytes past the end of", after + 1);
        return true;
    }
    return false;
}

}  // namespace CheckedHeap
