// "TN_BMBUTTON": a button drawn from a bitmap resource of four stacked cells
// (normal, pressed, checked, disabled), named by the button's window text.

#include "tarnis/tarnis.h"
#include "tarnis/tarnis_internal.h"

#include "controls/window_words.h"
#include "win32/gdi.h"

#include <windowsx.h>

#include <cstdint>

namespace tarnis {

namespace button_words {
constexpr int checked = 0;   // BST_UNCHECKED or BST_CHECKED
constexpr int held = 2;      // 1 from a left press on the button until its release
constexpr int inside = 4;    // 1 while held and the pointer is over the button
constexpr int extraBytes = 6;
}  // namespace button_words

namespace {

constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kFirstRepeatMs = 400;
constexpr UINT kRepeatMs = 100;

enum Cell : int { normalCell = 0, pressedCell = 1, checkedCell = 2, disabledCell = 3 };

bool flag(HWND button, int index) { return controls::getUnsignedWord(button, index) != 0; }
void setFlag(HWND button, int index, bool on) {
    controls::setWord(button, index, static_cast<std::uint16_t>(on ? 1 : 0));
}

bool repeats(HWND button) { return (GetWindowLongA(button, GWL_STYLE) & TN_BS_REPEAT) != 0; }

Cell cellOf(HWND button) {
    if (!IsWindowEnabled(button)) {
        return disabledCell;
    }
    if (flag(button, button_words::held) && flag(button, button_words::inside)) {
        return pressedCell;
    }
    return flag(button, button_words::checked) ? checkedCell : normalCell;
}

// The command goes to the parent as a whole wParam: the identifier with a zero high word.
void sendCommand(HWND button) {
    const auto id = static_cast<WPARAM>(static_cast<std::uint16_t>(GetDlgCtrlID(button)));
    SendMessageA(GetParent(button), WM_COMMAND, id, reinterpret_cast<LPARAM>(button));
}

void repaintNow(HWND button) {
    InvalidateRect(button, nullptr, FALSE);
    UpdateWindow(button);
}

bool pointInside(HWND button, int x, int y) {
    RECT client{};
    GetClientRect(button, &client);
    const POINT point{x, y};
    return PtInRect(&client, point) != FALSE;
}

// Ends a press without a command (capture lost, window disabled).
void dropPress(HWND button) {
    if (!flag(button, button_words::held)) {
        return;
    }
    setFlag(button, button_words::held, false);
    setFlag(button, button_words::inside, false);
    KillTimer(button, kRepeatTimer);
    if (GetCapture() == button) {
        ReleaseCapture();
    }
    repaintNow(button);
}

void drawButton(HWND button, HDC dc) {
    RECT client{};
    GetClientRect(button, &client);
    SetDCBrushColor(dc, theme().buttonFace);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));

    char name[128] = {};
    GetWindowTextA(button, name, sizeof name);
    const auto module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(button, GWLP_HINSTANCE));
    win32::ResourceBitmap picture(module, name);
    if (!picture) {
        return;   // no picture: the face alone
    }
    const SIZE size = picture.size();
    const int cellHeight = size.cy / 4;
    win32::MemoryDC memory(dc);
    if (!memory || cellHeight == 0) {
        return;
    }
    win32::SelectGuard selected(memory.get(), picture.get());
    const int x = (client.right - size.cx) / 2;
    const int y = (client.bottom - cellHeight) / 2;
    BitBlt(dc, x, y, size.cx, cellHeight, memory.get(), 0, cellOf(button) * cellHeight, SRCCOPY);
}

LRESULT onPaint(HWND button) {
    win32::PaintScope paint(button);
    drawButton(button, paint.dc());
    return 0;
}

LRESULT onLButtonDown(HWND button, int x, int y) {
    if (!IsWindowEnabled(button)) {
        return 0;
    }
    // No SetFocus: the keyboard stays with whatever had it.
    SetCapture(button);
    setFlag(button, button_words::held, true);
    setFlag(button, button_words::inside, pointInside(button, x, y));
    repaintNow(button);
    if (repeats(button)) {
        SetTimer(button, kRepeatTimer, kFirstRepeatMs, nullptr);
        sendCommand(button);
    }
    return 0;
}

LRESULT onMouseMove(HWND button, int x, int y) {
    if (!flag(button, button_words::held)) {
        return 0;
    }
    const bool inside = pointInside(button, x, y);
    if (inside != flag(button, button_words::inside)) {
        setFlag(button, button_words::inside, inside);
        repaintNow(button);
    }
    return 0;
}

