// The stand-in desktop's windows: class registration, the two layouts, the
// painted icons, and the answer to WM_GETOBJECT.
#include "kit/standin_desktop.h"

#include <oleacc.h>

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>

#include "kit/standin_accessible.h"

namespace standin {

namespace {

constexpr const char* PROGMAN_TITLE = "Program Manager";
constexpr const char* UNTITLED = "";
constexpr const char* DECOY_WORKER_TITLE = "Decoy WorkerW";
constexpr const char* OTHER_LIST_VIEW_TITLE = "Other list";

constexpr COLORREF DESKTOP_COLOUR = RGB(0x2B, 0x5F, 0x8C);
constexpr COLORREF LABEL_COLOUR = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF ICON_COLOURS[] = {
    RGB(0xE8, 0xA3, 0x3D), RGB(0x5C, 0xB8, 0x5C), RGB(0xD9, 0x53, 0x4F),
    RGB(0x9B, 0x59, 0xB6), RGB(0xF0, 0xE0, 0x5A), RGB(0x1A, 0xBC, 0x9C),
};
constexpr int ICON_SIZE = 32;     // the square of a desktop icon
constexpr int ICON_MARGIN = 4;    // above the square and between it and the label

// Disabled, so that it is never activated: when an application closes, Wine
// activates the next visible window whatever its WS_EX_NOACTIVATE says, and
// shows an activated window over every other one. The shell's desktop stays
// beneath everything.
constexpr UINT TOP_LEVEL_STYLE = WS_POPUP | WS_CLIPCHILDREN | WS_DISABLED;
constexpr UINT TOP_LEVEL_EX_STYLE = WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
constexpr UINT CHILD_STYLE = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
// A frame's user data: the layer it keeps in the z-order, PINNED_TO_BOTTOM
// or the handle of the frame it stays directly above (0: none).
constexpr LONG_PTR PINNED_TO_BOTTOM = 1;

}  // namespace

static void FillDesktop(HWND window, HDC dc)
{
    RECT client{};
    GetClientRect(window, &client);
    HBRUSH brush = CreateSolidBrush(DESKTOP_COLOUR);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
}

// Progman, WorkerW and SHELLDLL_DefView: plain desktop-coloured frames.
static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_WINDOWPOSCHANGING: {
        // Like the shell's desktop windows, a shown frame keeps its layer at
        // every change of its own and never activates: pinned to the bottom,
        // or directly above the frame it is anchored to (the raised layout's
        // wallpaper above Progman, its icons above the wallpaper; Wine raises
        // a window it has just shown once the X server answers). A frame
        // does nothing on its own between changes: a timer that re-sent it
        // to its place would, under Wine, raise it over a bubble placed
        // beneath it. Other frames (decoys, trees built by lookup tests) go
        // where they are put.
        auto* const position = reinterpret_cast<WINDOWPOS*>(lParam);
        const bool shown = IsWindowVisible(window) || (position->flags & SWP_SHOWWINDOW) != 0;
        const LONG_PTR layer = GetWindowLongPtrA(window, GWLP_USERDATA);
        if (layer == 0 || !shown) break;
        position->flags |= SWP_NOACTIVATE;
        if (layer == PINNED_TO_BOTTOM) {
            position->hwndInsertAfter = HWND_BOTTOM;
            position->flags &= ~SWP_NOZORDER;
            break;
        }
        const HWND above = GetWindow(reinterpret_cast<HWND>(layer), GW_HWNDPREV);
        if (above == window) {
            position->flags |= SWP_NOZORDER;   // already in its place
        } else {
            position->hwndInsertAfter = above != nullptr ? above : HWND_TOP;
            position->flags &= ~SWP_NOZORDER;
        }
        break;
    }
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_ERASEBKGND:
        FillDesktop(window, reinterpret_cast<HDC>(wParam));
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// One icon: a coloured square centred at the top of the item's rectangle and
// the name below it.
static void PaintItem(HWND window, HDC dc, const Item& item, size_t index)
{
    POINT origin{item.left, item.top};
    ScreenToClient(window, &origin);
    const int left = origin.x + (item.width - ICON_SIZE) / 2;
    const int top = origin.y + ICON_MARGIN;
    const RECT square{left, top, left + ICON_SIZE, top + ICON_SIZE};
    HBRUSH brush = CreateSolidBrush(ICON_COLOURS[index % std::size(ICON_COLOURS)]);
    FillRect(dc, &square, brush);
    DeleteObject(brush);
    if (!item.name) return;
    // Names may hold any Unicode text, which the ANSI code page cannot carry:
    // the label is drawn from the same UTF-16 text the accessible name gives.
    const std::wstring label = WideFromUtf8(*item.name);
    RECT labelBox{origin.x, square.bottom + ICON_MARGIN, origin.x + item.width, origin.y + item.height};
    DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &labelBox,
              DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
}

static void PaintListView(HWND window, const DesktopModel* model)
{
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    FillDesktop(window, dc);
    if (model != nullptr) {
        const HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, LABEL_COLOUR);
        for (size_t index = 0; index < model->items.size(); ++index) {
            PaintItem(window, dc, model->items[index], index);
        }
        SelectObject(dc, oldFont);
    }
    EndPaint(window, &paint);
}

