// The stand-in list view's accessible objects and the item list they serve.
// Private to the stand-in desktop.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/standin/standin_desktop.h"

namespace standin {

class AccessibleBase;
class ListAccessible;

// State shared by the desktop and its accessible objects. The objects are
// owned here and live as long as the desktop: a release too many shows in the
// reference count instead of freeing memory that is still in use.
struct DesktopModel {
    DesktopModel();
    ~DesktopModel();

    std::vector<Item> items;
    bool childCountFails = false;
    bool offerEnumerator = false;
    long references = 0;          // handed out and not yet released
    HWND listView = nullptr;      // for the list's own location
    std::function<void()> beforeName;   // runs as an item's name is asked for
    ListAccessible* list = nullptr;
    std::vector<std::unique_ptr<AccessibleBase>> objects;
};

// Common part of the stand-in's accessible objects: reference counting that
// reports to the model, IDispatch without type information, and the
// IAccessible members nobody here relies on.
class AccessibleBase : public IAccessible {
public:
    explicit AccessibleBase(DesktopModel& owner) : model(owner) {}
    virtual ~AccessibleBase() = default;
    AccessibleBase(const AccessibleBase&) = delete;
    AccessibleBase& operator=(const AccessibleBase&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override;

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* helpFile, VARIANT child, long* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

protected:
    DesktopModel& model;

private:
    long referenceCount = 0;
};

// The list view's client area: one simple element per item, child id
// index + 1. Also its own IEnumVARIANT when the model offers one.
class ListAccessible : public AccessibleBase, public IEnumVARIANT {
public:
    explicit ListAccessible(DesktopModel& owner) : AccessibleBase(owner) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AccessibleBase::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return AccessibleBase::Release(); }

    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override;

    HRESULT STDMETHODCALLTYPE Next(ULONG wanted, VARIANT* children, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG skipped) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) override;

private:
    // The item a VT_I4 child id names, or null.
    const Item* ItemOf(const VARIANT& child) const;

    size_t position = 0;   // the enumerator's cursor
};

// An item delivered as an object of its own (VT_DISPATCH): answers for
// itself (CHILDID_SELF) with the name and location it had when it was made.
class ItemAccessible : public AccessibleBase {
public:
    ItemAccessible(DesktopModel& owner, const Item& shown) : AccessibleBase(owner), item(shown) {}

    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override;

private:
    Item item;
};

// A new BSTR holding the UTF-16 form of `utf8`.
BSTR AllocUtf8String(const std::string& utf8);
// The UTF-16 form of `utf8`.
std::wstring WideFromUtf8(const std::string& utf8);

}  // namespace standin
