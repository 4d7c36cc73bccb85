// Helpers of the control tests.

#include "tests/win32/controls_test_support.h"

#include "controls/controls.h"
#include "win32/bmp_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace ctltest {

HINSTANCE module() { return GetModuleHandleA(nullptr); }

void ControlsTest::SetUp() { ASSERT_EQ(RegisterAudioControls(module()), 1); }

void ControlsTest::TearDown() {
    pumpMessages();
    UnregisterAudioControls(module());
}

namespace {
LRESULT CALLBACK dropMouseMessage(int code, WPARAM wParam, LPARAM lParam) {
    if (code < 0) {
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    return 1;   // non-zero: the message is removed and not delivered
}
}  // namespace

RealMouseBlocker::RealMouseBlocker()
    : hook_(SetWindowsHookExA(WH_MOUSE, dropMouseMessage, nullptr, GetCurrentThreadId())) {}

RealMouseBlocker::~RealMouseBlocker() {
    if (hook_ != nullptr) {
        UnhookWindowsHookEx(hook_);
    }
}

void pumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// ---- recording parent ----------------------------------------------------------------------

namespace {
constexpr const char* kParentClass = "VpControlsTestParent";

void registerParentClass(WNDPROC proc) {
    WNDCLASSA wc{};
    if (GetClassInfoA(module(), kParentClass, &wc)) {
        return;
    }
    wc.lpfnWndProc = proc;
    wc.hInstance = module();
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kParentClass;
    RegisterClassA(&wc);
}
}  // namespace

RecordingParent::RecordingParent(int x, int y, int width, int height, std::vector<UINT> recorded, bool visible)
    : recorded_(std::move(recorded)) {
    registerParentClass(&RecordingParent::proc);
    window_ = CreateWindowExA(0, kParentClass, "controls test", WS_POPUP | (visible ? WS_VISIBLE : 0), x, y, width,
                              height, nullptr, nullptr, module(), this);
    pumpMessages();
}

RecordingParent::~RecordingParent() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
    pumpMessages();
}

void RecordingParent::pump() {
    pumping_ = true;
    pumpMessages();
    pumping_ = false;
}

int RecordingParent::countOf(UINT message) const {
    return static_cast<int>(std::count_if(reports_.begin(), reports_.end(),
                                          [message](const Report& report) { return report.message == message; }));
}

std::vector<Report> RecordingParent::takeReports() {
    std::vector<Report> out;
    out.swap(reports_);
    return out;
}

