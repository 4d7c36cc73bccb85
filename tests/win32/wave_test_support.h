#pragma once
// Shared by the wave-output tests: an owner window that records what the hidden window
// tells it (the tests' one message recorder), a message pump with a deadline, and silent
// stereo buffers of a given length.

#include "audio/audio_buffer.h"
#include "audio/mixdown.h"
#include "waveout/wave_out_window.h"
#include "tests/win32/controls_test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace wavetest {

// The owner of the current test, which records the hidden window's notices.
inline ctltest::RecordingParent*& currentOwner() {
    static ctltest::RecordingParent* owner = nullptr;
    return owner;
}

// What the owner received, in order (fullLParam holds the notice's lParam).
inline const std::vector<ctltest::Report>& notices() { return currentOwner()->reports(); }

inline int countOf(UINT msg) { return currentOwner()->countOf(msg); }

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
        instance_ = GetModuleHandleA(nullptr);
        ASSERT_EQ(RegisterWaveOutClass(instance_), 1);
        recorder_ = std::make_unique<ctltest::RecordingParent>(
            0, 0, 100, 100, std::vector<UINT>{WM_WAVEOUT_DONE, WM_WAVEOUT_OPENFAILED}, false);
        currentOwner() = recorder_.get();
        owner_ = recorder_->hwnd();
        ASSERT_NE(owner_, nullptr) << "no window: is DISPLAY set?";
    }

    void TearDown() override {
        if (hidden_ && IsWindow(hidden_)) {
            DestroyWaveOutWindow(hidden_);
            pumpUntil([this] { return !IsWindow(hidden_); }, 5000);
        }
        recorder_.reset();
        currentOwner() = nullptr;
        pumpFor(0);
        UnregisterWaveOutClass(instance_);
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
        out.buffer = AudioBuffer::allocateZeroed(frames * 4);
        return out;
    }

    bool waitPending(std::uint16_t count, DWORD timeoutMs = 5000) {
        return pumpUntil([&] { return device() && device()->pendingCount == count; }, timeoutMs);
    }

    HINSTANCE instance_ = nullptr;
    std::unique_ptr<ctltest::RecordingParent> recorder_;
    HWND owner_ = nullptr;
    HWND hidden_ = nullptr;
    int liveAtStart_ = 0;
};

}  // namespace wavetest
