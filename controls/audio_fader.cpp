// The fader: a knob position and a travel word, one drag for the whole class. Every
// report is sent, never posted.

#include "controls/audio_fader.h"

#include "controls/class_drag.h"
#include "controls/control_window.h"
#include "controls/controls.h"
#include "controls/parent_report.h"
#include "controls/sliders_math.h"
#include "controls/window_words.h"
#include "win32/gdi.h"

#include <windowsx.h>

namespace {

using namespace controls;
using namespace win32;

constexpr const char* kBackBitmap = "FADERBACK";
constexpr const char* kKnobBitmap = "FADERKNOP";
constexpr int kKnobWidth = 14;
constexpr int kKnobHeight = 16;
constexpr int kKnobLeft = 4;
constexpr int kKnobAbove = 8;   // the image starts 8 rows above the knob's centre line

// One drag for all faders.
ClassDrag drag;

int clientHeight(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return client.bottom;
}

std::uint16_t storedTravel(HWND window) { return getUnsignedWord(window, fader_words::travel); }

void storeKnob(HWND window, int position, std::uint16_t travel) {
    setWord(window, fader_words::position, narrow16(position));
    setWord(window, fader_words::travel, travel);
}

// The level [| 0x10000], always sent.
void sendLevel(HWND window, std::uint16_t travel, std::uint32_t flags) {
    sendReport(window, static_cast<LPARAM>(static_cast<std::uint32_t>(faderLevel(travel)) | flags));
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
    // The knob starts where travel 0 belongs, at the bottom, so what is shown matches what a
    // release would report.
    storeKnob(window, faderPositionFromTravel(0, clientHeight(window)), 0);
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT onSetText(HWND window, WPARAM wParam, const char* text) {
    const std::uint16_t travel = faderTravelFromLevel(atoiLike(text));
    const std::int16_t position = narrow16(faderPositionFromTravel(travel, clientHeight(window)));
    // A level that does not move the knob by a pixel changes neither word.
    if (position != getSignedWord(window, fader_words::position)) {
        storeKnob(window, position, travel);
        InvalidateRect(window, nullptr, TRUE);
    }
    return DefWindowProcA(window, WM_SETTEXT, wParam, reinterpret_cast<LPARAM>(text));
}

// The knob goes under the pointer itself (not snapped to the travel word); with nothing to
// travel it stays at the bottom.
std::uint16_t followPointer(HWND window, int y) {
    const int height = clientHeight(window);
    const int clamped = faderClampY(y, height);
    const std::uint16_t travel = faderTravelFromPosition(clamped, height);
    storeKnob(window, faderDegenerate(height) ? faderPositionFromTravel(0, height) : clamped, travel);
    InvalidateRect(window, nullptr, FALSE);
    return travel;
}

LRESULT onLButtonDown(HWND window, int y) {
    drag.begin(window);
    const std::uint16_t travel = followPointer(window, y);
    sendLevel(window, travel, 0);
    SetFocus(GetParent(window));   // the fader never keeps the keyboard focus
    return 0;
}

// Every step of a drag reports, changed or not.
LRESULT onMouseMove(HWND window, int y) {
    if (!drag.active()) {
        return 0;
    }
    sendLevel(window, followPointer(window, y), 0);
    return 0;
}

LRESULT onRButtonUp(HWND window) {
    sendLevel(window, storedTravel(window), kReleaseFlag);
    return 0;
}

LRESULT onLButtonUp(HWND window) {
    drag.release();
    return onRButtonUp(window);
}

// The right press ends a drag; with the reset style it also returns the knob to the
// reference position.
LRESULT onRButtonDown(HWND window) {
    drag.stop();
    if ((GetWindowLongA(window, GWL_STYLE) & kFaderRightButtonReset) != 0) {
        storeKnob(window, faderPositionFromTravel(kFaderResetTravel, clientHeight(window)), kFaderResetTravel);
        InvalidateRect(window, nullptr, FALSE);
        sendReport(window, static_cast<LPARAM>(kFaderResetReport));
    }
    return 0;
}

LRESULT onCaptureChanged(HWND window, HWND newCapture) {
    drag.captureChanged(window, newCapture);
    return 0;
}

LRESULT onPaint(HWND window) {
    const int position = getSignedWord(window, fader_words::position);
    paintKnobOverBackground(window, kBackBitmap, kKnobBitmap, POINT{kKnobLeft, position - kKnobAbove},
                            SIZE{kKnobWidth, kKnobHeight});
    return 0;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK AudioFaderProc(HWND window, UINT message, WPARAM wParam,
                                                                 LPARAM lParam) {
    switch (message) {
    case WM_CREATE:         return onCreate(window, message, wParam, lParam);
    case WM_SETTEXT:        return onSetText(window, wParam, reinterpret_cast<const char*>(lParam));
    case WM_PAINT:          return onPaint(window);
    case WM_LBUTTONDOWN:    return onLButtonDown(window, GET_Y_LPARAM(lParam));
    case WM_MOUSEMOVE:      return onMouseMove(window, GET_Y_LPARAM(lParam));
    case WM_LBUTTONUP:      return onLButtonUp(window);
    case WM_RBUTTONDOWN:    return onRButtonDown(window);
    case WM_RBUTTONUP:      return onRButtonUp(window);
    case WM_CAPTURECHANGED: return onCaptureChanged(window, reinterpret_cast<HWND>(lParam));
    default:                return DefWindowProcA(window, message, wParam, lParam);
    }
}
