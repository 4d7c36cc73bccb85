// The frame hooks on a dialog shaped like the player's, the task window that owns it, and a
// screenshot of the framed dialog.

#include "tests/win32/tarnis_test_support.h"

#include <cstdio>
#include <functional>

using namespace ctltest;
using namespace tarnistest;

namespace {

INT_PTR CALLBACK unframedProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

int stripHeightOf(HWND dialog) {
    RECT units{0, 0, 0, kBuiltInTheme.stripHeightDlu};
    MapDialogRect(dialog, &units);
    return units.bottom;
}

POINT glyphCentre(HWND dialog, tarnis::Glyph glyph) {
    RECT client{};
    GetClientRect(dialog, &client);
    const RECT box = tarnis::glyphBox(client.right, stripHeightOf(dialog), glyph);
    return POINT{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
}

void click(HWND dialog, POINT down, POINT up) {
    SendMessageA(dialog, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(down.x, down.y));
    SendMessageA(dialog, WM_LBUTTONUP, 0, MAKELPARAM(up.x, up.y));
    pumpMessages();
}

std::size_t cancels() {
    std::size_t n = 0;
    for (const Command& c : commands) {
        n += c.wParam == IDCANCEL ? 1 : 0;
    }
    return n;
}

using FrameTest = TarnisTest;

TEST_F(FrameTest, StripGrowsTheDialogAndMovesEveryChildDown) {
    HWND plain = CreateDialogParamA(module(), "TARNIS_DIALOG", nullptr, unframedProc, 0);
    HWND framed = createDialog();
    const int strip = stripHeightOf(framed);
    RECT plainFrame{}, framedFrame{};
    GetWindowRect(plain, &plainFrame);
    GetWindowRect(framed, &framedFrame);
    EXPECT_EQ(framedFrame.left, plainFrame.left) << "the dialog stays where it was placed";
    EXPECT_EQ(framedFrame.top, plainFrame.top);
    EXPECT_EQ(framedFrame.bottom - framedFrame.top, plainFrame.bottom - plainFrame.top + strip);
    for (int id : {102, 103, 301, 305, 601}) {
        const RECT before = rectInParent(GetDlgItem(plain, id));
        const RECT after = rectInParent(GetDlgItem(framed, id));
        EXPECT_EQ(after.left, before.left) << id;
        EXPECT_EQ(after.top, before.top + strip) << id;
    }
    const RECT raised = rectInParent(GetDlgItem(framed, 102));   // y -13 in the template
    EXPECT_GE(raised.top, 0);
    EXPECT_LE(raised.bottom, strip) << "inside the strip";
    DestroyWindow(plain);
    DestroyWindow(framed);
}

TEST_F(FrameTest, HooksLeaveThePlayersMessagesToThePlayer) {
    HWND dialog = createDialog();
    HDC dc = GetDC(dialog);
    COPYDATASTRUCT data{5001, 6, const_cast<char*>("a.wav")};
    const struct {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } cases[] = {
        {WM_INITDIALOG, 0, 0}, {WM_DESTROY, 0, 0}, {WM_PAINT, 0, 0},
        {WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)}, {WM_DROPFILES, 0, 0},
        {WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(GetDlgItem(dialog, 601))},
        {WM_COMMAND, IDCANCEL, 0}, {WM_COMMAND, 101, 0}, {WM_COMMAND, 256, VK_SPACE},
        {WM_USER + 567, 0, 0}, {WM_USER + 1003, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TarnisFrameDialogProc(dialog, c.message, c.wParam, c.lParam), 0) << c.message;
        EXPECT_EQ(TarnisTaskProc(dialog, c.message, c.wParam, c.lParam), 0) << c.message;
    }
    ReleaseDC(dialog, dc);
    DestroyWindow(dialog);
}

TEST_F(FrameTest, StripIsPaintedAndDraggedBesideThePlayersOwnPainting) {
    HWND dialog = createDialog();
    SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    InvalidateRect(dialog, nullptr, TRUE);
    pumpMessages();
    const int strip = stripHeightOf(dialog);
    RECT client{};
    GetClientRect(dialog, &client);
    EXPECT_EQ(hex(pixel(dialog, client.right - 60, 1)), hex(kBuiltInTheme.strip));
    EXPECT_EQ(hex(pixel(dialog, client.right - 3, client.bottom - 3)), hex(kBuiltInTheme.body));
    EXPECT_EQ(hex(pixel(dialog, kPlayerMarkRect.left, kPlayerMarkRect.top)), hex(kPlayerMark))
        << "the dialog's own GetDC drawing in WM_PAINT survives the default painting";
    int titlePixels = 0;
    for (int x = 0; x < client.right; ++x) {
        for (int y = 0; y < strip; ++y) {
            titlePixels += pixel(dialog, x, y) == kBuiltInTheme.title ? 1 : 0;
        }
    }
    EXPECT_GT(titlePixels, 20) << "the title is written in the strip";

    auto hitTest = [&](POINT p) {
        ClientToScreen(dialog, &p);
        return SendMessageA(dialog, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
    };
    EXPECT_EQ(hitTest({client.right / 2, strip / 2}), HTCAPTION) << "the strip drags the window";
    EXPECT_EQ(hitTest({client.right / 2, strip + 4}), HTCLIENT);
    EXPECT_EQ(hitTest(glyphCentre(dialog, tarnis::closeGlyph)), HTCLIENT) << "the glyphs are clicked";
    DestroyWindow(dialog);
}

TEST_F(FrameTest, CloseGlyphAndClosingTheTaskWindowEndInIdCancel) {
    HICON icon = LoadIconA(nullptr, IDI_APPLICATION);
    HWND task = CreateTarnisTaskWindow("VantorPlayer", 0xB0000, icon, module());
    HWND dialog = createDialog(task);
    ASSERT_EQ(GetWindow(dialog, GW_OWNER), task);
    char name[64] = {};
    GetWindowTextA(task, name, sizeof name);
    EXPECT_STREQ(name, "VantorPlayer");
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(task, WM_GETICON, ICON_BIG, 0)), icon);
    EXPECT_EQ(GetWindowLongA(task, GWL_STYLE) & 0xB0000, 0xB0000) << "window menu with minimise and maximise";
    RECT area{};
    GetWindowRect(task, &area);
    EXPECT_TRUE(IsRectEmpty(&area)) << "it never covers the dialog";