LRESULT CALLBACK RecordingParent::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<RecordingParent*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr && std::find(self->recorded_.begin(), self->recorded_.end(), message) != self->recorded_.end()) {
        std::string text;
        if (message == WM_SETTEXT && lParam != 0) text = reinterpret_cast<const char*>(lParam);
        self->reports_.push_back(Report{wParam, static_cast<std::uint32_t>(static_cast<std::uint64_t>(lParam)), lParam,
                                        self->pumping_, message, std::move(text)});
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND createControl(const char* className, HWND parent, int id, int x, int y, int width, int height, DWORD style,
                   const char* text) {
    return CreateWindowExA(0, className, text, style, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module(), nullptr);
}

RECT rectInParent(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

COLORREF pixel(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return c;
}

Picture loadPicture(const char* name) {
    Picture picture;
    auto bitmap = static_cast<HBITMAP>(LoadImageA(module(), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (bitmap == nullptr) {
        return picture;
    }
    DIBSECTION section{};
    GetObjectA(bitmap, sizeof section, &section);
    picture.width = section.dsBm.bmWidth;
    picture.height = section.dsBm.bmHeight;
    picture.bitsPerPixel = section.dsBm.bmBitsPixel;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;   // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> raw(static_cast<std::size_t>(picture.width * picture.height));
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, static_cast<UINT>(picture.height), raw.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    for (std::uint32_t v : raw) {
        picture.pixels.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
    }
    return picture;
}

std::string hex(COLORREF c) {
    char text[32];
    std::snprintf(text, sizeof text, "RGB(%u,%u,%u)", static_cast<unsigned>(GetRValue(c)),
                  static_cast<unsigned>(GetGValue(c)), static_cast<unsigned>(GetBValue(c)));
    return text;
}

// ---- GDI ledger ------------------------------------------------------------------------------

namespace {

struct LedgerState {
    bool recording = false;
    std::map<HGDIOBJ, DWORD> live;   // handle -> kind it was made as
    std::vector<DWORD> createdTypes;
    std::vector<GdiLedger::Deletion> deletions;
};
LedgerState ledger;

using CreatePenFn = HPEN(WINAPI*)(int, int, COLORREF);
using CreatePatternBrushFn = HBRUSH(WINAPI*)(HBITMAP);
using CreateCompatibleDCFn = HDC(WINAPI*)(HDC);
using LoadBitmapAFn = HBITMAP(WINAPI*)(HINSTANCE, LPCSTR);
using DeleteObjectFn = BOOL(WINAPI*)(HGDIOBJ);
using DeleteDCFn = BOOL(WINAPI*)(HDC);
using CreateCompatibleBitmapFn = HBITMAP(WINAPI*)(HDC, int, int);

CreatePenFn realCreatePen;
CreatePatternBrushFn realCreatePatternBrush;
CreateCompatibleDCFn realCreateCompatibleDC;
LoadBitmapAFn realLoadBitmapA;
DeleteObjectFn realDeleteObject;
DeleteDCFn realDeleteDC;
CreateCompatibleBitmapFn realCreateCompatibleBitmap;

void made(HGDIOBJ handle, DWORD type) {
    if (ledger.recording && handle != nullptr) {
        ledger.live[handle] = type;
        ledger.createdTypes.push_back(type);
    }
}

void freeing(HGDIOBJ handle) {
    if (!ledger.recording || handle == nullptr) {
        return;
    }
    const bool wasLive = ledger.live.erase(handle) == 1;
    ledger.deletions.push_back(GdiLedger::Deletion{handle, GetObjectType(handle), wasLive});
}

HPEN WINAPI hookCreatePen(int style, int width, COLORREF colour) {
    HPEN pen = realCreatePen(style, width, colour);
    made(pen, OBJ_PEN);
    return pen;
}
HBRUSH WINAPI hookCreatePatternBrush(HBITMAP bitmap) {
    HBRUSH brush = realCreatePatternBrush(bitmap);
    made(brush, OBJ_BRUSH);
    return brush;
}
HDC WINAPI hookCreateCompatibleDC(HDC dc) {
    HDC memory = realCreateCompatibleDC(dc);
    made(memory, OBJ_MEMDC);
    return memory;
}
HBITMAP WINAPI hookLoadBitmapA(HINSTANCE instance, LPCSTR name) {
    HBITMAP bitmap = realLoadBitmapA(instance, name);
    made(bitmap, OBJ_BITMAP);
    return bitmap;
}
HBITMAP WINAPI hookCreateCompatibleBitmap(HDC dc, int width, int height) {
    HBITMAP bitmap = realCreateCompatibleBitmap(dc, width, height);
    made(bitmap, OBJ_BITMAP);
    return bitmap;
}
BOOL WINAPI hookDeleteObject(HGDIOBJ object) {
    freeing(object);
    return realDeleteObject(object);
}
BOOL WINAPI hookDeleteDC(HDC dc) {
    freeing(dc);
    return realDeleteDC(dc);
}

// Replaces one entry of this program's import address table; returns the old target.
void* patchImport(const char* dll, const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name != 0; ++imp) {
        if (_stricmp(reinterpret_cast<const char*>(base + imp->Name), dll) != 0 || imp->OriginalFirstThunk == 0) {
            continue;
        }
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                continue;
            }
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) {
                continue;
            }
            DWORD old = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
            void* previous = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            return previous;
        }
    }
    return nullptr;
}

template <typename Fn>
void hook(const char* dll, const char* name, Fn replacement, Fn& real) {
    if (real != nullptr) {
        return;
    }
    void* previous = patchImport(dll, name, reinterpret_cast<void*>(replacement));
    ASSERT_NE(previous, nullptr) << name << " is not imported from " << dll;
    real = reinterpret_cast<Fn>(previous);
}

struct ClassLogState {
    bool recording = false;
    std::vector<ClassRegistrationLog::Call> calls;
};
ClassLogState classLog;

using RegisterClassAFn = ATOM(WINAPI*)(const WNDCLASSA*);
using UnregisterClassAFn = BOOL(WINAPI*)(LPCSTR, HINSTANCE);
RegisterClassAFn realRegisterClassA;
UnregisterClassAFn realUnregisterClassA;

std::string nameOf(LPCSTR name) {
    return IS_INTRESOURCE(name) ? "#atom" : std::string(name);
}

ATOM WINAPI hookRegisterClassA(const WNDCLASSA* wc) {
    if (classLog.recording && wc != nullptr) {
        classLog.calls.push_back({true, nameOf(wc->lpszClassName), wc->style, wc->cbWndExtra});
    }
    return realRegisterClassA(wc);
}
BOOL WINAPI hookUnregisterClassA(LPCSTR name, HINSTANCE instance) {
    if (classLog.recording) {
        classLog.calls.push_back({false, nameOf(name), 0, 0});
    }
    return realUnregisterClassA(name, instance);
}

void installHooks() {
    hook("user32.dll", "RegisterClassA", &hookRegisterClassA, realRegisterClassA);
    hook("user32.dll", "UnregisterClassA", &hookUnregisterClassA, realUnregisterClassA);
    hook("gdi32.dll", "CreatePen", &hookCreatePen, realCreatePen);
    hook("gdi32.dll", "CreatePatternBrush", &hookCreatePatternBrush, realCreatePatternBrush);
    hook("gdi32.dll", "CreateCompatibleDC", &hookCreateCompatibleDC, realCreateCompatibleDC);
    hook("user32.dll", "LoadBitmapA", &hookLoadBitmapA, realLoadBitmapA);
    hook("gdi32.dll", "DeleteObject", &hookDeleteObject, realDeleteObject);
    hook("gdi32.dll", "DeleteDC", &hookDeleteDC, realDeleteDC);
    // Only programs with a control that paints through a work bitmap import this one.
    if (realCreateCompatibleBitmap == nullptr) {
        realCreateCompatibleBitmap = reinterpret_cast<CreateCompatibleBitmapFn>(
            patchImport("gdi32.dll", "CreateCompatibleBitmap", reinterpret_cast<void*>(&hookCreateCompatibleBitmap)));
    }
}

}  // namespace

