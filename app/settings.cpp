#include "app/settings.h"

namespace {
char settingsFileName[kSettingsNameSize];
}  // namespace

int MakeSettingsFileName(char* name) {
    char modulePath[kModulePathLength] = {};
    GetModuleFileNameA(nullptr, modulePath, static_cast<DWORD>(kModulePathLength));
    modulePath[kModulePathLength - 1] = '\0';
    if (!SettingsNameFromModulePath(modulePath, name, kSettingsNameSize)) {
        // Without an extension the path would name the program file itself: never write there.
        name[0] = '\0';
        return -1;
    }
    return 0;
}

char* SettingsFileName() { return settingsFileName; }

int ParseWindowPosition(const char* text, StoredPosition* position) {
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    *position = ParseStoredPosition(text, desktop.right, desktop.bottom);
    return 1;
}

int LoadWindowPosition(HWND window, const char* key, const char* fileName) {
    if (fileName == nullptr || fileName[0] == '\0') return 0;
    char value[64] = {};
    const DWORD length = GetPrivateProfileStringA(kPositionSection, key, "", value, sizeof value, fileName);
    if (length == 0) return 0;
    StoredPosition position;
    ParseWindowPosition(value, &position);
    SetWindowPos(window, nullptr, position.x, position.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    return static_cast<int>(length);
}

int SaveWindowPosition(HWND window, const char* key, const char* fileName) {
    if (fileName == nullptr || fileName[0] == '\0') return 0;
    RECT rect{};
    GetWindowRect(window, &rect);
    char value[64] = {};
    wsprintfA(value, "%d,%d,%d,%d", static_cast<int>(rect.left), static_cast<int>(rect.top),
              static_cast<int>(rect.right - rect.left), static_cast<int>(rect.bottom - rect.top));
    WritePrivateProfileStringA(kPositionSection, key, value, fileName);
    return 0;
}
