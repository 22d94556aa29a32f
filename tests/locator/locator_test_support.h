// Comparison and printing of IconRect for the locator's tests.
#pragma once

#include <ostream>

#include "locator/locator.h"

inline bool operator==(const IconRect& a, const IconRect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline void PrintTo(const IconRect& rect, std::ostream* out)
{
    *out << "{" << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom << "}";
}
