// The pan control: two words of state, one drag for the whole class.

#include "controls/audio_pan.h"

#include "controls/class_drag.h"
#include "controls/control_window.h"
#include "controls/controls.h"
#include "controls/parent_report.h"
#include "controls/rotary_math.h"
#include "controls/window_words.h"
#include "win32/gdi.h"

#include <windowsx.h>

namespace {

using namespace controls;
using namespace win32;

constexpr const char* kBackBitmap = "PANBACK";
constexpr const char* kKnobBitmap = "PANKNOP";
constexpr int kKnobWidth = 4;
constexpr int kKnobHeight = 11;
constexpr int kKnobTop = 7;
constexpr int kKnobReachLeft = 3;   // the image ends at the reference column

// One drag for all pan controls.
ClassDrag drag;

int clientWidth(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return client.right;
}

// The value's byte [| release], always sent.
void sendPan(HWND window, std::int32_t value, bool release) {
    sendReport(window, static_cast<LPARAM>(panReport(value, release)));
}

void store(HWND window, std::int32_t position, std::int32_t value) {
    setWord(window, pan_words::position, narrow16(position));
    setWord(window, pan_words::value, narrow16(value));
}

LRESULT onCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    dropTabStop(window);
    {
        ResourceBitmap back(controlsModule(), kBackBitmap);
        if (back) {
            const SIZE size = back.size();
            resizeInPlace(window, size.cx, size.cy);
        }
    }
    store(window, panCentreX(clientWidth(window)), 0);
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT onSetText(HWND window, WPARAM wParam, const char* text) {
    const std::int32_t value = panClampValue(atoiLike(text));
    const std::int32_t position = panPositionFromValue(value, clientWidth(window));
    // A value whose knob column is already shown changes nothing, not even the value word.
    if (position != getSignedWord(window, pan_words::position)) {
        store(window, position, value);
        InvalidateRect(window, nullptr, TRUE);
    }
    return DefWindowProcA(window, WM_SETTEXT, wParam, reinterpret_cast<LPARAM>(text));
}

// The knob follows the pointer itself (not snapped to the value); reported changed or not.
void followPointer(HWND window, int x) {
    const int width = clientWidth(window);
    const std::int32_t clamped = panClampX(x, width);
    const std::int32_t value = panValueFromX(clamped, width);
    store(window, panDegenerate(width) ? kPanEnd : clamped, value);
    InvalidateRect(window, nullptr, FALSE);
    sendPan(window, value, false);
}

LRESULT onLButtonDown(HWND window, int x) {
    drag.begin(window);
    followPointer(window, x);
    SetFocus(GetParent(window));   // the pan never keeps the keyboard focus
    return 0;
}

LRESULT onMouseMove(HWND window, int x) {
    if (drag.active()) {
        followPointer(window, x);
    }
    return 0;
}

LRESULT onRButtonUp(HWND window) {
    sendPan(window, getSignedWord(window, pan_words::value), true);
    return 0;
}

LRESULT onLButtonUp(HWND window) {
    drag.release();
    return onRButtonUp(window);
}

// The right press ends a drag; with the reset style it also puts the pan back to the centre.
LRESULT onRButtonDown(HWND window) {
    drag.stop();
    if ((GetWindowLongA(window, GWL_STYLE) & kPanRightResets) != 0) {
        store(window, panCentreX(clientWidth(window)), 0);
        InvalidateRect(window, nullptr, FALSE);
        sendPan(window, 0, false);
    }
    return 0;
}

LRESULT onCaptureChanged(HWND window, HWND newCapture) {
    drag.captureChanged(window, newCapture);
    return 0;
}

LRESULT onPaint(HWND window) {
    const int position = getSignedWord(window, pan_words::position);
    paintKnobOverBackground(window, kBackBitmap, kKnobBitmap, POINT{position - kKnobReachLeft, kKnobTop},
                            SIZE{kKnobWidth, kKnobHeight});
    return 0;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK AudioPanProc(HWND window, UINT message, WPARAM wParam,
                                                               LPARAM lParam) {
    switch (message) {
    case WM_CREATE:         return onCreate(window, message, wParam, lParam);
    case WM_SETTEXT:        return onSetText(window, wParam, reinterpret_cast<const char*>(lParam));
    case WM_PAINT:          return onPaint(window);
    case WM_MOUSEMOVE:      return onMouseMove(window, GET_X_LPARAM(lParam));
    case WM_LBUTTONDOWN:    return onLButtonDown(window, GET_X_LPARAM(lParam));
    case WM_LBUTTONUP:      return onLButtonUp(window);
    case WM_RBUTTONDOWN:    return onRButtonDown(window);
    case WM_RBUTTONUP:      return onRButtonUp(window);
    case WM_CAPTURECHANGED: return onCaptureChanged(window, reinterpret_cast<HWND>(lParam));
    default:                return DefWindowProcA(window, message, wParam, lParam);
    }
}