// SysListView32: paints the items and serves them through the model's
// accessible list object. Bare list views (decoys) have no model.
static LRESULT CALLBACK ListViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* model = reinterpret_cast<DesktopModel*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        break;
    }
    case WM_GETOBJECT:
        // The object id arrives as a DWORD in lParam; only the client area is served.
        if (model == nullptr || static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT) break;
        ++model->objectRequests;
        return LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(model->list));
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_ERASEBKGND:
        return 1;   // WM_PAINT fills everything
    case WM_PAINT:
        PaintListView(window, model);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A class of this module's own. A global class of the same name (comctl32's
// list view, when some DLL has loaded it) does not stand in its way, and
// windows created with this module's instance take the local class.
bool RegisterWindowClass(const char* className, WNDPROC procedure, HCURSOR cursor)
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = cursor;
    windowClass.lpszClassName = className;
    return RegisterClassExA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

static void RegisterShellClass(const char* className, WNDPROC procedure)
{
    if (!RegisterWindowClass(className, procedure, LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW))))
        throw std::runtime_error(std::string("stand-in: cannot register class ") + className);
}

void RegisterShellClasses()
{
    RegisterShellClass(PROGMAN_CLASS, FrameProc);
    RegisterShellClass(WORKERW_CLASS, FrameProc);
    RegisterShellClass(DEFVIEW_CLASS, FrameProc);
    RegisterShellClass(LIST_VIEW_CLASS, ListViewProc);
}

// The desktop spans every monitor, as the shell's does. Top-level windows are
// one pixel short of its height: Wine takes about two seconds to destroy a
// window that covers the whole screen.
static RECT DesktopBounds()
{
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                top + GetSystemMetrics(SM_CYVIRTUALSCREEN) - 1};
}

