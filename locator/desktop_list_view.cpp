// Finds the list-view window in which the shell shows the desktop icons.
#include "locator/locator.h"

namespace {

constexpr const char* LIST_VIEW_TITLE = "FolderView";
constexpr const char* EMPTY_TITLE = "";

}  // namespace

// The classic layout: the list view lives under the "Progman" window.
static HWND FindListViewUnderProgman()
{
    const HWND progman = FindWindowExA(nullptr, nullptr, PROGMAN_CLASS, nullptr);
    if (progman == nullptr) {
        return nullptr;
    }
    const HWND defView = FindWindowExA(progman, nullptr, DEFVIEW_CLASS, nullptr);
    if (defView == nullptr) {
        return nullptr;
    }
    return FindWindowExA(defView, nullptr, LIST_VIEW_CLASS, nullptr);
}

// Newer shells move the DefView into one of several untitled top-level
// "WorkerW" windows; the first one that holds it wins. Titled WorkerW windows
// belong to other programs and are never looked at.
static HWND FindDefViewUnderWorkerW()
{
    HWND defView = nullptr;
    HWND worker = FindWindowExA(nullptr, nullptr, WORKERW_CLASS, EMPTY_TITLE);
    while (worker != nullptr) {
        defView = FindWindowExA(worker, nullptr, DEFVIEW_CLASS, nullptr);
        if (defView != nullptr) {
            break;
        }
        worker = FindWindowExA(nullptr, worker, WORKERW_CLASS, EMPTY_TITLE);
    }
    return defView;
}

HWND FindDesktopListView()
{
    const HWND classic = FindListViewUnderProgman();
    if (classic != nullptr) {
        return classic;
    }
    // Without a DefView the parent is null, and the lookup searches the
    // top-level windows instead, which normally finds nothing.
    const HWND defView = FindDefViewUnderWorkerW();
    return FindWindowExA(defView, nullptr, LIST_VIEW_CLASS, LIST_VIEW_TITLE);
}
