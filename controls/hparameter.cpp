// The horizontal slider: four words of state, one drag flag for the whole class.

#include "controls/hparameter.h"

#include "controls/control_math.h"
#include "controls/controls.h"
#include "controls/parent_report.h"
#include "controls/window_words.h"
#include "win32/gdi.h"

#include <windowsx.h>

namespace {

using namespace controls;
using namespace win32;

constexpr const char* kTrackBitmap = "HPARAMETER";
constexpr const char* kKnobBitmap = "HPARAMETERKNOP";
constexpr int kKnobWidth = 10;
constexpr int kKnobHeight = 12;
constexpr int kKnobTop = 2;
constexpr int kFocusedKnobX = 10;   // source x of the blue knob; the grey one is at 0
constexpr int kEndWidth = 8;        // the track's left and right end pieces
constexpr int kMiddleX = 8;
constexpr int kRightEndX = 18;

// One drag for all sliders of the class: set by a press in any of them, cleared by a release.
int dragFlag = 0;

struct SliderState {
    std::int16_t position;
    std::int16_t value;
    std::int16_t minimum;
    std::int16_t maximum;
};

SliderState readState(HWND window) {
    return SliderState{getSignedWord(window, hparameter_words::position),
                       getSignedWord(window, hparameter_words::value),
                       getSignedWord(window, hparameter_words::minimum),
                       getSignedWord(window, hparameter_words::maximum)};
}

int clientWidth(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return client.right;
}

std::int16_t positionFor(std::int16_t value, const SliderState& s, int width) {
    return narrow16(sliderPositionFromValue(value, s.minimum, s.maximum, width));
}

// The 32-bit report, sign-extended to LPARAM's width.
LPARAM valueReport(std::int16_t value, bool release) { return static_cast<LPARAM>(sliderReport(value, release)); }

LRESULT onCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    {
        ResourceBitmap track(controlsModule(), kTrackBitmap);
        if (track) {
            RECT rect{};
            GetWindowRect(window, &rect);
            MapWindowPoints(nullptr, GetAncestor(window, GA_PARENT), reinterpret_cast<POINT*>(&rect), 2);
            MoveWindow(window, rect.left, rect.top, rect.right - rect.left, track.size().cy, FALSE);
        }
    }
    setWord(window, hparameter_words::value, std::int16_t{0});
    setWord(window, hparameter_words::minimum, std::int16_t{-127});
    setWord(window, hparameter_words::maximum, std::int16_t{127});
    setWord(window, hparameter_words::position, narrow16(clientWidth(window) / 2));
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT onFocusChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    InvalidateRect(window, nullptr, TRUE);   // the knob changes image
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT onSetText(HWND window, WPARAM wParam, const char* text) {
    const auto which = static_cast<std::int32_t>(wParam);
    const std::int16_t number = narrow16(atoiLike(text));
    SliderState s = readState(window);
    std::int16_t value = s.value;
    if (which < 0) {
        s.minimum = number;
        setWord(window, hparameter_words::minimum, number);
    } else if (which > 0) {
        s.maximum = number;
        setWord(window, hparameter_words::maximum, number);
    } else {
        value = number;
    }
    value = sliderClampValue(value, s.minimum, s.maximum);
    setWord(window, hparameter_words::value, value);
    const std::int16_t position = positionFor(value, s, clientWidth(window));
    if (position != s.position) {
        setWord(window, hparameter_words::position, position);
        InvalidateRect(window, nullptr, TRUE);
    }
    return DefWindowProcA(window, WM_SETTEXT, wParam, reinterpret_cast<LPARAM>(text));
}

LRESULT onKeyDown(HWND window, WPARAM key, LPARAM lParam) {
    SliderState s = readState(window);
    if (key != VK_RIGHT && key != VK_LEFT) {
        return DefWindowProcA(window, WM_KEYDOWN, key, lParam);
    }
    const std::int16_t value = sliderKeyStep(s.value, key == VK_RIGHT, s.minimum, s.maximum);
    setWord(window, hparameter_words::value, value);
    const std::int16_t position = positionFor(value, s, clientWidth(window));
    // Reported also at a limit, where the value did not change.
    sendReport(window, valueReport(value, false));
    if (position != s.position) {
        setWord(window, hparameter_words::position, position);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    return DefWindowProcA(window, WM_KEYDOWN, key, lParam);
}

LRESULT onLButtonDown(HWND window, int x) {
    dragFlag = 1;
    SetCapture(window);
    const SliderState s = readState(window);
    const int width = clientWidth(window);
    const int clamped = sliderClampX(x, width);
    const std::int16_t value = narrow16(sliderValueFromPosition(clamped, s.minimum, s.maximum, width));
    // The knob stays under the pointer, not snapped to the value; with nothing to travel
    // it stays at the left end.
    const int position = sliderDegenerate(s.minimum, s.maximum, width) ? kKnobMargin : clamped;
    setWord(window, hparameter_words::position, narrow16(position));
    setWord(window, hparameter_words::value, value);
    SetFocus(window);
    InvalidateRect(window, nullptr, FALSE);
    postReport(window, valueReport(value, false));
    return 0;
}

LRESULT onMouseMove(HWND window, int x) {
    if (dragFlag != 1) {
        return 0;
    }
    const SliderState s = readState(window);
    const int width = clientWidth(window);
    const std::int16_t value =
        narrow16(sliderValueFromPosition(sliderClampX(x, width), s.minimum, s.maximum, width));
    setWord(window, hparameter_words::position, positionFor(value, s, width));
    setWord(window, hparameter_words::value, value);
    InvalidateRect(window, nullptr, FALSE);
    if (value != s.value) {
        postReport(window, valueReport(value, false));
    }
    return 0;
}

LRESULT onLButtonUp(HWND window) {
    dragFlag = 0;
    ReleaseCapture();
    sendReport(window, valueReport(getSignedWord(window, hparameter_words::value), true));
    return 0;
}

// A capture lost mid-drag (a window popping up) ends the drag: later moves with no button
// held must not seek.
LRESULT onCaptureChanged(HWND window, HWND newCapture) {
    if (newCapture != window) {
        dragFlag = 0;
    }
    return 0;
}

LRESULT onRButtonUp(HWND window) {
    sendReport(window, valueReport(getSignedWord(window, hparameter_words::value), true));
    return 0;
}

LRESULT onPaint(HWND window) {
    PaintScope paint(window);
    MemoryDC memory(paint.dc());
    if (!memory) {
        return 0;
    }
    const int width = clientWidth(window);
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
    case WM_CREATE:      return onCreate(window, message, wParam, lParam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:   return onFocusChange(window, message, wParam, lParam);
    case WM_SETTEXT:     return onSetText(window, wParam, reinterpret_cast<const char*>(lParam));
    case WM_PAINT:       return onPaint(window);
    case WM_GETDLGCODE:  return DLGC_WANTARROWS;
    case WM_KEYDOWN:     return onKeyDown(window, wParam, lParam);
    case WM_LBUTTONDOWN: return onLButtonDown(window, GET_X_LPARAM(lParam));
    case WM_MOUSEMOVE:   return onMouseMove(window, GET_X_LPARAM(lParam));
    case WM_LBUTTONUP:   return onLButtonUp(window);
    case WM_RBUTTONUP:   return onRButtonUp(window);
    case WM_CAPTURECHANGED: return onCaptureChanged(window, reinterpret_cast<HWND>(lParam));
    default:             return DefWindowProcA(window, message, wParam, lParam);
    }
}
