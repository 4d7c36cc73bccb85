// The level meter as a real window: creation, level texts, boundary rows and the hold mark
// checked pixel by pixel against the artwork, the window text, a missing bitmap, and GDI
// objects over many paints.

#include "tests/win32/controls_test_support.h"

#include "controls/audio_meter.h"
#include "controls/controls.h"
#include "controls/hparameter.h"

#include <memory>
#include <string>
#include <vector>

using namespace ctltest;

namespace {

constexpr COLORREF kFrameDark = RGB(149, 149, 149);
constexpr COLORREF kFrameLight = RGB(248, 248, 248);
constexpr COLORREF kLitCentre = RGB(98, 183, 255);
constexpr COLORREF kUnlitCentre = RGB(38, 53, 84);

class MeterTest : public ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        parent_ = std::make_unique<RecordingParent>(40, 40, 300, 200);
        meter_ = createControl("32AudioMeter", parent_->hwnd(), 701, 10, 12, 50, 20,
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP);
        ASSERT_NE(meter_, nullptr);
        art_ = loadPicture("AUDIOMETER");
        ASSERT_EQ(art_.width, 30);
        ASSERT_EQ(art_.height, 56);
    }
    void TearDown() override {
        parent_.reset();
        ControlsTest::TearDown();
    }

    void setLevel(const char* text) { SendMessageA(meter_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)); }
    void setHold(const char* text) { SendMessageA(meter_, WM_SETTEXT, 1, reinterpret_cast<LPARAM>(text)); }
    int level() const { return static_cast<WORD>(GetWindowWord(meter_, meter_words::level)); }
    int hold() const { return static_cast<WORD>(GetWindowWord(meter_, meter_words::hold)); }
    std::string text() const {
        char buffer[64] = {};
        GetWindowTextA(meter_, buffer, sizeof buffer);
        return buffer;
    }

    // Every client pixel must come from the lit picture (source x) on the rows marked lit
    // and from the unlit picture (source x + W) on the others.
    void expectRows(const std::vector<bool>& lit) {
        RECT client{};
        GetClientRect(meter_, &client);
        const int w = client.right;
        ASSERT_EQ(client.bottom, static_cast<LONG>(lit.size()));
        InvalidateRect(meter_, nullptr, FALSE);
        UpdateWindow(meter_);
        HDC dc = GetDC(meter_);
        int mismatches = 0;
        for (int y = 0; y < client.bottom; ++y) {
            for (int x = 0; x < w; ++x) {
                const COLORREF expected = lit[static_cast<std::size_t>(y)] ? art_.at(x, y) : art_.at(x + w, y);
                const COLORREF actual = GetPixel(dc, x, y);
                if (actual != expected && ++mismatches <= 5) {
                    ADD_FAILURE() << "x " << x << " y " << y << " (" << (lit[static_cast<std::size_t>(y)] ? "lit" : "unlit")
                                  << "): " << hex(actual) << " instead of " << hex(expected);
                }
            }
        }
        ReleaseDC(meter_, dc);
        EXPECT_EQ(mismatches, 0);
    }

    // Rows [from, to) lit, the rest unlit, for a 56-row meter.
    static std::vector<bool> litRows(std::initializer_list<std::pair<int, int>> ranges) {
        std::vector<bool> lit(56, false);
        for (auto [from, to] : ranges) {
            for (int y = from; y < to; ++y) {
                lit[static_cast<std::size_t>(y)] = true;
            }
        }
        return lit;
    }

    // At width 14 the unlit picture is taken from source x 14, the lit picture's right
    // frame column, so column 0 is light on unlit rows and dark on lit rows (1..54): the
    // boundary shows on every row, also between the segments.
    void expectBoundaryAtNarrowWidth(int boundary) {
        SetWindowPos(meter_, nullptr, 0, 0, 14, 56, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(meter_, nullptr, FALSE);
        UpdateWindow(meter_);
        for (int y = 1; y < 55; ++y) {
            EXPECT_EQ(hex(pixel(meter_, 0, y)), hex(y < boundary ? kFrameLight : kFrameDark))
                << "row " << y << " with the boundary at row " << boundary;
        }
        SetWindowPos(meter_, nullptr, 0, 0, 15, 56, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    std::unique_ptr<RecordingParent> parent_;
    HWND meter_ = nullptr;
    Picture art_;
};

// Levels arrive ten times a second: only a change of what the meter shows repaints, and
// only its changed rows, which must then look exactly like a full repaint.
TEST_F(MeterTest, OnlyChangedRowsRepaintAndMatchAFullPaint) {
    struct Step {
        WPARAM which;
        const char* text;
        bool repaint;
    } const steps[] = {{0, "-10", true}, {0, "-10", false}, {0, " -10x", false}, {0, "-9", true},
                       {1, "-3", true},  {1, "-3", false},  {0, "-30", true},  {0, "-4", true},
                       {1, "-20", true}, {0, "-60", true},  {0, "-48", false}, {0, "0", true}};
    RECT client{};
    GetClientRect(meter_, &client);
    auto screen = [&] {
        std::vector<COLORREF> pixels;
        for (int y = 0; y < client.bottom; ++y)
            for (int x = 0; x < client.right; ++x) pixels.push_back(pixel(meter_, x, y));
        return pixels;
    };
    for (const Step& step : steps) {
        UpdateWindow(meter_);
        SendMessageA(meter_, WM_SETTEXT, step.which, reinterpret_cast<LPARAM>(step.text));
        EXPECT_EQ(GetUpdateRect(meter_, nullptr, FALSE) != FALSE, step.repaint) << step.which << " " << step.text;
        EXPECT_EQ(text(), step.text);
        const std::vector<COLORREF> partly = screen();
        InvalidateRect(meter_, nullptr, FALSE);
        EXPECT_EQ(partly, screen()) << step.which << " " << step.text;
    }
}

TEST_F(MeterTest, CreationSizesFromTheBitmapKeepsTheCornerDropsTabStop) {
    const RECT r = rectInParent(meter_);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 12);
    EXPECT_EQ(r.right - r.left, 15);
    EXPECT_EQ(r.bottom - r.top, 56);
    EXPECT_EQ(GetWindowLongA(meter_, GWL_STYLE) & WS_TABSTOP, 0);
    EXPECT_EQ(GetWindowLongA(meter_, GWL_STYLE) & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);
    EXPECT_EQ(GetClassLongA(meter_, GCL_CBWNDEXTRA), 8);
    EXPECT_EQ(level(), 0);
    EXPECT_EQ(hold(), 0);
}

TEST_F(MeterTest, LevelTextsBecomeDisplayUnits) {
    struct Case { const char* text; int units; };
    const Case cases[] = {
        {"-1", 245}, {"-2", 235}, {"-3", 225}, {"-6", 196}, {"-12", 144}, {"-24", 64}, {"-40", 7},
        {"-41", 5}, {"-42", 4}, {"-47", 0}, {"-48", 0}, {"-100", 0}, {"0", 256}, {"5", 256},
        {"level", 256}, {"", 256}, {"  -12dB", 144}, {"-36", 16},
    };
    for (const Case& c : cases) {
        setLevel("-30");   // a different value first, so each case is a change
        setLevel(c.text);
        EXPECT_EQ(level(), c.units) << "\"" << c.text << "\"";
        EXPECT_EQ(hold(), 0) << "the level leaves the hold mark alone";
    }
}

TEST_F(MeterTest, AnyNonZeroWParamSetsTheHoldMark) {
    setLevel("-24");
    setHold("-6");
    EXPECT_EQ(hold(), 196);
    SendMessageA(meter_, WM_SETTEXT, 7, reinterpret_cast<LPARAM>("-12"));
    EXPECT_EQ(hold(), 144);
    SendMessageA(meter_, WM_SETTEXT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("-3"));
    EXPECT_EQ(hold(), 225);
    EXPECT_EQ(level(), 64);
}

TEST_F(MeterTest, LastTextSentIsTheWindowText) {
    setLevel("-12");
    EXPECT_EQ(text(), "-12");
    setHold("-3");
    EXPECT_EQ(text(), "-3");
    setLevel("not a number");
    EXPECT_EQ(text(), "not a number");
    EXPECT_EQ(SendMessageA(meter_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("-7")), TRUE);
    EXPECT_EQ(text(), "-7");
}

TEST_F(MeterTest, BoundaryRowsForTheTellingLevels) {
    struct Case { const char* text; int row; };
    const Case cases[] = {{"-6", 13}, {"-12", 24}, {"-24", 41}, {"-48", 55}, {"0", 1}, {"-100", 55}, {"5", 1}};
    for (const Case& c : cases) {
        setLevel(c.text);
        expectRows(litRows({{c.row, 56}}));
        expectBoundaryAtNarrowWidth(c.row);
    }
}

TEST_F(MeterTest, SegmentsAroundTheBoundaryShowLitAndUnlit) {
    setLevel("-12");   // boundary row 24 splits the segment on rows 23 and 24
    UpdateWindow(meter_);
    EXPECT_EQ(hex(pixel(meter_, 7, 23)), hex(kUnlitCentre));
    EXPECT_EQ(hex(pixel(meter_, 7, 24)), hex(kLitCentre));
    EXPECT_EQ(hex(pixel(meter_, 7, 51)), hex(kLitCentre));
    EXPECT_EQ(hex(pixel(meter_, 7, 3)), hex(kUnlitCentre));
    EXPECT_EQ(hex(pixel(meter_, 0, 30)), hex(kFrameDark));
    EXPECT_EQ(hex(pixel(meter_, 14, 30)), hex(kFrameLight));
    setLevel("0");
    UpdateWindow(meter_);
    EXPECT_EQ(hex(pixel(meter_, 7, 3)), hex(kLitCentre));
    setLevel("-48");
    UpdateWindow(meter_);
    EXPECT_EQ(hex(pixel(meter_, 7, 51)), hex(kUnlitCentre));
    EXPECT_EQ(hex(pixel(meter_, 7, 52)), hex(kUnlitCentre));
}

TEST_F(MeterTest, HoldAtFullScaleOverEmptyLevel) {
    setLevel("-48");
    setHold("0");
    expectRows(litRows({{1, 3}, {55, 56}}));
    SetWindowPos(meter_, nullptr, 0, 0, 14, 56, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    expectRows(litRows({{1, 3}, {55, 56}}));
}

TEST_F(MeterTest, HoldAtMinus24OverEmptyLevel) {
    setLevel("-48");
    setHold("-24");
    expectRows(litRows({{41, 43}, {55, 56}}));
    SetWindowPos(meter_, nullptr, 0, 0, 14, 56, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    expectRows(litRows({{41, 43}, {55, 56}}));
}

TEST_F(MeterTest, HoldWithinTwoUnitsOfTheLevelIsNotShown) {
    setLevel("-42");   // 4 units, boundary row 54
    setHold("-41");    // 5 units
    expectRows(litRows({{54, 56}}));
    setHold("-40");    // 7 units: more than 2 above, shown at row 53 (55 - ceil(378 / 256))
    expectRows(litRows({{53, 56}}));
}

TEST_F(MeterTest, HoldBelowTheLevelIsNotShown) {
    setLevel("-6");
    setHold("-24");
    expectRows(litRows({{13, 56}}));
}

TEST_F(MeterTest, HoldMarkTouchingTheLevelBand) {
    setLevel("-12");   // row 24
    setHold("-11");    // 37^2 / 9 = 152 units, row 55 - ceil(8208 / 256) = 22
    expectRows(litRows({{22, 56}}));
}

TEST(MeterWithoutBitmap, KeepsTemplateSizeAndDrawsNothingWithoutLeaks) {
    // The classes' module is one without the artwork.
    HINSTANCE foreign = GetModuleHandleA("kernel32.dll");
    ASSERT_NE(foreign, nullptr);
    ASSERT_EQ(RegisterAudioControls(foreign), 1);
    {
        GdiLedger ledger;
        RecordingParent parent(40, 40, 300, 200);
        HWND meter = createControl("32AudioMeter", parent.hwnd(), 701, 10, 12, 50, 20);
        HWND slider = createControl("32HParameter", parent.hwnd(), 201, 10, 100, 210, 30);
        ASSERT_NE(meter, nullptr);
        ASSERT_NE(slider, nullptr);
        RECT r = rectInParent(meter);
        EXPECT_EQ(r.right - r.left, 50);
        EXPECT_EQ(r.bottom - r.top, 20);
        r = rectInParent(slider);
        EXPECT_EQ(r.right - r.left, 210);
        EXPECT_EQ(r.bottom - r.top, 30);
        SendMessageA(meter, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("-12"));
        EXPECT_EQ(static_cast<WORD>(GetWindowWord(meter, meter_words::level)), 144);
        SendMessageA(slider, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("40"));
        EXPECT_EQ(static_cast<short>(GetWindowWord(slider, hparameter_words::value)), 40);
        for (int i = 0; i < 20; ++i) {
            InvalidateRect(meter, nullptr, FALSE);
            InvalidateRect(slider, nullptr, FALSE);
            UpdateWindow(meter);
            UpdateWindow(slider);
        }
        DestroyWindow(meter);
        DestroyWindow(slider);
        EXPECT_EQ(ledger.live(), 0u);
        for (const auto& d : ledger.deletions()) {
            EXPECT_TRUE(d.wasLive);
        }
    }
    UnregisterAudioControls(foreign);
}

}  // namespace
