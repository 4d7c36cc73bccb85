// The task window: the program's entry on the taskbar and the owner of its dialog. It has no
// size of its own, so it never covers the window it owns; what happens to it (minimise,
// restore, close) is passed on to the owned windows.

#include "tarnis/tarnis.h"
#include "tarnis/tarnis_internal.h"

#include <vector>

namespace tarnis {

namespace {

constexpr DWORD kMenuStyles = WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
// Posted to itself after an activation, so the owned window is activated once the
// activation of the task window itself has finished.
constexpr UINT kActivateOwned = WM_APP + 1;

struct OwnedSearch {
    HWND owner;
    std::vector<HWND> found;
};

BOOL CALLBACK collectOwned(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<OwnedSearch*>(context);
    if (GetWindow(window, GW_OWNER) == search->owner) {
        search->found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> ownedWindows(HWND task) {
    OwnedSearch search{task, {}};
    EnumThreadWindows(GetWindowThreadProcessId(task, nullptr), collectOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Owned windows follow the task window: hidden while it is minimised, shown when it is back.
LRESULT onSize(HWND task, WPARAM kind) {
    if (kind == SIZE_MINIMIZED) {
        ShowOwnedPopups(task, FALSE);
    } else {
        ShowOwnedPopups(task, TRUE);
    }
    return 0;
}

LRESULT onSysCommand(HWND task, WPARAM command, LPARAM lParam) {
    switch (command & 0xFFF0) {
    case SC_MAXIMIZE:
        // A zero-sized window must not grow over the screen: maximise only brings the owned
        // windows back.
        if (IsIconic(task)) {
            ShowWindow(task, SW_RESTORE);
        }
        return 0;
    default:
        return DefWindowProcA(task, WM_SYSCOMMAND, command, lParam);
    }
}

// Closing from the taskbar closes the owned dialogs the way their own close would.
LRESULT onClose(HWND task) {
    for (HWND owned : ownedWindows(task)) {
        if (IsWindow(owned)) {
            SendMessageA(owned, WM_COMMAND, IDCANCEL, 0);
        }
    }
    return 0;
}

LRESULT onActivate(HWND task, WPARAM state) {
    if (LOWORD(state) != WA_INACTIVE && !IsIconic(task)) {
        PostMessageA(task, kActivateOwned, 0, 0);
    }
    return 0;
}

LRESULT onActivateOwned(HWND task) {
    HWND popup = GetLastActivePopup(task);
    if (popup != task && IsWindowVisible(popup) && GetActiveWindow() == task) {
        SetActiveWindow(popup);
    }
    return 0;
}

LRESULT CALLBACK taskWindowProc(HWND task, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:        return onSize(task, wParam);
    case WM_SYSCOMMAND:  return onSysCommand(task, wParam, lParam);
    case WM_CLOSE:       return onClose(task);
    case WM_ACTIVATE:    return onActivate(task, wParam);
    case kActivateOwned: return onActivateOwned(task);
    default:             return DefWindowProcA(task, message, wParam, lParam);
    }
}

}  // namespace

bool registerTaskWindow() {
    WNDCLASSA existing{};
    if (GetClassInfoA(libraryModule(), kTaskClass, &existing)) {
        return true;
    }
    WNDCLASSA wc{};
    wc.lpfnWndProc = taskWindowProc;
    wc.hInstance = libraryModule();
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kTaskClass;
    return RegisterClassA(&wc) != 0;
}

void unregisterTaskWindow() { UnregisterClassA(kTaskClass, libraryModule()); }

HWND owningTaskWindow(HWND window) {
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner == nullptr) {
        return nullptr;
    }
    char name[64] = {};
    GetClassNameA(owner, name, sizeof name);
    return lstrcmpiA(name, kTaskClass) == 0 ? owner : nullptr;
}

}  // namespace tarnis

extern "C" {

HWND WINAPI CreateTarnisTaskWindow(const char* name, DWORD style, HICON icon, HINSTANCE /*program*/) {
    // Zero-sized in the middle of the screen: it shows on the taskbar (and as a small caption
    // where no window manager runs once minimised) but never over the player.
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    const DWORD windowStyle = WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_VISIBLE | (style & tarnis::kMenuStyles);
    HWND task = CreateWindowExA(WS_EX_APPWINDOW, tarnis::kTaskClass, name != nullptr ? name : "", windowStyle, x, y,
                                0, 0, nullptr, nullptr, tarnis::libraryModule(), nullptr);
    if (task != nullptr && icon != nullptr) {
        SendMessageA(task, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageA(task, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    return task;
}

BOOL WINAPI DestroyTarnisTaskWindow(HWND task) {
    if (task == nullptr || !IsWindow(task)) {
        return FALSE;
    }
    return DestroyWindow(task);
}

}  // extern "C"
