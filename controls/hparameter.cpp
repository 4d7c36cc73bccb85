// The horizontal slider: the parameter slider along x, its track stretched between two end
// pieces, the knob grey or (with the focus) blue.

#include "controls/hparameter.h"

#include "controls/control_math.h"
#include "controls/controls.h"
#include "controls/parameter_slider.h"
#include "controls/window_words.h"
#include "win32/gdi.h"

#include <windowsx.h>

namespace {

using namespace controls;
using namespace win32;
namespace slider = controls::parameter_slider;

constexpr const char* kTrackBitmap = "HPARAMETER";
constexpr const char* kKnobBitmap = "HPARAMETERKNOP";
constexpr int kKnobWidth = 10;
constexpr int kKnobHeight = 12;
constexpr int kKnobTop = 2;
constexpr int kFocusedKnobX = 10;   // source x of the blue knob; the grey one is at 0
constexpr int kEndWidth = 8;        // the track's left and right end pieces
constexpr int kMiddleX = 8;
constexpr int kRightEndX = 18;

// One drag for all horizontal sliders.
ClassDrag drag;

// The right and left arrows step; the right button only reports its release.
const slider::SliderClass kSlider{
    slider::Axis::horizontal,
    {hparameter_words::position, hparameter_words::value, hparameter_words::minimum, hparameter_words::maximum},
    kTrackBitmap,
    VK_RIGHT,
    VK_LEFT,
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
    {
        ResourceBitmap track(controlsModule(), kTrackBitmap);
        if (track) {
            SelectGuard select(memory.get(), track.get());
            const int h = track.size().cy;
            BitBlt(paint.dc(), 0, 0, kEndWidth, h, memory.get(), 0, 0, SRCCOPY);
            SetStretchBltMode(paint.dc(), COLORONCOLOR);
            StretchBlt(paint.dc(), kMiddleX, 0, width - 2 * kEndWidth, h, memory.get(), kMiddleX, 0, kEndWidth, h,
                       SRCCOPY);
            BitBlt(paint.dc(), width - kEndWidth, 0, kEndWidth, h, memory.get(), kRightEndX, 0, SRCCOPY);
        }
    }
    ResourceBitmap knob(controlsModule(), kKnobBitmap);
    if (knob) {
        SelectGuard select(memory.get(), knob.get());
        const int position = getSignedWord(window, hparameter_words::position);
        const int sourceX = GetFocus() == window ? kFocusedKnobX : 0;
        BitBlt(paint.dc(), position - kKnobMargin, kKnobTop, kKnobWidth, kKnobHeight, memory.get(), sourceX, 0,
               SRCCOPY);
    }
    return 0;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK HParameterProc(HWND window, UINT message, WPARAM wParam,
                                                                 LPARAM lParam) {
    switch (message) {
    case WM_CREATE:         return slider::onCreate(kSlider, window, message, wParam, lParam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:      return slider::onFocusChange(window, message, wParam, lParam);
    case WM_SETTEXT:        return slider::onSetText(kSlider, window, wParam, reinterpret_cast<const char*>(lParam));
    case WM_PAINT:          return onPaint(window);
    case WM_GETDLGCODE:     return DLGC_WANTARROWS;
    case WM_KEYDOWN:        return slider::onKeyDown(kSlider, window, wParam, lParam);
    case WM_LBUTTONDOWN:    return slider::onLButtonDown(kSlider, window, GET_X_LPARAM(lParam));
    case WM_MOUSEMOVE:      return slider::onMouseMove(kSlider, window, GET_X_LPARAM(lParam));
    case WM_LBUTTONUP:      return slider::onLButtonUp(kSlider, window);
    case WM_RBUTTONUP:      return slider::onRButtonUp(kSlider, window);
    case WM_CAPTURECHANGED: return slider::onCaptureChanged(kSlider, window, reinterpret_cast<HWND>(lParam));
    default:                return DefWindowProcA(window, message, wParam, lParam);
    }
}
