// The bare lookup: find the list view, obtain its accessible object, and
// ask each item in turn for its name until one matches.
#include "bench/bare_walk.h"

#include <objbase.h>
#include <oleacc.h>
#include <oleauto.h>

#include <cstring>

namespace bench {

// The classic layout only, which is the one the benchmarks' desktops use.
static HWND FindListViewBare()
{
    const HWND progman = FindWindowExA(nullptr, nullptr, "progman", nullptr);
    const HWND defView = progman ? FindWindowExA(progman, nullptr, "SHELLDLL_DefView", nullptr) : nullptr;
    return defView ? FindWindowExA(defView, nullptr, "SysListView32", nullptr) : nullptr;
}

bool BareLookupHeld(const char* name, IconRect& rect, IAccessible*& held)
{
    const HWND listView = FindListViewBare();
    if (listView == nullptr || !IsWindowVisible(listView)) return false;
    if (held == nullptr) {
        void* object = nullptr;
        if (AccessibleObjectFromWindow(listView, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                       &object) != S_OK) {
            return false;
        }
        held = static_cast<IAccessible*>(object);
    }
    IAccessible* const list = held;
    bool found = false;
    LONG count = 0;
    if (SUCCEEDED(list->get_accChildCount(&count))) {
        for (LONG index = 0; index < count && !found; ++index) {
            VARIANT child;
            VariantInit(&child);
            LONG obtained = 0;
            if (SUCCEEDED(AccessibleChildren(list, index, 1, &child, &obtained)) && child.vt != VT_DISPATCH) {
                BSTR accName = nullptr;
                if (SUCCEEDED(list->get_accName(child, &accName)) && accName != nullptr) {
                    const int size = WideCharToMultiByte(CP_ACP, 0, accName, -1, nullptr, 0, nullptr, nullptr);
                    char* ansi = new char[static_cast<size_t>(size)];
                    WideCharToMultiByte(CP_ACP, 0, accName, -1, ansi, size, nullptr, nullptr);
                    if (std::strcmp(ansi, name) == 0) {
                        LONG left = 0, top = 0, width = 0, height = 0;
                        list->accLocation(&left, &top, &width, &height, child);
                        rect = IconRect{left, top, left + width, top + height};
                        found = true;
                    }
                    delete[] ansi;
                }
                SysFreeString(accName);
            }
            VariantClear(&child);
        }
    }
    return found;
}

bool BareLookup(const char* name, IconRect& rect)
{
    IAccessible* list = nullptr;
    const bool found = BareLookupHeld(name, rect, list);
    if (list) list->Release();
    return found;
}

}  // namespace bench
