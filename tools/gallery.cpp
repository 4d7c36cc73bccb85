// gallery: one window with every control of the library. The interactive ones are live
// (dragging a fader, the pan, a slider or the knob shows the value it reports beside it);
// the display ones move from a timer (meters, indicator, LEDs, and an oscilloscope fed a
// moving waveform).
//
//   gallery [--screenshot FILE.bmp] [--seconds N]
//
// --seconds ends it by itself after N seconds; --screenshot saves the window as a 24-bit BMP
// just before that (the README's picture, and the tests' look at the library).

#include "controls/controls.h"
#include "controls/knob.h"
#include "win32/bmp_file.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char kGalleryClass[] = "VantorPlayGallery";
constexpr UINT_PTR kAnimationTimer = 1;
constexpr UINT_PTR kEndTimer = 2;
constexpr UINT kAnimationMs = 50;
constexpr int kMeterCount = 8;
constexpr int kLedCount = 3;
constexpr int kScopeSamples = 127;

// Control identifiers; each interactive control's value label is its identifier + 100.
enum : int {
    kFirstMeter = 100,
    kIndicator = 120,
    kFirstLed = 130,
    kScope = 140,
    kHSlider = 200,
    kVSlider = 201,
    kFader = 202,
    kPan = 203,
    kKnob = 204,
    kLabelOffset = 100,
};

struct Options {
    const char* screenshot = nullptr;
    int seconds = 0;
};

Options options;
HWND galleryWindow = nullptr;
unsigned long frame = 0;

HWND child(const char* className, HWND parent, int id, int x, int y, int width, int height, DWORD style,
           const char* text = "") {
    return CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
}

void caption(HWND parent, int x, int y, int width, const char* text, int id = 0) {
    child("STATIC", parent, id, x, y, width, 16, SS_LEFT, text);
}

void setNumber(HWND control, WPARAM which, int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", number);
    SendMessageA(control, WM_SETTEXT, which, reinterpret_cast<LPARAM>(text));
}

void createControls(HWND window) {
    caption(window, 16, 8, 150, "meters");
    for (int i = 0; i < kMeterCount; ++i) child("32AudioMeter", window, kFirstMeter + i, 16 + i * 20, 28, 15, 56, 0);
    caption(window, 190, 8, 150, "indicator");
    child("32AudioIndicator", window, kIndicator, 190, 28, 140, 16, 0);
    caption(window, 190, 56, 150, "LEDs");
    for (int i = 0; i < kLedCount; ++i) child("32AudioLed", window, kFirstLed + i, 190 + i * 26, 76, 16, 12, 0);
    caption(window, 350, 8, 150, "oscilloscope");
    child("32VideoOszi", window, kScope, 350, 28, 131, 64, 0);

    constexpr int row = 170;   // the interactive controls, under the display ones
    caption(window, 16, row, 160, "horizontal slider");
    HWND hslider = child("32HParameter", window, kHSlider, 16, row + 20, 160, 16, WS_TABSTOP, "0");
    setNumber(hslider, static_cast<WPARAM>(-1), -100);
    setNumber(hslider, 1, 100);
    setNumber(hslider, 0, 25);
    caption(window, 16, row + 40, 160, "25", kHSlider + kLabelOffset);

    caption(window, 196, row, 70, "vertical");
    HWND vslider = child("32VParameter", window, kVSlider, 210, row + 20, 16, 100, WS_TABSTOP, "0");
    setNumber(vslider, static_cast<WPARAM>(-1), 0);
    setNumber(vslider, 1, 100);
    setNumber(vslider, 0, 60);
    caption(window, 200, row + 124, 70, "60", kVSlider + kLabelOffset);

    caption(window, 276, row, 60, "fader");
    HWND fader = child("32AudioFader", window, kFader, 285, row + 20, 24, 100, 0x0002);
    setNumber(fader, 0, 0x4000);
    caption(window, 276, row + 124, 70, "16384", kFader + kLabelOffset);

    caption(window, 350, row, 60, "pan");
    HWND pan = child("32AudioPan", window, kPan, 350, row + 20, 64, 20, 0x0002);
    setNumber(pan, 0, 0);
    caption(window, 350, row + 44, 60, "0", kPan + kLabelOffset);

    caption(window, 440, row, 60, "knob");
    HWND knob = child(kKnobClass, window, kKnob, 440, row + 20, 32, 32, WS_TABSTOP | 1);
    setNumber(knob, 0, 45);
    caption(window, 440, row + 56, 60, "45", kKnob + kLabelOffset);
}

