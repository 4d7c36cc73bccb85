#pragma once
// Shared by the TARNIS.DLL tests: the library started and stopped per test, and a dialog
// procedure shaped like the player's (both hooks first, commands recorded, field frames drawn
// with GetDC in WM_PAINT).

#include "tarnis/tarnis.h"
#include "tarnis/theme.h"
#include "tests/win32/controls_test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarnistest {

using tarnis::kBuiltInTheme;

inline constexpr const char* kTitle = "Tarnis test dialog";
inline constexpr COLORREF kPlayerMark = RGB(255, 0, 255);   // drawn by the dialog in WM_PAINT
inline constexpr RECT kPlayerMarkRect{20, 60, 40, 64};      // client pixels below the strip

struct Command {
    WPARAM wParam;
    LPARAM lParam;
};
inline std::vector<Command> commands;   // WM_COMMAND the test dialog received

inline INT_PTR CALLBACK playerLikeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (TarnisFrameDialogProc(dialog, message, wParam, lParam) != 0 ||
        TarnisTaskProc(dialog, message, wParam, lParam) != 0) {
        return TRUE;
    }
    switch (message) {
    case WM_INITDIALOG:
        SetWindowTextA(dialog, kTitle);
        return FALSE;
    case WM_CTLCOLORSTATIC:   // the player's field colours
        SetTextColor(reinterpret_cast<HDC>(wParam), RGB(128, 192, 255));
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 0));
        return reinterpret_cast<INT_PTR>(GetStockObject(BLACK_BRUSH));
    case WM_COMMAND:
        commands.push_back(Command{wParam, lParam});
        return TRUE;
    case WM_PAINT: {
        HDC dc = GetDC(dialog);
        SetDCBrushColor(dc, kPlayerMark);
        FillRect(dc, &kPlayerMarkRect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
        ReleaseDC(dialog, dc);
        return FALSE;   // the default painting follows
    }
    default:
        return FALSE;
    }
}

class TarnisTest : public testing::Test {
protected:
    void SetUp() override {
        commands.clear();
        ASSERT_TRUE(InitTarnis(ctltest::module()));
        ASSERT_TRUE(InitTarnis(ctltest::module())) << "a second start is harmless";
        ASSERT_TRUE(SetTarnisTheme("brasko.dll"));
    }
    void TearDown() override {
        ctltest::pumpMessages();
        EXPECT_TRUE(ExitTarnis(ctltest::module()));
        WNDCLASSA info{};
        EXPECT_FALSE(GetClassInfoA(ctltest::module(), "TN_BMBUTTON", &info)) << "the class outlived ExitTarnis";
    }
    static HWND createDialog(HWND owner = nullptr) {
        HWND dialog = CreateDialogParamA(ctltest::module(), "TARNIS_DIALOG", owner, playerLikeProc, 0);
        ctltest::pumpMessages();
        return dialog;
    }
};

}  // namespace tarnistest
