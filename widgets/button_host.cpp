// The button host: a hidden, subclassed "button" child window that gives
// windowless image buttons their mouse behaviour inside a parent window.
#include "widgets/widgets.h"

std::map<HWND, ButtonHost*> HostRegistry;
WNDPROC previousButtonProc = nullptr;

constexpr LRESULT HANDLED = 1;

ButtonHost::ButtonHost()
    : head(new ButtonNode{nullptr, nullptr, nullptr}),
      lastNode(nullptr),
      cursor(LoadCursorA(nullptr, IDC_HAND)),
      childWindow(nullptr),
      targetDC(nullptr)
{
}

// The child is visible but has no size, so it is never under the pointer:
// the only input it gets is what ForwardMouse sends it.
bool ButtonHost::Attach(HWND parent)
{
    childWindow = CreateWindowExA(0, "button", "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_HOST_CHILD)),
                                  GetModuleHandleA(nullptr), nullptr);
    if (!childWindow) return false;
    HostRegistry.erase(childWindow);
    HostRegistry.insert({childWindow, this});
    // The pointer-sized form: a 32-bit SetWindowLongA would cut the procedure
    // address on a 64-bit build.
    previousButtonProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(childWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ButtonHostProc)));
    return true;
}

void ButtonHost::AddButton(int position, ImageButton* button)
{
    if (!button) return;
    button->targetDC = targetDC;
    button->Render(Normal);

    ButtonNode* predecessor = head;
    if (position == 0) {
        while (predecessor->next) predecessor = predecessor->next;
    } else if (position >= 2) {
        for (int step = 1; step < position && predecessor->next; ++step) predecessor = predecessor->next;
    }
    ButtonNode* const node = new ButtonNode{button, predecessor->next, predecessor};
    if (predecessor->next) {
        predecessor->next->prev = node;
    } else {
        lastNode = node;
    }
    predecessor->next = node;
}

void ButtonHost::PaintButtons(HDC dc)
{
    // First to last, so a later button covers an earlier one.
    for (ButtonNode* node = head->next; node; node = node->next) {
        ImageButton* const button = node->button;
        button->surface->Blit(dc, BLIT_OPAQUE, button->rect.left, button->rect.top);
    }
}

static bool IsMouseOrCursorMessage(UINT message)
{
    return message == WM_SETCURSOR || (message >= WM_MOUSEMOVE && message <= WM_RBUTTONDBLCLK) ||
           message == WM_MOUSEHOVER || message == WM_MOUSELEAVE;
}

bool ButtonHost::ForwardMouse(MSG message)
{
    if (!childWindow || !IsMouseOrCursorMessage(message.message)) return false;
    // Runs ButtonHostProc at once, inside the caller's window procedure.
    return SendMessageA(childWindow, message.message, message.wParam, message.lParam) != 0;
}

void ButtonHost::RequestRedraw(int mode, const RECT* area)
{
    // Without a parent, InvalidateRect would repaint every window on screen.
    const HWND parent = childWindow ? GetParent(childWindow) : nullptr;
    if (!parent) return;
    switch (mode) {
    case REDRAW_INVALIDATE:
        InvalidateRect(parent, area, FALSE);
        break;
    case REDRAW_SEND_PAINT:
        SendMessageA(parent, WM_PAINT, 0, 0);
        break;
    default:
        break;
    }
}

// The walks below visit the buttons from the last to the first, never the
// sentinel.

static void OnHostMouseMove(ButtonHost& host, WPARAM wParam, LPARAM lParam)
{
    const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    const HCURSOR hand = LoadCursorA(nullptr, IDC_HAND);
    host.cursor = arrow;
    const POINT point = ClientPointOf(lParam);
    RECT redraw{};
    bool changed = false;
    for (ButtonNode* node = host.lastNode; node && node != host.head; node = node->prev) {
        ImageButton* const button = node->button;
        const bool inside = PtInRect(&button->rect, point) != FALSE;
        if (inside) host.cursor = hand;
        UINT transition = 0;
        if (inside && button->state == Normal) {
            transition = WM_MOUSEMOVE;
        } else if (!inside && button->state != Normal) {
            transition = WM_MOUSELEAVE;
        }
        if (!transition) continue;
        button->HandleMouse(transition, wParam, lParam, &host.cursor);
        changed = true;
        UnionRect(&redraw, &redraw, &button->rect);
    }
    if (changed) host.RequestRedraw(REDRAW_INVALIDATE, &redraw);
}

// The first button in the walk whose state is `wanted`, or null.
static ImageButton* FindButtonIn(const ButtonHost& host, ButtonState wanted)
{
    for (ButtonNode* node = host.lastNode; node && node != host.head; node = node->prev) {
        if (node->button->state == wanted) return node->button;
    }
    return nullptr;
}

static bool OnHostButtonDown(ButtonHost& host, WPARAM wParam, LPARAM lParam)
{
    ImageButton* const button = FindButtonIn(host, Hover);
    if (!button) return false;
    button->HandleMouse(WM_LBUTTONDOWN, wParam, lParam, &host.cursor);
    host.RequestRedraw(REDRAW_INVALIDATE, &button->rect);
    return true;
}

static void OnHostButtonUp(ButtonHost& host, HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    ImageButton* const button = FindButtonIn(host, Pressed);
    if (!button) return;
    button->HandleMouse(WM_LBUTTONUP, wParam, lParam, &host.cursor);
    host.RequestRedraw(REDRAW_INVALIDATE, &button->rect);
    // The parent's procedure runs inside this call; nothing of the host is
    // touched after it.
    SendMessageA(GetParent(hwnd), WM_COMMAND, button->commandId, 0);
}

static void OnHostMouseLeave(ButtonHost& host, WPARAM wParam, LPARAM lParam)
{
    for (ButtonNode* node = host.lastNode; node && node != host.head; node = node->prev) {
        ImageButton* const button = node->button;
        if (button->state == Normal) continue;
        button->HandleMouse(WM_MOUSELEAVE, wParam, lParam, &host.cursor);
        host.RequestRedraw(REDRAW_INVALIDATE, &button->rect);
        return;
    }
}

LRESULT CALLBACK ButtonHostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto entry = HostRegistry.find(hwnd);
    if (entry == HostRegistry.end()) {
        return previousButtonProc ? CallWindowProcA(previousButtonProc, hwnd, message, wParam, lParam) : 0;
    }
    ButtonHost& host = *entry->second;
    switch (message) {
    case WM_SETCURSOR:
        SetCursor(host.cursor);
        return HANDLED;
    case WM_MOUSEMOVE:
        OnHostMouseMove(host, wParam, lParam);
        return 0;
    case WM_LBUTTONDOWN:
        return OnHostButtonDown(host, wParam, lParam) ? HANDLED : 0;
    case WM_LBUTTONUP:
        OnHostButtonUp(host, hwnd, wParam, lParam);
        return 0;
    case WM_MOUSELEAVE:
        OnHostMouseLeave(host, wParam, lParam);
        return 0;
    default:
        // Registered children never reach previousButtonProc.
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
