// The level meter: two words of state, every paint copied in bands from one bitmap.

#include "controls/audio_meter.h"

#include "controls/control_math.h"
#include "controls/control_window.h"
#include "controls/controls.h"
#include "controls/window_words.h"
#include "win32/gdi.h"

#include <algorithm>

namespace {

using namespace controls;
using namespace win32;

constexpr const char* kBitmap = "AUDIOMETER";

// Client rows [top, bottom) from the picture that starts at source x `sourceX`.
void copyBand(HDC target, HDC source, int width, int top, int bottom, int sourceX) {
    if (bottom > top) {
        BitBlt(target, 0, top, width, bottom - top, source, sourceX, top, SRCCOPY);
    }
}

LRESULT onCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    dropTabStop(window);
    ResourceBitmap bitmap(controlsModule(), kBitmap);
    if (bitmap) {
        const SIZE size = bitmap.size();
        resizeInPlace(window, size.cx / 2, size.cy);
    }
    setWord(window, meter_words::level, std::uint16_t{0});
    setWord(window, meter_words::hold, std::uint16_t{0});
    return DefWindowProcA(window, message, wParam, lParam);
}

// The rows whose picture (lit or unlit) can differ between two states: everything above the
// highest boundary is unlit and everything below the lowest is lit in both.
struct RowSpan {
    int top;
    int bottom;
};

void widenByState(RowSpan& span, std::uint16_t level, std::uint16_t hold, int height) {
    const int levelRow = meterBoundaryRow(level, height);
    span.top = std::min(span.top, levelRow);
    span.bottom = std::max(span.bottom, levelRow);
    if (meterShowsHold(level, hold)) {
        const int holdRow = meterBoundaryRow(hold, height);
        span.top = std::min(span.top, holdRow);
        span.bottom = std::max(span.bottom, holdRow + 2);
    }
}

// A player sends every meter its level ten times a second: only the rows that change are
// repainted, and the paint covers them fully, so nothing is erased.
LRESULT onSetText(HWND window, WPARAM which, const char* text) {
    const std::uint16_t units = meterUnitsFromText(text);
    const std::uint16_t level = getUnsignedWord(window, meter_words::level);
    const std::uint16_t hold = getUnsignedWord(window, meter_words::hold);
    const std::uint16_t newLevel = which == 0 ? units : level;
    const std::uint16_t newHold = which == 0 ? hold : units;
    if (newLevel != level || newHold != hold) {
        setWord(window, which == 0 ? meter_words::level : meter_words::hold, units);
        RECT client{};
        GetClientRect(window, &client);
        RowSpan span{client.bottom, 0};
        widenByState(span, level, hold, client.bottom);
        widenByState(span, newLevel, newHold, client.bottom);
        const RECT changed{0, span.top, client.right, span.bottom};
        InvalidateRect(window, &changed, FALSE);
    }
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
    const int litX = 0;
    const int unlitX = w;   // the right half when the window is half the bitmap's width
    const std::uint16_t level = getUnsignedWord(window, meter_words::level);
    const std::uint16_t hold = getUnsignedWord(window, meter_words::hold);
    const int levelRow = meterBoundaryRow(level, h);
    if (meterShowsHold(level, hold)) {
        const int holdRow = meterBoundaryRow(hold, h);
        copyBand(paint.dc(), memory.get(), w, 0, holdRow, unlitX);
        copyBand(paint.dc(), memory.get(), w, holdRow, holdRow + 2, litX);
        copyBand(paint.dc(), memory.get(), w, holdRow + 2, levelRow, unlitX);
        copyBand(paint.dc(), memory.get(), w, levelRow, h, litX);
    } else {
        copyBand(paint.dc(), memory.get(), w, 0, levelRow, unlitX);
        copyBand(paint.dc(), memory.get(), w, levelRow, h, litX);
    }
    return 0;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK AudioMeterProc(HWND window, UINT message, WPARAM wParam,
                                                                 LPARAM lParam) {
    switch (message) {
    case WM_CREATE:  return onCreate(window, message, wParam, lParam);
    case WM_SETTEXT: return onSetText(window, wParam, reinterpret_cast<const char*>(lParam));
    case WM_PAINT:   return onPaint(window);
    default:         return DefWindowProcA(window, message, wParam, lParam);
    }
}
