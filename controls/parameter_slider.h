#pragma once
// The parameter slider of either axis, shared by "32HParameter" (hparameter.cpp) and
// "32VParameter" (vparameter.cpp): four 16-bit words (the knob's position, the value, the
// minimum, the maximum) and one drag for each class. The axis decides which coordinate the
// knob travels along and which arithmetic maps it: control_math.h's for the horizontal
// slider, sliders_math.h's for the vertical one, whose maximum lies at the top. Each class
// keeps its own window procedure, words, bitmaps, keys and painting, and calls these handlers
// from its procedure.

#include "controls/class_drag.h"

#include <windows.h>

namespace controls::parameter_slider {

enum class Axis { horizontal, vertical };

// Byte indices of the four words in the class's window extra bytes.
struct Words {
    int position;
    int value;
    int minimum;
    int maximum;
};

// What tells one slider class from the other.
struct SliderClass {
    Axis axis;
    Words words;
    const char* trackBitmap;   // the window takes its height (horizontal) or width (vertical)
    WPARAM increaseKey;        // steps the value up by one
    WPARAM decreaseKey;        // steps it down by one
    ClassDrag& drag;
};

// Starts at 0 in -127..127 with the knob in the middle.
LRESULT onCreate(const SliderClass& slider, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The knob changes image.
LRESULT onFocusChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// wParam as a signed 32-bit number: below 0 sets the minimum, above 0 the maximum, 0 the value.
LRESULT onSetText(const SliderClass& slider, HWND window, WPARAM wParam, const char* text);
LRESULT onKeyDown(const SliderClass& slider, HWND window, WPARAM key, LPARAM lParam);
// `pointer` is the coordinate along the axis.
LRESULT onLButtonDown(const SliderClass& slider, HWND window, int pointer);
LRESULT onMouseMove(const SliderClass& slider, HWND window, int pointer);
LRESULT onLButtonUp(const SliderClass& slider, HWND window);
// A right press that ends the drag and puts the value in the middle of the range.
LRESULT onRButtonDownResets(const SliderClass& slider, HWND window);
LRESULT onRButtonUp(const SliderClass& slider, HWND window);
LRESULT onCaptureChanged(const SliderClass& slider, HWND window, HWND newCapture);

}  // namespace controls::parameter_slider
