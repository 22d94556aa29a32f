// The stand-in list view's accessible objects and the item list they serve.
// Private to the stand-in desktop.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kit/standin_desktop.h"

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
    long objectRequests = 0;      // the list's object handed out through WM_GETOBJECT
    long callsWhileUnreferenced = 0;   // calls on the list's object while nobody held it
    std::function<void()> beforeName;   // runs as an item's name is asked for
    ListAccessible* list = nullptr;
    std::vector<std::unique_ptr<AccessibleBase>> objects;
};

// Texts the stand-in does not have: no value, S_FALSE.
HRESULT NoText(BSTR* text);
// Answers that name no child: VT_EMPTY, S_FALSE.
HRESULT NoChild(VARIANT* child);

// Common part of the stand-in's accessible objects: reference counting that
// reports to the model, IDispatch without type information, and the
// IAccessible members nobody here relies on (roles, states and the list's
// own location among them: no lookup asks for them).
class AccessibleBase : public IAccessible {
public:
    explicit AccessibleBase(DesktopModel& owner) : model(owner) {}
    virtual ~AccessibleBase() = default;
    AccessibleBase(const AccessibleBase&) = delete;
    AccessibleBase& operator=(const AccessibleBase&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR* value) override { return NoText(value); }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* description) override { return NoText(description); }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT, VARIANT* role) override { return NoChild(role); }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT, VARIANT* state) override { return NoChild(state); }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override { return NoText(help); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR*, VARIANT, long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* shortcut) override { return NoText(shortcut); }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override { return NoChild(focus); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override { return NoChild(selection); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT, BSTR* action) override { return NoText(action); }
    HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE accNavigate(long, VARIANT, VARIANT* end) override { return NoChild(end); }
    HRESULT STDMETHODCALLTYPE accHitTest(long, long, VARIANT* child) override { return NoChild(child); }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }

protected:
    // Notes a call made while no reference to this object is outstanding.
    void NoteCall() { model.callsWhileUnreferenced += referenceCount <= 0; }

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
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override;

    HRESULT STDMETHODCALLTYPE Next(ULONG wanted, VARIANT* children, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG skipped) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT**) override { return E_NOTIMPL; }   // AccessibleChildren never clones

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

    HRESULT STDMETHODCALLTYPE get_accChildCount(long*) override { return E_NOTIMPL; }   // nobody asks
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override;

private:
    Item item;
};

// The UTF-16 form of `utf8`.
std::wstring WideFromUtf8(const std::string& utf8);

}  // namespace standin
