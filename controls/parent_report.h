#pragma once
// How every control tells its parent of a user's change: WM_COMMAND with the control's
// identifier as the whole wParam (the notification code is 0) and the report as lParam,
// sent (handled before the call returns) or posted (in the parent's queue order).

#include <windows.h>

namespace controls {

inline WPARAM controlId(HWND control) {
    return static_cast<WPARAM>(static_cast<DWORD>(GetWindowLongA(control, GWL_ID)));
}

inline void sendReport(HWND control, LPARAM report) {
    SendMessageA(GetParent(control), WM_COMMAND, controlId(control), report);
}

inline void postReport(HWND control, LPARAM report) {
    PostMessageA(GetParent(control), WM_COMMAND, controlId(control), report);
}

}  // namespace controls
