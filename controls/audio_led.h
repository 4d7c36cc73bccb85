#pragma once
// The LED, window class "32AudioLed". (Being built.)

#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK AudioLedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
