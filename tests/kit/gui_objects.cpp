// GDI and USER object counts, reported or probed.
#include "kit/gui_objects.h"

namespace guiobjects {

namespace {

// Wine accepts a handle whose upper word is 0 for whichever object holds that
// slot of the table, so every slot can be asked about.
constexpr ULONG_PTR GDI_HANDLE_SLOTS = 0x10000;
constexpr ULONG_PTR FIRST_USER_HANDLE = 0x0020;
constexpr ULONG_PTR LAST_USER_HANDLE = 0xFFEF;
constexpr ULONG_PTR USER_HANDLE_STEP = 2;

}  // namespace

long ProbeGdiHandleTable()
{
    long count = 0;
    for (ULONG_PTR slot = 1; slot < GDI_HANDLE_SLOTS; ++slot) {
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(slot)) != 0) ++count;
    }
    return count;
}

long ProbeUserHandleTable()
{
    const DWORD self = GetCurrentProcessId();
    long count = 0;
    for (ULONG_PTR handle = FIRST_USER_HANDLE; handle <= LAST_USER_HANDLE; handle += USER_HANDLE_STEP) {
        const HWND window = reinterpret_cast<HWND>(handle);
        if (IsWindow(window)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == self) ++count;
            continue;
        }
        if (IsMenu(reinterpret_cast<HMENU>(handle))) {
            ++count;
            continue;
        }
        ICONINFO icon{};
        if (GetIconInfo(reinterpret_cast<HICON>(handle), &icon)) {
            // The copies of the pictures made for the answer are not counted.
            if (icon.hbmColor) DeleteObject(icon.hbmColor);
            if (icon.hbmMask) DeleteObject(icon.hbmMask);
            ++count;
        }
    }
    return count;
}

long CountGdiObjects()
{
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    return reported ? static_cast<long>(reported) : ProbeGdiHandleTable();
}

long CountUserObjects()
{
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    return reported ? static_cast<long>(reported) : ProbeUserHandleTable();
}

}  // namespace guiobjects
