// The display controls as real windows: size and words after creation, texts in and nothing
// out, the indicator's columns, the LED's colours and frame, the oscilloscope's trace, its
// bitmaps released, and GDI objects over many paints.

#include "tests/win32/controls_test_support.h"

#include "controls/audio_indicator.h"
#include "controls/audio_led.h"
#include "controls/video_oszi.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace ctltest;

namespace {

constexpr COLORREF kGreen = RGB(0, 255, 0);

LRESULT setText(HWND window, WPARAM wParam, const std::string& text) {
    return SendMessageA(window, WM_SETTEXT, wParam, reinterpret_cast<LPARAM>(text.c_str()));
}
int word(HWND window, int index) { return static_cast<WORD>(GetWindowWord(window, index)); }
HBITMAP bitmapAt(HWND window, int index) {
    return reinterpret_cast<HBITMAP>(static_cast<LONG_PTR>(GetWindowLongA(window, index)));
}

class DisplayTest : public ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        parent_ = std::make_unique<RecordingParent>(40, 40, 400, 240);
        const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
        indicator_ = createControl("32AudioIndicator", parent_->hwnd(), 801, 10, 12, 40, 30, style);
        led_ = createControl("32AudioLed", parent_->hwnd(), 802, 10, 60, 10, 10, style);
        oszi_ = createControl("32VideoOszi", parent_->hwnd(), 803, 200, 20, 50, 50, style);
        ASSERT_TRUE(indicator_ && led_ && oszi_);
    }
    void TearDown() override {
        parent_.reset();
        ControlsTest::TearDown();
    }
    std::unique_ptr<RecordingParent> parent_;
    HWND indicator_ = nullptr;
    HWND led_ = nullptr;
    HWND oszi_ = nullptr;
};

TEST_F(DisplayTest, CreationSizesAndDropsTheTabStop) {
    struct Case { HWND window; RECT rect; int extraBytes; };
    const Case cases[] = {
        {indicator_, {10, 12, 110, 27}, 12},   // one picture of the 100 x 30 bitmap
        {led_, {10, 60, 20, 70}, 8},           // the template's size
        {oszi_, {200, 20, 335, 148}, 12},      // the background's 135 x 128
    };
    for (const Case& c : cases) {
        const RECT r = rectInParent(c.window);
        EXPECT_TRUE(EqualRect(&r, &c.rect)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
        EXPECT_EQ(GetClassLongA(c.window, GCL_CBWNDEXTRA), c.extraBytes);
        EXPECT_EQ(GetWindowLongA(c.window, GWL_STYLE) & WS_TABSTOP, 0);
    }
    BITMAP offscreen{};
    EXPECT_NE(bitmapAt(oszi_, oszi_longs::background), nullptr);
    ASSERT_NE(GetObjectA(bitmapAt(oszi_, oszi_longs::offscreen), sizeof offscreen, &offscreen), 0);
    EXPECT_EQ(offscreen.bmWidth * 1000 + offscreen.bmHeight, 135128);
}

// The whole protocol of the three: texts in, nothing out, no focus taken by the mouse.
TEST_F(DisplayTest, TextsSetWordsAndNothingReachesTheParent) {
    struct Step { HWND window; WPARAM wParam; const char* text; LRESULT result; int index; int word; };
    const Step steps[] = {
        {indicator_, 0, "-12", TRUE, indicator_words::level, 144},
        {indicator_, 1, "-6", TRUE, indicator_words::hold, 196},
        {indicator_, static_cast<WPARAM>(-1), "0", TRUE, indicator_words::hold, 256},
        {indicator_, 0, "-48", TRUE, indicator_words::level, 0},
        {led_, 0, "-20", TRUE, led_words::step, 28},
        {led_, 5, "-100", TRUE, led_words::step, 0},
        {led_, 0, "x", TRUE, led_words::step, 48},
        {oszi_, 0, "@@@", 0, -1, 0},   // stored, yet the result is 0
    };
    for (const Step& s : steps) {
        EXPECT_EQ(setText(s.window, s.wParam, s.text), s.result) << s.text;
        char text[16] = {};
        GetWindowTextA(s.window, text, sizeof text);
        EXPECT_STREQ(text, s.text);
        EXPECT_TRUE(s.index < 0 || word(s.window, s.index) == s.word) << s.text;
    }
    SetFocus(parent_->hwnd());
    for (HWND window : {indicator_, led_, oszi_}) {
        for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONUP, WM_KEYDOWN}) {
            SendMessageA(window, message, message == WM_KEYDOWN ? VK_RIGHT : MK_LBUTTON, MAKELPARAM(3, 3));
        }
        EXPECT_NE(GetFocus(), window);
    }
    parent_->pump();
    EXPECT_TRUE(parent_->takeReports().empty());
}

