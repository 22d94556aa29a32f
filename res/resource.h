// Resource identifiers shared by the resource script and the C++ code.
#pragma once

#define IDP_BUBBLE_RIGHT 106
#define IDP_BUBBLE_LEFT 107
#define IDP_BUTTON_HOVER 108
#define IDP_BUTTON_NORMAL 109
#define IDP_BUTTON_PRESSED 110
#define IDI_APP 112