// The display controls move: meters and indicator follow slow sines, the LEDs sweep their
// colours, the scope shows a travelling wave.
void animate(HWND window) {
    ++frame;
    const double t = frame * kAnimationMs / 1000.0;
    for (int i = 0; i < kMeterCount; ++i) {
        const int level = static_cast<int>(-24 + 22 * std::sin(t * (0.9 + 0.23 * i) + i));
        setNumber(GetDlgItem(window, kFirstMeter + i), 0, level);
    }
    setNumber(GetDlgItem(window, kIndicator), 0, static_cast<int>(-20 + 19 * std::sin(t * 1.3)));
    for (int i = 0; i < kLedCount; ++i)
        setNumber(GetDlgItem(window, kFirstLed + i), 0, static_cast<int>(-24 + 24 * std::sin(t * (0.7 + 0.4 * i))));
    char samples[kScopeSamples + 1];
    for (int i = 0; i < kScopeSamples; ++i) {
        const double wave = std::sin(i * 0.15 - t * 4.0) * 0.6 + std::sin(i * 0.41 + t * 2.5) * 0.25;
        // Samples 1 to 128 span the screen, 64 on its centre line; 0 would end the text.
        samples[i] = static_cast<char>(64 + static_cast<int>(std::lround(wave * 56)));
    }
    samples[kScopeSamples] = '\0';
    SetWindowTextA(GetDlgItem(window, kScope), samples);
}

// Every interactive control reports its value in lParam; the label beside it shows it.
void showReport(HWND window, int id, LPARAM report) {
    char text[48];
    const auto value = static_cast<std::uint32_t>(report);
    const bool released = (value & 0x10000u) != 0;
    int shown = 0;
    switch (id) {
    case kHSlider:
    case kVSlider: shown = static_cast<std::int16_t>(value & 0xFFFF); break;
    case kFader:   shown = static_cast<int>(value & 0xFFFF); break;
    case kPan:     shown = static_cast<std::int8_t>(value & 0xFF); break;
    case kKnob:    shown = static_cast<int>(static_cast<std::int32_t>(value)); break;
    default:       return;
    }
    std::snprintf(text, sizeof text, id == kKnob || !released ? "%d" : "%d (released)", shown);
    SetDlgItemTextA(window, id + kLabelOffset, text);
}

bool saveScreenshot(HWND window, const char* path) {
    RECT area{};
    GetWindowRect(window, &area);
    win32::Picture24 picture;
    return win32::captureScreen(area, picture) == win32::CaptureResult::ok && win32::writeBmp(path, picture);
}

LRESULT onCreate(HWND window) {
    createControls(window);
    animate(window);
    SetTimer(window, kAnimationTimer, kAnimationMs, nullptr);
    if (options.seconds > 0) SetTimer(window, kEndTimer, static_cast<UINT>(options.seconds) * 1000u, nullptr);
    return 0;
}

LRESULT onTimer(HWND window, UINT_PTR timer) {
    if (timer == kAnimationTimer) {
        animate(window);
        return 0;
    }
    if (options.screenshot) {
        UpdateWindow(window);
        const bool saved = saveScreenshot(window, options.screenshot);
        std::printf(saved ? "screenshot: %s\n" : "gallery: cannot write %s\n", options.screenshot);
        std::fflush(stdout);
    }
    DestroyWindow(window);
    return 0;
}

LRESULT CALLBACK GalleryProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:  return onCreate(window);
    case WM_TIMER:   return onTimer(window, wParam);
    case WM_COMMAND: return showReport(window, LOWORD(wParam), lParam), 0;
    case WM_DESTROY: return PostQuitMessage(0), 0;
    default:         return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool parseArguments(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
            options.screenshot = argv[++i];
        } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            options.seconds = std::atoi(argv[++i]);
        } else {
            return false;
        }
    }
    if (options.screenshot && options.seconds <= 0) options.seconds = 1;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (!parseArguments(argc, argv)) {
        std::fprintf(stderr, "usage: gallery [--screenshot FILE.bmp] [--seconds N]\n");
        return 1;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterAudioControls(instance);
    RegisterKnobClass(instance);
    WNDCLASSA wc{};
    wc.lpfnWndProc = GalleryProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kGalleryClass;
    RegisterClassA(&wc);
    RECT frameRect{0, 0, 520, 330};
    AdjustWindowRect(&frameRect, WS_OVERLAPPEDWINDOW, FALSE);
    galleryWindow = CreateWindowExA(0, kGalleryClass, "VantorPlay controls", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                    frameRect.right - frameRect.left, frameRect.bottom - frameRect.top, nullptr,
                                    nullptr, instance, nullptr);
    if (!galleryWindow) {
        std::fprintf(stderr, "gallery: cannot create the window (is DISPLAY set?)\n");
        return 1;
    }
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    UnregisterClassA(kGalleryClass, instance);
    UnregisterKnobClass(instance);
    UnregisterAudioControls(instance);
    return 0;
}