TEST_F(DisplayTest, IndicatorLightsTheColumnsLeftOfTheBoundary) {
    const Picture art = loadPicture("AUDIOINDICATOR");
    ASSERT_EQ(art.width * 1000 + art.height, 100030);
    // The hold is stored but never drawn.
    const std::pair<const char*, int> cases[] = {{"-12", 56}, {"-6", 76}, {"0", 100}, {"-48", 0}, {"-1", 95}};
    for (auto [level, boundary] : cases) {
        setText(indicator_, 0, level);
        setText(indicator_, 1, boundary == 0 ? "0" : "-48");
        UpdateWindow(indicator_);
        int mismatches = 0;
        for (int y = 0; y < 15; ++y) {
            for (int x = 0; x < 100; ++x) {
                mismatches += pixel(indicator_, x, y) != (x < boundary ? art.at(x, y) : art.at(x, y + 15));
            }
        }
        EXPECT_EQ(mismatches, 0) << level << " dB";
    }
}

TEST_F(DisplayTest, LedFillsInTheLevelsColourInsideItsFrame) {
    const std::pair<const char*, COLORREF> cases[] = {
        {"-46", RGB(0, 0, 0)},          {"-36", RGB(0, 64, 128)},    {"-35", RGB(64, 128, 192)},
        {"-18", RGB(128, 192, 224)},    {"-12", RGB(128, 224, 255)}, {"-9", RGB(255, 255, 255)},
        {"-8", RGB(255, 128, 128)},     {"-3", RGB(255, 64, 64)},    {"-2", RGB(255, 0, 0)},
        {"no digits", RGB(255, 0, 0)},
    };
    for (auto [text, fill] : cases) {
        setText(led_, 0, text);
        UpdateWindow(led_);
        for (POINT p : {POINT{2, 2}, POINT{7, 2}, POINT{2, 7}, POINT{7, 7}}) {
            EXPECT_EQ(hex(pixel(led_, p.x, p.y)), hex(fill)) << text << " at " << p.x << "," << p.y;
        }
        for (POINT p : {POINT{1, 4}, POINT{8, 4}, POINT{4, 1}, POINT{4, 8}}) {
            EXPECT_NE(pixel(led_, p.x, p.y), fill) << text << ": the fill reaches " << p.x << "," << p.y;
        }
    }
    EnableWindow(led_, FALSE);   // a disabled lamp shows its level all the same
    setText(led_, 0, "-35");
    UpdateWindow(led_);
    EXPECT_EQ(hex(pixel(led_, 4, 4)), hex(RGB(64, 128, 192)));
    // Dark grey top and left, white bottom and right; the bottom-left corner ends white.
    for (POINT p : {POINT{0, 0}, POINT{9, 0}, POINT{0, 8}}) {
        EXPECT_EQ(hex(pixel(led_, p.x, p.y)), hex(RGB(128, 128, 128))) << p.x << "," << p.y;
    }
    for (POINT p : {POINT{0, 9}, POINT{9, 1}, POINT{9, 9}}) {
        EXPECT_EQ(hex(pixel(led_, p.x, p.y)), hex(RGB(255, 255, 255))) << p.x << "," << p.y;
    }
}

