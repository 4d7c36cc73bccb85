// The controls created by the dialog manager from templates, GDI objects over a thousand
// paints, and a screenshot of a small dialog with eight meters and a slider.

#include "tests/win32/controls_test_support.h"

#include "controls/audio_meter.h"
#include "controls/controls.h"
#include "controls/hparameter.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace ctltest;

namespace {

INT_PTR CALLBACK plainDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG ? TRUE : FALSE; }

std::string className(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

RECT dialogUnits(HWND dialog, int x, int y, int cx, int cy) {
    RECT r{x, y, x + cx, y + cy};
    MapDialogRect(dialog, &r);
    return r;
}

using DialogTest = ControlsTest;

TEST_F(DialogTest, TemplateWithUpperCaseClassNamesCreatesBoth) {
    HWND dialog = CreateDialogParamA(module(), "CONTROLS_DIALOG", nullptr, plainDialog, 0);
    ASSERT_NE(dialog, nullptr);

    HWND meter = GetDlgItem(dialog, 701);
    ASSERT_NE(meter, nullptr);
    EXPECT_EQ(className(meter), "32AudioMeter");
    EXPECT_EQ(GetClassLongA(meter, GCL_CBWNDEXTRA), 8);
    const RECT meterTemplate = dialogUnits(dialog, 12, 8, 40, 20);
    const RECT meterRect = rectInParent(meter);
    EXPECT_EQ(meterRect.left, meterTemplate.left);
    EXPECT_EQ(meterRect.top, meterTemplate.top);
    EXPECT_EQ(meterRect.right - meterRect.left, 15);
    EXPECT_EQ(meterRect.bottom - meterRect.top, 56);
    EXPECT_EQ(GetWindowLongA(meter, GWL_STYLE) & WS_TABSTOP, 0);

    HWND slider = GetDlgItem(dialog, 201);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(className(slider), "32HParameter");
    EXPECT_EQ(GetClassLongA(slider, GCL_CBWNDEXTRA), 8);
    const RECT sliderTemplate = dialogUnits(dialog, 60, 30, 139, 11);
    const RECT sliderRect = rectInParent(slider);
    EXPECT_EQ(sliderRect.left, sliderTemplate.left);
    EXPECT_EQ(sliderRect.top, sliderTemplate.top);
    EXPECT_EQ(sliderRect.right - sliderRect.left, sliderTemplate.right - sliderTemplate.left);
    EXPECT_EQ(sliderRect.bottom - sliderRect.top, 16);
    EXPECT_NE(GetWindowLongA(slider, GWL_STYLE) & WS_TABSTOP, 0) << "the slider keeps its tab stop";
    char text[16] = {};
    GetWindowTextA(slider, text, sizeof text);
    EXPECT_STREQ(text, "0");
    EXPECT_EQ(static_cast<short>(GetWindowWord(slider, hparameter_words::value)), 0);
    EXPECT_EQ(static_cast<short>(GetWindowWord(slider, hparameter_words::position)),
              (sliderTemplate.right - sliderTemplate.left) / 2);

    HWND tall = GetDlgItem(dialog, 202);
    ASSERT_NE(tall, nullptr);
    const RECT tallRect = rectInParent(tall);
    EXPECT_EQ(tallRect.bottom - tallRect.top, 16) << "a taller template still gets the bitmap's height";
    EXPECT_EQ(GetWindowLongA(tall, GWL_STYLE) & WS_TABSTOP, 0);

    DestroyWindow(dialog);
}

TEST_F(DialogTest, ThousandPaintsLeaveNoGdiObjects) {
    RecordingParent parent(40, 40, 320, 120);
    auto paintBoth = [&](int times) {
        HWND meter = createControl("32AudioMeter", parent.hwnd(), 701, 10, 10, 15, 56);
        HWND slider = createControl("32HParameter", parent.hwnd(), 201, 40, 20, 210, 16);
        EXPECT_NE(meter, nullptr);
        EXPECT_NE(slider, nullptr);
        SendMessageA(slider, WM_SETTEXT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("0"));
        SendMessageA(slider, WM_SETTEXT, 1, reinterpret_cast<LPARAM>("999"));
        for (int i = 0; i < times; ++i) {
            const std::string level = std::to_string(-(i % 50));
            const std::string position = std::to_string(i);
            SendMessageA(meter, WM_SETTEXT, static_cast<WPARAM>(i % 3 == 0), reinterpret_cast<LPARAM>(level.c_str()));
            SendMessageA(slider, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(position.c_str()));
            InvalidateRect(meter, nullptr, FALSE);
            InvalidateRect(slider, nullptr, FALSE);
            UpdateWindow(meter);
            UpdateWindow(slider);
        }
        DestroyWindow(meter);
        DestroyWindow(slider);
        pumpMessages();
    };
    paintBoth(1);   // whatever the system keeps after a first window is made now
    const DWORD systemBefore = systemGdiCount();
    GdiLedger ledger;
    paintBoth(1000);
    EXPECT_EQ(ledger.live(), 0u) << "objects made during the paints and never freed";
    // Each meter paint makes a memory DC and loads a bitmap; each slider paint a DC and two bitmaps.
    EXPECT_GE(ledger.createdOfType(OBJ_MEMDC), 2000u);
    EXPECT_GE(ledger.createdOfType(OBJ_BITMAP), 3000u);
    std::size_t strayDeletions = 0;
    for (const auto& d : ledger.deletions()) {
        strayDeletions += d.wasLive ? 0 : 1;
    }
    EXPECT_EQ(strayDeletions, 0u) << "deleted handles that were not made during the paints (or twice)";
    if (systemBefore != 0) {
        EXPECT_EQ(systemGdiCount(), systemBefore);
    } else {
        std::printf("GetGuiResources gives no GDI count here; the ledger above counts the objects\n");
    }
}


TEST_F(DialogTest, ScreenshotOfEightMetersAndASlider) {
    HWND dialog = CreateDialogParamA(module(), "CONTROLS_SHOWCASE", nullptr, plainDialog, 0);
    ASSERT_NE(dialog, nullptr);
    // Away from where the other control tests put their windows, and above them, since
    // the picture is taken from the screen.
    SetWindowPos(dialog, HWND_TOPMOST, 600, 480, 0, 0, SWP_NOSIZE);
    const char* levels[8] = {"0", "-2", "-6", "-12", "-18", "-24", "-36", "-48"};
    for (int i = 0; i < 8; ++i) {
        SendDlgItemMessageA(dialog, 701 + i, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(levels[i]));
    }
    SendDlgItemMessageA(dialog, 706, WM_SETTEXT, 1, reinterpret_cast<LPARAM>("-9"));   // a hold mark
    HWND slider = GetDlgItem(dialog, 201);
    SendMessageA(slider, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("33"));
    SendMessageA(slider, WM_SETTEXT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("0"));
    SendMessageA(slider, WM_SETTEXT, 1, reinterpret_cast<LPARAM>("100"));
    SetFocus(slider);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);

    // The first meter is full: its top segment is lit; the last one is empty. What the
    // screen shows can lag the paint by a moment, so the capture is repeated until it does.
    HWND full = GetDlgItem(dialog, 701);
    HWND empty = GetDlgItem(dialog, 708);
    RECT dialogRect{};
    GetWindowRect(dialog, &dialogRect);
    auto screenOffset = [&](HWND control, int x, int y) {
        POINT p{x, y};
        ClientToScreen(control, &p);
        return std::pair<int, int>{p.x - dialogRect.left, p.y - dialogRect.top};
    };
    const auto [fx, fy] = screenOffset(full, 7, 3);
    const auto [ex, ey] = screenOffset(empty, 7, 3);
    std::vector<COLORREF> shot;
    int width = 0;
    bool saved = false;
    bool shows = false;
    for (int attempt = 0; attempt < 50 && !shows; ++attempt) {
        pumpMessages();
        saved = saveScreenshot(dialog, "controls_showcase.bmp", &shot, &width);
        shows = saved && shot[static_cast<std::size_t>(fy * width + fx)] == RGB(98, 183, 255) &&
                shot[static_cast<std::size_t>(ey * width + ex)] == RGB(38, 53, 84);
        if (!shows) {
            Sleep(50);
        }
    }
    EXPECT_TRUE(saved) << "controls_showcase.bmp could not be written";
    EXPECT_TRUE(shows) << "the screen never showed the full and the empty meter";
    char full_path[MAX_PATH] = {};
    GetFullPathNameA("controls_showcase.bmp", MAX_PATH, full_path, nullptr);
    std::printf("screenshot: %s\n", full_path);
    DestroyWindow(dialog);
}

}  // namespace
