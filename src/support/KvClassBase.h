// Root of the program's own classes: a virtual destructor and a few tags a subclass may use.
#pragma once

#include <cstdint>

#include "WideString.h"

class KvClassBase {
  public:
    KvClassBase() = default;
    KvClassBase(const KvClassBase&) = default;
    KvClassBase& operator=(const KvClassBase&) = default;
    virtual ~KvClassBase();

  protected:
    // Free for subclasses; the window framework never reads or writes them.
    std::int32_t tagValue1 = 0;
    std::int32_t tagValue2 = 0;
    WideString tagText1;
    WideString tagText2;
};
