#pragma once
// The one-way trace channel to an external viewer window, and the paint flush.

#include <windows.h>

constexpr char kTraceViewerClass[] = "DLGCLASSTOOL";
constexpr char kTraceViewerTitle[] = "MESSAGE";
constexpr int kTraceTextSize = 1024;

// Looks the viewer up once; a viewer started later is not seen. Returns it, or null.
HWND FindTraceWindow();
// Formats like vsprintf, cut to 1023 characters, and sends the text to the viewer as its
// window text. Does nothing without a viewer. Always 0.
int TraceMessage(const char* format, ...);
// Dispatches the thread's pending WM_PAINT messages and leaves every other message queued.
void FlushPaintMessages();

// Tests send the trace lines to their own window instead of the viewer found at start-up.
void SetTraceTargetForTest(HWND viewer);
