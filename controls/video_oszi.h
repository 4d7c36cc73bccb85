#pragma once
// The oscilloscope display, window class "32VideoOszi". (Being built.)

#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK VideoOsziProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
