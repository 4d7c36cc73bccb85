#pragma once
// Shared by the wave-output tests: an owner window that records what the hidden window
// tells it, a message pump with a deadline, and silent stereo buffers of a given length.

#include "audio/audio_buffer.h"
#include "audio/mixdown.h"
#include "audio/wave_out_window.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace wavetest {

struct Notice {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// What the owner windows received, in order; cleared by each OwnerWindow.
inline std::vector<Notice>& notices() {
    static std::vector<Notice> received;
    return received;
}

inline LRESULT CALLBACK RecordingOwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_WAVEOUT_DONE || msg == WM_WAVEOUT_OPENFAILED) {
        notices().push_back({msg, wParam, lParam});
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

inline int countOf(UINT msg) {
    int n = 0;
    for (const Notice& notice : notices()) n += notice.msg == msg ? 1 : 0;
    return n;
}

// Runs the message loop until done() holds or the time is up; true when done() held.
inline bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (done()) return true;
        }
        if (done()) return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    }
}

inline void pumpFor(DWORD ms) {
    pumpUntil([] { return false; }, ms);
}

// A top-level owner (never shown) with the hidden wave-out class registered; both are
// gone again when the fixture ends.
class WaveWindowTest : public testing::Test {
protected:
    void SetUp() override {
        liveAtStart_ = AudioBuffer::liveCount();
        notices().clear();
        instance_ = GetModuleHandleA(nullptr);
        WNDCLASSA wc{};
        wc.lpfnWndProc = RecordingOwnerProc;
        wc.hInstance = instance_;
        wc.lpszClassName = "WaveOutTestOwner";
        RegisterClassA(&wc);
        ASSERT_EQ(RegisterWaveOutClass(instance_), 1);
        owner_ = CreateWindowExA(0, "WaveOutTestOwner", "owner", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                 instance_, nullptr);
        ASSERT_NE(owner_, nullptr) << "no window: is DISPLAY set?";
    }

    void TearDown() override {
        if (hidden_ && IsWindow(hidden_)) {
            DestroyWaveOutWindow(hidden_);
            pumpUntil([this] { return !IsWindow(hidden_); }, 5000);
        }
        if (owner_) DestroyWindow(owner_);
        pumpFor(0);
        UnregisterWaveOutClass(instance_);
        UnregisterClassA("WaveOutTestOwner", instance_);
        // Every buffer made, queued or refused by the test has been released exactly once.
        EXPECT_EQ(AudioBuffer::liveCount(), liveAtStart_);
    }

    HWND createHidden() {
        hidden_ = CreateWaveOutWindow(owner_);
        return hidden_;
    }

    WaveOutDevice* device() { return WaveOutDeviceOf(hidden_); }

    // Silence: the tests share the sound server with captures of other tests.
    static MixOutput silence(std::uint32_t frames) {
        MixOutput out;
        out.length = frames * 4;
        out.buffer = AudioBuffer::allocateZeroed(out.length);
        return out;
    }

    bool waitPending(std::uint16_t count, DWORD timeoutMs = 5000) {
        return pumpUntil([&] { return device() && device()->pendingCount == count; }, timeoutMs);
    }

    HINSTANCE instance_ = nullptr;
    HWND owner_ = nullptr;
    HWND hidden_ = nullptr;
    int liveAtStart_ = 0;
};

}  // namespace wavetest
