// The pan control and the knob as real windows: what the parent receives for each mouse and
// key action (all sent, exact lParam, the release bit, double clicks), text in and out,
// focus and enabling, the cases with nothing to travel, a few pixels against the artwork,
// and GDI objects over many paints.

#include "tests/win32/controls_test_support.h"

#include "controls/audio_pan.h"
#include "controls/controls.h"
#include "controls/knob.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace ctltest;

namespace {

constexpr int kPanId = 301;
constexpr int kKnobId = 302;
constexpr auto kMinus = [](int n) { return static_cast<std::uint32_t>(n); };

class RotaryTest : public ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        ASSERT_EQ(RegisterKnobClass(module()), 1);
        parent_ = std::make_unique<RecordingParent>(60, 420, 300, 120);
    }
    void TearDown() override {
        if (GetCapture() != nullptr) {
            ReleaseCapture();
        }
        parent_.reset();
        UnregisterKnobClass(module());
        ControlsTest::TearDown();
    }
    static LRESULT mouse(HWND control, UINT message, int x) {
        return SendMessageA(control, message, 0, MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), 8));
    }
    static LRESULT setText(HWND control, const char* text) {
        return SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    }
    static short word(HWND control, int index) { return static_cast<short>(GetWindowWord(control, index)); }

    // Every report since the last call was sent (during the call that caused it), with the
    // control id and notification code 0, and these lParams in this order.
    void expectSent(int id, const std::vector<std::uint32_t>& lParams) {
        parent_->pump();
        const auto got = parent_->takeReports();
        ASSERT_EQ(got.size(), lParams.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].wParam, static_cast<WPARAM>(id)) << "report " << i;
            EXPECT_EQ(got[i].fullLParam, static_cast<LPARAM>(static_cast<std::int32_t>(lParams[i]))) << "report " << i;
            EXPECT_FALSE(got[i].queued) << "report " << i << " was posted";
        }
    }

    RealMouseBlocker realMouse_;
    std::unique_ptr<RecordingParent> parent_;
};

// ---- pan -----------------------------------------------------------------------------------

class PanTest : public RotaryTest {
protected:
    // The control takes the background's size (64 x 20) at creation; the worked examples
    // use a client width of 40, given to it afterwards.
    HWND createPan(int width = 40, DWORD style = WS_CHILD | WS_VISIBLE) {
        HWND pan = createControl("32AudioPan", parent_->hwnd(), kPanId, 10, 20, 100, 50, style, "0");
        EXPECT_NE(pan, nullptr);
        MoveWindow(pan, 10, 20, width, 20, FALSE);
        setText(pan, "0");
        return pan;
    }
    static int position(HWND pan) { return word(pan, pan_words::position); }
    static int value(HWND pan) { return word(pan, pan_words::value); }
};

TEST_F(PanTest, CreationAndTextsMoveTheKnobWithoutReports) {
    HWND created = createControl("32AudioPan", parent_->hwnd(), kPanId, 10, 20, 100, 50,
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP);
    const RECT r = rectInParent(created);
    EXPECT_EQ(r.right - r.left, 64);
    EXPECT_EQ(r.bottom - r.top, 20);
    EXPECT_EQ(GetWindowLongA(created, GWL_STYLE) & WS_TABSTOP, 0);
    EXPECT_EQ(position(created), 32);
    HWND pan = createPan();
    struct Case { const char* text; int x; int value; };
    // "1" keeps the knob's column, so the value stays too.
    const Case cases[] = {{"200", 35, 127}, {"-300", 5, -127}, {"64", 28, 64}, {"0", 20, 0}, {"1", 20, 0}};
    for (const Case& c : cases) {
        setText(pan, c.text);
        EXPECT_EQ(position(pan), c.x) << c.text;
        EXPECT_EQ(value(pan), c.value) << c.text;
    }
    expectSent(kPanId, {});
}

