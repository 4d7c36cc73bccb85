// The horizontal slider as a real window: creation, setting by text, the mouse and the
// keyboard, every report the parent receives (sent or posted, exact lParam), the knob
// image with and without the focus, and the cases with nothing to travel.

#include "tests/win32/controls_test_support.h"

#include "controls/controls.h"
#include "controls/hparameter.h"

#include <memory>
#include <string>
#include <vector>

using namespace ctltest;

namespace {

constexpr int kId = 201;

class SliderTest : public ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        parent_ = std::make_unique<RecordingParent>(40, 300, 400, 120);
        slider_ = createSlider(210);
        ASSERT_NE(slider_, nullptr);
    }
    void TearDown() override {
        if (GetCapture() != nullptr) {
            ReleaseCapture();
        }
        parent_.reset();
        ControlsTest::TearDown();
    }

    HWND createSlider(int width, DWORD style = WS_CHILD | WS_VISIBLE) {
        return createControl("32HParameter", parent_->hwnd(), kId, 20, 30, width, 40, style, "0");
    }

    LRESULT setText(WPARAM which, const char* text) {
        return SendMessageA(slider_, WM_SETTEXT, which, reinterpret_cast<LPARAM>(text));
    }
    // The player's order: value, then minimum, then maximum.
    void setRange(int minimum, int maximum, int value) {
        setText(0, std::to_string(value).c_str());
        setText(static_cast<WPARAM>(-1), std::to_string(minimum).c_str());
        setText(1, std::to_string(maximum).c_str());
    }
    int word(int index) const { return static_cast<short>(GetWindowWord(slider_, index)); }
    int position() const { return word(hparameter_words::position); }
    int value() const { return word(hparameter_words::value); }
    int minimum() const { return word(hparameter_words::minimum); }
    int maximum() const { return word(hparameter_words::maximum); }

    LRESULT mouse(UINT message, int x) {
        return SendMessageA(slider_, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0,
                            MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), 8));
    }
    LRESULT key(WPARAM vk) { return SendMessageA(slider_, WM_KEYDOWN, vk, 1); }

    // What reached the parent during the calls since the last check (sent), then what
    // arrives once the queue is delivered (posted).
    std::vector<Report> reports() {
        parent_->pump();
        return parent_->takeReports();
    }
    void expectNoReports() {
        const auto got = reports();
        EXPECT_TRUE(got.empty()) << got.size() << " reports, first lParam " << (got.empty() ? 0 : got[0].lParam);
    }
    void expectOneReport(std::uint32_t lParam, bool queued) {
        const auto got = reports();
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].wParam, static_cast<WPARAM>(kId)) << "control id, notification code 0";
        EXPECT_EQ(got[0].lParam, lParam);
        EXPECT_EQ(got[0].fullLParam, static_cast<LPARAM>(static_cast<std::int32_t>(lParam)))
            << "sign-extended to LPARAM's width";
        EXPECT_EQ(got[0].queued, queued) << (queued ? "should be posted" : "should be sent");
    }
    bool needsPaint() const { return GetUpdateRect(slider_, nullptr, FALSE) != FALSE; }

    RealMouseBlocker realMouse_;
    std::unique_ptr<RecordingParent> parent_;
    HWND slider_ = nullptr;
};