LRESULT onLButtonUp(HWND button, int x, int y) {
    if (!flag(button, button_words::held)) {
        return 0;
    }
    const bool click = pointInside(button, x, y) && !repeats(button);
    // Cleared before the capture goes, so WM_CAPTURECHANGED finds nothing left to drop.
    setFlag(button, button_words::held, false);
    setFlag(button, button_words::inside, false);
    KillTimer(button, kRepeatTimer);
    ReleaseCapture();
    repaintNow(button);
    if (click && IsWindowEnabled(button)) {
        sendCommand(button);
    }
    return 0;
}

LRESULT onTimer(HWND button, UINT_PTR id) {
    if (id != kRepeatTimer) {
        return 0;
    }
    if (!flag(button, button_words::held) || !IsWindowEnabled(button)) {
        KillTimer(button, kRepeatTimer);
        return 0;
    }
    SetTimer(button, kRepeatTimer, kRepeatMs, nullptr);
    if (flag(button, button_words::inside)) {
        sendCommand(button);
    }
    return 0;
}

LRESULT onSetCheck(HWND button, WPARAM state) {
    controls::setWord(button, button_words::checked,
                      static_cast<std::uint16_t>(state == BST_UNCHECKED ? BST_UNCHECKED : BST_CHECKED));
    repaintNow(button);
    return 0;
}

LRESULT onCaptureChanged(HWND button, HWND newCapture) {
    if (newCapture != button) {
        dropPress(button);
    }
    return 0;
}

LRESULT onDestroy(HWND button) {
    KillTimer(button, kRepeatTimer);
    return 0;
}

LRESULT onClick(HWND button) {
    if (IsWindowEnabled(button)) {
        sendCommand(button);
    }
    return 0;
}

LRESULT onEnable(HWND button, bool enabled) {
    if (!enabled) {
        dropPress(button);
    }
    InvalidateRect(button, nullptr, FALSE);
    return 0;
}

LRESULT onSetFocus(HWND button, HWND previous) {
    // Whoever hands the focus here gets it back: keys belong to the player.
    if (previous != nullptr && previous != button && IsWindow(previous)) {
        SetFocus(previous);
    }
    return 0;
}

LRESULT onSetText(HWND button, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = DefWindowProcA(button, WM_SETTEXT, wParam, lParam);
    InvalidateRect(button, nullptr, FALSE);
    return result;
}

LRESULT CALLBACK bitmapButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:          return onPaint(button);
    case WM_ERASEBKGND:     return 1;   // the paint covers every pixel
    case WM_LBUTTONDOWN:    return onLButtonDown(button, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    case WM_MOUSEMOVE:      return onMouseMove(button, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    case WM_LBUTTONUP:      return onLButtonUp(button, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    case WM_CAPTURECHANGED: return onCaptureChanged(button, reinterpret_cast<HWND>(lParam));
    case WM_CANCELMODE:     return onCaptureChanged(button, nullptr);
    case WM_TIMER:          return onTimer(button, static_cast<UINT_PTR>(wParam));
    case BM_GETCHECK:       return controls::getUnsignedWord(button, button_words::checked);
    case BM_SETCHECK:       return onSetCheck(button, wParam);
    case BM_CLICK:          return onClick(button);
    case WM_ENABLE:         return onEnable(button, wParam != FALSE);
    case WM_SETFOCUS:       return onSetFocus(button, reinterpret_cast<HWND>(wParam));
    case WM_GETDLGCODE:     return DLGC_STATIC;   // never a tab stop or a default button
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:           return 0;             // keys do nothing here
    case WM_SETTEXT:        return onSetText(button, wParam, lParam);
    case WM_DESTROY:        return onDestroy(button);
    default:                return DefWindowProcA(button, message, wParam, lParam);
    }
}

}  // namespace

bool registerBitmapButton() {
    WNDCLASSA existing{};
    if (GetClassInfoA(libraryModule(), kButtonClass, &existing)) {
        return true;
    }
    WNDCLASSA wc{};
    // Global, so that dialogs of the program's module find a class this DLL registered.
    wc.style = CS_GLOBALCLASS;
    wc.lpfnWndProc = bitmapButtonProc;
    wc.cbWndExtra = button_words::extraBytes;
    wc.hInstance = libraryModule();
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kButtonClass;
    return RegisterClassA(&wc) != 0;
}

void unregisterBitmapButton() { UnregisterClassA(kButtonClass, libraryModule()); }

}  // namespace tarnis
