#pragma once
// Owners for GDI objects, device contexts and selections, so every paint path frees what it
// made: the controls, the frame library, the player window and the tools use these.

#include <windows.h>

namespace win32 {

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

// A GDI object this code made, deleted with DeleteObject when it goes out of scope.
template <typename Handle>
class GdiObject {
public:
    explicit GdiObject(Handle handle) : handle_(handle) {}
    ~GdiObject() {
        if (handle_ != nullptr) {
            DeleteObject(handle_);
        }
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    Handle handle_;
};

// A bitmap made for one paint or one copy of the screen.
using OwnedBitmap = GdiObject<HBITMAP>;

// A solid pen, one pixel wide unless told otherwise.
class SolidPen : public GdiObject<HPEN> {
public:
    explicit SolidPen(COLORREF colour, int width = 1) : GdiObject(CreatePen(PS_SOLID, width, colour)) {}
};

class SolidBrush : public GdiObject<HBRUSH> {
public:
    explicit SolidBrush(COLORREF colour) : GdiObject(CreateSolidBrush(colour)) {}
};

// A bitmap loaded from a module's resources.
class ResourceBitmap : public GdiObject<HBITMAP> {
public:
    ResourceBitmap(HINSTANCE module, const char* name) : GdiObject(LoadBitmapA(module, name)) {}
    SIZE size() const {
        BITMAP info{};
        if (get() == nullptr || GetObjectA(get(), sizeof info, &info) == 0) {
            return SIZE{0, 0};
        }
        return SIZE{info.bmWidth, info.bmHeight};
    }
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

// GetDC .. ReleaseDC: a window's client area, or the whole screen for a null window.
class ClientDC {
public:
    explicit ClientDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~ClientDC() {
        if (dc_ != nullptr) {
            ReleaseDC(window_, dc_);
        }
    }
    ClientDC(const ClientDC&) = delete;
    ClientDC& operator=(const ClientDC&) = delete;
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
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

}  // namespace win32