// Shows a top-level frame at the bottom of the z-order over the whole desktop.
static void ShowAtBottom(HWND window)
{
    const RECT bounds = DesktopBounds();
    SetWindowPos(window, HWND_BOTTOM, bounds.left, bounds.top, bounds.right - bounds.left,
                 bounds.bottom - bounds.top, SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

static HWND CreateWindowOf(const char* className, const char* title, HWND parent, UINT extraStyle,
                           void* model)
{
    const RECT bounds = DesktopBounds();
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    const HWND window = parent == nullptr
        ? CreateWindowExA(TOP_LEVEL_EX_STYLE, className, title, TOP_LEVEL_STYLE | extraStyle, bounds.left,
                          bounds.top, width, height, nullptr, nullptr, GetModuleHandleA(nullptr), model)
        : CreateWindowExA(0, className, title, CHILD_STYLE | extraStyle,
                          0, 0, width, height, parent, nullptr, GetModuleHandleA(nullptr), model);
    if (window == nullptr) throw std::runtime_error(std::string("stand-in: cannot create window ") + className);
    return window;
}

HWND CreateShellWindow(const char* className, const char* title, HWND parent)
{
    RegisterShellClasses();
    return CreateWindowOf(className, title, parent, parent == nullptr ? 0 : WS_VISIBLE, nullptr);
}

Item MakeItem(std::optional<std::string> name, const RECT& bounds)
{
    // Spans are computed wide, so that any rectangle a test can write is accepted.
    const auto span = [](LONG from, LONG to) {
        const long long extent = static_cast<long long>(to) - from;
        return static_cast<LONG>(std::clamp<long long>(extent, 0, std::numeric_limits<LONG>::max()));
    };
    Item item;
    item.name = std::move(name);
    item.left = bounds.left;
    item.top = bounds.top;
    item.width = span(bounds.left, bounds.right);
    item.height = span(bounds.top, bounds.bottom);
    return item;
}

Desktop::Desktop(Layout chosen) : layout(chosen), model(std::make_unique<DesktopModel>()) { CreateWindows(); }

Desktop::~Desktop()
{
    DestroyWindows();
    // As a COM object lives until its last reference goes, the accessible
    // objects outlive a desktop whose caller still holds one (the bubble
    // keeps the list's object between walks and lets it go when it ends):
    // their model stays until the process ends instead of being freed under
    // that caller.
    if (model->references > 0) {
        static std::vector<std::unique_ptr<DesktopModel>> stillReferenced;
        stillReferenced.push_back(std::move(model));
    }
}

void Desktop::CreateWindows()
{
    if (HasWindows()) return;
    RegisterShellClasses();
    try {
        if (layout == Layout::Progman) {
            topLevel = CreateWindowOf(PROGMAN_CLASS, PROGMAN_TITLE, nullptr, 0, nullptr);
        } else if (layout == Layout::Raised) {
            others[0] = CreateWindowOf(PROGMAN_CLASS, PROGMAN_TITLE, nullptr, 0, nullptr);
            others[1] = CreateWindowOf(WORKERW_CLASS, UNTITLED, nullptr, 0, nullptr);
            topLevel = CreateWindowOf(WORKERW_CLASS, UNTITLED, nullptr, 0, nullptr);
        } else {
            // A bare Progman, untitled WorkerW windows on both sides of the one
            // holding the DefView, and a titled WorkerW with a DefView and a
            // "FolderView" list view of its own that must never be chosen.
            others[0] = CreateWindowOf(PROGMAN_CLASS, PROGMAN_TITLE, nullptr, 0, nullptr);
            others[1] = CreateWindowOf(WORKERW_CLASS, UNTITLED, nullptr, 0, nullptr);
            others[2] = CreateWindowOf(WORKERW_CLASS, DECOY_WORKER_TITLE, nullptr, 0, nullptr);
            const HWND decoyDefView = CreateWindowOf(DEFVIEW_CLASS, UNTITLED, others[2], WS_VISIBLE, nullptr);
            CreateWindowOf(LIST_VIEW_CLASS, LIST_VIEW_TITLE, decoyDefView, WS_VISIBLE, nullptr);
            topLevel = CreateWindowOf(WORKERW_CLASS, UNTITLED, nullptr, 0, nullptr);
            others[3] = CreateWindowOf(WORKERW_CLASS, UNTITLED, nullptr, 0, nullptr);
        }
        const HWND defView = CreateWindowOf(DEFVIEW_CLASS, UNTITLED, topLevel, WS_VISIBLE, nullptr);
        listView = CreateWindowOf(LIST_VIEW_CLASS, LIST_VIEW_TITLE, defView,
                                  listViewShown ? WS_VISIBLE : 0, model.get());
        if (layout == Layout::WorkerW) {
            // Created last, so it comes first among the DefView's children:
            // only the title tells the two list views apart.
            CreateWindowOf(LIST_VIEW_CLASS, OTHER_LIST_VIEW_TITLE, defView, 0, nullptr);
        }
    } catch (...) {
        DestroyWindows();
        throw;
    }
    if (layout == Layout::Raised) {
        // From the top: the icons, the wallpaper, Progman, which alone keeps
        // the bottom; the others keep their places above it.
        SetWindowLongPtrA(others[0], GWLP_USERDATA, PINNED_TO_BOTTOM);
        SetWindowLongPtrA(others[1], GWLP_USERDATA, reinterpret_cast<LONG_PTR>(others[0]));
        SetWindowLongPtrA(topLevel, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(others[1]));
        ShowAtBottom(others[0]);
        ShowAtBottom(others[1]);
        ShowAtBottom(topLevel);
        return;
    }
    SetWindowLongPtrA(topLevel, GWLP_USERDATA, PINNED_TO_BOTTOM);
    ShowAtBottom(topLevel);
}

void Desktop::DestroyWindows()
{
    for (HWND* window : {&topLevel, &others[0], &others[1], &others[2], &others[3]}) {
        if (*window != nullptr) DestroyWindow(*window);
        *window = nullptr;
    }
    listView = nullptr;
}

size_t Desktop::Add(const Item& item)
{
    model->items.push_back(item);
    Update();
    return model->items.size() - 1;
}

Item& Desktop::At(size_t index) { return model->items.at(index); }

size_t Desktop::Count() const { return model->items.size(); }

std::optional<size_t> Desktop::Find(const std::string& name) const
{
    for (size_t index = 0; index < model->items.size(); ++index) {
        if (model->items[index].name == name) return index;
    }
    return std::nullopt;
}

void Desktop::Remove(size_t index)
{
    if (index < model->items.size()) {
        model->items.erase(model->items.begin() + static_cast<std::ptrdiff_t>(index));
        Update();
    }
}

void Desktop::Update() { if (listView != nullptr) InvalidateRect(listView, nullptr, TRUE); }

void Desktop::SetListViewVisible(bool visible)
{
    listViewShown = visible;
    if (listView != nullptr) ShowWindow(listView, visible ? SW_SHOWNA : SW_HIDE);
}

void Desktop::SetChildCountFails(bool fails) { model->childCountFails = fails; }

void Desktop::SetOfferEnumerator(bool offer) { model->offerEnumerator = offer; }

void Desktop::SetBeforeNameHook(std::function<void()> hook) { model->beforeName = std::move(hook); }

long Desktop::OutstandingReferences() const { return model->references; }

long Desktop::ObjectRequests() const { return model->objectRequests; }

long Desktop::CallsWhileUnreferenced() const { return model->callsWhileUnreferenced; }

std::string DescribeForeignShellWindows()
{
    std::string description;
    for (const char* className : {PROGMAN_CLASS, WORKERW_CLASS}) {
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, className, nullptr)) != nullptr) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == GetCurrentProcessId()) continue;
            char title[256] = {};
            GetWindowTextA(window, title, static_cast<int>(sizeof(title)));
            if (!description.empty()) description += "; ";
            description += std::string(className) + " \"" + title + "\" of process " + std::to_string(process);
        }
    }
    return description;
}

}  // namespace standin
