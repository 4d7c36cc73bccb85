// The controls that follow the pointer (both parameter sliders, the fader, the pan) keep one
// drag for their class. A press on a second control of a class while the first still holds
// the capture must leave the drag with the second: taking the capture away makes the first
// drop the drag, which must not drop the new one.

#include "tests/win32/controls_test_support.h"

#include "controls/audio_fader.h"
#include "controls/audio_pan.h"
#include "controls/hparameter.h"
#include "controls/vparameter.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

using namespace ctltest;

namespace {

struct DragCase {
    const char* className;
    bool horizontal;   // the pointer moves along x, else along y
    int press;         // where the second control is pressed, along that coordinate
    int move;          // where the pointer then moves
    int word;          // the window word the pointer changes
};

// Each control is created 200 x 100 and keeps that or takes its bitmap's size: the
// horizontal slider 200 x 16, the vertical one 16 x 100, the fader 24 x 100, the pan 64 x 20.
const DragCase kCases[] = {
    {"32HParameter", true, 50, 150, hparameter_words::value},
    {"32VParameter", false, 80, 20, vparameter_words::value},
    {"32AudioFader", false, 80, 20, fader_words::travel},
    {"32AudioPan", true, 10, 50, pan_words::value},
};

LPARAM at(const DragCase& c, int along) {
    return c.horizontal ? MAKELPARAM(along, 5) : MAKELPARAM(5, along);
}

short word(HWND control, int index) { return static_cast<short>(GetWindowWord(control, index)); }

class DragTest : public ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        parent_ = std::make_unique<RecordingParent>(40, 300, 500, 150);
    }
    void TearDown() override {
        if (GetCapture() != nullptr) {
            ReleaseCapture();
        }
        parent_.reset();
        ControlsTest::TearDown();
    }
    HWND create(const DragCase& c, int x) {
        return createControl(c.className, parent_->hwnd(), 301, x, 20, 200, 100, WS_CHILD | WS_VISIBLE, "0");
    }

    RealMouseBlocker realMouse_;
    std::unique_ptr<RecordingParent> parent_;
};

TEST_F(DragTest, APressOnASecondControlWhileTheFirstHoldsTheCaptureDragsTheSecond) {
    for (const DragCase& c : kCases) {
        HWND first = create(c, 10);
        HWND second = create(c, 250);
        ASSERT_NE(first, nullptr) << c.className;
        ASSERT_NE(second, nullptr) << c.className;
        SendMessageA(first, WM_LBUTTONDOWN, MK_LBUTTON, at(c, c.press));
        ASSERT_EQ(GetCapture(), first) << c.className;
        SendMessageA(second, WM_LBUTTONDOWN, MK_LBUTTON, at(c, c.press));
        EXPECT_EQ(GetCapture(), second) << c.className;
        const short pressed = word(second, c.word);
        SendMessageA(second, WM_MOUSEMOVE, MK_LBUTTON, at(c, c.move));
        EXPECT_NE(word(second, c.word), pressed) << c.className << ": the move was not taken as a drag";
        SendMessageA(second, WM_LBUTTONUP, 0, at(c, c.move));
        DestroyWindow(first);
        DestroyWindow(second);
        parent_->clearReports();
    }
}

}  // namespace
