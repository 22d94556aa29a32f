// Resource identifiers shared by the resource script and the C++ code.
#pragma once

// The pictures at 100 %. Each further scale's set (125, 150, 175, 200, 225,
// 250 and 300 %, in this order, as PICTURE_PERCENTS in bubble/bubble.h lists
// them) takes these ids plus IDP_SCALE_STEP once more.
#define IDP_BUBBLE_RIGHT 106
#define IDP_BUBBLE_LEFT 107
#define IDP_BUTTON_HOVER 108
#define IDP_BUTTON_NORMAL 109
#define IDP_BUTTON_PRESSED 110
#define IDP_SCALE_STEP 100
#define IDI_APP 112
