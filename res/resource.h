// Resource identifiers shared by the resource script and the C++ code.
#pragma once

#define IDP_BUBBLE_RIGHT 106
#define IDP_BUBBLE_LEFT 107
#define IDP_BUTTON_HOVER 108
#define IDP_BUTTON_NORMAL 109
#define IDP_BUTTON_PRESSED 110
// The same pictures drawn for larger scales: set k (see PICTURE_PERCENTS in
// bubble/bubble.h) has the ids above plus k * IDP_SCALE_STEP.
#define IDP_SCALE_STEP 100
#define IDI_APP 112
