#pragma once
// The indicator bar, window class "32AudioIndicator". (Being built.)

#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK AudioIndicatorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
