// Registration of the control classes, the shared pens, the exported procedures and
// DrawSunkenFrame, pixel by pixel.

#include "tests/win32/controls_test_support.h"

#include "controls/audio_meter.h"
#include "controls/controls.h"
#include "controls/hparameter.h"

#include <cstdint>
#include <vector>

using namespace ctltest;

namespace {

void expectClass(const char* name, WNDPROC procedure, UINT style) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    ASSERT_TRUE(GetClassInfoExA(module(), name, &wc)) << name;
    EXPECT_EQ(wc.style, style) << name;
    EXPECT_EQ(wc.lpfnWndProc, procedure) << name;
    EXPECT_EQ(wc.cbClsExtra, 0) << name;
    EXPECT_EQ(wc.cbWndExtra, 8) << name;
    EXPECT_EQ(wc.hIcon, nullptr) << name;
    EXPECT_EQ(wc.hbrBackground, nullptr) << name;
    EXPECT_EQ(wc.lpszMenuName, nullptr) << name;
    EXPECT_EQ(wc.hCursor, LoadCursorA(nullptr, IDC_ARROW)) << name;
}

TEST(Registration, RegistersBothClassesWithTheirStylesAndWords) {
    ASSERT_EQ(RegisterAudioControls(module()), 1);
    expectClass("32AudioMeter", AudioMeterProc, 0x4000);
    expectClass("32HParameter", HParameterProc, 0x4008);
    // Names match without regard to case.
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    EXPECT_TRUE(GetClassInfoExA(module(), "32AUDIOMETER", &wc));
    EXPECT_EQ(UnregisterAudioControls(module()), 1);
    EXPECT_FALSE(GetClassInfoExA(module(), "32AudioMeter", &wc));
    EXPECT_FALSE(GetClassInfoExA(module(), "32HParameter", &wc));
}

TEST(Registration, EightClassesInOrderAndUnregistrationInTheSameOrder) {
    struct Expected {
        const char* name;
        UINT style;
        int extraBytes;
    } const expected[] = {
        {"32AudioFader", 0x4008, 8}, {"32AudioPan", 0x4008, 8},     {"32AudioMeter", 0x4000, 8},
        {"32AudioIndicator", 0x4000, 12}, {"32AudioLed", 0x4000, 8}, {"32VideoOszi", 0x4000, 12},
        {"32VParameter", 0x4008, 8}, {"32HParameter", 0x4008, 8},
    };
    constexpr std::size_t count = sizeof expected / sizeof expected[0];
    ClassRegistrationLog log;
    ASSERT_EQ(RegisterAudioControls(module()), 1);
    ASSERT_EQ(UnregisterAudioControls(module()), 1);
    const auto& calls = log.calls();
    ASSERT_EQ(calls.size(), 2 * count);
    for (std::size_t i = 0; i < count; ++i) {
        EXPECT_TRUE(calls[i].registering) << i;
        EXPECT_EQ(calls[i].name, expected[i].name);
        EXPECT_EQ(calls[i].style, expected[i].style) << expected[i].name;
        EXPECT_EQ(calls[i].extraBytes, expected[i].extraBytes) << expected[i].name;
        EXPECT_FALSE(calls[count + i].registering) << i;
        EXPECT_EQ(calls[count + i].name, expected[i].name);
    }
}

TEST(Registration, WithoutPatternMakesSixPensAndUnregistrationDeletesOnlyThem) {
    std::size_t pensMade = 0;
    std::size_t brushesMade = 0;
    std::vector<GdiLedger::Deletion> deleted;
    {
        GdiLedger ledger;
        ASSERT_EQ(RegisterAudioControls(module()), 1);
        pensMade = ledger.createdOfType(OBJ_PEN);
        brushesMade = ledger.createdOfType(OBJ_BRUSH);
        EXPECT_EQ(ledger.created(), 6u) << "the six pens and nothing else (no pattern bitmap, no brush)";
        EXPECT_EQ(UnregisterAudioControls(module()), 1);
        deleted = ledger.deletions();
        EXPECT_EQ(ledger.live(), 0u);
    }
    EXPECT_EQ(pensMade, 6u);
    EXPECT_EQ(brushesMade, 0u);
    ASSERT_EQ(deleted.size(), 6u);
    for (const auto& d : deleted) {
        EXPECT_EQ(d.type, static_cast<DWORD>(OBJ_PEN));
        EXPECT_TRUE(d.wasLive) << "deleted a handle that registration did not make";
        EXPECT_EQ(GetObjectType(d.handle), 0u) << "the pen still exists";
    }
}