TEST_F(PanTest, PressDragReleaseDoubleClickAndLostCapture) {
    HWND pan = createPan();
    mouse(pan, WM_LBUTTONDOWN, 19);
    EXPECT_EQ(position(pan), 19);
    EXPECT_EQ(GetCapture(), pan);
    EXPECT_EQ(GetFocus(), parent_->hwnd()) << "the pan hands the focus to its parent";
    mouse(pan, WM_MOUSEMOVE, 21);
    mouse(pan, WM_MOUSEMOVE, 21);       // reported although unchanged
    mouse(pan, WM_MOUSEMOVE, 5);
    mouse(pan, WM_MOUSEMOVE, 300);
    EXPECT_EQ(position(pan), 36);
    mouse(pan, WM_LBUTTONUP, 300);
    EXPECT_EQ(GetCapture(), nullptr);
    mouse(pan, WM_MOUSEMOVE, 30);       // no drag any more
    SendMessageA(pan, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(4, 8));
    mouse(pan, WM_LBUTTONUP, 4);
    expectSent(kPanId, {0xF9, 0x07, 0x07, 0x89, 0x7F, 0x1007F, 0x1007F});
    HWND odd = createPan(41);           // unequal halves
    mouse(odd, WM_LBUTTONDOWN, -20);
    SetCapture(parent_->hwnd());        // a lost capture ends the drag
    mouse(odd, WM_MOUSEMOVE, 37);
    EXPECT_EQ(value(odd), -123);
    expectSent(kPanId, {0x85});
}

TEST_F(PanTest, RightPressResetsOnlyWithStyleBitTwo) {
    HWND resetting = createPan(40, WS_CHILD | WS_VISIBLE | kPanRightResets);
    mouse(resetting, WM_LBUTTONDOWN, 36);
    mouse(resetting, WM_RBUTTONDOWN, 36);
    EXPECT_EQ(position(resetting), 20);
    EXPECT_EQ(GetCapture(), resetting) << "the capture stays until the left release";
    mouse(resetting, WM_MOUSEMOVE, 10);  // the right press ended the drag
    mouse(resetting, WM_RBUTTONUP, 10);
    mouse(resetting, WM_LBUTTONUP, 10);
    HWND plain = createPan();
    setText(plain, "-64");
    mouse(plain, WM_RBUTTONDOWN, 30);
    mouse(plain, WM_RBUTTONUP, 30);
    expectSent(kPanId, {0x7F, 0x00, 0x10000, 0x10000, 0x100C0});
}

TEST_F(PanTest, NarrowControlsRestAtTheLeftEndAndReportTheMinimum) {
    for (int width : {8, 5}) {
        HWND pan = createPan(width, WS_CHILD | WS_VISIBLE | kPanRightResets);
        mouse(pan, WM_LBUTTONDOWN, 2);
        EXPECT_EQ(position(pan), 4);
        mouse(pan, WM_LBUTTONUP, 6);
        mouse(pan, WM_RBUTTONDOWN, 6);
        setText(pan, "100");
        EXPECT_EQ(position(pan), 4);
        UpdateWindow(pan);   // draws without failing
        expectSent(kPanId, {0x81, 0x10081, 0x00});
        DestroyWindow(pan);
    }
}

TEST_F(PanTest, KnobImageSitsLeftOfItsColumnOnTheBackground) {
    HWND pan = createControl("32AudioPan", parent_->hwnd(), kPanId, 10, 20, 100, 50);
    setText(pan, "127");   // column 32 + 27
    ASSERT_EQ(position(pan), 59);
    UpdateWindow(pan);
    const Picture back = loadPicture("PANBACK");
    const Picture knob = loadPicture("PANKNOP");
    ASSERT_EQ(back.width, 64);
    ASSERT_GE(knob.height, 11);
    int mismatches = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool onKnob = x >= 56 && x <= 59 && y >= 7 && y <= 17;
            mismatches += pixel(pan, x, y) != (onKnob ? knob.at(x - 56, y - 7) : back.at(x, y)) ? 1 : 0;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

// ---- knob ----------------------------------------------------------------------------------

class KnobTest : public RotaryTest {
protected:
    HWND createKnob(DWORD style = WS_CHILD | WS_VISIBLE) {
        HWND knob = createControl(kKnobClass, parent_->hwnd(), kKnobId, 100, 20, 40, 40, style, "knob");
        EXPECT_NE(knob, nullptr);
        return knob;
    }
    static int angle(HWND knob) { return word(knob, knob_words::angle); }
    static unsigned flags(HWND knob) { return static_cast<WORD>(GetWindowWord(knob, knob_words::flags)); }
    static LRESULT key(HWND knob, WPARAM vk) { return SendMessageA(knob, WM_KEYDOWN, vk, 1); }
    static LRESULT pressed(HWND knob) { return SendMessageA(knob, BM_GETSTATE, 0, 0); }
};

TEST_F(KnobTest, ClassHasFourteenExtraBytesAndTheBitmapSlotHoldsAHandle) {
    WNDCLASSA wc{};
    ASSERT_TRUE(GetClassInfoA(module(), kKnobClass, &wc));
    EXPECT_EQ(wc.lpfnWndProc, &KnopProc);
    EXPECT_EQ(wc.cbWndExtra, 14);
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_GLOBALCLASS | CS_DBLCLKS));
    HWND knob = createKnob(WS_CHILD | WS_VISIBLE | 3);
    EXPECT_EQ(word(knob, knob_words::cellWidth), 32);
    EXPECT_EQ(word(knob, knob_words::cellHeight), 32);
    EXPECT_EQ(flags(knob), knob_flags::enabled);
    // The 32-bit slot at 10 gives back a working bitmap also in a 64-bit process.
    const auto slot = static_cast<LONG_PTR>(GetWindowLongA(knob, knob_words::bitmap));
    EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(slot)), static_cast<DWORD>(OBJ_BITMAP));
}

