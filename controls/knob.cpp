// The knob: button-like state flags, an angle, its own bitmap, and two pens shared by all
// knobs that live as long as any knob does.

#include "controls/knob.h"

#include "controls/controls.h"
#include "controls/parent_report.h"
#include "controls/rotary_math.h"
#include "controls/window_words.h"
#include "win32/gdi.h"

#include <windowsx.h>

#include <cstddef>
#include <cstdio>

namespace {

using namespace controls;
using namespace win32;

// The pointer's two pens, made by the first knob window and deleted with the last one.
struct SharedPens {
    HPEN black = nullptr;
    HPEN white = nullptr;
    int users = 0;
};
SharedPens pens;

void acquirePens() {
    if (pens.users++ == 0) {
        pens.black = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
        pens.white = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    }
}

void releasePens() {
    if (pens.users > 0 && --pens.users == 0) {
        DeleteObject(pens.black);
        DeleteObject(pens.white);
        pens.black = nullptr;
        pens.white = nullptr;
    }
}

// Where the last left press started, for all knobs: the capture serves one knob at a time.
struct DragAnchor {
    std::int16_t angle = 0;
    int x = 0;
};
DragAnchor anchor;

// Handles are stored in their 32-bit form and sign-extended back, as 64-bit Windows defines it.
HBITMAP knobBitmap(HWND window) {
    return reinterpret_cast<HBITMAP>(static_cast<LONG_PTR>(GetWindowLongA(window, knob_words::bitmap)));
}

void setKnobBitmap(HWND window, HBITMAP bitmap) {
    SetWindowLongA(window, knob_words::bitmap, static_cast<LONG>(reinterpret_cast<LONG_PTR>(bitmap)));
}

unsigned flagsOf(HWND window) { return getUnsignedWord(window, knob_words::flags); }

void setFlags(HWND window, unsigned flags) {
    setWord(window, knob_words::flags, static_cast<std::uint16_t>(flags));
}

bool has(HWND window, unsigned flag) { return (flagsOf(window) & flag) != 0; }

void changeFlag(HWND window, unsigned flag, bool on) {
    const unsigned flags = flagsOf(window);
    setFlags(window, on ? (flags | flag) : (flags & ~flag));
}

std::int16_t angleOf(HWND window) { return getSignedWord(window, knob_words::angle); }

RECT cellRect(HWND window) {
    return RECT{0, 0, getSignedWord(window, knob_words::cellWidth), getSignedWord(window, knob_words::cellHeight)};
}

void invalidateCell(HWND window) {
    const RECT cell = cellRect(window);
    InvalidateRect(window, &cell, FALSE);
}

// The angle, sign-extended, sent.
void sendAngle(HWND window, std::int16_t angle) {
    sendReport(window, static_cast<LPARAM>(angle));
}

// +1 for the keys that turn clockwise, -1 for the others of the four, 0 for any other key.
int stepOf(WPARAM key) {
    if (key == VK_OEM_PLUS || key == VK_RIGHT) return +1;
    if (key == VK_OEM_MINUS || key == VK_LEFT) return -1;
    return 0;
}

LRESULT onCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    setWord(window, knob_words::angle, std::int16_t{0});
    char name[16];
    std::snprintf(name, sizeof name, "KNOP%d", static_cast<int>(GetWindowLongA(window, GWL_STYLE) & 7));
    HBITMAP bitmap = LoadBitmapA(controlsModule(), name);
    setKnobBitmap(window, bitmap);
    if (bitmap != nullptr) {
        BITMAP info{};
        GetObjectA(bitmap, sizeof info, &info);
        setWord(window, knob_words::cellWidth, narrow16(info.bmWidth / 2));
        setWord(window, knob_words::cellHeight, narrow16(info.bmHeight / 2));
    }
    changeFlag(window, knob_flags::enabled, true);
    acquirePens();
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT onDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (HBITMAP bitmap = knobBitmap(window)) {
        DeleteObject(bitmap);
        setKnobBitmap(window, nullptr);
    }
    releasePens();
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT onSetFocus(HWND window) {
    if (has(window, knob_flags::enabled)) {
        changeFlag(window, knob_flags::focused, true);
        InvalidateRect(window, nullptr, FALSE);
    }
    return 0;
}

LRESULT onKillFocus(HWND window) {
    changeFlag(window, knob_flags::focused, false);
    InvalidateRect(window, nullptr, FALSE);
    return 0;
}

LRESULT onEnable(HWND window, bool enable) {
    if (has(window, knob_flags::enabled) != enable) {
        changeFlag(window, knob_flags::enabled, enable);
        InvalidateRect(window, nullptr, FALSE);
    }
    return 0;
}

// The angle only; the window text stays as it was.
LRESULT onSetText(HWND window, const char* text) {
    setWord(window, knob_words::angle, knobAngleFromText(text));
    InvalidateRect(window, nullptr, FALSE);
    return 0;
}

// The angle in decimal, cut to the buffer's size (terminator included). The result is 0,
// not the length.
LRESULT onGetText(HWND window, WPARAM size, char* buffer) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    char text[8];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(angleOf(window)));
    std::size_t n = 0;
    for (; text[n] != '\0' && n + 1 < size; ++n) {
        buffer[n] = text[n];
    }
    buffer[n] = '\0';
    return 0;
}

