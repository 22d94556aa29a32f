// Windowless image buttons: state machine, cursor choice and rendering.
#include "widgets/widgets.h"

ImageButton::ImageButton(const RECT& rectangle, UINT command)
    : images{},
      surface(new MemorySurface(rectangle.right - rectangle.left, rectangle.bottom - rectangle.top)),
      rect(rectangle),
      targetDC(nullptr),
      state(Normal),
      commandId(command),
      imageOrigin{0, 0},
      badgeOrigin{0, 0},
      reservedOrigin{0, 0},
      reservedFlag(0),
      reservedValue(0)
{
}

void ImageButton::SetImage(int slot, PngImage* image)
{
    // Slot 0 is never filled; it stands for "no state".
    if (slot <= 0 || slot >= IMAGE_SLOT_COUNT) return;
    images[slot] = image;
}

void ImageButton::Render(int slot)
{
    if (slot < 0 || slot >= IMAGE_SLOT_COUNT) return;
    HDC dc = surface->dc;
    BitBlt(dc, 0, 0, surface->width, surface->height, dc, 0, 0, BLACKNESS);
    DrawImageAt(dc, imageOrigin.x, imageOrigin.y, images[slot]);
    if (images[OVERLAY_SLOT]) DrawImageAt(dc, badgeOrigin.x, badgeOrigin.y, images[OVERLAY_SLOT]);
}

void ImageButton::HandleMouse(UINT message, WPARAM, LPARAM, HCURSOR* cursorSlot)
{
    switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_MOUSEHOVER:
        state = Hover;
        break;
    case WM_LBUTTONDOWN:
        state = Pressed;
        break;
    case WM_MOUSELEAVE:
        state = Normal;
        break;
    default:
        break;
    }
    const bool pointing = state == Hover || state == Pressed;
    const HCURSOR cursor = LoadCursorA(nullptr, pointing ? IDC_HAND : IDC_ARROW);
    if (cursorSlot) *cursorSlot = cursor;
    SetCursor(cursor);
    Render(state);
}

void ImageButton::Reshape(const RECT& rectangle)
{
    const int width = rectangle.right - rectangle.left;
    const int height = rectangle.bottom - rectangle.top;
    if (width != surface->width || height != surface->height) {
        delete surface;
        surface = new MemorySurface(width, height);
    }
    rect = rectangle;
    Render(state);
}

// Draws the picture at its own size with its top-left corner at (x, y), so
// it is never scaled; whatever falls outside the surface is clipped.
void ImageButton::DrawImageAt(HDC dc, int x, int y, PngImage* image)
{
    if (!image) return;
    const UINT height = image->GetHeight();
    const UINT width = image->GetWidth();
    DrawPicture(dc, image->nativeImage, x, y, static_cast<int>(width), static_cast<int>(height));
}
