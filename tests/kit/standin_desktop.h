// A stand-in for the shell's desktop, for tests and the demo: top-level
// "Progman" / "WorkerW" windows holding a "SHELLDLL_DefView" and a
// "SysListView32" titled "FolderView" that paints desktop-like icons and
// serves its items through an IAccessible of its own (WM_GETOBJECT).
// Everything runs on the thread that creates the desktop; that thread needs
// COM initialised (apartment-threaded) and, to serve other processes, a
// message loop. Like the shell's desktop, the top-level window takes the
// bottom of the z-order whenever it changes.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace standin {

// Window classes and titles of the shell's desktop windows.
constexpr const char* PROGMAN_CLASS = "Progman";
constexpr const char* WORKERW_CLASS = "WorkerW";
constexpr const char* DEFVIEW_CLASS = "SHELLDLL_DefView";
constexpr const char* LIST_VIEW_CLASS = "SysListView32";
constexpr const char* LIST_VIEW_TITLE = "FolderView";

enum class Layout {
    Progman,   // "Progman" -> "SHELLDLL_DefView" -> "SysListView32" "FolderView"
    WorkerW,   // a bare "Progman"; the DefView sits in an untitled top-level
               // "WorkerW" among other WorkerW windows, next to decoys
    Raised,    // the icons' untitled "WorkerW" above a full-screen wallpaper
               // window (an untitled "WorkerW" without a DefView), above a
               // bare "Progman"; only Progman keeps the bottom of the z-order
};

// How an item misbehaves when it is asked about.
enum class ItemFault {
    None,
    NameFails,        // get_accName returns E_FAIL, yet hands out the name
    NameIsFalse,      // get_accName returns S_FALSE together with the name
    NameThrows,       // get_accName throws a C++ exception (in-process use only)
    LocationFails,    // accLocation returns E_FAIL and reports nothing
    LocationThrows,   // accLocation throws a C++ exception (in-process use only)
    ChildFails,       // the list's IEnumVARIANT fails to deliver this item
    ChildEmpty,       // the list's IEnumVARIANT delivers this item as VT_EMPTY
};

// One desktop icon. The location is what accLocation reports, in screen
// pixels; the list view fills the screen from (0, 0), so it is also where the
// icon is painted.
struct Item {
    std::optional<std::string> name;   // UTF-8; no value: the item has no name
    LONG left = 0;
    LONG top = 0;
    LONG width = 0;
    LONG height = 0;
    bool asDispatch = false;   // delivered as a VT_DISPATCH child object
    ItemFault fault = ItemFault::None;
};

// An item named `name` (UTF-8) covering `bounds` (screen pixels).
Item MakeItem(std::optional<std::string> name, const RECT& bounds);

struct DesktopModel;

class Desktop {
public:
    // Creates the windows of `layout` and shows them, without activation,
    // at the bottom of the z-order. Throws std::runtime_error on failure.
    explicit Desktop(Layout layout = Layout::Progman);
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // Items in child order (index 0 is child id 1). After changing an item
    // through At, call Update to repaint.
    size_t Add(const Item& item);
    Item& At(size_t index);
    size_t Count() const;
    // The index of the first item named `name`, or no value.
    std::optional<size_t> Find(const std::string& name) const;
    void Remove(size_t index);
    void Update();

    void SetListViewVisible(bool visible);
    // get_accChildCount fails with E_FAIL.
    void SetChildCountFails(bool fails);
    // The list's accessible object answers for IEnumVARIANT, so
    // AccessibleChildren enumerates through it (VT_I4 child ids, VT_DISPATCH
    // objects for items flagged asDispatch). Without it AccessibleChildren
    // makes the ids itself and asks get_accChild for child objects.
    void SetOfferEnumerator(bool offer);
    // Runs `hook` (empty: nothing) each time an item's name is asked for,
    // before the answer: a shell that stalls, or one that lets the caller's
    // messages in, in the middle of a walk.
    void SetBeforeNameHook(std::function<void()> hook);

    // References to the stand-in's accessible objects that were handed out
    // (AddRef, QueryInterface, objects created for a caller) and not yet
    // released. 0 when every caller has released what it got; negative
    // after a release too many.
    long OutstandingReferences() const;
    // How often the list view handed out its accessible object (WM_GETOBJECT).
    long ObjectRequests() const;
    // Calls made on the list's accessible object while no reference to it
    // was outstanding: a caller using an object it no longer holds.
    long CallsWhileUnreferenced() const;

    // Destroys every stand-in window (the shell going away), and creates them
    // again with the same items and settings.
    void DestroyWindows();
    void CreateWindows();
    bool HasWindows() const { return topLevel != nullptr; }

    HWND ListView() const { return listView; }   // null while the windows are destroyed
    // The top-level window holding the list view, and the wallpaper window
    // of the Raised layout (null in the others).
    HWND TopLevel() const { return topLevel; }
    HWND Wallpaper() const { return layout == Layout::Raised ? others[1] : nullptr; }

private:
    Layout layout;
    std::unique_ptr<DesktopModel> model;
    HWND topLevel = nullptr;
    HWND listView = nullptr;
    HWND others[4] = {};    // hidden top-level companions and decoys
    bool listViewShown = true;
};

// Registers window class `className` of this module, with `procedure` and
// `cursor`; a class already registered is left as it is. False when it is
// neither registered nor there.
bool RegisterWindowClass(const char* className, WNDPROC procedure, HCURSOR cursor = nullptr);

// Registers the stand-in's window classes in this process; a class already
// registered is left as it is.
void RegisterShellClasses();

// A bare window of one of the stand-in's classes with `title`: a hidden
// top-level window when `parent` is null, else a child of `parent`. Serves no
// accessible items. For building window trees in tests of the lookup.
HWND CreateShellWindow(const char* className, const char* title, HWND parent);

// Top-level "Progman" and "WorkerW" windows that some other process (a shell,
// a leftover stand-in) owns, described in one line; empty when there are none.
std::string DescribeForeignShellWindows();

}  // namespace standin
