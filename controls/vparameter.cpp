// The vertical slider: four words of state, one drag flag for the whole class.

#include "controls/vparameter.h"

#include "controls/controls.h"
#include "controls/parent_report.h"
#include "controls/sliders_math.h"
#include "controls/window_words.h"
#include "win32/gdi.h"

#include <windowsx.h>

namespace {

using namespace controls;
using namespace win32;

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

// One drag for all vertical sliders: set by a left press in any of them, cleared by a left
// release, a right press or a lost capture.
int dragFlag = 0;

struct SliderState {
    std::int16_t position;
    std::int16_t value;
    std::int16_t minimum;
    std::int16_t maximum;
};

SliderState readState(HWND window) {
    return SliderState{getSignedWord(window, vparameter_words::position),
                       getSignedWord(window, vparameter_words::value),
                       getSignedWord(window, vparameter_words::minimum),
                       getSignedWord(window, vparameter_words::maximum)};
}

RECT clientRect(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return client;
}

int clientHeight(HWND window) { return clientRect(window).bottom; }

std::int16_t positionFor(std::int16_t value, const SliderState& s, int height) {
    return narrow16(vsliderPositionFromValue(value, s.minimum, s.maximum, height));
}

// The 32-bit report, sign-extended to LPARAM's width.
LPARAM valueReport(std::int16_t value, std::uint32_t flags) {
    return static_cast<LPARAM>(sliderReportWithFlags(value, flags));
}

LRESULT onCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    {
        ResourceBitmap track(controlsModule(), kTrackBitmap);
        if (track) {
            RECT rect{};
            GetWindowRect(window, &rect);
            MapWindowPoints(nullptr, GetAncestor(window, GA_PARENT), reinterpret_cast<POINT*>(&rect), 2);
            MoveWindow(window, rect.left, rect.top, track.size().cx, rect.bottom - rect.top, FALSE);
        }
    }
    setWord(window, vparameter_words::value, std::int16_t{0});
    setWord(window, vparameter_words::minimum, std::int16_t{-127});
    setWord(window, vparameter_words::maximum, std::int16_t{127});
    setWord(window, vparameter_words::position, narrow16(clientHeight(window) / 2));
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT onFocusChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    InvalidateRect(window, nullptr, TRUE);   // the thumb changes image
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT onSetText(HWND window, WPARAM wParam, const char* text) {
    const auto which = static_cast<std::int32_t>(wParam);
    const std::int16_t number = narrow16(atoiLike(text));
    SliderState s = readState(window);
    std::int16_t value = s.value;
    if (which < 0) {
        s.minimum = number;
        setWord(window, vparameter_words::minimum, number);
    } else if (which > 0) {
        s.maximum = number;
        setWord(window, vparameter_words::maximum, number);
    } else {
        value = number;
    }
    value = sliderClampValue(value, s.minimum, s.maximum);
    setWord(window, vparameter_words::value, value);
    const std::int16_t position = positionFor(value, s, clientHeight(window));
    if (position != s.position) {
        setWord(window, vparameter_words::position, position);
        InvalidateRect(window, nullptr, TRUE);
    }
    return DefWindowProcA(window, WM_SETTEXT, wParam, reinterpret_cast<LPARAM>(text));
}

LRESULT onKeyDown(HWND window, WPARAM key, LPARAM lParam) {
    const SliderState s = readState(window);
    std::int16_t position = s.position;
    if (key == VK_UP || key == VK_DOWN) {
        const std::int16_t value = vsliderKeyStep(s.value, key == VK_UP, s.minimum, s.maximum);
        setWord(window, vparameter_words::value, value);
        position = positionFor(value, s, clientHeight(window));
        // Reported also at a limit, where the value did not change.
        sendReport(window, valueReport(value, 0));
    }
    if (position != s.position) {
        setWord(window, vparameter_words::position, position);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    return DefWindowProcA(window, WM_KEYDOWN, key, lParam);
}

LRESULT onLButtonDown(HWND window, int y) {
    // Captured before the flag is raised: taking the capture from another slider makes it
    // drop its drag, which would otherwise drop this one.
    SetCapture(window);
    dragFlag = 1;
    const SliderState s = readState(window);
    const int height = clientHeight(window);
    const int clamped = vsliderClampY(y, height);
    const std::int16_t value = narrow16(vsliderValueFromPosition(clamped, s.minimum, s.maximum, height));
    // The thumb jumps under the pointer, not snapped to the value; with nothing to travel it
    // stays at the bottom.
    const int position = vsliderDegenerate(s.minimum, s.maximum, height) ? height - kThumbMargin : clamped;
    setWord(window, vparameter_words::position, narrow16(position));
    setWord(window, vparameter_words::value, value);
    SetFocus(window);
    InvalidateRect(window, nullptr, FALSE);
    postReport(window, valueReport(value, 0));
    return 0;
}

LRESULT onMouseMove(HWND window, int y) {
    if (dragFlag != 1) {
        return 0;
    }
    const SliderState s = readState(window);
    const int height = clientHeight(window);
    const std::int16_t value =
        narrow16(vsliderValueFromPosition(vsliderClampY(y, height), s.minimum, s.maximum, height));
    setWord(window, vparameter_words::position, positionFor(value, s, height));
    setWord(window, vparameter_words::value, value);
    InvalidateRect(window, nullptr, FALSE);
    if (value != s.value) {
        postReport(window, valueReport(value, 0));
    }
    return 0;
}

LRESULT onLButtonUp(HWND window) {
    dragFlag = 0;
    ReleaseCapture();
    sendReport(window, valueReport(getSignedWord(window, vparameter_words::value), kReleaseFlag));
    return 0;
}

// The right press ends a drag (the capture stays until the left release) and puts the
// value in the middle of the range.
LRESULT onRButtonDown(HWND window) {
    dragFlag = 0;
    const SliderState s = readState(window);
    const std::int16_t value = narrow16(vsliderResetValue(s.minimum, s.maximum));
    setWord(window, vparameter_words::value, value);
    setWord(window, vparameter_words::position, positionFor(value, s, clientHeight(window)));
    InvalidateRect(window, nullptr, FALSE);
    postReport(window, valueReport(value, kResetFlag));
    return 0;
}

LRESULT onRButtonUp(HWND window) {
    sendReport(window, valueReport(getSignedWord(window, vparameter_words::value), kReleaseFlag));
    return 0;
}

// A capture lost mid-drag (a window popping up) ends the drag: later moves with no button
// held must not change the value.
LRESULT onCaptureChanged(HWND window, HWND newCapture) {
    if (newCapture != window) {
        dragFlag = 0;
    }
    return 0;
}

LRESULT onPaint(HWND window) {
    PaintScope paint(window);
    MemoryDC memory(paint.dc());
    if (!memory) {
        return 0;
    }
    const RECT client = clientRect(window);
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
    case WM_CREATE:         return onCreate(window, message, wParam, lParam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:      return onFocusChange(window, message, wParam, lParam);
    case WM_SETTEXT:        return onSetText(window, wParam, reinterpret_cast<const char*>(lParam));
    case WM_PAINT:          return onPaint(window);
    case WM_GETDLGCODE:     return DLGC_WANTARROWS;
    case WM_KEYDOWN:        return onKeyDown(window, wParam, lParam);
    case WM_LBUTTONDOWN:    return onLButtonDown(window, GET_Y_LPARAM(lParam));
    case WM_MOUSEMOVE:      return onMouseMove(window, GET_Y_LPARAM(lParam));
    case WM_LBUTTONUP:      return onLButtonUp(window);
    case WM_RBUTTONDOWN:    return onRButtonDown(window);
    case WM_RBUTTONUP:      return onRButtonUp(window);
    case WM_CAPTURECHANGED: return onCaptureChanged(window, reinterpret_cast<HWND>(lParam));
    default:                return DefWindowProcA(window, message, wParam, lParam);
    }
}
