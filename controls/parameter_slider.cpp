// The parameter sliders' handlers for either axis: everything but the painting.

#include "controls/parameter_slider.h"

#include "controls/control_window.h"
#include "controls/controls.h"
#include "controls/parent_report.h"
#include "controls/sliders_math.h"
#include "controls/window_words.h"
#include "win32/gdi.h"

#include <cstdint>

namespace controls::parameter_slider {
namespace {

struct SliderState {
    std::int16_t position;
    std::int16_t value;
    std::int16_t minimum;
    std::int16_t maximum;
};

SliderState readState(const SliderClass& slider, HWND window) {
    return SliderState{getSignedWord(window, slider.words.position), getSignedWord(window, slider.words.value),
                       getSignedWord(window, slider.words.minimum), getSignedWord(window, slider.words.maximum)};
}

bool horizontal(const SliderClass& slider) { return slider.axis == Axis::horizontal; }

// The client area's length along the axis: the knob's travel and its two margins.
int travelLength(const SliderClass& slider, HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return horizontal(slider) ? client.right : client.bottom;
}

// Where the knob shows `value`.
std::int16_t positionFor(const SliderClass& slider, std::int16_t value, const SliderState& s, int length) {
    return narrow16(horizontal(slider) ? sliderPositionFromValue(value, s.minimum, s.maximum, length)
                                       : vsliderPositionFromValue(value, s.minimum, s.maximum, length));
}

// A pointer coordinate limited to the knob's travel.
int clampPointer(const SliderClass& slider, int pointer, int length) {
    return horizontal(slider) ? sliderClampX(pointer, length) : vsliderClampY(pointer, length);
}

// The value a limited pointer coordinate stands for.
std::int16_t valueAt(const SliderClass& slider, int clamped, const SliderState& s, int length) {
    return narrow16(horizontal(slider) ? sliderValueFromPosition(clamped, s.minimum, s.maximum, length)
                                       : vsliderValueFromPosition(clamped, s.minimum, s.maximum, length));
}

bool nothingToTravel(const SliderClass& slider, const SliderState& s, int length) {
    return horizontal(slider) ? sliderDegenerate(s.minimum, s.maximum, length)
                              : vsliderDegenerate(s.minimum, s.maximum, length);
}

// With nothing to travel the knob rests at the minimum's end: the left end, or the bottom.
int restPosition(const SliderClass& slider, int length) {
    return horizontal(slider) ? kKnobMargin : length - kThumbMargin;
}

// The 32-bit report, sign-extended to LPARAM's width.
LPARAM valueReport(std::int16_t value, std::uint32_t flags) {
    return static_cast<LPARAM>(sliderReportWithFlags(value, flags));
}

}  // namespace

LRESULT onCreate(const SliderClass& slider, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    {
        win32::ResourceBitmap track(controlsModule(), slider.trackBitmap);
        if (track) {
            // The window keeps its length along the axis and takes the track's thickness.
            RECT rect{};
            GetWindowRect(window, &rect);
            const SIZE size = track.size();
            const int width = horizontal(slider) ? rect.right - rect.left : size.cx;
            const int height = horizontal(slider) ? size.cy : rect.bottom - rect.top;
            resizeInPlace(window, width, height);
        }
    }
    setWord(window, slider.words.value, std::int16_t{0});
    setWord(window, slider.words.minimum, std::int16_t{-127});
    setWord(window, slider.words.maximum, std::int16_t{127});
    setWord(window, slider.words.position, narrow16(travelLength(slider, window) / 2));
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT onFocusChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    InvalidateRect(window, nullptr, TRUE);
    return DefWindowProcA(window, message, wParam, lParam);
}

// Nothing is reported; the knob moves (and repaints) only when its position changes.
LRESULT onSetText(const SliderClass& slider, HWND window, WPARAM wParam, const char* text) {
    const auto which = static_cast<std::int32_t>(wParam);
    const std::int16_t number = narrow16(atoiLike(text));
    SliderState s = readState(slider, window);
    std::int16_t value = s.value;
    if (which < 0) {
        s.minimum = number;
        setWord(window, slider.words.minimum, number);
    } else if (which > 0) {
        s.maximum = number;
        setWord(window, slider.words.maximum, number);
    } else {
        value = number;
    }
    value = sliderClampValue(value, s.minimum, s.maximum);
    setWord(window, slider.words.value, value);
    const std::int16_t position = positionFor(slider, value, s, travelLength(slider, window));
    if (position != s.position) {
        setWord(window, slider.words.position, position);
        InvalidateRect(window, nullptr, TRUE);
    }
    return DefWindowProcA(window, WM_SETTEXT, wParam, reinterpret_cast<LPARAM>(text));
}

LRESULT onKeyDown(const SliderClass& slider, HWND window, WPARAM key, LPARAM lParam) {
    if (key != slider.increaseKey && key != slider.decreaseKey) {
        return DefWindowProcA(window, WM_KEYDOWN, key, lParam);
    }
    const SliderState s = readState(slider, window);
    const std::int16_t value = sliderKeyStep(s.value, key == slider.increaseKey, s.minimum, s.maximum);
    setWord(window, slider.words.value, value);
    const std::int16_t position = positionFor(slider, value, s, travelLength(slider, window));
    // Sent also at a limit, where the value did not change.
    sendReport(window, valueReport(value, 0));
    if (position != s.position) {
        setWord(window, slider.words.position, position);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    return DefWindowProcA(window, WM_KEYDOWN, key, lParam);
}

LRESULT onLButtonDown(const SliderClass& slider, HWND window, int pointer) {
    slider.drag.begin(window);
    const SliderState s = readState(slider, window);
    const int length = travelLength(slider, window);
    const int clamped = clampPointer(slider, pointer, length);
    const std::int16_t value = valueAt(slider, clamped, s, length);
    // The knob jumps under the pointer itself, not snapped to the value.
    const int position = nothingToTravel(slider, s, length) ? restPosition(slider, length) : clamped;
    setWord(window, slider.words.position, narrow16(position));
    setWord(window, slider.words.value, value);
    SetFocus(window);
    InvalidateRect(window, nullptr, FALSE);
    postReport(window, valueReport(value, 0));
    return 0;
}

// A drag snaps the knob to the value under the pointer; only a change is reported.
LRESULT onMouseMove(const SliderClass& slider, HWND window, int pointer) {
    if (!slider.drag.active()) {
        return 0;
    }
    const SliderState s = readState(slider, window);
    const int length = travelLength(slider, window);
    const std::int16_t value = valueAt(slider, clampPointer(slider, pointer, length), s, length);
    setWord(window, slider.words.position, positionFor(slider, value, s, length));
    setWord(window, slider.words.value, value);
    InvalidateRect(window, nullptr, FALSE);
    if (value != s.value) {
        postReport(window, valueReport(value, 0));
    }
    return 0;
}

LRESULT onLButtonUp(const SliderClass& slider, HWND window) {
    slider.drag.release();
    sendReport(window, valueReport(getSignedWord(window, slider.words.value), kReleaseFlag));
    return 0;
}

LRESULT onRButtonDownResets(const SliderClass& slider, HWND window) {
    slider.drag.stop();
    const SliderState s = readState(slider, window);
    const std::int16_t value = narrow16(vsliderResetValue(s.minimum, s.maximum));
    setWord(window, slider.words.value, value);
    setWord(window, slider.words.position, positionFor(slider, value, s, travelLength(slider, window)));
    InvalidateRect(window, nullptr, FALSE);
    postReport(window, valueReport(value, kResetFlag));
    return 0;
}

LRESULT onRButtonUp(const SliderClass& slider, HWND window) {
    sendReport(window, valueReport(getSignedWord(window, slider.words.value), kReleaseFlag));
    return 0;
}

LRESULT onCaptureChanged(const SliderClass& slider, HWND window, HWND newCapture) {
    slider.drag.captureChanged(window, newCapture);
    return 0;
}

}  // namespace controls::parameter_slider
