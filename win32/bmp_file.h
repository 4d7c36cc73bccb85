#pragma once
// Screenshots: a rectangle of the screen copied as a 24-bit picture, and that picture written
// as a BMP file. Used by vpremote's "shot", the gallery and the Windows tests.

#include "win32/gdi.h"

#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <vector>

namespace win32 {

// 24 bits a pixel as a BMP file stores them: blue, green, red; the bottom row first; every
// row padded to a multiple of four bytes.
struct Picture24 {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rows;

    static std::size_t strideFor(int width) { return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3}; }

    // The pixel x columns from the left and y rows from the top.
    COLORREF pixel(int x, int y) const {
        const unsigned char* p = rows.data() + static_cast<std::size_t>(height - 1 - y) * strideFor(width) +
                                 static_cast<std::size_t>(x) * 3;
        return RGB(p[2], p[1], p[0]);
    }
};

enum class CaptureResult { ok, emptyArea, noScreen, copyFailed, readFailed };

// The pixels of `area` (screen coordinates) as the screen shows them, windows lying above
// included.
inline CaptureResult captureScreen(const RECT& area, Picture24& picture) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) {
        return CaptureResult::emptyArea;
    }
    ClientDC screen(nullptr);
    MemoryDC memory(screen.get());
    OwnedBitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    if (!screen || !memory || !bitmap) {
        return CaptureResult::noScreen;
    }
    {
        SelectGuard select(memory.get(), bitmap.get());
        if (!BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY)) {
            return CaptureResult::copyFailed;
        }
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;   // positive: the bottom row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    picture.width = width;
    picture.height = height;
    picture.rows.assign(Picture24::strideFor(width) * static_cast<std::size_t>(height), 0);
    if (GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(height), picture.rows.data(), &info,
                  DIB_RGB_COLORS) != height) {
        return CaptureResult::readFailed;
    }
    return CaptureResult::ok;
}

// A file header, an information header and the rows as they are.
inline bool writeBmp(const char* path, const Picture24& picture) {
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = picture.width;
    info.biHeight = picture.height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(picture.rows.size());
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;   // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    FILE* out = std::fopen(path, "wb");
    if (out == nullptr) {
        return false;
    }
    const bool written = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&info, sizeof info, 1, out) == 1 &&
                         std::fwrite(picture.rows.data(), 1, picture.rows.size(), out) == picture.rows.size();
    return std::fclose(out) == 0 && written;
}

}  // namespace win32