    const POINT close = glyphCentre(dialog, tarnis::closeGlyph);
    click(dialog, close, POINT{close.x, 40});
    EXPECT_EQ(cancels(), 0u) << "released away from the glyph";
    click(dialog, close, close);
    EXPECT_EQ(cancels(), 1u) << "close glyph";
    SendMessageA(task, WM_CLOSE, 0, 0);
    EXPECT_EQ(cancels(), 2u) << "closing from the taskbar";
    EXPECT_TRUE(IsWindow(dialog) && IsWindow(task)) << "the program destroys them";
    DestroyWindow(dialog);
    EXPECT_TRUE(DestroyTarnisTaskWindow(task));
    EXPECT_FALSE(IsWindow(task));
}

TEST_F(FrameTest, MinimisingTheTaskWindowHidesTheDialogAndRestoringShowsIt) {
    const struct {
        const char* how;
        std::function<void(HWND task, HWND dialog)> minimise;
    } cases[] = {
        {"task window", [](HWND task, HWND) { ShowWindow(task, SW_MINIMIZE); }},
        {"minimise glyph", [](HWND, HWND d) { POINT p = glyphCentre(d, tarnis::minimiseGlyph); click(d, p, p); }},
        {"dialog's window menu", [](HWND, HWND d) { SendMessageA(d, WM_SYSCOMMAND, SC_MINIMIZE, 0); }},
    };
    HWND task = CreateTarnisTaskWindow("VantorPlayer", 0xB0000, nullptr, module());
    HWND dialog = createDialog(task);
    for (const auto& c : cases) {
        c.minimise(task, dialog);
        pumpMessages();
        EXPECT_TRUE(IsIconic(task)) << c.how;
        EXPECT_FALSE(IsWindowVisible(dialog)) << c.how;
        ShowWindow(task, SW_RESTORE);
        pumpMessages();
        EXPECT_TRUE(IsWindowVisible(dialog) && !IsIconic(dialog)) << c.how;
    }
    DestroyWindow(dialog);
    DestroyTarnisTaskWindow(task);
}


TEST_F(FrameTest, ScreenshotOfTheStripAndTheFourButtonStates) {
    RealMouseBlocker blocker;
    HWND dialog = createDialog();
    // Away from the other tests' windows, and above them: the picture is taken from the screen.
    SetWindowPos(dialog, HWND_TOPMOST, 600, 300, 0, 0, SWP_NOSIZE);
    SendDlgItemMessageA(dialog, 302, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));   // held
    SendDlgItemMessageA(dialog, 303, BM_SETCHECK, BST_CHECKED, 0);
    EnableWindow(GetDlgItem(dialog, 304), FALSE);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pumpMessages();
    Sleep(100);   // what the screen shows can lag the paint by a moment
    EXPECT_TRUE(saveScreenshot(dialog, "tarnis_showcase.bmp"));
    char fullPath[MAX_PATH] = {};
    GetFullPathNameA("tarnis_showcase.bmp", MAX_PATH, fullPath, nullptr);
    std::printf("screenshot: %s\n", fullPath);
    ReleaseCapture();
    DestroyWindow(dialog);
}

}  // namespace
