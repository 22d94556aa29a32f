#include "bubble/canvas.h"

#include "bubble/bubble.h"

void BuildCanvas(HWND window)
{
    const HDC windowDC = GetDC(window);
    bubbleState.canvasDC = CreateCompatibleDC(windowDC);
    bubbleState.canvasBitmap = CreateAlphaBitmap(windowDC, BUBBLE_WIDTH, BUBBLE_HEIGHT);
    SelectObject(bubbleState.canvasDC, bubbleState.canvasBitmap);
    ReleaseDC(window, windowDC);
}

void DrawBubblePicture()
{
    const PngImage* const picture =
        bubbleState.bubbleOnRight ? bubbleState.bubbleImageRight : bubbleState.bubbleImageLeft;
    DrawPicture(bubbleState.canvasDC, NativeImageOf(picture), 0, 0, BUBBLE_WIDTH, BUBBLE_HEIGHT);
}

void ReleaseCanvas()
{
    // The DC goes first, so the bitmap is no longer selected anywhere when it
    // is deleted.
    DeleteDC(bubbleState.canvasDC);
    DeleteObject(bubbleState.canvasBitmap);
    bubbleState.canvasDC = nullptr;
    bubbleState.canvasBitmap = nullptr;
}
