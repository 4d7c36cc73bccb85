// The vertical slider and the fader as real windows: creation, every report the parent
// receives as one recorded sequence (sent or posted, exact lParam), setting by text, a lost
// capture, the cases with nothing to travel, the images drawn, and GDI kept flat.

#include "tests/win32/controls_test_support.h"

#include "controls/audio_fader.h"
#include "controls/vparameter.h"

#include <memory>
#include <vector>

using namespace ctltest;

namespace {

constexpr int kId = 301;

struct Expected {
    std::uint32_t lParam;
    bool queued;
};

class SlidersTest : public ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        parent_ = std::make_unique<RecordingParent>(40, 300, 300, 200);
    }
    void TearDown() override {
        if (GetCapture() != nullptr) {
            ReleaseCapture();
        }
        parent_.reset();
        ControlsTest::TearDown();
    }

    HWND create(const char* className, DWORD style = WS_CHILD | WS_VISIBLE, int height = 100, int x = 20) {
        HWND control = createControl(className, parent_->hwnd(), kId, x, 30, 50, height, style, "0");
        EXPECT_NE(control, nullptr);
        return control;
    }
    // One user action, then the queue delivered: reports during the action were sent,
    // reports during the delivery were posted.
    void act(HWND control, UINT message, int y, WPARAM wParam = 0) {
        SendMessageA(control, message, wParam, MAKELPARAM(6, static_cast<WORD>(static_cast<short>(y))));
        parent_->pump();
    }
    void expectReports(const std::vector<Expected>& expected) {
        const std::vector<Report> got = parent_->takeReports();
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].wParam, static_cast<WPARAM>(kId)) << "report " << i;
            EXPECT_EQ(got[i].lParam, expected[i].lParam) << "report " << i;
            EXPECT_EQ(got[i].fullLParam, static_cast<LPARAM>(static_cast<std::int32_t>(expected[i].lParam)))
                << "report " << i << ": sign-extended";
            EXPECT_EQ(got[i].queued, expected[i].queued) << "report " << i;
        }
    }
    static int word(HWND control, int index) { return static_cast<short>(GetWindowWord(control, index)); }
    static void setText(HWND control, WPARAM which, const char* text) {
        SendMessageA(control, WM_SETTEXT, which, reinterpret_cast<LPARAM>(text));
    }
    static bool needsPaint(HWND control) { return GetUpdateRect(control, nullptr, FALSE) != FALSE; }

    // The w x h image at (sourceX, sourceY) of a bitmap, drawn at (left, top) of the control.
    static int imageMismatches(HWND control, const char* bitmap, int sourceX, int sourceY, int w, int h, int left,
                               int top) {
        UpdateWindow(control);
        const Picture picture = loadPicture(bitmap);
        int mismatches = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                mismatches += pixel(control, left + x, top + y) != picture.at(sourceX + x, sourceY + y) ? 1 : 0;
            }
        }
        return mismatches;
    }

    RealMouseBlocker realMouse_;
    std::unique_ptr<RecordingParent> parent_;
};

constexpr bool kSent = false;
constexpr bool kPosted = true;