TEST_F(KnobTest, TextSetsTheAngleLow16BitsAndReadsBackWithinTheBuffer) {
    HWND knob = createKnob();
    struct Case { const char* text; int angle; const char* readBack; };
    const Case cases[] = {{"400", 400, "400"},   {"-70000", -4464, "-4464"}, {"65535", -1, "-1"},
                          {"x", 0, "0"},         {"-45", -45, "-45"}};
    for (const Case& c : cases) {
        EXPECT_EQ(setText(knob, c.text), 0);
        EXPECT_EQ(angle(knob), c.angle) << c.text;
        char text[16] = {};
        SendMessageA(knob, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, c.readBack);
    }
    struct Read { WPARAM size; const char* text; };
    const Read reads[] = {{16, "-45"}, {4, "-45"}, {3, "-4"}, {1, ""}, {0, "XXXXX"}};
    for (const Read& r : reads) {
        char buffer[20];
        std::memset(buffer, 'X', sizeof buffer);
        buffer[5] = '\0';
        EXPECT_EQ(SendMessageA(knob, WM_GETTEXT, r.size, reinterpret_cast<LPARAM>(buffer)), 0);
        EXPECT_STREQ(buffer, r.text) << "size " << r.size;
        EXPECT_EQ(buffer[r.size], 'X') << "wrote past " << r.size << " bytes";
    }
    EXPECT_EQ(GetWindowTextLengthA(knob), 4) << "the window text stays \"knob\"";
    expectSent(kKnobId, {});
}