TEST_F(SliderTest, CreationKeepsWidthTakesBitmapHeightAndCentresTheKnob) {
    const RECT r = rectInParent(slider_);
    EXPECT_EQ(r.left, 20);
    EXPECT_EQ(r.top, 30);
    EXPECT_EQ(r.right - r.left, 210);
    EXPECT_EQ(r.bottom - r.top, 16);
    EXPECT_EQ(value(), 0);
    EXPECT_EQ(minimum(), -127);
    EXPECT_EQ(maximum(), 127);
    EXPECT_EQ(position(), 105);
    EXPECT_EQ(GetClassLongA(slider_, GCL_CBWNDEXTRA), 8);
    EXPECT_EQ(GetClassLongA(slider_, GCL_STYLE), CS_GLOBALCLASS | CS_DBLCLKS);
    EXPECT_EQ(SendMessageA(slider_, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);
    expectNoReports();
}

TEST_F(SliderTest, TabStopIsLeftAsGiven) {
    HWND withTab = createSlider(120, WS_CHILD | WS_VISIBLE | WS_TABSTOP);
    EXPECT_NE(GetWindowLongA(withTab, GWL_STYLE) & WS_TABSTOP, 0);
    EXPECT_EQ(GetWindowLongA(slider_, GWL_STYLE) & WS_TABSTOP, 0);
    EXPECT_EQ(position(), 105);
    EXPECT_EQ(static_cast<short>(GetWindowWord(withTab, hparameter_words::position)), 60);
}

TEST_F(SliderTest, ValuesToPositionsInZeroToHundred) {
    setRange(0, 100, 50);
    EXPECT_EQ(value(), 50);
    EXPECT_EQ(position(), 105);
    setText(0, "33");
    EXPECT_EQ(position(), 71);
    setText(0, "100");
    EXPECT_EQ(position(), 205);
    setText(0, "0");
    EXPECT_EQ(position(), 5);
    expectNoReports();
}

TEST_F(SliderTest, SettingOrderReclampsWithoutReports) {
    setText(0, "120");                          // within -127..127
    EXPECT_EQ(value(), 120);
    setText(static_cast<WPARAM>(-1), "0");
    EXPECT_EQ(value(), 120);
    setText(1, "100");                          // the new maximum pulls the value down
    EXPECT_EQ(value(), 100);
    EXPECT_EQ(position(), 205);
    setText(1, "40");
    EXPECT_EQ(value(), 40);
    setText(static_cast<WPARAM>(-1), "60");     // inverted range: minimum first, then maximum
    EXPECT_EQ(value(), 40);
    EXPECT_EQ(minimum(), 60);
    setText(static_cast<WPARAM>(-1), "-50");
    setText(0, "-80");
    EXPECT_EQ(value(), -50);
    expectNoReports();
    char text[32] = {};
    GetWindowTextA(slider_, text, sizeof text);
    EXPECT_STREQ(text, "-80") << "the text becomes the window text";
}

TEST_F(SliderTest, WParamIsASigned32BitNumberAndTextsNarrowTo16Bits) {
    setText(static_cast<WPARAM>(0xFFFFFFFFu), "-300");   // -1 as a 32-bit number: the minimum
    EXPECT_EQ(minimum(), -300);
    setText(static_cast<WPARAM>(5), "70000");             // narrowed: 70000 - 65536
    EXPECT_EQ(maximum(), 4464);
    setText(0, "no digits");
    EXPECT_EQ(value(), 0);
    setText(0, "65535");                                   // -1
    EXPECT_EQ(value(), -1);
    EXPECT_EQ(maximum(), 4464);
}

TEST_F(SliderTest, SetTextRepaintsOnlyWhenThePositionMoves) {
    setRange(0, 100, 50);
    UpdateWindow(slider_);
    ASSERT_FALSE(needsPaint());
    setText(0, "50");
    EXPECT_FALSE(needsPaint());
    setText(0, "51");
    EXPECT_TRUE(needsPaint());
}

TEST_F(SliderTest, PressIsPostedAndLeavesTheKnobUnderThePointer) {
    setRange(0, 100, 0);
    EXPECT_EQ(mouse(WM_LBUTTONDOWN, 106), 0);
    EXPECT_TRUE(parent_->takeReports().empty()) << "nothing sent during the press";
    EXPECT_EQ(value(), 51);      // 101 * 100 / 200 = 50.5 rounds up
    EXPECT_EQ(position(), 106);  // not snapped
    EXPECT_EQ(GetFocus(), slider_);
    EXPECT_EQ(GetCapture(), slider_);
    expectOneReport(51, true);
    EXPECT_EQ(mouse(WM_LBUTTONUP, 106), 0);
    EXPECT_EQ(GetCapture(), nullptr);
    expectOneReport(0x10033, false);
}

TEST_F(SliderTest, PressOutsideTheTravelClamps) {
    setRange(0, 100, 50);
    mouse(WM_LBUTTONDOWN, 2);
    EXPECT_EQ(value(), 0);
    EXPECT_EQ(position(), 5);
    expectOneReport(0, true);
    mouse(WM_LBUTTONUP, 2);
    expectOneReport(0x10000, false);
    mouse(WM_LBUTTONDOWN, 300);
    EXPECT_EQ(value(), 100);
    EXPECT_EQ(position(), 205);
    expectOneReport(100, true);
    mouse(WM_LBUTTONDOWN, -20);   // x is a signed 16-bit number
    EXPECT_EQ(value(), 0);
    EXPECT_EQ(position(), 5);
    expectOneReport(0, true);
    mouse(WM_LBUTTONUP, -20);
    expectOneReport(0x10000, false);
}

TEST_F(SliderTest, DragSnapsTheKnobAndPostsOnlyChanges) {
    setRange(0, 100, 0);
    mouse(WM_LBUTTONDOWN, 50);
    expectOneReport(23, true);   // 45 * 100 / 200 + 0.5 = 23
    EXPECT_EQ(mouse(WM_MOUSEMOVE, 106), 0);
    EXPECT_EQ(value(), 51);
    EXPECT_EQ(position(), 107);  // 5 + 51 * 200 / 100
    expectOneReport(51, true);
    mouse(WM_MOUSEMOVE, 107);    // 102 * 100 / 200 = 51: unchanged
    EXPECT_EQ(value(), 51);
    expectNoReports();
    mouse(WM_MOUSEMOVE, 400);
    EXPECT_EQ(value(), 100);
    EXPECT_EQ(position(), 205);
    expectOneReport(100, true);
    mouse(WM_LBUTTONUP, 400);
    expectOneReport(0x10064, false);
    mouse(WM_MOUSEMOVE, 60);     // no drag any more
    EXPECT_EQ(value(), 100);
    expectNoReports();
}

// A window that takes the capture mid-drag ends the drag: later moves seek nothing.
TEST_F(SliderTest, LosingTheCaptureEndsTheDrag) {
    setRange(0, 100, 0);
    mouse(WM_LBUTTONDOWN, 50);
    expectOneReport(23, true);
    SetCapture(parent_->hwnd());
    mouse(WM_MOUSEMOVE, 106);
    EXPECT_EQ(value(), 23);
    expectNoReports();
    ReleaseCapture();
}

TEST_F(SliderTest, DragInZeroToSixHundred) {
    setRange(0, 600, 0);
    mouse(WM_LBUTTONDOWN, 5);
    expectOneReport(0, true);
    mouse(WM_MOUSEMOVE, 38);
    EXPECT_EQ(value(), 99);
    EXPECT_EQ(position(), 38);
    expectOneReport(99, true);
    mouse(WM_MOUSEMOVE, 105);
    EXPECT_EQ(value(), 300);
    EXPECT_EQ(position(), 105);
    expectOneReport(300, true);
    mouse(WM_LBUTTONUP, 105);
    expectOneReport(0x1012C, false);
}

TEST_F(SliderTest, NegativeValuesKeepTheHighWordOnRelease) {
    // Default range -127..127; a press at the left end gives -127.
    mouse(WM_LBUTTONDOWN, 0);
    EXPECT_EQ(value(), -127);
    expectOneReport(0xFFFFFF81u, true);
    mouse(WM_LBUTTONUP, 0);
    expectOneReport(0xFFFFFF81u, false);
    SendMessageA(slider_, WM_RBUTTONUP, 0, MAKELPARAM(10, 8));
    expectOneReport(0xFFFFFF81u, false);
}

TEST_F(SliderTest, RightReleaseReportsAndLeavesTheDragAlone) {
    setRange(0, 100, 40);
    EXPECT_EQ(SendMessageA(slider_, WM_RBUTTONUP, 0, MAKELPARAM(150, 8)), 0);
    EXPECT_EQ(value(), 40);
    expectOneReport(0x10028, false);
    mouse(WM_MOUSEMOVE, 150);    // no drag: nothing happens
    EXPECT_EQ(value(), 40);
    expectNoReports();
    mouse(WM_LBUTTONDOWN, 105);
    expectOneReport(50, true);
    SendMessageA(slider_, WM_RBUTTONUP, 0, MAKELPARAM(105, 8));
    expectOneReport(0x10032, false);
    EXPECT_EQ(GetCapture(), slider_) << "the right button does not end the drag";
    mouse(WM_MOUSEMOVE, 205);
    EXPECT_EQ(value(), 100);
    expectOneReport(100, true);
    mouse(WM_LBUTTONUP, 205);
    expectOneReport(0x10064, false);
}

TEST_F(SliderTest, MovesWithoutAPressChangeNothing) {
    setRange(0, 100, 30);
    const int before = position();
    for (int x : {0, 50, 106, 300}) {
        EXPECT_EQ(mouse(WM_MOUSEMOVE, x), 0);
    }
    EXPECT_EQ(value(), 30);
    EXPECT_EQ(position(), before);
    expectNoReports();
}

TEST_F(SliderTest, DoubleClickStartsNoDrag) {
    setRange(0, 100, 0);
    mouse(WM_LBUTTONDOWN, 105);
    expectOneReport(50, true);
    mouse(WM_LBUTTONUP, 105);
    expectOneReport(0x10032, false);
    SendMessageA(slider_, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(160, 8));
    EXPECT_EQ(value(), 50);
    EXPECT_EQ(position(), 105);
    EXPECT_EQ(GetCapture(), nullptr);
    expectNoReports();
    mouse(WM_MOUSEMOVE, 180);
    EXPECT_EQ(value(), 50);
    expectNoReports();
    mouse(WM_LBUTTONUP, 180);
    expectOneReport(0x10032, false);
}

TEST_F(SliderTest, ArrowKeysAreSentEvenAtALimit) {
    setRange(0, 100, 99);
    UpdateWindow(slider_);
    EXPECT_EQ(key(VK_RIGHT), 0);
    EXPECT_EQ(value(), 100);
    EXPECT_EQ(position(), 205);
    EXPECT_TRUE(needsPaint());
    expectOneReport(100, false);
    UpdateWindow(slider_);
    key(VK_RIGHT);               // at the maximum: reported, unchanged, no repaint
    EXPECT_EQ(value(), 100);
    EXPECT_FALSE(needsPaint());
    expectOneReport(100, false);
    key(VK_LEFT);
    EXPECT_EQ(value(), 99);
    EXPECT_EQ(position(), 203);
    expectOneReport(99, false);
    setText(0, "0");
    key(VK_LEFT);
    EXPECT_EQ(value(), 0);
    expectOneReport(0, false);
    key(VK_UP);
    key(VK_DOWN);
    key('A');
    EXPECT_EQ(value(), 0);
    expectNoReports();
    // An inverted range takes each limit as written: one step left from 40 lands on 60.
    setText(1, "40");
    setText(static_cast<WPARAM>(-1), "60");
    setText(0, "40");
    key(VK_LEFT);
    EXPECT_EQ(value(), 60);
    expectOneReport(60, false);
}

TEST_F(SliderTest, ArrowKeysThatMoveLessThanAPixelDoNotRepaint) {
    setRange(-1000, 1000, 0);    // 10 values per pixel
    UpdateWindow(slider_);
    const int before = position();
    key(VK_RIGHT);
    EXPECT_EQ(value(), 1);
    EXPECT_EQ(position(), before);
    EXPECT_FALSE(needsPaint());
    expectOneReport(1, false);
}

TEST_F(SliderTest, EqualMinimumAndMaximumKeepTheKnobAtTheLeftEnd) {
    setText(1, "7");
    setText(static_cast<WPARAM>(-1), "7");
    EXPECT_EQ(value(), 7);
    EXPECT_EQ(position(), 5);
    mouse(WM_LBUTTONDOWN, 150);
    EXPECT_EQ(value(), 7);
    EXPECT_EQ(position(), 5);
    expectOneReport(7, true);
    mouse(WM_MOUSEMOVE, 190);
    EXPECT_EQ(value(), 7);
    EXPECT_EQ(position(), 5);
    expectNoReports();
    mouse(WM_LBUTTONUP, 190);
    expectOneReport(0x10007, false);
    key(VK_RIGHT);
    EXPECT_EQ(value(), 7);
    expectOneReport(7, false);
    InvalidateRect(slider_, nullptr, FALSE);
    UpdateWindow(slider_);       // draws without failing
}

// Exactly 10 pixels leave nothing to travel: the knob rests at the left end. A narrower
// window divides by W - 10 < 0 and follows the formulas: 5 + trunc(147 * -4 / 254) = 3.
TEST_F(SliderTest, NarrowWindowsFollowTheFormulasAndTenPixelsRestAtTheLeftEnd) {
    struct Case { int width; short positionOf20; };
    for (const Case c : {Case{10, 5}, Case{6, 3}}) {
        HWND narrow = createSlider(c.width);
        ASSERT_NE(narrow, nullptr);
        SendMessageA(narrow, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("20"));
        EXPECT_EQ(static_cast<short>(GetWindowWord(narrow, hparameter_words::position)), c.positionOf20) << c.width;
        SendMessageA(narrow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, 4));
        EXPECT_EQ(static_cast<short>(GetWindowWord(narrow, hparameter_words::value)), -127);
        EXPECT_EQ(static_cast<short>(GetWindowWord(narrow, hparameter_words::position)), 5);
        expectOneReport(0xFFFFFF81u, true);
        SendMessageA(narrow, WM_MOUSEMOVE, 0, MAKELPARAM(2, 4));
        EXPECT_EQ(static_cast<short>(GetWindowWord(narrow, hparameter_words::value)), -127);
        expectNoReports();
        SendMessageA(narrow, WM_LBUTTONUP, 0, MAKELPARAM(2, 4));
        expectOneReport(0xFFFFFF81u, false);
        UpdateWindow(narrow);
        DestroyWindow(narrow);
    }
}

