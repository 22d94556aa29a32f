#include "bubble/canvas.h"

#include <iterator>

#include "bubble/bubble.h"
#include "bubble/bubble_internal.h"
#include "gfx/gdi_guards.h"
#include "res/resource.h"

namespace {

constexpr int PERCENT = 100;

// The picture set drawn for `dpi`: the one of exactly that scale, else the
// next larger one, which is drawn down to size (a smaller one drawn up would
// be blurred); the largest set beyond the largest scale.
size_t PictureSetFor(UINT dpi)
{
    for (size_t set = 0; set < std::size(PICTURE_PERCENTS); ++set) {
        if (static_cast<long long>(PICTURE_PERCENTS[set]) * STANDARD_DPI >= static_cast<long long>(dpi) * PERCENT) {
            return set;
        }
    }
    return std::size(PICTURE_PERCENTS) - 1;
}

bool HasPngResource(int id)
{
    return FindResourceA(nullptr, MAKEINTRESOURCEA(static_cast<WORD>(id)), PNG_RESOURCE_TYPE) != nullptr;
}

// The picture `baseId` (its 100 % resource id) at `dpi`, `width` x `height`
// pixels. An executable that lacks the set for its scale draws from the
// nearest larger set it has, then from the nearest smaller one.
PngImage* LoadScaledPicture(int baseId, UINT dpi, int width, int height)
{
    const int wanted = static_cast<int>(PictureSetFor(dpi));
    int chosen = wanted;
    for (int step = 0; step < static_cast<int>(std::size(PICTURE_PERCENTS)); ++step) {
        const int larger = wanted + step;
        const int smaller = wanted - step;
        if (larger < static_cast<int>(std::size(PICTURE_PERCENTS)) && HasPngResource(baseId + larger * IDP_SCALE_STEP)) {
            chosen = larger;
            break;
        }
        if (smaller >= 0 && HasPngResource(baseId + smaller * IDP_SCALE_STEP)) {
            chosen = smaller;
            break;
        }
    }
    return LoadPngResourceSized(baseId + chosen * IDP_SCALE_STEP, PNG_RESOURCE_TYPE, width, height);
}

}  // namespace

SIZE BubbleSize()
{
    return {Scaled(BUBBLE_WIDTH, bubbleState.dpi), Scaled(BUBBLE_HEIGHT, bubbleState.dpi)};
}

void BuildCanvas(HWND window)
{
    const SIZE size = BubbleSize();
    const WindowDC windowDC(window);
    bubbleState.canvasDC = CreateCompatibleDC(windowDC.Get());
    bubbleState.canvasBitmap = CreateAlphaBitmap(windowDC.Get(), size.cx, size.cy);
    // Selected for the canvas's life; ReleaseCanvas deletes the DC first.
    SelectObject(bubbleState.canvasDC, bubbleState.canvasBitmap);
}

void DrawBubblePicture()
{
    const SIZE size = BubbleSize();
    const PngImage* const picture =
        bubbleState.bubbleOnRight ? bubbleState.bubbleImageRight : bubbleState.bubbleImageLeft;
    DrawPicture(bubbleState.canvasDC, NativeImageOf(picture), 0, 0, size.cx, size.cy);
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

void LoadPictures()
{
    const UINT dpi = bubbleState.dpi;
    const SIZE bubble = BubbleSize();
    const RECT button = DismissRectFor(true, dpi);
    const int buttonWidth = button.right - button.left;
    const int buttonHeight = button.bottom - button.top;
    bubbleState.bubbleImageRight = LoadScaledPicture(IDP_BUBBLE_RIGHT, dpi, bubble.cx, bubble.cy);
    bubbleState.bubbleImageLeft = LoadScaledPicture(IDP_BUBBLE_LEFT, dpi, bubble.cx, bubble.cy);
    bubbleState.buttonImageNormal = LoadScaledPicture(IDP_BUTTON_NORMAL, dpi, buttonWidth, buttonHeight);
    bubbleState.buttonImageHover = LoadScaledPicture(IDP_BUTTON_HOVER, dpi, buttonWidth, buttonHeight);
    bubbleState.buttonImagePressed = LoadScaledPicture(IDP_BUTTON_PRESSED, dpi, buttonWidth, buttonHeight);
}

void ReleasePictures()
{
    for (PngImage** picture : {&bubbleState.bubbleImageRight, &bubbleState.bubbleImageLeft,
                               &bubbleState.buttonImageNormal, &bubbleState.buttonImageHover,
                               &bubbleState.buttonImagePressed}) {
        delete *picture;
        *picture = nullptr;
    }
}

void ChangeScale(HWND window, UINT dpi)
{
    bubbleState.dpi = dpi;
    ReleasePictures();
    LoadPictures();
    ReleaseCanvas();
    BuildCanvas(window);
    DrawBubblePicture();
    ImageButton& button = *bubbleState.dismissButton;
    button.SetImage(Normal, bubbleState.buttonImageNormal);
    button.SetImage(Hover, bubbleState.buttonImageHover);
    button.SetImage(Pressed, bubbleState.buttonImagePressed);
    button.Reshape(DismissRectFor(bubbleState.bubbleOnRight != 0, dpi));
    // Nothing draws through these today, but none may name a deleted DC.
    bubbleState.buttonHost->targetDC = bubbleState.canvasDC;
    button.targetDC = bubbleState.canvasDC;
    // Recomputed at the new scale on the next grow tick.
    bubbleState.growStepX = 0;
    bubbleState.growStepY = 0;
}