TEST_F(KnobTest, PressAndTurningDragStepsAreSentWhileEnabled) {
    HWND knob = createKnob();
    setText(knob, "-20");
    mouse(knob, WM_LBUTTONDOWN, 100);
    EXPECT_EQ(GetCapture(), knob);
    EXPECT_EQ(flags(knob), knob_flags::enabled | knob_flags::focused | knob_flags::pressed);
    mouse(knob, WM_MOUSEMOVE, 130);     // -20 + 30
    mouse(knob, WM_MOUSEMOVE, 300);
    mouse(knob, WM_MOUSEMOVE, 301);     // still 135: not reported
    mouse(knob, WM_MOUSEMOVE, -100);
    mouse(knob, WM_LBUTTONUP, -100);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(pressed(knob), 0) << "the release lets the knob up";
    SendMessageA(knob, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(120, 8));
    mouse(knob, WM_MOUSEMOVE, 140);     // no capture: nothing
    mouse(knob, WM_LBUTTONDOWN, 100);
    SetCapture(parent_->hwnd());        // a lost capture ends the drag too
    EXPECT_EQ(pressed(knob), 0);
    mouse(knob, WM_MOUSEMOVE, 150);
    expectSent(kKnobId, {kMinus(-20), 10, 135, kMinus(-135), kMinus(-135)});
    ReleaseCapture();
    EnableWindow(knob, FALSE);
    mouse(knob, WM_LBUTTONDOWN, 10);
    SendMessageA(knob, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(flags(knob), 0u);
    SendMessageA(knob, BM_SETSTATE, 1, 0);
    EXPECT_EQ(pressed(knob), 1);
    expectSent(kKnobId, {});
}

TEST_F(KnobTest, KeysStepWhileFocusedAndReportEvenAtTheLimits) {
    HWND knob = createKnob();
    setText(knob, "179");
    key(knob, VK_OEM_PLUS);
    EXPECT_EQ(angle(knob), 179) << "no steps without the focus";
    SetFocus(knob);
    EXPECT_EQ(key(knob, VK_OEM_PLUS), 0);
    EXPECT_EQ(key(knob, VK_RIGHT), 0);
    EXPECT_EQ(SendMessageA(knob, WM_KEYUP, VK_RIGHT, 1), 0);
    setText(knob, "-179");
    key(knob, VK_LEFT);
    key(knob, VK_OEM_MINUS);
    key(knob, VK_UP);
    expectSent(kKnobId, {180, 180, kMinus(-180), kMinus(-180)});
    SetFocus(parent_->hwnd());
    EXPECT_EQ(flags(knob), knob_flags::enabled);
}

// The knob's picture, one row lower than in its cell, over the parent's background, and the
// pointer: white from the centre, black one pixel up and to the left.
TEST_F(KnobTest, DrawsTheCellTransparentlyAndThePointer) {
    HWND knob = createKnob();
    UpdateWindow(parent_->hwnd());
    const Picture art = loadPicture("KNOP0");
    ASSERT_EQ(art.height, 64);
    const COLORREF background = pixel(parent_->hwnd(), 5, 5);
    struct Pointer { const char* angle; int whiteX, whiteY, blackX, blackY; };
    const Pointer pointers[] = {{"90", 20, 16, 20, 15}, {"-90", 10, 16, 10, 15}, {"0", 16, 10, 15, 10}};
    for (bool enabled : {true, false}) {
        EnableWindow(knob, enabled);
        for (const Pointer& p : pointers) {
            setText(knob, p.angle);
            UpdateWindow(knob);
            EXPECT_EQ(hex(pixel(knob, p.whiteX, p.whiteY)), hex(RGB(255, 255, 255))) << p.angle;
            EXPECT_EQ(hex(pixel(knob, p.blackX, p.blackY)), hex(RGB(0, 0, 0))) << p.angle;
        }
        EXPECT_EQ(hex(pixel(knob, 0, 0)), hex(background));
        EXPECT_EQ(hex(pixel(knob, 31, 31)), hex(background));
        int mismatches = 0;   // below the pointer, which points up now
        for (int y = 18; y < 28; ++y) {
            for (int x = 8; x < 25; ++x) {
                mismatches += pixel(knob, x, y) != art.at(x, (enabled ? 0 : 32) + y - 1) ? 1 : 0;
            }
        }
        EXPECT_EQ(mismatches, 0) << (enabled ? "enabled" : "disabled") << " picture";
    }
}

// ---- both ----------------------------------------------------------------------------------

TEST_F(RotaryTest, PensLiveWithTheKnobsAndThousandPaintsLeaveNothing) {
    GdiLedger ledger;
    HWND pan = createControl("32AudioPan", parent_->hwnd(), kPanId, 10, 20, 100, 50);
    HWND first = createControl(kKnobClass, parent_->hwnd(), kKnobId, 100, 20, 40, 40, WS_CHILD | WS_VISIBLE | 5);
    HWND second = createControl(kKnobClass, parent_->hwnd(), kKnobId + 1, 150, 20, 40, 40);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(ledger.createdOfType(OBJ_PEN), 2u) << "one pair of pens for all knobs";
    for (int i = 0; i < 1000; ++i) {
        const std::string number = std::to_string(i % 361 - 180);
        setText(pan, number.c_str());
        setText(first, number.c_str());
        InvalidateRect(pan, nullptr, FALSE);
        UpdateWindow(pan);
        UpdateWindow(first);
    }
    EXPECT_GE(ledger.createdOfType(OBJ_MEMDC), 3000u);
    EXPECT_GE(ledger.createdOfType(OBJ_BITMAP), 3000u);
    auto penDeletions = [&ledger] {
        const auto& all = ledger.deletions();
        return std::count_if(all.begin(), all.end(), [](const auto& d) { return d.type == OBJ_PEN; });
    };
    DestroyWindow(first);
    EXPECT_EQ(penDeletions(), 0) << "the pens outlive the first knob";
    DestroyWindow(second);
    EXPECT_EQ(penDeletions(), 2) << "and go with the last one";
    DestroyWindow(pan);
    pumpMessages();
    EXPECT_EQ(ledger.live(), 0u) << "objects made and never freed";
    const auto& all = ledger.deletions();
    EXPECT_TRUE(std::all_of(all.begin(), all.end(), [](const auto& d) { return d.wasLive; }))
        << "deleted handles that were not made here (or twice)";
}

}  // namespace
