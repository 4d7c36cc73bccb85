// Class registration, the shared pens and pattern, and DrawSunkenFrame.

#include "controls/controls.h"

#include "controls/audio_fader.h"
#include "controls/audio_indicator.h"
#include "controls/audio_led.h"
#include "controls/audio_meter.h"
#include "controls/audio_pan.h"
#include "controls/hparameter.h"
#include "controls/video_oszi.h"
#include "controls/vparameter.h"
#include "win32/gdi.h"

namespace controls {
namespace {

// Written only by RegisterAudioControls, released only by UnregisterAudioControls.
struct SharedObjects {
    HINSTANCE module = nullptr;
    HPEN lightGreyPen = nullptr;
    HPEN whitePen = nullptr;
    HPEN darkGreyPen = nullptr;
    HPEN buttonFacePen = nullptr;
    HPEN buttonHighlightPen = nullptr;
    HPEN buttonShadowPen = nullptr;
    HBITMAP patternBitmap = nullptr;
    HBRUSH patternBrush = nullptr;
};

SharedObjects shared;

struct ClassEntry {
    const char* name;
    WNDPROC procedure;
    UINT style;
    int extraBytes;
};

// Registration order. The interactive controls take double clicks; the display-only ones do not.
const ClassEntry kClasses[] = {
    {kAudioFaderClass, AudioFaderProc, CS_GLOBALCLASS | CS_DBLCLKS, kFaderExtraBytes},
    {kAudioPanClass, AudioPanProc, CS_GLOBALCLASS | CS_DBLCLKS, kPanExtraBytes},
    {kAudioMeterClass, AudioMeterProc, CS_GLOBALCLASS, kMeterExtraBytes},
    {kAudioIndicatorClass, AudioIndicatorProc, CS_GLOBALCLASS, kIndicatorExtraBytes},
    {kAudioLedClass, AudioLedProc, CS_GLOBALCLASS, kLedExtraBytes},
    {kVideoOsziClass, VideoOsziProc, CS_GLOBALCLASS, kOsziExtraBytes},
    {kVParameterClass, VParameterProc, CS_GLOBALCLASS | CS_DBLCLKS, kVParameterExtraBytes},
    {kHParameterClass, HParameterProc, CS_GLOBALCLASS | CS_DBLCLKS, kHParameterExtraBytes},
};

void registerClass(const ClassEntry& entry, HINSTANCE instance) {
    WNDCLASSA wc{};
    wc.style = entry.style;
    wc.lpfnWndProc = entry.procedure;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = entry.extraBytes;
    wc.hInstance = instance;
    wc.hIcon = nullptr;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = nullptr;   // every control paints its whole client area itself
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = entry.name;
    RegisterClassA(&wc);          // a class that fails is simply not available
}

template <typename Handle>
void deleteIfSet(Handle& handle) {
    if (handle != nullptr) {
        DeleteObject(handle);
        handle = nullptr;
    }
}

}  // namespace

HINSTANCE controlsModule() { return shared.module; }

}  // namespace controls

int RegisterAudioControls(HINSTANCE instance) {
    using namespace controls;
    shared.module = instance;
    for (const ClassEntry& entry : kClasses) {
        registerClass(entry, instance);
    }
    shared.lightGreyPen = CreatePen(PS_SOLID, 1, RGB(192, 192, 192));
    shared.whitePen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    shared.darkGreyPen = CreatePen(PS_SOLID, 1, RGB(128, 128, 128));
    // Sampled once: a later change of the colour scheme does not reach these pens.
    shared.buttonFacePen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
    shared.buttonHighlightPen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    shared.buttonShadowPen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    shared.patternBitmap = LoadBitmapA(instance, "PATTERN");
    // The program's resources hold no "PATTERN": bitmap and brush then stay null.
    shared.patternBrush = shared.patternBitmap != nullptr ? CreatePatternBrush(shared.patternBitmap) : nullptr;
    return 1;
}

int UnregisterAudioControls(HINSTANCE instance) {
    using namespace controls;
    for (const ClassEntry& entry : kClasses) {
        UnregisterClassA(entry.name, instance);
    }
    deleteIfSet(shared.lightGreyPen);
    deleteIfSet(shared.darkGreyPen);
    deleteIfSet(shared.whitePen);
    deleteIfSet(shared.buttonFacePen);
    deleteIfSet(shared.buttonShadowPen);
    deleteIfSet(shared.buttonHighlightPen);
    deleteIfSet(shared.patternBrush);
    deleteIfSet(shared.patternBitmap);
    return 1;
}

void DrawSunkenFrame(HDC dc, const RECT* rect, UINT flags) {
    using namespace controls;
    if (dc == nullptr || rect == nullptr) {
        return;
    }
    const bool system = (flags & kSunkenFrameSystemColours) != 0;
    HPEN dark = system ? shared.buttonShadowPen : shared.darkGreyPen;
    HPEN light = system ? shared.buttonHighlightPen : shared.whitePen;
    if (dark == nullptr || light == nullptr) {
        return;   // not registered: there are no pens to draw with
    }
    const RECT r = *rect;
    {
        win32::SelectGuard select(dc, dark);
        // A line's end point is not drawn: left edge x = left - 1 from bottom up to
        // top - 1, then the top edge up to x = right.
        MoveToEx(dc, r.left - 1, r.bottom, nullptr);
        LineTo(dc, r.left - 1, r.top - 1);
        LineTo(dc, r.right + 1, r.top - 1);
    }
    {
        win32::SelectGuard select(dc, light);
        MoveToEx(dc, r.left - 1, r.bottom, nullptr);
        LineTo(dc, r.right, r.bottom);
        LineTo(dc, r.right, r.top - 1);
    }
}