LRESULT onSetState(HWND window, bool pressed) {
    changeFlag(window, knob_flags::pressed, pressed);
    invalidateCell(window);
    return 0;
}

LRESULT onKeyDown(HWND window, WPARAM key, LPARAM lParam) {
    const int step = stepOf(key);
    if (step == 0 || !has(window, knob_flags::focused)) {
        return DefWindowProcA(window, WM_KEYDOWN, key, lParam);
    }
    const std::int16_t angle = knobStep(angleOf(window), step);
    setWord(window, knob_words::angle, angle);
    invalidateCell(window);
    sendAngle(window, angle);   // also at a limit, where the angle did not change
    return 0;
}

LRESULT onKeyUp(HWND window, WPARAM key, LPARAM lParam) {
    if (stepOf(key) == 0 || !has(window, knob_flags::focused)) {
        return DefWindowProcA(window, WM_KEYUP, key, lParam);
    }
    return 0;
}

LRESULT onLButtonDown(HWND window, int x) {
    if (!has(window, knob_flags::enabled)) {
        return 0;
    }
    SetCapture(window);
    changeFlag(window, knob_flags::pressed, true);
    SetFocus(window);
    anchor = DragAnchor{angleOf(window), x};
    invalidateCell(window);
    sendAngle(window, anchor.angle);
    return 0;
}

