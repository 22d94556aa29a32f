// The scales the pictures are drawn at, as dots per inch in the order of
// their resource ids (100 % first), and lengths scaled as the program
// scales them.
#pragma once
#include <windows.h>

#include "res/resource.h"

namespace picturescales {

constexpr int BASE_DPI = 96;
constexpr int DPIS[] = {96, 120, 144, 168, 192, 216, 240, 288};  // 100, 125, ... 250, 300 %

inline int ScaledId(int id, int scaleIndex) { return id + scaleIndex * IDP_SCALE_STEP; }
inline int Scaled(int length, int dpi) { return MulDiv(length, dpi, BASE_DPI); }

}  // namespace picturescales