GdiLedger::GdiLedger() {
    installHooks();
    ledger = LedgerState{};
    ledger.recording = true;
}

GdiLedger::~GdiLedger() { ledger.recording = false; }

std::size_t GdiLedger::live() const { return ledger.live.size(); }
std::size_t GdiLedger::created() const { return ledger.createdTypes.size(); }
std::size_t GdiLedger::createdOfType(DWORD type) const {
    std::size_t n = 0;
    for (DWORD t : ledger.createdTypes) {
        n += t == type ? 1 : 0;
    }
    return n;
}
const std::vector<GdiLedger::Deletion>& GdiLedger::deletions() const { return ledger.deletions; }

ClassRegistrationLog::ClassRegistrationLog() {
    installHooks();
    classLog = ClassLogState{};
    classLog.recording = true;
}

ClassRegistrationLog::~ClassRegistrationLog() { classLog.recording = false; }

const std::vector<ClassRegistrationLog::Call>& ClassRegistrationLog::calls() const { return classLog.calls; }

DWORD systemGdiCount() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

bool saveScreenshot(HWND window, const char* path, std::vector<COLORREF>* pixelsOut, int* widthOut) {
    RECT area{};
    GetWindowRect(window, &area);
    win32::Picture24 picture;
    if (win32::captureScreen(area, picture) != win32::CaptureResult::ok) {
        return false;
    }
    if (pixelsOut) {
        pixelsOut->clear();
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                pixelsOut->push_back(picture.pixel(x, y));
            }
        }
    }
    if (widthOut) *widthOut = picture.width;
    return win32::writeBmp(path, picture);
}

}  // namespace ctltest
