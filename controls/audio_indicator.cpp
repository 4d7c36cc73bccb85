// The indicator bar: the meter's units laid sideways, every paint copied in two blocks
// from one bitmap.

#include "controls/audio_indicator.h"

#include "controls/control_window.h"
#include "controls/controls.h"
#include "controls/display_math.h"
#include "controls/window_words.h"
#include "win32/gdi.h"

namespace {

using namespace controls;
using namespace win32;

constexpr const char* kBitmap = "AUDIOINDICATOR";

LRESULT onCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    dropTabStop(window);
    ResourceBitmap bitmap(controlsModule(), kBitmap);
    if (bitmap) {
        const SIZE size = bitmap.size();
        resizeInPlace(window, size.cx, size.cy / 2);
    }
    setWord(window, indicator_words::level, std::uint16_t{0});
    setWord(window, indicator_words::hold, std::uint16_t{0});
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT onSetText(HWND window, WPARAM which, const char* text) {
    const std::uint16_t units = meterUnitsFromText(text);
    setWord(window, which == 0 ? indicator_words::level : indicator_words::hold, units);
    InvalidateRect(window, nullptr, TRUE);
    return DefWindowProcA(window, WM_SETTEXT, which, reinterpret_cast<LPARAM>(text));
}

LRESULT onPaint(HWND window) {
    PaintScope paint(window);
    MemoryDC memory(paint.dc());
    ResourceBitmap bitmap(controlsModule(), kBitmap);
    if (!memory || !bitmap) {
        return 0;   // nothing to copy from
    }
    SelectGuard select(memory.get(), bitmap.get());
    RECT client{};
    GetClientRect(window, &client);
    const int w = client.right;
    const int h = client.bottom;
    const int boundary = indicatorBoundaryColumn(getUnsignedWord(window, indicator_words::level), w);
    // The unlit picture starts at source row H: the lower half when the window is sized
    // to one picture.
    BitBlt(paint.dc(), boundary, 0, w - boundary, h, memory.get(), boundary, h, SRCCOPY);
    BitBlt(paint.dc(), 0, 0, boundary, h, memory.get(), 0, 0, SRCCOPY);
    return 0;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK AudioIndicatorProc(HWND window, UINT message, WPARAM wParam,
                                                                     LPARAM lParam) {
    switch (message) {
    case WM_CREATE:  return onCreate(window, message, wParam, lParam);
    case WM_SETTEXT: return onSetText(window, wParam, reinterpret_cast<const char*>(lParam));
    case WM_PAINT:   return onPaint(window);
    default:         return DefWindowProcA(window, message, wParam, lParam);
    }
}
