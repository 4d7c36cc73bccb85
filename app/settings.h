#pragma once
// The window position kept in an initialisation file beside the program.

#include "app/shell_text.h"

#include <windows.h>

constexpr char kPositionSection[] = "WindowPosition";
constexpr char kPlayerPositionKey[] = "Player";

// The program's path with ".ini" for its extension; 0, or -1 with `name` emptied when the
// path has no '.', in which case no settings file is read or written.
int MakeSettingsFileName(char* name);
// The process-wide settings file name buffer (kSettingsNameSize bytes; empty when there is none).
char* SettingsFileName();

// Moves the window to the stored place without resizing it; the characters of the stored
// value (0: nothing stored, or no settings file).
int LoadWindowPosition(HWND window, const char* key, const char* fileName);
// Stores "left,top,width,height"; 0.
int SaveWindowPosition(HWND window, const char* key, const char* fileName);
// 1; the rectangle holds x, y, width, height bounded to the desktop.
int ParseWindowPosition(const char* text, StoredPosition* position);
