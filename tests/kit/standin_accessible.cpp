// The stand-in list view's accessible objects: the list itself (child count,
// names and locations of its items, optionally an IEnumVARIANT) and the
// objects of items that are delivered as VT_DISPATCH children.
#include "kit/standin_accessible.h"

#include <oleauto.h>

#include <stdexcept>

namespace standin {

DesktopModel::DesktopModel()
{
    auto listObject = std::make_unique<ListAccessible>(*this);
    list = listObject.get();
    objects.push_back(std::move(listObject));
}

DesktopModel::~DesktopModel() = default;

std::wstring WideFromUtf8(const std::string& utf8)
{
    if (utf8.empty()) return std::wstring();
    const int length = static_cast<int>(utf8.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    if (size <= 0) throw std::runtime_error("stand-in: name is not UTF-8");
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, &wide[0], size);
    return wide;
}

static BSTR AllocUtf8String(const std::string& utf8)
{
    const std::wstring wide = WideFromUtf8(utf8);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

static bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// Answers accLocation with the rectangle `item` reports.
static HRESULT LocationOf(const Item& item, long* left, long* top, long* width, long* height)
{
    *left = item.left;
    *top = item.top;
    *width = item.width;
    *height = item.height;
    return S_OK;
}

// A new object for `item`, with one reference for the caller.
static IDispatch* NewItemObject(DesktopModel& model, const Item& item)
{
    auto object = std::make_unique<ItemAccessible>(model, item);
    ItemAccessible* created = object.get();
    model.objects.push_back(std::move(object));
    created->AddRef();
    return created;
}

HRESULT STDMETHODCALLTYPE AccessibleBase::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE AccessibleBase::AddRef()
{
    ++model.references;
    return static_cast<ULONG>(++referenceCount);
}

ULONG STDMETHODCALLTYPE AccessibleBase::Release()
{
    // The model owns the memory; a count below zero stays visible to tests.
    --model.references;
    --referenceCount;
    return referenceCount > 0 ? static_cast<ULONG>(referenceCount) : 0;
}

HRESULT STDMETHODCALLTYPE AccessibleBase::get_accChild(VARIANT, IDispatch** object)
{
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    return E_INVALIDARG;
}

HRESULT NoText(BSTR* text)
{
    if (text == nullptr) return E_POINTER;
    *text = nullptr;
    return S_FALSE;
}

HRESULT NoChild(VARIANT* child)
{
    if (child == nullptr) return E_POINTER;
    VariantInit(child);
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE ListAccessible::QueryInterface(REFIID iid, void** object)
{
    if (object != nullptr && iid == __uuidof(IEnumVARIANT) && model.offerEnumerator) {
        *object = static_cast<IEnumVARIANT*>(this);
        AddRef();
        return S_OK;
    }
    return AccessibleBase::QueryInterface(iid, object);
}

const Item* ListAccessible::ItemOf(const VARIANT& child) const
{
    if (child.vt != VT_I4 || child.lVal < 1 || static_cast<size_t>(child.lVal) > model.items.size()) return nullptr;
    return &model.items[static_cast<size_t>(child.lVal) - 1];
}

HRESULT STDMETHODCALLTYPE ListAccessible::get_accChildCount(long* count)
{
    NoteCall();
    if (count == nullptr) return E_POINTER;
    if (model.childCountFails) return E_FAIL;
    *count = static_cast<long>(model.items.size());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ListAccessible::get_accChild(VARIANT child, IDispatch** object)
{
    NoteCall();
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    const Item* item = ItemOf(child);
    if (item == nullptr) return E_INVALIDARG;
    if (!item->asDispatch) {
        return S_FALSE;   // a simple element, reached through its child id
    }
    *object = NewItemObject(model, *item);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ListAccessible::get_accName(VARIANT child, BSTR* name)
{
    NoteCall();
    if (name == nullptr) return E_POINTER;
    *name = nullptr;
    const Item* item = ItemOf(child);
    if (item == nullptr) return E_INVALIDARG;
    if (model.beforeName) {
        model.beforeName();
        item = ItemOf(child);   // the hook may have changed the list
        if (item == nullptr) return E_INVALIDARG;
    }
    if (item->fault == ItemFault::NameThrows) throw std::runtime_error("stand-in: get_accName throws");
    if (!item->name) return S_FALSE;
    *name = AllocUtf8String(*item->name);
    if (item->fault == ItemFault::NameFails) return E_FAIL;
    return item->fault == ItemFault::NameIsFalse ? S_FALSE : S_OK;
}

HRESULT STDMETHODCALLTYPE ListAccessible::accLocation(long* left, long* top, long* width, long* height,
                                                      VARIANT child)
{
    NoteCall();
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
    const Item* item = ItemOf(child);
    if (item == nullptr) return E_INVALIDARG;
    if (item->fault == ItemFault::LocationThrows) throw std::runtime_error("stand-in: accLocation throws");
    if (item->fault == ItemFault::LocationFails) return E_FAIL;
    return LocationOf(*item, left, top, width, height);
}

HRESULT STDMETHODCALLTYPE ListAccessible::Next(ULONG wanted, VARIANT* children, ULONG* fetched)
{
    if (children == nullptr) return E_POINTER;
    ULONG delivered = 0;
    while (delivered < wanted && position < model.items.size()) {
        const Item& item = model.items[position];
        if (item.fault == ItemFault::ChildFails) {
            for (ULONG slot = 0; slot < delivered; ++slot) VariantClear(&children[slot]);
            if (fetched != nullptr) *fetched = 0;
            return E_FAIL;
        }
        VARIANT& slot = children[delivered];
        VariantInit(&slot);   // what a ChildEmpty item leaves: a slot that names nothing
        const bool namesAChild = item.fault != ItemFault::ChildEmpty;
        if (namesAChild && item.asDispatch) {
            slot.vt = VT_DISPATCH;
            slot.pdispVal = NewItemObject(model, item);
        } else if (namesAChild) {
            slot.vt = VT_I4;
            slot.lVal = static_cast<LONG>(position + 1);
        }
        ++delivered;
        ++position;
    }
    if (fetched != nullptr) *fetched = delivered;
    return delivered == wanted ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE ListAccessible::Skip(ULONG skipped)
{
    // Items may have been removed since the cursor last moved.
    const size_t remaining = position < model.items.size() ? model.items.size() - position : 0;
    if (skipped > remaining) {
        position = model.items.size();
        return S_FALSE;
    }
    position += skipped;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ListAccessible::Reset()
{
    position = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ItemAccessible::get_accName(VARIANT child, BSTR* name)
{
    if (name == nullptr) return E_POINTER;
    *name = nullptr;
    if (!IsSelf(child)) return E_INVALIDARG;
    if (!item.name) return S_FALSE;
    *name = AllocUtf8String(*item.name);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ItemAccessible::accLocation(long* left, long* top, long* width, long* height,
                                                      VARIANT child)
{
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
    if (!IsSelf(child)) return E_INVALIDARG;
    return LocationOf(item, left, top, width, height);
}

}  // namespace standin