TEST(Registration, ProceduresAreExportedByName) {
    HMODULE self = GetModuleHandleA(nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(self, "AudioMeterProc")),
              reinterpret_cast<void*>(&AudioMeterProc));
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(self, "HParameterProc")),
              reinterpret_cast<void*>(&HParameterProc));
}

// A 12 x 12 DIB filled with a marker colour, for drawing into.
class Canvas {
public:
    static constexpr COLORREF kMarker = RGB(10, 20, 30);
    Canvas() {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = 12;
        info.bmiHeader.biHeight = -12;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        dc_ = CreateCompatibleDC(nullptr);
        previous_ = SelectObject(dc_, bitmap_);
        HBRUSH fill = CreateSolidBrush(kMarker);
        RECT all{0, 0, 12, 12};
        FillRect(dc_, &all, fill);
        DeleteObject(fill);
    }
    ~Canvas() {
        SelectObject(dc_, previous_);
        DeleteDC(dc_);
        DeleteObject(bitmap_);
    }
    HDC dc() const { return dc_; }

private:
    HBITMAP bitmap_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

void expectSunkenFrame(UINT flags, COLORREF dark, COLORREF light) {
    ASSERT_EQ(RegisterAudioControls(module()), 1);
    Canvas canvas;
    HGDIOBJ penBefore = GetCurrentObject(canvas.dc(), OBJ_PEN);
    const RECT rect{1, 1, 9, 9};
    DrawSunkenFrame(canvas.dc(), &rect, flags);
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PEN), penBefore) << "the previous pen is selected back";
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x) {
            COLORREF expected = Canvas::kMarker;
            if (y == 0 && x <= 9) {
                expected = dark;
            } else if (x == 0 && y >= 1 && y <= 8) {
                expected = dark;
            } else if (y == 9 && x <= 8) {
                expected = light;
            } else if (x == 9 && y >= 1 && y <= 9) {
                expected = light;
            }
            EXPECT_EQ(hex(GetPixel(canvas.dc(), x, y)), hex(expected)) << "x " << x << " y " << y;
        }
    }
    UnregisterAudioControls(module());
}

TEST(SunkenFrame, GreyAndWhiteAroundTheRectangle) {
    expectSunkenFrame(0, RGB(128, 128, 128), RGB(255, 255, 255));
}

// The system colours are read once, at registration: colours set for the registration and
// put back before the drawing are the ones drawn.
TEST(SunkenFrame, SystemShadowAndHighlightWithFlag0x20) {
    const int elements[] = {COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT};
    const COLORREF original[] = {GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT)};
    const COLORREF distinct[] = {RGB(70, 20, 110), RGB(230, 240, 120)};
    ASSERT_TRUE(SetSysColors(2, elements, distinct));
    ASSERT_EQ(RegisterAudioControls(module()), 1);
    ASSERT_TRUE(SetSysColors(2, elements, original));
    const RECT rect{1, 1, 9, 9};
    Canvas canvas;
    DrawSunkenFrame(canvas.dc(), &rect, 0x20);
    EXPECT_EQ(hex(GetPixel(canvas.dc(), 5, 0)), hex(distinct[0]));
    EXPECT_EQ(hex(GetPixel(canvas.dc(), 0, 5)), hex(distinct[0]));
    EXPECT_EQ(hex(GetPixel(canvas.dc(), 5, 9)), hex(distinct[1]));
    EXPECT_EQ(hex(GetPixel(canvas.dc(), 9, 5)), hex(distinct[1]));
    EXPECT_EQ(hex(GetPixel(canvas.dc(), 5, 5)), hex(Canvas::kMarker));
    UnregisterAudioControls(module());
}

TEST(SunkenFrame, OtherFlagBitsKeepGreyAndWhite) {
    expectSunkenFrame(0x1F, RGB(128, 128, 128), RGB(255, 255, 255));
}

}  // namespace
