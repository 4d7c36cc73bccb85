// The pan control: two words of state, one drag flag for the whole class.

#include "controls/audio_pan.h"

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

// One drag for all pan controls: set by a left press in any of them, cleared by the left
// release, a right press or a lost capture.
bool dragging = false;

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
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    if ((style & WS_TABSTOP) != 0) {
        SetWindowLongA(window, GWL_STYLE, style & ~static_cast<LONG>(WS_TABSTOP));
    }
    {
        ResourceBitmap back(controlsModule(), kBackBitmap);
        if (back) {
            const SIZE size = back.size();
            RECT rect{};
            GetWindowRect(window, &rect);
            POINT corner{rect.left, rect.top};
            MapWindowPoints(nullptr, GetAncestor(window, GA_PARENT), &corner, 1);
            MoveWindow(window, corner.x, corner.y, size.cx, size.cy, FALSE);
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
    dragging = true;
    SetCapture(window);
    followPointer(window, x);
    SetFocus(GetParent(window));   // the pan never keeps the keyboard focus
    return 0;
}

LRESULT onMouseMove(HWND window, int x) {
    if (dragging) {
        followPointer(window, x);
    }
    return 0;
}

LRESULT onRButtonUp(HWND window) {
    sendPan(window, getSignedWord(window, pan_words::value), true);
    return 0;
}

LRESULT onLButtonUp(HWND window) {
    dragging = false;
    ReleaseCapture();
    return onRButtonUp(window);
}

// The capture stays with the control; only the drag ends.
LRESULT onRButtonDown(HWND window) {
    dragging = false;
    if ((GetWindowLongA(window, GWL_STYLE) & kPanRightResets) != 0) {
        store(window, panCentreX(clientWidth(window)), 0);
        InvalidateRect(window, nullptr, FALSE);
        sendPan(window, 0, false);
    }
    return 0;
}

// A capture lost mid-drag (a window popping up) ends the drag: later moves with no button
// held must not pan.
LRESULT onCaptureChanged(HWND window, HWND newCapture) {
    if (newCapture != window) {
        dragging = false;
    }
    return 0;
}

LRESULT onPaint(HWND window) {
    PaintScope paint(window);
    MemoryDC memory(paint.dc());
    if (!memory) {
        return 0;
    }
    RECT client{};
    GetClientRect(window, &client);
    {
        ResourceBitmap back(controlsModule(), kBackBitmap);
        if (back) {
            SelectGuard select(memory.get(), back.get());
            BitBlt(paint.dc(), 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
        }
    }
    ResourceBitmap knob(controlsModule(), kKnobBitmap);
    if (knob) {
        SelectGuard select(memory.get(), knob.get());
        const int position = getSignedWord(window, pan_words::position);
        BitBlt(paint.dc(), position - kKnobReachLeft, kKnobTop, kKnobWidth, kKnobHeight, memory.get(), 0, 0,
               SRCCOPY);
    }
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
