// The oscilloscope display: the trace is drawn into a fresh copy of the background at every
// paint, so no earlier trace remains.

#include "controls/video_oszi.h"

#include "controls/control_window.h"
#include "controls/controls.h"
#include "controls/display_math.h"
#include "win32/gdi.h"

#include <array>

namespace {

using namespace controls;
using namespace win32;

constexpr const char* kBitmap = "VIDEOOSZIBACK";
constexpr COLORREF kTraceColour = RGB(0, 255, 0);

// The two bitmaps live in 32-bit slots. GDI handles carry 32 significant bits also in a
// 64-bit process, so the value sign-extended back is the handle.
HBITMAP readBitmap(HWND window, int index) {
    return reinterpret_cast<HBITMAP>(static_cast<LONG_PTR>(GetWindowLongA(window, index)));
}

void storeBitmap(HWND window, int index, HBITMAP bitmap) {
    SetWindowLongA(window, index, static_cast<LONG>(reinterpret_cast<LONG_PTR>(bitmap)));
}

void releaseBitmap(HWND window, int index) {
    if (HBITMAP bitmap = readBitmap(window, index)) {
        DeleteObject(bitmap);
        storeBitmap(window, index, nullptr);
    }
}

LRESULT onCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    dropTabStop(window);
    HBITMAP background = LoadBitmapA(controlsModule(), kBitmap);
    storeBitmap(window, oszi_longs::background, background);
    if (background != nullptr) {
        BITMAP info{};
        GetObjectA(background, sizeof info, &info);
        resizeInPlace(window, info.bmWidth, info.bmHeight);
        ClientDC windowDC(window);
        storeBitmap(window, oszi_longs::offscreen,
                    CreateCompatibleBitmap(windowDC.get(), info.bmWidth, info.bmHeight));
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT onDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    releaseBitmap(window, oszi_longs::background);
    releaseBitmap(window, oszi_longs::offscreen);
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT onSetText(HWND window, WPARAM wParam, const char* text) {
    DefWindowProcA(window, WM_SETTEXT, wParam, reinterpret_cast<LPARAM>(text));
    InvalidateRect(window, nullptr, FALSE);
    return 0;
}

// Draws the samples the text holds and nothing past its terminator. GDI leaves out a line's
// end point, so the last sample is set on its own: every sample shows, a lone one as a dot.
void drawTrace(HDC dc, const char* text, std::size_t capacity) {
    const std::size_t count = osziSampleCount(text, capacity);
    if (count == 0) {
        return;
    }
    std::array<POINT, kOsziMaxSamples> points{};
    for (std::size_t i = 0; i < count; ++i) {
        const OsziPoint p = osziPoint(i, text[i]);
        points[i] = POINT{p.x, p.y};
    }
    SolidPen pen(kTraceColour);   // deleted after the guard below has put the previous pen back
    SelectGuard select(dc, pen.get());
    if (count >= 2) {
        Polyline(dc, points.data(), static_cast<int>(count));
    }
    SetPixelV(dc, points[count - 1].x, points[count - 1].y, kTraceColour);
}

LRESULT onPaint(HWND window) {
    std::array<char, kOsziTextBuffer> text{};
    SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    PaintScope paint(window);
    MemoryDC memory(paint.dc());
    ResourceBitmap background(controlsModule(), kBitmap);
    if (!memory || !background) {
        return 0;   // nothing to draw on: the paint only validates
    }
    {
        SelectGuard select(memory.get(), background.get());
        drawTrace(memory.get(), text.data(), text.size());
        RECT client{};
        GetClientRect(window, &client);
        BitBlt(paint.dc(), 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
    }
    return 0;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK VideoOsziProc(HWND window, UINT message, WPARAM wParam,
                                                                LPARAM lParam) {
    switch (message) {
    case WM_CREATE:  return onCreate(window, message, wParam, lParam);
    case WM_DESTROY: return onDestroy(window, message, wParam, lParam);
    case WM_SETTEXT: return onSetText(window, wParam, reinterpret_cast<const char*>(lParam));
    case WM_PAINT:   return onPaint(window);
    default:         return DefWindowProcA(window, message, wParam, lParam);
    }
}
