#pragma once
// The control library's entry and exit: window classes and the drawing objects the
// controls share, plus the one-pixel sunken frame.

#include <windows.h>

namespace controls {

constexpr const char* kAudioFaderClass = "32AudioFader";
constexpr const char* kAudioPanClass = "32AudioPan";
constexpr const char* kAudioMeterClass = "32AudioMeter";
constexpr const char* kAudioIndicatorClass = "32AudioIndicator";
constexpr const char* kAudioLedClass = "32AudioLed";
constexpr const char* kVideoOsziClass = "32VideoOszi";
constexpr const char* kVParameterClass = "32VParameter";
constexpr const char* kHParameterClass = "32HParameter";

// Window extra bytes of each class.
constexpr int kFaderExtraBytes = 8;
constexpr int kPanExtraBytes = 8;
constexpr int kMeterExtraBytes = 8;
constexpr int kIndicatorExtraBytes = 12;
constexpr int kLedExtraBytes = 8;
constexpr int kOsziExtraBytes = 12;
constexpr int kVParameterExtraBytes = 8;
constexpr int kHParameterExtraBytes = 8;

// DrawSunkenFrame flag: draw with the system's button shadow and highlight colours
// instead of dark grey and white.
constexpr UINT kSunkenFrameSystemColours = 0x20;

// The module every control loads its bitmaps from (null before registration).
HINSTANCE controlsModule();

}  // namespace controls

// Registers the control classes and creates the shared pens; returns 1 in every case.
int RegisterAudioControls(HINSTANCE instance);
// Unregisters the classes and deletes the shared objects that exist; returns 1.
int UnregisterAudioControls(HINSTANCE instance);

// A one-pixel frame just outside `rect` (right and bottom exclusive): dark on the left and
// top, light on the right and bottom.
void DrawSunkenFrame(HDC dc, const RECT* rect, UINT flags);
