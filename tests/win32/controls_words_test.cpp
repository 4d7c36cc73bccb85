// Other windows read the controls' state straight from their window words, so each value
// must sit at its published byte index. The indices and expected values below are the
// documented ones, written out as numbers: none comes from the controls' own constants.

#include "tests/win32/controls_test_support.h"

#include "controls/knob.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>

using namespace ctltest;

namespace {

std::int16_t word(HWND window, int index) { return static_cast<std::int16_t>(GetWindowWord(window, index)); }

bool holdsBitmap(HWND window, int index) {
    const auto handle = reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(GetWindowLongA(window, index)));
    return GetObjectType(handle) == static_cast<DWORD>(OBJ_BITMAP);
}

void setText(HWND window, WPARAM which, const char* text) {
    SendMessageA(window, WM_SETTEXT, which, reinterpret_cast<LPARAM>(text));
}

int clientWidth(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return r.right;
}

int clientHeight(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return r.bottom;
}

class WindowWordsTest : public ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        ASSERT_EQ(RegisterKnobClass(module()), 1);
        parent_ = std::make_unique<RecordingParent>(0, 0, 400, 300, std::vector<UINT>{WM_COMMAND}, true);
        ASSERT_NE(parent_->hwnd(), nullptr) << "no window: is DISPLAY set?";
    }
    void TearDown() override {
        parent_.reset();
        UnregisterKnobClass(module());
        ControlsTest::TearDown();
    }
    HWND create(const char* className, int width, int height) {
        return createControl(className, parent_->hwnd(), 300, 10, 10, width, height);
    }
    std::unique_ptr<RecordingParent> parent_;
};

TEST_F(WindowWordsTest, EveryControlKeepsItsStateAtItsPublishedByteIndex) {
    struct Expected { int index; int value; };
    // Meter and indicator: level at 2, hold at 4, in display units floor((dB + 48)^2 / 9).
    for (const char* name : {"32AudioMeter", "32AudioIndicator"}) {
        HWND control = create(name, 100, 56);
        ASSERT_NE(control, nullptr) << name;
        setText(control, 0, "-12");    // 36 * 36 / 9 = 144
        setText(control, 1, "-24");    // 24 * 24 / 9 = 64
        for (const Expected e : {Expected{2, 144}, Expected{4, 64}}) EXPECT_EQ(word(control, e.index), e.value) << name << " @" << e.index;
        DestroyWindow(control);
    }
    // LED: the level in dB plus 48 at 2.
    HWND led = create("32AudioLed", 20, 20);
    setText(led, 0, "-6");
    EXPECT_EQ(word(led, 2), 42) << "32AudioLed @2";
    // Sliders: position at 0, value at 2, minimum at 4, maximum at 6.
    for (const char* name : {"32HParameter", "32VParameter"}) {
        HWND slider = create(name, 210, 112);
        ASSERT_NE(slider, nullptr) << name;
        setText(slider, static_cast<WPARAM>(-1), "-50");
        setText(slider, 1, "90");
        setText(slider, 0, "30");
        const bool horizontal = name[2] == 'H';
        // 5 + trunc(80 * (W - 10) / 140), or h - (trunc(80 * (h - 12) / 140) + 6).
        const int w = clientWidth(slider), h = clientHeight(slider);
        const int position = horizontal ? 5 + 80 * (w - 10) / 140 : h - (80 * (h - 12) / 140 + 6);
        for (const Expected e : {Expected{0, position}, Expected{2, 30}, Expected{4, -50}, Expected{6, 90}})
            EXPECT_EQ(word(slider, e.index), e.value) << name << " @" << e.index;
    }
    // Fader: knob line at 0, travel word at 2; level 65535 is travel 255 (255^3 <= 65535 * 256 < 256^3).
    HWND fader = create("32AudioFader", 30, 120);
    setText(fader, 0, "65535");
    const int fh = clientHeight(fader);
    EXPECT_EQ(word(fader, 2), 255) << "32AudioFader @2";
    EXPECT_EQ(word(fader, 0), (fh - 10) - 255 * (fh - 20) / 256) << "32AudioFader @0";
    // Pan: knob column at 0 (4..w-4, centre w/2), value at 2.
    HWND pan = create("32AudioPan", 120, 20);
    setText(pan, 0, "-100");
    EXPECT_EQ(word(pan, 2), -100) << "32AudioPan @2";
    EXPECT_GE(word(pan, 0), 4) << "32AudioPan @0";
    EXPECT_LT(word(pan, 0), clientWidth(pan) / 2) << "32AudioPan @0: left of the centre for -100";
    // Knob: cell width at 2 and height at 4 (half the picture), flags at 6, angle at 8, bitmap at 10.
    HWND knob = create("32Knop", 40, 40);
    setText(knob, 0, "77");
    BITMAP picture{};
    HBITMAP knop = LoadBitmapA(module(), "KNOP0");
    ASSERT_NE(knop, nullptr);
    GetObjectA(knop, sizeof picture, &picture);
    DeleteObject(knop);
    for (const Expected e : {Expected{2, picture.bmWidth / 2}, Expected{4, picture.bmHeight / 2}, Expected{8, 77}})
        EXPECT_EQ(word(knob, e.index), e.value) << "32Knop @" << e.index;
    EXPECT_EQ(word(knob, 6) & 1, 1) << "32Knop @6: the enabled bit";
    EXPECT_TRUE(holdsBitmap(knob, 10)) << "32Knop @10";
    // Oscilloscope: the background bitmap at 0, the off-screen bitmap at 4.
    HWND oszi = create("32VideoOszi", 140, 60);
    EXPECT_TRUE(holdsBitmap(oszi, 0)) << "32VideoOszi @0";
    EXPECT_TRUE(holdsBitmap(oszi, 4)) << "32VideoOszi @4";
}

}  // namespace