// Only a step that turns the knob is reported, so the parent can follow a drag.
LRESULT onMouseMove(HWND window, int x) {
    if (!has(window, knob_flags::enabled) || GetCapture() != window) {
        return 0;
    }
    const std::int16_t before = angleOf(window);
    const std::int16_t angle = knobDragAngle(x, anchor.angle, anchor.x);
    setWord(window, knob_words::angle, angle);
    changeFlag(window, knob_flags::pressed, true);
    const RECT cell = cellRect(window);
    RedrawWindow(window, &cell, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    if (angle != before) {
        sendAngle(window, angle);
    }
    return 0;
}

LRESULT onLButtonUp(HWND window) {
    if (has(window, knob_flags::enabled) && GetCapture() == window) {
        ReleaseCapture();   // WM_CAPTURECHANGED lets the knob up
    }
    return 0;
}

// The drag ends with the capture, whether released or taken away: the knob is no longer
// pressed.
LRESULT onCaptureChanged(HWND window, HWND newCapture) {
    if (newCapture != window && has(window, knob_flags::pressed)) {
        changeFlag(window, knob_flags::pressed, false);
        invalidateCell(window);
    }
    return 0;
}

// Screen behind | mask, then & picture: the knob one pixel below the top, its white
// surround transparent.
void drawKnob(HDC dc, HBITMAP picture, int cw, int ch, int row) {
    MemoryDC source(dc);
    MemoryDC work(dc);
    OwnedBitmap workBitmap(CreateCompatibleBitmap(dc, cw, ch));
    if (!source || !work || !workBitmap) {
        return;
    }
    SelectGuard selectPicture(source.get(), picture);
    SelectGuard selectWork(work.get(), workBitmap.get());
    BitBlt(work.get(), 0, 0, cw, ch, dc, 0, 0, SRCCOPY);
    BitBlt(work.get(), 0, 1, cw, ch, source.get(), cw, row, SRCPAINT);
    BitBlt(work.get(), 0, 1, cw, ch, source.get(), 0, row, SRCAND);
    BitBlt(dc, 0, 0, cw, ch, work.get(), 0, 0, SRCCOPY);
}

// A white line from the centre with a black one a pixel up and to the left.
void drawPointer(HDC dc, int angle, int cx, int cy) {
    const KnobPoint end = knobPointerEnd(angle, cx, cy);
    SelectGuard black(dc, pens.black);
    MoveToEx(dc, cx - 1, cy - 1, nullptr);
    LineTo(dc, end.x - 1, end.y - 1);
    SelectGuard white(dc, pens.white);
    MoveToEx(dc, cx, cy, nullptr);
    LineTo(dc, end.x, end.y);
}

LRESULT onPaint(HWND window) {
    const int cw = getSignedWord(window, knob_words::cellWidth);
    const int ch = getSignedWord(window, knob_words::cellHeight);
    const int row = has(window, knob_flags::enabled) ? 0 : ch;
    PaintScope paint(window);
    HBITMAP picture = knobBitmap(window);
    if (picture != nullptr && cw > 0 && ch > 0) {
        drawKnob(paint.dc(), picture, cw, ch, row);
    }
    drawPointer(paint.dc(), angleOf(window), cw / 2, ch / 2);
    return 0;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK KnopProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:         return onCreate(window, message, wParam, lParam);
    case WM_DESTROY:        return onDestroy(window, message, wParam, lParam);
    case WM_SETFOCUS:       return onSetFocus(window);
    case WM_KILLFOCUS:      return onKillFocus(window);
    case WM_ENABLE:         return onEnable(window, wParam != 0);
    case WM_SETTEXT:        return onSetText(window, reinterpret_cast<const char*>(lParam));
    case WM_GETTEXT:        return onGetText(window, wParam, reinterpret_cast<char*>(lParam));
    case WM_PAINT:          return onPaint(window);
    case BM_GETSTATE:       return has(window, knob_flags::pressed) ? 1 : 0;
    case BM_SETSTATE:       return onSetState(window, wParam != 0);
    case WM_KEYDOWN:        return onKeyDown(window, wParam, lParam);
    case WM_KEYUP:          return onKeyUp(window, wParam, lParam);
    case WM_MOUSEMOVE:      return onMouseMove(window, GET_X_LPARAM(lParam));
    case WM_LBUTTONDOWN:    return onLButtonDown(window, GET_X_LPARAM(lParam));
    case WM_LBUTTONUP:      return onLButtonUp(window);
    case WM_CAPTURECHANGED: return onCaptureChanged(window, reinterpret_cast<HWND>(lParam));
    default:                return DefWindowProcA(window, message, wParam, lParam);
    }
}

int RegisterKnobClass(HINSTANCE instance) {
    WNDCLASSA wc{};
    wc.style = CS_GLOBALCLASS | CS_DBLCLKS;
    wc.lpfnWndProc = KnopProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = kKnobExtraBytes;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = nullptr;   // the knob is drawn over whatever lies behind it
    wc.lpszClassName = kKnobClass;
    RegisterClassA(&wc);
    return 1;
}

int UnregisterKnobClass(HINSTANCE instance) {
    UnregisterClassA(kKnobClass, instance);
    return 1;
}
