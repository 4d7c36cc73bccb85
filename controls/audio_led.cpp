// The LED: one word of state, a frame and a fill in the colour of the level.

#include "controls/audio_led.h"

#include "controls/control_window.h"
#include "controls/controls.h"
#include "controls/display_math.h"
#include "controls/window_words.h"
#include "win32/gdi.h"

namespace {

using namespace controls;
using namespace win32;

LRESULT onCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    dropTabStop(window);
    setWord(window, led_words::step, std::uint16_t{0});
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT onSetText(HWND window, WPARAM wParam, const char* text) {
    setWord(window, led_words::step, ledStepFromText(text));
    InvalidateRect(window, nullptr, TRUE);
    return DefWindowProcA(window, WM_SETTEXT, wParam, reinterpret_cast<LPARAM>(text));
}

LRESULT onPaint(HWND window) {
    PaintScope paint(window);
    const Rgb colour = ledColour(getUnsignedWord(window, led_words::step));
    SolidBrush brush(RGB(colour.red, colour.green, colour.blue));
    RECT rect{};
    GetClientRect(window, &rect);
    // The frame goes just outside (1, 1, W-1, H-1): the client area's outermost ring. The
    // ring inside it stays unpainted; the fill starts one pixel further in.
    InflateRect(&rect, -1, -1);
    DrawSunkenFrame(paint.dc(), &rect, 0);
    InflateRect(&rect, -1, -1);
    if (brush.get() != nullptr && rect.right > rect.left && rect.bottom > rect.top) {
        FillRect(paint.dc(), &rect, brush.get());
    }
    return 0;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK AudioLedProc(HWND window, UINT message, WPARAM wParam,
                                                               LPARAM lParam) {
    switch (message) {
    case WM_CREATE:  return onCreate(window, message, wParam, lParam);
    case WM_SETTEXT: return onSetText(window, wParam, reinterpret_cast<const char*>(lParam));
    case WM_PAINT:   return onPaint(window);
    default:         return DefWindowProcA(window, message, wParam, lParam);
    }
}
