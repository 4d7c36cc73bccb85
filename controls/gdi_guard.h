#pragma once
// Small owners for GDI objects and selections, so every paint path frees what it made.

#include <windows.h>

namespace controls {

// Selects an object into a DC and puts the previous one back when it goes out of scope.
// Declared after the object it selects, so it is destroyed (deselects) first.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectGuard() {
        if (previous_ != nullptr) {
            SelectObject(dc_, previous_);
        }
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A memory DC compatible with another, freed with DeleteDC.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDC() {
        if (dc_ != nullptr) {
            DeleteDC(dc_);
        }
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HDC dc_;
};

// A bitmap loaded from a module's resources, freed with DeleteObject.
class ResourceBitmap {
public:
    ResourceBitmap(HINSTANCE module, const char* name) : bitmap_(LoadBitmapA(module, name)) {}
    ~ResourceBitmap() {
        if (bitmap_ != nullptr) {
            DeleteObject(bitmap_);
        }
    }
    ResourceBitmap(const ResourceBitmap&) = delete;
    ResourceBitmap& operator=(const ResourceBitmap&) = delete;
    HBITMAP get() const { return bitmap_; }
    explicit operator bool() const { return bitmap_ != nullptr; }
    SIZE size() const {
        BITMAP info{};
        if (bitmap_ == nullptr || GetObjectA(bitmap_, sizeof info, &info) == 0) {
            return SIZE{0, 0};
        }
        return SIZE{info.bmWidth, info.bmHeight};
    }

private:
    HBITMAP bitmap_;
};

// BeginPaint .. EndPaint.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintScope() { EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC dc() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

}  // namespace controls
