#pragma once
// Shared by the control tests: registration per test, a recording parent window, message
// pumping, pixel reading, and bookkeeping of the GDI objects the process creates and deletes.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ctltest {

HINSTANCE module();

// Registers the control classes for one test and unregisters them after it.
class ControlsTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// What a recording window received. `queued` is true when it arrived through the message
// queue (posted) while pump() ran, false when it arrived during the call that caused it (sent).
struct Report {
    WPARAM wParam;
    std::uint32_t lParam;   // the low 32 bits
    LPARAM fullLParam;
    bool queued;
    UINT message;
    std::string text;       // of a WM_SETTEXT
};

// The one message recorder of the Win32 tests: a top-level window that records the
// messages it is given (WM_COMMAND unless told otherwise), then handles them by default.
class RecordingParent {
public:
    RecordingParent(int x, int y, int width, int height, std::vector<UINT> recorded = {WM_COMMAND},
                    bool visible = true);
    ~RecordingParent();
    RecordingParent(const RecordingParent&) = delete;
    RecordingParent& operator=(const RecordingParent&) = delete;

    HWND hwnd() const { return window_; }
    // Delivers everything queued for this thread; reports arriving now count as posted.
    void pump();
    std::vector<Report> takeReports();
    const std::vector<Report>& reports() const { return reports_; }
    void clearReports() { reports_.clear(); }
    int countOf(UINT message) const;

private:
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM);
    HWND window_ = nullptr;
    std::vector<UINT> recorded_;
    std::vector<Report> reports_;
    bool pumping_ = false;
};

// While it lives, mouse messages that come from the real pointer are dropped before they
// reach this thread's windows. The tests drive the controls with sent messages; a slider
// that holds the capture would otherwise also get the pointer's own moves (wine routes
// them to the capture window when windows of other test processes appear or vanish).
class RealMouseBlocker {
public:
    RealMouseBlocker();
    ~RealMouseBlocker();
    RealMouseBlocker(const RealMouseBlocker&) = delete;
    RealMouseBlocker& operator=(const RealMouseBlocker&) = delete;

private:
    HHOOK hook_;
};

// Delivers every queued message of this thread.
void pumpMessages();

HWND createControl(const char* className, HWND parent, int id, int x, int y, int width, int height,
                   DWORD style = WS_CHILD | WS_VISIBLE, const char* text = "");

// Window rectangle in the parent's client coordinates.
RECT rectInParent(HWND window);

// Colour of a client pixel as drawn on screen (after UpdateWindow).
COLORREF pixel(HWND window, int x, int y);

// The pixels of a bitmap resource of the test program, row-major, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;   // as stored in the resource
    std::vector<COLORREF> pixels;
    COLORREF at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};
Picture loadPicture(const char* name);

std::string hex(COLORREF c);

// Counts the GDI objects made and freed through this program's imports of CreatePen,
// CreatePatternBrush, CreateCompatibleDC, LoadBitmapA, CreateCompatibleBitmap (where the
// program imports it), DeleteObject and DeleteDC (the controls are linked into the
// program, so their calls go through the same imports).
class GdiLedger {
public:
    GdiLedger();    // starts recording
    ~GdiLedger();   // stops recording
    GdiLedger(const GdiLedger&) = delete;
    GdiLedger& operator=(const GdiLedger&) = delete;

    struct Deletion {
        HGDIOBJ handle;
        DWORD type;   // GetObjectType just before the deletion
        bool wasLive;  // made while this ledger recorded
    };
    std::size_t live() const;                      // made and not yet freed
    std::size_t created() const;
    std::size_t createdOfType(DWORD type) const;
    const std::vector<Deletion>& deletions() const;
};

// Records the class names this program registers and unregisters, in order, with the
// style and extra bytes of each registration (through the same imports as above).
class ClassRegistrationLog {
public:
    ClassRegistrationLog();
    ~ClassRegistrationLog();
    ClassRegistrationLog(const ClassRegistrationLog&) = delete;
    ClassRegistrationLog& operator=(const ClassRegistrationLog&) = delete;

    struct Call {
        bool registering;
        std::string name;
        UINT style;     // registrations only
        int extraBytes; // registrations only
    };
    const std::vector<Call>& calls() const;
};

// The process's GDI object count from the system (0 where the system does not say).
DWORD systemGdiCount();

// Copies the window's area of the screen into a 24-bit BMP file; optionally hands back the
// pixels, row-major from the top, and the width.
bool saveScreenshot(HWND window, const char* path, std::vector<COLORREF>* pixelsOut = nullptr, int* widthOut = nullptr);

}  // namespace ctltest
