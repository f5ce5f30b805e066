// Lets test failures show a WideString as readable text instead of raw bytes.
#pragma once

#include <ostream>

#include <gtest/gtest.h>

#include "WideString.h"

inline void PrintTo(const WideString& text, std::ostream* out) {
    *out << ::testing::PrintToString(text.Text());
}
