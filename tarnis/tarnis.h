#pragma once
// TARNIS.DLL: the GUI-frame library of the player. A task window that stands for the program
// on the taskbar and owns the player's dialog, a title strip added to that dialog, the theme,
// and the bitmap-button class "TN_BMBUTTON".
//
// All entry points are stdcall with C linkage and are exported by their plain names, on i686
// too (no @n decoration).

#include <windows.h>

// Style bits of "TN_BMBUTTON" (also for dialog templates): a push button, which every button
// of the player is, and one that sends its command at the press and then every 100 ms while
// it is held, after a first pause of 400 ms, instead of at the release.
#define TN_BS_PUSH 0x0001
#define TN_BS_REPEAT 0x0008

// The resource compiler reads the style bits only.
#ifndef RC_INVOKED

#ifdef TARNIS_BUILD
#define TARNIS_API __declspec(dllexport)
#else
#define TARNIS_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Registers the global class "TN_BMBUTTON" and the task window's class. A second call
// finds both registered and succeeds.
TARNIS_API BOOL WINAPI InitTarnis(HINSTANCE program);

// Selects the theme. Every name (also null) selects the built-in theme; the name is kept.
TARNIS_API BOOL WINAPI SetTarnisTheme(const char* name);

// The program's window on the taskbar: named `name`, with `icon`, a window menu after the
// WS_SYSMENU / WS_MINIMIZEBOX / WS_MAXIMIZEBOX bits of `style`. It is zero-sized, so it never
// covers the window it owns. Minimising it hides its owned windows, restoring shows them,
// closing it sends each owned window WM_COMMAND IDCANCEL.
TARNIS_API HWND WINAPI CreateTarnisTaskWindow(const char* name, DWORD style, HICON icon, HINSTANCE program);
TARNIS_API BOOL WINAPI DestroyTarnisTaskWindow(HWND task);

// Unregisters both classes. The library keeps no GDI object between calls.
TARNIS_API BOOL WINAPI ExitTarnis(HINSTANCE program);

// The two hooks a dialog procedure calls first, for every message. Non-zero: handled, the
// dialog procedure returns TRUE at once (the hook has set DWLP_MSGRESULT where the result
// matters). WM_INITDIALOG, WM_DESTROY, WM_PAINT, WM_COPYDATA, WM_DROPFILES,
// WM_CTLCOLORSTATIC, WM_COMMAND and messages above WM_USER always give 0.
TARNIS_API LRESULT WINAPI TarnisFrameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
TARNIS_API LRESULT WINAPI TarnisTaskProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#ifdef __cplusplus
}
#endif

#endif  // RC_INVOKED
