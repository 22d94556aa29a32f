#include "bubble/canvas.h"

#include "bubble/bubble.h"
#include "gfx/gdi_guards.h"

void BuildCanvas(HWND window)
{
    const WindowDC windowDC(window);
    bubbleState.canvasDC = CreateCompatibleDC(windowDC.Get());
    bubbleState.canvasBitmap = CreateAlphaBitmap(windowDC.Get(), BUBBLE_WIDTH, BUBBLE_HEIGHT);
    // Selected for the canvas's life; ReleaseCanvas deletes the DC first.
    SelectObject(bubbleState.canvasDC, bubbleState.canvasBitmap);
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
