#pragma once
// The drag of the controls that follow the pointer (the two parameter sliders, the fader and
// the pan): one for all windows of a class, raised by a left press in any of them, lowered by
// the left release, a right press or a capture lost to another window.

#include <windows.h>

namespace controls {

class ClassDrag {
public:
    // The capture is taken before the drag is raised: taking it from another window of the
    // class makes that window drop the drag (WM_CAPTURECHANGED), which would otherwise drop
    // this one.
    void begin(HWND window) {
        SetCapture(window);
        active_ = true;
    }

    bool active() const { return active_; }

    // The left release: the drag and the capture end.
    void release() {
        active_ = false;
        ReleaseCapture();
    }

    // A right press ends the drag; the capture stays until the left release.
    void stop() { active_ = false; }

    // A capture lost mid-drag (a window popping up) ends the drag: later moves with no button
    // held must not change anything.
    void captureChanged(HWND window, HWND newCapture) {
        if (newCapture != window) {
            active_ = false;
        }
    }

private:
    bool active_ = false;
};

}  // namespace controls