// Every sample the text holds and nothing past its end; no earlier trace remains.
TEST_F(DisplayTest, OsziDrawsTheSamplesTheTextHolds) {
    struct Case { std::string text; int row; int first; int last; };
    const Case cases[] = {
        {std::string(127, '\x40'), 64, 4, 130}, {std::string(127, '\x80'), 0, 4, 130},
        {std::string(127, '\x01'), 127, 4, 130}, {std::string(127, '\x64'), 28, 4, 130},
        {std::string(127, '\xC8'), -1, 0, 0},    // 200: above the top edge
        {std::string(200, '\x40'), 64, 4, 130},  // only the first 127 are read
        {std::string(10, '\x40'), 64, 4, 13},    {std::string(1, '\x40'), 64, 4, 4},
        {"", -1, 0, 0},
    };
    for (const Case& c : cases) {
        setText(oszi_, 0, std::string(127, '\x20'));   // an earlier trace on row 96
        UpdateWindow(oszi_);
        setText(oszi_, 0, c.text);
        UpdateWindow(oszi_);
        std::vector<std::pair<int, int>> green;
        for (int y = 0; y < 128; ++y) {
            for (int x = 0; x < 135; ++x) {
                if (pixel(oszi_, x, y) == kGreen) green.emplace_back(x, y);
            }
        }
        std::vector<std::pair<int, int>> expected;
        for (int x = c.first; c.row >= 0 && x <= c.last; ++x) expected.emplace_back(x, c.row);
        EXPECT_EQ(green, expected) << c.text.size() << " bytes of " << int(static_cast<unsigned char>(c.text[0]));
    }
}

TEST_F(DisplayTest, OsziReleasesItsBitmapsWhenDestroyed) {
    const std::vector<HGDIOBJ> held{bitmapAt(oszi_, oszi_longs::background), bitmapAt(oszi_, oszi_longs::offscreen)};
    GdiLedger ledger;
    DestroyWindow(oszi_);
    std::vector<HGDIOBJ> deleted;
    for (const auto& d : ledger.deletions()) {
        EXPECT_EQ(d.type, static_cast<DWORD>(OBJ_BITMAP));
        deleted.push_back(d.handle);
    }
    EXPECT_EQ(deleted, held);
}

TEST_F(DisplayTest, GdiObjectsStayFlatOverAThousandPaints) {
    GdiLedger ledger;
    for (int i = 0; i < 1000; ++i) {
        const std::string level = std::to_string(-(i % 50));
        setText(indicator_, 0, level);
        setText(led_, 0, level);
        setText(oszi_, 0, std::string(static_cast<std::size_t>(1 + i % 127), static_cast<char>(1 + i % 200)));
        for (HWND window : {indicator_, led_, oszi_}) UpdateWindow(window);
    }
    EXPECT_EQ(ledger.live(), 0u) << "objects made during the paints and never freed";
    // Indicator and oscilloscope: a memory DC and a bitmap per paint; the oscilloscope a pen.
    EXPECT_GE(ledger.createdOfType(OBJ_MEMDC), 2000u);
    EXPECT_GE(ledger.createdOfType(OBJ_BITMAP), 2000u);
    EXPECT_GE(ledger.createdOfType(OBJ_PEN), 1000u);
    std::size_t brushes = 0;
    std::size_t strays = 0;
    for (const auto& d : ledger.deletions()) {
        // The ledger does not watch CreateSolidBrush: each LED paint must delete one brush.
        brushes += d.type == OBJ_BRUSH;
        strays += d.type != OBJ_BRUSH && !d.wasLive;
    }
    EXPECT_EQ(brushes, 1000u);
    EXPECT_EQ(strays, 0u) << "deleted handles that were not made during the paints (or twice)";
}

}  // namespace
