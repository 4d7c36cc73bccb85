// "TN_BMBUTTON": the cell drawn for each state, the commands it sends, its check state, and
// what it leaves alone (the focus, the keys, GDI objects).

#include "tests/win32/tarnis_test_support.h"

#include <cstring>
#include <functional>
#include <set>

using namespace ctltest;
using namespace tarnistest;

namespace {

constexpr int kId = 301;
constexpr int kWidth = 30, kHeight = 20;   // the 24x16 cell sits at (3, 2)
constexpr int kCellW = 24, kCellH = 16;
constexpr DWORD kPlain = 0x0001, kRepeat = 0x0009;

HWND createButton(HWND parent, DWORD style, const char* picture = "TARNIS_CELLS") {
    return createControl("TN_BMBUTTON", parent, kId, 10, 10, kWidth, kHeight, WS_CHILD | WS_VISIBLE | style, picture);
}
void send(HWND button, UINT message, int x = 10, int y = 10) { SendMessageA(button, message, 0, MAKELPARAM(x, y)); }
void press(HWND button) { send(button, WM_LBUTTONDOWN); }
void release(HWND button) { send(button, WM_LBUTTONUP); }

// The row through the cell's middle and a corner of the face, against the picture.
::testing::AssertionResult showsCell(HWND button, int cell) {
    static const Picture picture = loadPicture("TARNIS_CELLS");
    if (picture.width != kCellW || pixel(button, 0, 0) != kBuiltInTheme.buttonFace) {
        return ::testing::AssertionFailure() << "no picture, or face " << hex(pixel(button, 0, 0));
    }
    for (int x = 0; x < kCellW; ++x) {
        const COLORREF expected = cell < 0 ? kBuiltInTheme.buttonFace : picture.at(x, cell * kCellH + kCellH / 2);
        const COLORREF shown = pixel(button, (kWidth - kCellW) / 2 + x, (kHeight - kCellH) / 2 + kCellH / 2);
        if (shown != expected) {
            return ::testing::AssertionFailure() << "x " << x << ": " << hex(shown) << " not " << hex(expected);
        }
    }
    return ::testing::AssertionSuccess();
}

void check(HWND b) { SendMessageA(b, BM_SETCHECK, BST_CHECKED, 0); }

using ButtonTest = TarnisTest;

TEST_F(ButtonTest, CellFollowsState) {
    struct Case {
        const char* state;
        const char* picture;
        std::function<void(HWND)> enter;
        int cell;   // -1: the face alone
    };
    const Case cases[] = {
        {"normal", "TARNIS_CELLS", [](HWND) {}, 0},
        {"held", "TARNIS_CELLS", press, 1},
        {"held, checked", "TARNIS_CELLS", [](HWND b) { check(b); press(b); }, 1},
        {"held, pointer off it", "TARNIS_CELLS", [](HWND b) { press(b); send(b, WM_MOUSEMOVE, -5, 40); }, 0},
        {"checked", "TARNIS_CELLS", check, 2},
        {"disabled, checked", "TARNIS_CELLS", [](HWND b) { check(b); EnableWindow(b, FALSE); }, 3},
        {"no such picture", "NO_SUCH_PICTURE", [](HWND) {}, -1},
    };
    RealMouseBlocker blocker;
    RecordingParent parent(40, 40, 120, 60);
    for (const Case& c : cases) {
        HWND button = createButton(parent.hwnd(), kPlain, c.picture);
        c.enter(button);
        UpdateWindow(button);
        EXPECT_TRUE(showsCell(button, c.cell)) << c.state;
        ReleaseCapture();
        DestroyWindow(button);
    }
}

TEST_F(ButtonTest, OnlyAReleaseOverThePressedEnabledButtonSendsACommand) {
    struct Case {
        const char* gesture;
        std::function<void(HWND)> run;
        std::size_t commands;
    };
    const Case cases[] = {
        {"press and release on it", [](HWND b) { press(b); release(b); }, 1},
        {"out and back in", [](HWND b) { press(b); send(b, WM_MOUSEMOVE, 60, 5); send(b, WM_MOUSEMOVE); release(b); }, 1},
        {"release outside", [](HWND b) { press(b); send(b, WM_LBUTTONUP, 60, 5); }, 0},
        {"release without a press", release, 0},
        {"disabled", [](HWND b) { EnableWindow(b, FALSE); press(b); release(b); SendMessageA(b, BM_CLICK, 0, 0); }, 0},
        {"space and enter", [](HWND b) {
             for (WPARAM key : {VK_SPACE, VK_RETURN}) {
                 SendMessageA(b, WM_KEYDOWN, key, 1);
                 SendMessageA(b, WM_CHAR, key, 1);
                 SendMessageA(b, WM_KEYUP, key, 0xC0000001);
             }
         }, 0},
    };
    RealMouseBlocker blocker;
    RecordingParent parent(40, 40, 120, 60);
    for (const Case& c : cases) {
        HWND button = createButton(parent.hwnd(), kPlain);
        c.run(button);
        parent.pump();
        const auto reports = parent.takeReports();
        ASSERT_EQ(reports.size(), c.commands) << c.gesture;
        for (const Report& r : reports) {
            EXPECT_EQ(r.wParam, static_cast<WPARAM>(kId)) << c.gesture << ": the whole wParam is the identifier";
            EXPECT_EQ(r.fullLParam, reinterpret_cast<LPARAM>(button)) << c.gesture;
            EXPECT_FALSE(r.queued) << c.gesture << ": sent during the release";
        }
        DestroyWindow(button);
    }
}

// Delivers this thread's messages, timers included, for a while.
void pumpFor(DWORD milliseconds) {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < milliseconds;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        pumpMessages();
    }
}

