// The bubble's 207 x 75 canvas: built at creation and again when the bubble
// changes sides.
#pragma once

#include <windows.h>

// Creates canvasDC and canvasBitmap for `window` (premultiplied 32-bit).
void BuildCanvas(HWND window);
// Draws the picture of the current side (bubbleOnRight) onto the canvas.
void DrawBubblePicture();
// Deletes canvasDC and then canvasBitmap.
void ReleaseCanvas();