// Both are resized from their bitmaps: the slider to its width, the fader to its size.
TEST_F(SlidersTest, CreationSizesAndWords) {
    HWND slider = create("32VParameter", WS_CHILD | WS_VISIBLE | WS_TABSTOP);
    HWND fader = create("32AudioFader", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 40, 100);
    const RECT s = rectInParent(slider);
    const RECT f = rectInParent(fader);
    EXPECT_EQ((std::vector<LONG>{s.left, s.top, s.right - s.left, s.bottom - s.top}), (std::vector<LONG>{20, 30, 16, 100}));
    EXPECT_EQ((std::vector<LONG>{f.left, f.top, f.right - f.left, f.bottom - f.top}), (std::vector<LONG>{100, 30, 24, 100}));
    EXPECT_NE(GetWindowLongA(slider, GWL_STYLE) & WS_TABSTOP, 0) << "the slider leaves it as given";
    EXPECT_EQ(GetWindowLongA(fader, GWL_STYLE) & WS_TABSTOP, 0) << "the fader drops it";
    EXPECT_EQ(word(slider, vparameter_words::position), 50);
    EXPECT_EQ(word(slider, vparameter_words::value), 0);
    EXPECT_EQ(word(slider, vparameter_words::minimum), -127);
    EXPECT_EQ(word(slider, vparameter_words::maximum), 127);
    EXPECT_EQ(SendMessageA(slider, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);
    EXPECT_EQ(word(fader, fader_words::position), 90) << "where travel 0 belongs";
    EXPECT_EQ(word(fader, fader_words::travel), 0);
}

// Height 100, range -127..127: y 50 is 0, y 51 is -3 (snapping to y 52), y 6 is 127.
TEST_F(SlidersTest, VerticalSliderReportsInOrder) {
    HWND slider = create("32VParameter");
    act(slider, WM_LBUTTONDOWN, 51, MK_LBUTTON);
    EXPECT_EQ(word(slider, vparameter_words::position), 51) << "under the pointer";
    EXPECT_EQ(GetFocus(), slider);
    act(slider, WM_MOUSEMOVE, 51);           // unchanged: snaps, says nothing
    EXPECT_EQ(word(slider, vparameter_words::position), 52);
    act(slider, WM_MOUSEMOVE, 0);            // above the travel: 127
    act(slider, WM_LBUTTONUP, 0);
    act(slider, WM_MOUSEMOVE, 80);           // no drag any more
    act(slider, WM_RBUTTONDOWN, 80);         // reset to the middle
    EXPECT_EQ(word(slider, vparameter_words::position), 50);
    act(slider, WM_RBUTTONUP, 80);
    act(slider, WM_LBUTTONDOWN, 100, MK_LBUTTON);
    act(slider, WM_LBUTTONUP, 100);
    act(slider, WM_LBUTTONDBLCLK, 20, MK_LBUTTON);   // the second press of a double click
    act(slider, WM_LBUTTONUP, 20);
    EXPECT_EQ(word(slider, vparameter_words::value), -127);
    act(slider, WM_KEYDOWN, 0, VK_UP);
    act(slider, WM_KEYDOWN, 0, VK_DOWN);
    act(slider, WM_KEYDOWN, 0, VK_DOWN);     // at the minimum: reported unchanged
    act(slider, WM_KEYDOWN, 0, VK_LEFT);     // not this slider's key
    expectReports({{static_cast<std::uint32_t>(-3), kPosted},
                   {127, kPosted},
                   {0x1007F, kSent},
                   {0x20000, kPosted},
                   {0x10000, kSent},
                   {0xFFFFFF81u, kPosted},
                   {0xFFFFFF81u, kSent},
                   {0xFFFFFF81u, kSent},
                   {0xFFFFFF82u, kSent},
                   {0xFFFFFF81u, kSent},
                   {0xFFFFFF81u, kSent}});
}

TEST_F(SlidersTest, VerticalSliderTextSetsRangeAndValueSilently) {
    HWND slider = create("32VParameter");
    UpdateWindow(slider);
    setText(slider, static_cast<WPARAM>(-1), "10");   // raises the value to the minimum
    EXPECT_EQ(word(slider, vparameter_words::value), 10);
    EXPECT_EQ(word(slider, vparameter_words::position), 94);   // the minimum's place
    EXPECT_TRUE(needsPaint(slider));
    setText(slider, 1, "127");
    setText(slider, 0, "70000");                       // 4464, then limited to 127
    EXPECT_EQ(word(slider, vparameter_words::value), 127);
    UpdateWindow(slider);
    SendMessageA(slider, WM_KEYDOWN, VK_UP, 1);        // at the maximum: the thumb stays
    EXPECT_FALSE(needsPaint(slider));
    setText(slider, static_cast<WPARAM>(-1), "200");   // minimum above maximum: the maximum
    EXPECT_EQ(word(slider, vparameter_words::value), 127);
    parent_->pump();
    expectReports({{127, kSent}});
    char text[16] = {};
    GetWindowTextA(slider, text, sizeof text);
    EXPECT_STREQ(text, "200");
}

// Height 100: the knob's line travels 10..90, t = trunc((90 - y) * 256 / 80).
TEST_F(SlidersTest, FaderReportsInOrder) {
    HWND fader = create("32AudioFader", WS_CHILD | WS_VISIBLE | kFaderRightButtonReset);
    SetFocus(fader);
    act(fader, WM_LBUTTONDOWN, 50, MK_LBUTTON);   // t 128
    EXPECT_EQ(GetFocus(), parent_->hwnd()) << "the focus goes to the parent";
    EXPECT_EQ(GetCapture(), fader);
    act(fader, WM_MOUSEMOVE, 50);                 // unchanged, still reported
    act(fader, WM_MOUSEMOVE, -40);                // above the travel: the top
    EXPECT_EQ(word(fader, fader_words::position), 10);
    act(fader, WM_LBUTTONUP, -40);
    EXPECT_EQ(GetCapture(), nullptr);
    act(fader, WM_MOUSEMOVE, 70);                 // no drag any more
    act(fader, WM_RBUTTONDOWN, 70);               // reset: t 162
    EXPECT_EQ(word(fader, fader_words::position), 40);
    act(fader, WM_RBUTTONUP, 70);
    act(fader, WM_LBUTTONDOWN, 89, MK_LBUTTON);   // t 3
    act(fader, WM_LBUTTONUP, 89);
    act(fader, WM_LBUTTONDBLCLK, 89, MK_LBUTTON);
    act(fader, WM_LBUTTONUP, 89);
    SetWindowLongA(fader, GWL_STYLE, GetWindowLongA(fader, GWL_STYLE) & ~static_cast<LONG>(kFaderRightButtonReset));
    act(fader, WM_RBUTTONDOWN, 70);               // without the style: nothing
    act(fader, WM_RBUTTONUP, 70);
    expectReports({{8192, kSent},
                   {8192, kSent},
                   {65535, kSent},
                   {0x1FFFF, kSent},
                   {0x4000, kSent},
                   {0x140DF, kSent},
                   {0, kSent},
                   {0x10000, kSent},
                   {0x10000, kSent},
                   {0x10000, kSent}});
}

TEST_F(SlidersTest, FaderTextMovesTheKnobOnlyByWholePixels) {
    HWND fader = create("32AudioFader");
    struct Step { const char* text; int travel; int position; };
    const Step steps[] = {
        {"16384", 161, 40},   // 161 * 80 / 256 = 50.3
        {"16608", 161, 40},   // t 162 lands on the same row: neither word changes
        {"65535", 255, 11},
        {"70000", 255, 11},
        {"-5", 0, 90},
        {"8192", 127, 51},    // 128^3 exactly: the cube root lands just below 128
    };
    for (const Step& s : steps) {
        setText(fader, 0, s.text);
        EXPECT_EQ(word(fader, fader_words::travel), s.travel) << s.text;
        EXPECT_EQ(word(fader, fader_words::position), s.position) << s.text;
    }
    parent_->pump();
    expectReports({});
}

// A window that takes the capture mid-drag ends the drag in both controls.
TEST_F(SlidersTest, LosingTheCaptureEndsTheDrag) {
    HWND slider = create("32VParameter");
    HWND fader = create("32AudioFader");
    for (HWND control : {slider, fader}) {
        act(control, WM_LBUTTONDOWN, 100, MK_LBUTTON);
        SetCapture(parent_->hwnd());
        act(control, WM_MOUSEMOVE, 20);
        ReleaseCapture();
    }
    EXPECT_EQ(word(slider, vparameter_words::value), -127);
    EXPECT_EQ(word(fader, fader_words::travel), 0);
    expectReports({{0xFFFFFF81u, kPosted}, {0, kSent}});
}

// Equal minimum and maximum, a slider 12 high and a fader 20 high have nothing to travel:
// the thumb or knob rests at the bottom end and the minimum is reported.
TEST_F(SlidersTest, NothingToTravelRestsAtTheBottom) {
    HWND slider = create("32VParameter");
    setText(slider, 1, "7");
    setText(slider, static_cast<WPARAM>(-1), "7");
    EXPECT_EQ(word(slider, vparameter_words::position), 94);
    act(slider, WM_LBUTTONDOWN, 20, MK_LBUTTON);
    act(slider, WM_MOUSEMOVE, 30);
    act(slider, WM_LBUTTONUP, 30);
    EXPECT_EQ(word(slider, vparameter_words::position), 94);
    HWND shortSlider = create("32VParameter", WS_CHILD | WS_VISIBLE, 12);
    act(shortSlider, WM_LBUTTONDOWN, 3, MK_LBUTTON);
    EXPECT_EQ(word(shortSlider, vparameter_words::position), 6);
    act(shortSlider, WM_LBUTTONUP, 3);
    HWND fader = create("32AudioFader");
    MoveWindow(fader, 20, 30, 24, 20, FALSE);   // created at the bitmap's size, then squeezed
    act(fader, WM_LBUTTONDOWN, 2, MK_LBUTTON);
    EXPECT_EQ(word(fader, fader_words::position), 10);
    act(fader, WM_MOUSEMOVE, 30);
    act(fader, WM_LBUTTONUP, 30);
    for (HWND control : {slider, shortSlider, fader}) {
        InvalidateRect(control, nullptr, TRUE);
        UpdateWindow(control);   // draws without failing
    }
    expectReports({{7, kPosted}, {0x10007, kSent}, {0xFFFFFF81u, kPosted}, {0xFFFFFF81u, kSent},
                   {0, kSent}, {0, kSent}, {0x10000, kSent}});
}

TEST_F(SlidersTest, ThumbAndKnobImagesAreDrawnWhereTheyBelong) {
    HWND slider = create("32VParameter");
    HWND fader = create("32AudioFader", WS_CHILD | WS_VISIBLE, 100, 100);
    SetFocus(parent_->hwnd());
    EXPECT_EQ(imageMismatches(slider, "VPARAMETERKNOP", 0, 0, 12, 10, 2, 50 - 6), 0) << "grey thumb";
    SetFocus(slider);
    EXPECT_EQ(imageMismatches(slider, "VPARAMETERKNOP", 12, 0, 12, 10, 2, 50 - 6), 0) << "blue thumb";
    setText(fader, 0, "16384");
    EXPECT_EQ(imageMismatches(fader, "FADERKNOP", 0, 0, 14, 16, 4, 40 - 8), 0) << "knob";
    EXPECT_EQ(imageMismatches(fader, "FADERBACK", 0, 60, 24, 30, 0, 60), 0) << "background below the knob";
}

TEST_F(SlidersTest, PaintingKeepsGdiFlat) {
    HWND slider = create("32VParameter");
    HWND fader = create("32AudioFader");
    UpdateWindow(slider);
    UpdateWindow(fader);
    const DWORD before = systemGdiCount();
    GdiLedger ledger;
    for (int i = 0; i < 1000; ++i) {
        for (HWND control : {slider, fader}) {
            InvalidateRect(control, nullptr, FALSE);
            UpdateWindow(control);
        }
    }
    EXPECT_EQ(ledger.created(), 6000u) << "two bitmaps and a memory DC per paint";
    EXPECT_EQ(ledger.live(), 0u);
    EXPECT_EQ(systemGdiCount(), before);
}

}  // namespace
