// The frame of the player's dialog: a title strip added at the top of its client area, with
// the title, a minimise glyph and a close glyph; dragging the strip moves the window.
// The strip is painted while the background is erased, so WM_PAINT stays the dialog's own.

#include "tarnis/tarnis.h"
#include "tarnis/tarnis_internal.h"

#include "win32/gdi.h"

#include <windowsx.h>

#include <algorithm>

namespace tarnis {

namespace {

// Per dialog, as window properties: the strip height in pixels (absent: not framed) and the
// glyph held by the left button.
constexpr const char* kStripProp = "TarnisStripHeight";
constexpr const char* kHeldGlyphProp = "TarnisHeldGlyph";

constexpr int kTitleGap = 8;      // between the last control in the strip and the title

int stripHeight(HWND dialog) { return static_cast<int>(reinterpret_cast<INT_PTR>(GetPropA(dialog, kStripProp))); }

Glyph heldGlyph(HWND dialog) {
    return static_cast<Glyph>(reinterpret_cast<INT_PTR>(GetPropA(dialog, kHeldGlyphProp)));
}

void setHeldGlyph(HWND dialog, Glyph glyph) {
    SetPropA(dialog, kHeldGlyphProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(glyph)));
}

// Handled: the dialog procedure returns TRUE and the dialog manager returns `result`.
LRESULT handled(HWND dialog, LRESULT result) {
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

RECT stripRect(HWND dialog) {
    RECT client{};
    GetClientRect(dialog, &client);
    return RECT{0, 0, client.right, stripHeight(dialog)};
}

RECT glyphRect(HWND dialog, Glyph glyph) {
    const RECT strip = stripRect(dialog);
    return glyphBox(strip.right, strip.bottom, glyph);
}

Glyph glyphAt(HWND dialog, POINT client) {
    for (Glyph glyph : {minimiseGlyph, closeGlyph}) {
        const RECT box = glyphRect(dialog, glyph);
        if (PtInRect(&box, client)) {
            return glyph;
        }
    }
    return noGlyph;
}

// The title starts after the right-most control that stands in the strip.
int titleLeft(HWND dialog) {
    const int strip = stripHeight(dialog);
    int left = kTitleGap;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        if (r.top < strip && IsWindowVisible(child)) {
            left = std::max(left, static_cast<int>(r.right) + kTitleGap);
        }
    }
    return left;
}

void fill(HDC dc, const RECT& rect, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void drawGlyph(HDC dc, const RECT& box, Glyph glyph, bool held) {
    const COLORREF colour = held ? theme().glyphPressed : theme().glyph;
    if (held) {
        SetDCBrushColor(dc, colour);
        FrameRect(dc, &box, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    }
    const int inset = (box.right - box.left) / 4;
    const RECT inner{box.left + inset, box.top + inset, box.right - inset, box.bottom - inset};
    if (glyph == minimiseGlyph) {
        fill(dc, RECT{inner.left, inner.bottom - 2, inner.right, inner.bottom}, colour);
        return;
    }
    // A cross two pixels wide: each diagonal drawn twice, one pixel apart.
    win32::SelectGuard pen(dc, GetStockObject(DC_PEN));
    SetDCPenColor(dc, colour);
    for (int dx = 0; dx < 2; ++dx) {
        MoveToEx(dc, inner.left + dx, inner.top, nullptr);
        LineTo(dc, inner.right + dx, inner.bottom);
        MoveToEx(dc, inner.right - 1 + dx, inner.top, nullptr);
        LineTo(dc, inner.left - 1 + dx, inner.bottom);
    }
}

void drawStrip(HWND dialog, HDC dc) {
    const RECT strip = stripRect(dialog);
    fill(dc, strip, theme().strip);
    fill(dc, RECT{0, strip.bottom - 1, strip.right, strip.bottom}, theme().stripEdge);

    char title[256] = {};
    GetWindowTextA(dialog, title, sizeof title);
    RECT textBox{titleLeft(dialog), 0, glyphRect(dialog, minimiseGlyph).left - kTitleGap, strip.bottom - 1};
    win32::SelectGuard font(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, theme().title);
    DrawTextA(dc, title, -1, &textBox, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);

    for (Glyph glyph : {minimiseGlyph, closeGlyph}) {
        drawGlyph(dc, glyphRect(dialog, glyph), glyph, heldGlyph(dialog) == glyph);
    }
}

void repaintStrip(HWND dialog) {
    const RECT strip = stripRect(dialog);
    InvalidateRect(dialog, &strip, TRUE);
}

// ---- message handlers ----------------------------------------------------------------------

// Grows the dialog by the strip and moves every child down by it. The dialog keeps its
// place: the program restores its saved position after this.
LRESULT onInitDialog(HWND dialog) {
    if (stripHeight(dialog) != 0) {
        return 0;
    }
    RECT units{0, 0, 0, theme().stripHeightDlu};
    MapDialogRect(dialog, &units);
    const int strip = units.bottom;
    SetPropA(dialog, kStripProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(strip)));

    RECT frame{};
    GetWindowRect(dialog, &frame);
    SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + strip,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        SetWindowPos(child, nullptr, r.left, r.top + strip, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return 0;
}

LRESULT onEraseBackground(HWND dialog, HDC dc) {
    RECT client{};
    GetClientRect(dialog, &client);
    client.top = stripHeight(dialog);
    fill(dc, client, theme().body);
    drawStrip(dialog, dc);
    return handled(dialog, 1);
}

// Erases now, before the dialog draws on top with GetDC; the default painting that follows
// then finds nothing left to erase.
LRESULT onPaint(HWND dialog) {
    GetUpdateRect(dialog, nullptr, TRUE);
    return 0;
}

LRESULT onHitTest(HWND dialog, POINT screen) {
    POINT client = screen;
    ScreenToClient(dialog, &client);
    const RECT strip = stripRect(dialog);
    if (!PtInRect(&strip, client) || glyphAt(dialog, client) != noGlyph) {
        return 0;
    }
    return handled(dialog, HTCAPTION);
}

LRESULT onLButtonDown(HWND dialog, POINT client) {
    const Glyph glyph = glyphAt(dialog, client);
    if (glyph == noGlyph) {
        return 0;
    }
    setHeldGlyph(dialog, glyph);
    SetCapture(dialog);
    repaintStrip(dialog);
    return handled(dialog, 0);
}

LRESULT onLButtonUp(HWND dialog, POINT client) {
    const Glyph glyph = heldGlyph(dialog);
    if (glyph == noGlyph) {
        return 0;
    }
    setHeldGlyph(dialog, noGlyph);
    ReleaseCapture();
    repaintStrip(dialog);
    if (glyphAt(dialog, client) == glyph) {
        // The system's own commands: close ends in IDCANCEL through the dialog manager,
        // minimise reaches the task window through TarnisTaskProc.
        PostMessageA(dialog, WM_SYSCOMMAND, glyph == closeGlyph ? SC_CLOSE : SC_MINIMIZE, 0);
    }
    return handled(dialog, 0);
}

LRESULT onCaptureChanged(HWND dialog, HWND newCapture) {
    if (newCapture != dialog && heldGlyph(dialog) != noGlyph) {
        setHeldGlyph(dialog, noGlyph);
        repaintStrip(dialog);
    }
    return 0;
}

LRESULT onSetText(HWND dialog) {
    repaintStrip(dialog);   // by the time the strip is painted, the new title is set
    return 0;
}

LRESULT onNcDestroy(HWND dialog) {
    RemovePropA(dialog, kStripProp);
    RemovePropA(dialog, kHeldGlyphProp);
    return 0;
}

POINT clientPoint(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

}  // namespace

}  // namespace tarnis

extern "C" LRESULT WINAPI TarnisFrameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    using namespace tarnis;
    if (message == WM_INITDIALOG) {
        return onInitDialog(dialog);
    }
    if (stripHeight(dialog) == 0) {
        return 0;   // not a dialog this hook has framed
    }
    switch (message) {
    case WM_ERASEBKGND:     return onEraseBackground(dialog, reinterpret_cast<HDC>(wParam));
    case WM_PAINT:          return onPaint(dialog);
    case WM_NCHITTEST:      return onHitTest(dialog, clientPoint(lParam));
    case WM_LBUTTONDOWN:    return onLButtonDown(dialog, clientPoint(lParam));
    case WM_LBUTTONUP:      return onLButtonUp(dialog, clientPoint(lParam));
    case WM_CAPTURECHANGED: return onCaptureChanged(dialog, reinterpret_cast<HWND>(lParam));
    case WM_SETTEXT:        return onSetText(dialog);
    case WM_NCDESTROY:      return onNcDestroy(dialog);
    default:                return 0;
    }
}

// The dialog's own minimise (glyph or window menu) minimises the task window instead, which
// hides the dialog with it.
extern "C" LRESULT WINAPI TarnisTaskProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    if (message != WM_SYSCOMMAND || (wParam & 0xFFF0) != SC_MINIMIZE) {
        return 0;
    }
    HWND task = tarnis::owningTaskWindow(dialog);
    if (task == nullptr) {
        return 0;
    }
    ShowWindow(task, SW_MINIMIZE);
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 0);
    return TRUE;
}
