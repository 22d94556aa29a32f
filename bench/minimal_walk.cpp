// The minimal walk: documented calls in their documented form, nothing kept
// between walks.
#include "bench/minimal_walk.h"

#include <oleauto.h>

#include <cwchar>
#include <vector>

namespace bench {

HWND MinimalListView()
{
    const HWND progman = FindWindowA("Progman", nullptr);
    const HWND view = progman ? FindWindowExA(progman, nullptr, "SHELLDLL_DefView", nullptr) : nullptr;
    return view ? FindWindowExA(view, nullptr, "SysListView32", nullptr) : nullptr;
}

IAccessible* MinimalClientObject(HWND listView)
{
    IAccessible* list = nullptr;
    if (listView == nullptr ||
        FAILED(AccessibleObjectFromWindow(listView, static_cast<DWORD>(OBJID_CLIENT), IID_PPV_ARGS(&list)))) {
        return nullptr;
    }
    return list;
}

// All children of `list` in one call, as VARIANTs the caller clears.
static std::vector<VARIANT> Children(IAccessible* list)
{
    LONG count = 0;
    if (FAILED(list->get_accChildCount(&count)) || count <= 0) return {};
    std::vector<VARIANT> children(static_cast<size_t>(count));
    LONG obtained = 0;
    if (FAILED(AccessibleChildren(list, 0, count, children.data(), &obtained))) return {};
    children.resize(static_cast<size_t>(obtained));
    return children;
}

static void Clear(std::vector<VARIANT>& children)
{
    for (VARIANT& child : children) VariantClear(&child);
}

bool MinimalWalkWith(IAccessible* list, const wchar_t* name, RECT& where)
{
    std::vector<VARIANT> children = Children(list);
    bool found = false;
    for (const VARIANT& child : children) {
        if (child.vt != VT_I4) continue;   // an item with an object of its own is not an icon
        BSTR itemName = nullptr;
        found = SUCCEEDED(list->get_accName(child, &itemName)) && itemName != nullptr &&
                std::wcscmp(itemName, name) == 0;
        SysFreeString(itemName);
        if (found) {
            LONG left = 0, top = 0, width = 0, height = 0;
            list->accLocation(&left, &top, &width, &height, child);
            where = RECT{left, top, left + width, top + height};
            break;
        }
    }
    Clear(children);
    return found;
}

bool MinimalWalk(const wchar_t* name, RECT& where)
{
    const HWND listView = MinimalListView();
    if (listView == nullptr || !IsWindowVisible(listView)) return false;
    IAccessible* list = MinimalClientObject(listView);
    if (list == nullptr) return false;
    const bool found = MinimalWalkWith(list, name, where);
    list->Release();
    return found;
}

bool MinimalCallsOfOneKind(WalkCall call, HWND listView, IAccessible* list)
{
    switch (call) {
    case WalkCall::Object: {
        IAccessible* fresh = MinimalClientObject(listView);
        if (fresh == nullptr) return false;
        fresh->Release();
        return true;
    }
    case WalkCall::ChildCount: {
        LONG count = 0;
        return SUCCEEDED(list->get_accChildCount(&count));
    }
    case WalkCall::Children: {
        std::vector<VARIANT> children = Children(list);
        const bool any = !children.empty();
        Clear(children);
        return any;
    }
    case WalkCall::Names:
    case WalkCall::Location: {
        LONG count = 0;
        if (FAILED(list->get_accChildCount(&count))) return false;
        VARIANT child;
        VariantInit(&child);
        child.vt = VT_I4;
        for (LONG id = call == WalkCall::Names ? 1 : count; id <= count; ++id) {
            child.lVal = id;
            if (call == WalkCall::Names) {
                BSTR itemName = nullptr;
                if (FAILED(list->get_accName(child, &itemName))) return false;
                SysFreeString(itemName);
            } else {
                LONG left = 0, top = 0, width = 0, height = 0;
                if (FAILED(list->accLocation(&left, &top, &width, &height, child))) return false;
            }
        }
        return true;
    }
    }
    return false;
}

}  // namespace bench
