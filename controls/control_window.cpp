// Creation and painting steps several controls share.

#include "controls/control_window.h"

#include "controls/controls.h"
#include "win32/gdi.h"

namespace controls {

void dropTabStop(HWND window) {
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    if ((style & WS_TABSTOP) != 0) {
        SetWindowLongA(window, GWL_STYLE, style & ~static_cast<LONG>(WS_TABSTOP));
    }
}

void resizeInPlace(HWND window, int width, int height) {
    RECT rect{};
    GetWindowRect(window, &rect);
    POINT corner{rect.left, rect.top};
    MapWindowPoints(nullptr, GetAncestor(window, GA_PARENT), &corner, 1);
    MoveWindow(window, corner.x, corner.y, width, height, FALSE);
}

void paintKnobOverBackground(HWND window, const char* backgroundBitmap, const char* knobBitmap, POINT knobAt,
                             SIZE size) {
    win32::PaintScope paint(window);
    win32::MemoryDC memory(paint.dc());
    if (!memory) {
        return;
    }
    {
        win32::ResourceBitmap background(controlsModule(), backgroundBitmap);
        if (background) {
            win32::SelectGuard select(memory.get(), background.get());
            RECT client{};
            GetClientRect(window, &client);
            BitBlt(paint.dc(), 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
        }
    }
    win32::ResourceBitmap knob(controlsModule(), knobBitmap);
    if (knob) {
        win32::SelectGuard select(memory.get(), knob.get());
        BitBlt(paint.dc(), knobAt.x, knobAt.y, size.cx, size.cy, memory.get(), 0, 0, SRCCOPY);
    }
}

}  // namespace controls
