#pragma once
// The built-in theme and the strip's layout arithmetic; a header so that the tests know where
// the library draws what.

#include <windows.h>

#include <algorithm>

namespace tarnis {

// Colours and metrics only: every paint makes and frees its own GDI objects (or uses the
// DC pen and brush), so nothing lives between paints.
struct Theme {
    int stripHeightDlu;     // title strip height in vertical dialog units
    COLORREF strip;         // strip background
    COLORREF stripEdge;     // one-pixel line at the strip's bottom
    COLORREF title;         // title text
    COLORREF glyph;         // minimise and close glyphs
    COLORREF glyphPressed;  // a glyph while the left button holds it
    COLORREF body;          // the dialog below the strip
    COLORREF buttonFace;    // around a button's picture
};

// Dark grey under a darker strip, beside the player's black fields with light-blue text.
inline constexpr Theme kBuiltInTheme{
    .stripHeightDlu = 15,   // 12-DLU buttons at y -13 end two units above the strip's bottom
    .strip = RGB(28, 32, 40),
    .stripEdge = RGB(90, 100, 118),
    .title = RGB(200, 222, 255),
    .glyph = RGB(170, 180, 196),
    .glyphPressed = RGB(128, 192, 255),
    .body = RGB(64, 66, 70),
    .buttonFace = RGB(64, 66, 70),
};

enum Glyph : int { noGlyph = 0, minimiseGlyph = 1, closeGlyph = 2 };

inline constexpr int kGlyphMargin = 4;   // around each glyph box and at the strip's right end

// Square boxes at the strip's right end, in client coordinates: close outermost, minimise
// beside it.
constexpr RECT glyphBox(int clientWidth, int stripHeight, Glyph glyph) {
    const int size = std::max(stripHeight - 2 * kGlyphMargin, 6);
    const int top = (stripHeight - size) / 2;
    const int slot = glyph == closeGlyph ? 0 : 1;
    const int right = clientWidth - kGlyphMargin - slot * (size + kGlyphMargin);
    return RECT{right - size, top, right, top + size};
}

}  // namespace tarnis
