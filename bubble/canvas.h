// The bubble's look at its scale (bubbleState.dpi): the canvas, the five
// pictures and the dismiss button's place and size. Made at creation, and
// again when the side or the scale changes.
#pragma once

#include <windows.h>

// The size of the whole bubble at the current scale.
SIZE BubbleSize();

// Creates canvasDC and canvasBitmap for `window` (premultiplied 32-bit), the
// bubble's size at the current scale.
void BuildCanvas(HWND window);
// Draws the picture of the current side (bubbleOnRight) onto the canvas.
void DrawBubblePicture();
// Deletes canvasDC and then canvasBitmap.
void ReleaseCanvas();

// Loads the five pictures drawn for the current scale, each at exactly its
// size there (see LoadScaledPicture).
void LoadPictures();
// Deletes the five pictures.
void ReleasePictures();

// Makes the bubble's look again at `dpi`: the pictures, the canvas with the
// picture of the current side, and the dismiss button's rectangle, surface
// and pictures. The grow steps follow on the next grow tick.
void ChangeScale(HWND window, UINT dpi);
