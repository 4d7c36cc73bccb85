#pragma once
// Shared inside the library: the theme, the class names and the units' registration.

#include "tarnis/theme.h"

#include <windows.h>

namespace tarnis {

const Theme& theme();

constexpr const char* kButtonClass = "TN_BMBUTTON";
constexpr const char* kTaskClass = "TarnisTaskWindow";

// This DLL's own module handle (classes are registered with it).
HINSTANCE libraryModule();

bool registerBitmapButton();
void unregisterBitmapButton();
bool registerTaskWindow();
void unregisterTaskWindow();

// The task window that owns `window`, or null.
HWND owningTaskWindow(HWND window);

}  // namespace tarnis
