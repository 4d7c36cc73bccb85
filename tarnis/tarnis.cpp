// Start-up, shut-down and theme of the library.

#include "tarnis/tarnis.h"
#include "tarnis/tarnis_internal.h"

#include <string>

extern "C" IMAGE_DOS_HEADER __ImageBase;   // the linker's symbol for this module's base

namespace tarnis {

namespace {

std::string themeName;

}  // namespace

const Theme& theme() { return kBuiltInTheme; }

HINSTANCE libraryModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

}  // namespace tarnis

extern "C" {

BOOL WINAPI InitTarnis(HINSTANCE /*program*/) {
    const bool button = tarnis::registerBitmapButton();
    const bool task = tarnis::registerTaskWindow();
    return button && task ? TRUE : FALSE;
}

BOOL WINAPI SetTarnisTheme(const char* name) {
    // "brasko.dll" names the built-in theme; so does every other name: there is only one.
    tarnis::themeName = name != nullptr ? name : "";
    return TRUE;
}

BOOL WINAPI ExitTarnis(HINSTANCE /*program*/) {
    tarnis::unregisterBitmapButton();
    tarnis::unregisterTaskWindow();
    tarnis::themeName.clear();
    tarnis::themeName.shrink_to_fit();
    return TRUE;
}

}  // extern "C"
