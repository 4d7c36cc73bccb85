// The vertical slider: the parameter slider along y with the maximum at the top, its track
// stretched between two end pieces, the thumb grey or (with the focus) blue.

#include "controls/vparameter.h"

#include "controls/controls.h"
#include "controls/parameter_slider.h"
#include "controls/window_words.h"
#include "win32/gdi.h"

#include <windowsx.h>

namespace {

using namespace controls;
using namespace win32;
namespace slider = controls::parameter_slider;

constexpr const char* kTrackBitmap = "VPARAMETER";
constexpr const char* kThumbBitmap = "VPARAMETERKNOP";
constexpr int kThumbWidth = 12;
constexpr int kThumbHeight = 10;
constexpr int kThumbLeft = 2;
constexpr int kThumbAbove = 6;       // the image starts 6 rows above the thumb's line
constexpr int kFocusedThumbX = 12;   // source x of the blue thumb; the grey one is at 0
constexpr int kEndHeight = 8;        // the track's top and bottom end pieces
constexpr int kMiddleY = 8;
constexpr int kBottomEndY = 18;

// One drag for all vertical sliders.
ClassDrag drag;

// The up and down arrows step; the right button resets to the middle of the range.
const slider::SliderClass kSlider{
    slider::Axis::vertical,
    {vparameter_words::position, vparameter_words::value, vparameter_words::minimum, vparameter_words::maximum},
    kTrackBitmap,
    VK_UP,
    VK_DOWN,
    drag};

LRESULT onPaint(HWND window) {
    PaintScope paint(window);
    MemoryDC memory(paint.dc());
    if (!memory) {
        return 0;
    }
    RECT client{};
    GetClientRect(window, &client);
    const int width = client.right;
    const int height = client.bottom;
    {
        ResourceBitmap track(controlsModule(), kTrackBitmap);
        if (track) {
            SelectGuard select(memory.get(), track.get());
            BitBlt(paint.dc(), 0, 0, width, kEndHeight, memory.get(), 0, 0, SRCCOPY);
            // The middle rows are all alike, so the default stretch mode's mixing of rows
            // changes nothing; a track shorter than its two ends has no middle.
            if (height > 2 * kEndHeight) {
                StretchBlt(paint.dc(), 0, kMiddleY, width, height - 2 * kEndHeight, memory.get(), 0, kMiddleY, width,
                           kEndHeight, SRCCOPY);
            }
            BitBlt(paint.dc(), 0, height - kEndHeight, width, kEndHeight, memory.get(), 0, kBottomEndY, SRCCOPY);
        }
    }
    ResourceBitmap thumb(controlsModule(), kThumbBitmap);
    if (thumb) {
        SelectGuard select(memory.get(), thumb.get());
        const int position = getSignedWord(window, vparameter_words::position);
        const int sourceX = GetFocus() == window ? kFocusedThumbX : 0;
        BitBlt(paint.dc(), kThumbLeft, position - kThumbAbove, kThumbWidth, kThumbHeight, memory.get(), sourceX, 0,
               SRCCOPY);
    }
    return 0;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK VParameterProc(HWND window, UINT message, WPARAM wParam,
                                                                 LPARAM lParam) {
    switch (message) {
    case WM_CREATE:         return slider::onCreate(kSlider, window, message, wParam, lParam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:      return slider::onFocusChange(window, message, wParam, lParam);
    case WM_SETTEXT:        return slider::onSetText(kSlider, window, wParam, reinterpret_cast<const char*>(lParam));
    case WM_PAINT:          return onPaint(window);
    case WM_GETDLGCODE:     return DLGC_WANTARROWS;
    case WM_KEYDOWN:        return slider::onKeyDown(kSlider, window, wParam, lParam);
    case WM_LBUTTONDOWN:    return slider::onLButtonDown(kSlider, window, GET_Y_LPARAM(lParam));
    case WM_MOUSEMOVE:      return slider::onMouseMove(kSlider, window, GET_Y_LPARAM(lParam));
    case WM_LBUTTONUP:      return slider::onLButtonUp(kSlider, window);
    case WM_RBUTTONDOWN:    return slider::onRButtonDownResets(kSlider, window);
    case WM_RBUTTONUP:      return slider::onRButtonUp(kSlider, window);
    case WM_CAPTURECHANGED: return slider::onCaptureChanged(kSlider, window, reinterpret_cast<HWND>(lParam));
    default:                return DefWindowProcA(window, message, wParam, lParam);
    }
}