TEST_F(ButtonTest, HeldRepeatButtonSendsAtThePressAndWhileHeld) {
    RealMouseBlocker blocker;
    RecordingParent parent(40, 40, 120, 60);
    HWND button = createButton(parent.hwnd(), kRepeat);
    press(button);
    EXPECT_EQ(parent.takeReports().size(), 1u) << "the first command comes with the press";
    pumpFor(800);   // first repeat after 400 ms, then every 100 ms
    const auto held = parent.takeReports();
    EXPECT_GE(held.size(), 2u);
    for (const Report& r : held) {
        EXPECT_EQ(r.wParam, static_cast<WPARAM>(kId));
    }
    release(button);
    pumpFor(300);
    EXPECT_TRUE(parent.takeReports().empty()) << "nothing at or after the release";
}

TEST_F(ButtonTest, CheckStateRoundTripsAndRepaintsAtOnce) {
    RealMouseBlocker blocker;
    RecordingParent parent(40, 40, 120, 60);
    HWND button = createButton(parent.hwnd(), kPlain);
    UpdateWindow(button);
    for (WPARAM state : {BST_CHECKED, BST_UNCHECKED, BST_CHECKED}) {
        SendMessageA(button, BM_SETCHECK, state, 0);
        EXPECT_EQ(SendMessageA(button, BM_GETCHECK, 0, 0), static_cast<LRESULT>(state));
        EXPECT_TRUE(showsCell(button, state == BST_CHECKED ? 2 : 0)) << "no message pumped yet";
    }
    press(button);
    release(button);
    EXPECT_EQ(SendMessageA(button, BM_GETCHECK, 0, 0), BST_CHECKED) << "a click leaves the check to the parent";
}

TEST_F(ButtonTest, FocusStaysWhereItWas) {
    RealMouseBlocker blocker;
    RecordingParent parent(40, 40, 120, 60);
    SetForegroundWindow(parent.hwnd());
    HWND edit = createControl("EDIT", parent.hwnd(), 900, 50, 10, 60, 20, WS_CHILD | WS_VISIBLE | WS_TABSTOP);
    HWND button = createButton(parent.hwnd(), kPlain);
    SetFocus(edit);
    ASSERT_EQ(GetFocus(), edit);
    press(button);
    release(button);
    EXPECT_EQ(GetFocus(), edit) << "after a click";
    SetFocus(button);
    EXPECT_EQ(GetFocus(), edit) << "the button hands the focus back";
}

// GDI objects made through TARNIS.DLL's own imports: its calls do not pass this program's.
std::set<HGDIOBJ> liveObjects;
std::size_t madeObjects = 0;
decltype(&LoadBitmapA) realLoadBitmap;
decltype(&CreateCompatibleDC) realCreateDC;
decltype(&DeleteObject) realDeleteObject;
decltype(&DeleteDC) realDeleteDC;

template <typename H> H made(H object) {
    madeObjects += object != nullptr ? 1 : 0;
    liveObjects.insert(object);
    return object;
}
HBITMAP WINAPI countLoadBitmap(HINSTANCE m, LPCSTR n) { return made(realLoadBitmap(m, n)); }
HDC WINAPI countCreateDC(HDC dc) { return made(realCreateDC(dc)); }
BOOL WINAPI countDeleteObject(HGDIOBJ o) {
    liveObjects.erase(o);
    return realDeleteObject(o);
}
BOOL WINAPI countDeleteDC(HDC dc) {
    liveObjects.erase(dc);
    return realDeleteDC(dc);
}

// Points TARNIS.DLL's import of `function` at `replacement`, keeping the previous one in `real`.
template <typename Fn> void swapImport(const char* function, Fn replacement, Fn& real) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA("TARNIS.DLL"));
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name; ++imp) {
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slot) {
            if (!IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) &&
                std::strcmp(reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name, function) == 0) {
                DWORD old = 0;
                VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
                real = reinterpret_cast<Fn>(slot->u1.Function);
                slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
                VirtualProtect(slot, sizeof *slot, old, &old);
                return;
            }
        }
    }
    FAIL() << function << " is not imported by TARNIS.DLL";
}

TEST_F(ButtonTest, ThousandPaintsLeaveNoGdiObjects) {
    swapImport("LoadBitmapA", &countLoadBitmap, realLoadBitmap);
    swapImport("CreateCompatibleDC", &countCreateDC, realCreateDC);
    swapImport("DeleteObject", &countDeleteObject, realDeleteObject);
    swapImport("DeleteDC", &countDeleteDC, realDeleteDC);
    RecordingParent parent(40, 40, 120, 60);
    HWND button = createButton(parent.hwnd(), kPlain);
    for (int i = 0; i < 1000; ++i) {
        SendMessageA(button, BM_SETCHECK, static_cast<WPARAM>(i % 2), 0);   // repaints at once
    }
    DestroyWindow(button);
    decltype(realLoadBitmap) a;
    decltype(realCreateDC) b;
    decltype(realDeleteObject) c;
    decltype(realDeleteDC) d;
    swapImport("LoadBitmapA", realLoadBitmap, a);
    swapImport("CreateCompatibleDC", realCreateDC, b);
    swapImport("DeleteObject", realDeleteObject, c);
    swapImport("DeleteDC", realDeleteDC, d);
    EXPECT_GE(madeObjects, 2000u) << "a bitmap and a memory DC per paint";
    EXPECT_TRUE(liveObjects.empty()) << liveObjects.size() << " objects outlived their paint";
}

}  // namespace
