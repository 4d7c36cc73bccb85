// traceview: the trace viewer. The player sends each trace line as the window text of the
// top-level window of class "DLGCLASSTOOL" titled "MESSAGE"; this program owns that window,
// writes every line it receives to standard output at once, byte for byte, and shows the
// last few lines in its window.
//
//   traceview [--seconds N]
//
// "traceview: ready" on standard error means the window exists. The program ends with
// exit code 0 when its window is closed, or by itself after N seconds.

#include "win32/gdi.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

#include <fcntl.h>
#include <io.h>

namespace {

constexpr char kClassName[] = "DLGCLASSTOOL";
constexpr char kTitle[] = "MESSAGE";
constexpr UINT_PTR kEndTimer = 1;
constexpr std::size_t kLinesShown = 6;
constexpr int kLineHeight = 16;
constexpr int kMargin = 4;

// One viewer window per process: the lines it shows belong to the process.
std::deque<std::string> recentLines;

void rememberLine(const char* text) {
    std::string line(text);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    recentLines.push_back(std::move(line));
    if (recentLines.size() > kLinesShown) recentLines.pop_front();
}

// The window text is not changed: the player finds this window by its title, and every
// later trace line must find it again.
LRESULT onSetText(HWND window, const char* text) {
    if (text == nullptr) return TRUE;
    std::fwrite(text, 1, std::strlen(text), stdout);
    std::fflush(stdout);
    try {
        rememberLine(text);
    } catch (...) {
        // Out of memory: the line has been written, only the display misses it.
    }
    InvalidateRect(window, nullptr, TRUE);
    return TRUE;
}

LRESULT onPaint(HWND window) {
    win32::PaintScope paint(window);
    win32::SelectGuard font(paint.dc(), GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(paint.dc(), TRANSPARENT);
    int y = kMargin;
    for (const std::string& line : recentLines) {
        TextOutA(paint.dc(), kMargin, y, line.c_str(), static_cast<int>(line.size()));
        y += kLineHeight;
    }
    return 0;
}

LRESULT onTimer(HWND window, UINT_PTR id) {
    if (id == kEndTimer) DestroyWindow(window);
    return 0;
}

LRESULT onDestroy() {
    PostQuitMessage(0);
    return 0;
}

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETTEXT: return onSetText(window, reinterpret_cast<const char*>(lParam));
    case WM_PAINT:   return onPaint(window);
    case WM_TIMER:   return onTimer(window, static_cast<UINT_PTR>(wParam));
    case WM_DESTROY: return onDestroy();
    default:         return DefWindowProcA(window, message, wParam, lParam);
    }
}

// Seconds until the viewer ends by itself; 0 means never, -1 a command line it does not take.
int parseSeconds(int argc, char** argv) {
    if (argc == 1) return 0;
    if (argc == 3 && std::strcmp(argv[1], "--seconds") == 0) {
        char* end = nullptr;
        const long seconds = std::strtol(argv[2], &end, 10);
        if (end != argv[2] && *end == '\0' && seconds > 0 && seconds <= 24L * 3600) return static_cast<int>(seconds);
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    // The lines arrive with their own CR LF; text mode would double the CR.
    _setmode(_fileno(stdout), _O_BINARY);
    const int seconds = parseSeconds(argc, argv);
    if (seconds < 0) {
        std::fputs("usage: traceview [--seconds N]\n"
                   "Shows the trace window \"MESSAGE\" and prints every line sent to it.\n",
                   stderr);
        return 2;
    }

    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ViewerProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    if (RegisterClassA(&windowClass) == 0) {
        std::fprintf(stderr, "traceview: cannot register the window class (error %lu)\n", GetLastError());
        return 1;
    }
    const HWND window = CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                        420, static_cast<int>(kLinesShown) * kLineHeight + 2 * kMargin + 40, nullptr, nullptr,
                                        instance, nullptr);
    if (window == nullptr) {
        std::fprintf(stderr, "traceview: cannot create the window (error %lu)\n", GetLastError());
        return 1;
    }
    if (seconds > 0) SetTimer(window, kEndTimer, static_cast<UINT>(seconds) * 1000u, nullptr);
    // Shown without taking the focus from the program being traced.
    ShowWindow(window, SW_SHOWNOACTIVATE);
    std::fputs("traceview: ready\n", stderr);
    std::fflush(stderr);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
