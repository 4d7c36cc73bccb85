#include "app/trace.h"

#include <cstdarg>
#include <cstdio>

namespace {
HWND traceTarget = nullptr;
char traceText[kTraceTextSize];
}  // namespace

HWND FindTraceWindow() {
    traceTarget = FindWindowA(kTraceViewerClass, kTraceViewerTitle);
    return traceTarget;
}

void SetTraceTargetForTest(HWND viewer) { traceTarget = viewer; }

int TraceMessage(const char* format, ...) {
    if (!traceTarget) return 0;
    va_list arguments;
    va_start(arguments, format);
    // vsnprintf keeps a long line inside the buffer and always terminates it.
    std::vsnprintf(traceText, sizeof traceText, format, arguments);
    va_end(arguments);
    // Bounded: a viewer that hangs must not hang the player.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(traceTarget, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(traceText), SMTO_ABORTIFHUNG, 2000,
                        &ignored);
    return 0;
}

void FlushPaintMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