// The knob, 10 x 12 at (position - 5, 2), is the blue image while the slider has the focus
// and the grey one otherwise; the track's ends and stretched middle come from HPARAMETER.
class SliderDrawingTest : public SliderTest {
protected:
    void expectKnob(int knobSourceX) {
        UpdateWindow(slider_);
        const Picture knob = loadPicture("HPARAMETERKNOP");
        ASSERT_EQ(knob.width, 20);
        ASSERT_EQ(knob.height, 12);
        const int left = position() - 5;
        int mismatches = 0;
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 10; ++x) {
                const COLORREF expected = knob.at(knobSourceX + x, y);
                const COLORREF actual = pixel(slider_, left + x, 2 + y);
                if (actual != expected && ++mismatches <= 5) {
                    ADD_FAILURE() << "knob x " << x << " y " << y << ": " << hex(actual) << " instead of "
                                  << hex(expected);
                }
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
};

TEST_F(SliderDrawingTest, KnobImageFollowsTheFocus) {
    setRange(0, 100, 30);
    SetFocus(parent_->hwnd());
    expectKnob(0);
    SetFocus(slider_);
    expectKnob(10);
    SetFocus(parent_->hwnd());
    expectKnob(0);
    mouse(WM_LBUTTONDOWN, 150);  // a click gives the focus
    mouse(WM_LBUTTONUP, 150);
    EXPECT_EQ(GetFocus(), slider_);
    expectKnob(10);
}

TEST_F(SliderDrawingTest, TrackEndsAndMiddleComeFromTheBitmap) {
    setRange(0, 100, 100);       // knob at the right end, x 200..209
    SetFocus(parent_->hwnd());
    UpdateWindow(slider_);
    const Picture track = loadPicture("HPARAMETER");
    ASSERT_EQ(track.width, 26);
    ASSERT_EQ(track.height, 16);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(hex(pixel(slider_, x, y)), hex(track.at(x, y))) << "left end x " << x << " y " << y;
        }
        for (int x : {8, 60, 150, 194}) {
            EXPECT_EQ(hex(pixel(slider_, x, y)), hex(track.at(8, y))) << "middle x " << x << " y " << y;
        }
        if (y < 2 || y > 13) {   // the knob covers rows 2..13 of the right end
            for (int x = 0; x < 8; ++x) {
                EXPECT_EQ(hex(pixel(slider_, 202 + x, y)), hex(track.at(18 + x, y)))
                    << "right end x " << x << " y " << y;
            }
        }
    }
    // The groove is black on rows 6..9 from x 6 in the window.
    EXPECT_EQ(hex(pixel(slider_, 6, 7)), hex(RGB(0, 0, 0)));
    EXPECT_EQ(hex(pixel(slider_, 100, 9)), hex(RGB(0, 0, 0)));
}

}  // namespace
