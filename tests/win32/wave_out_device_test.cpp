// The wave-output device record on the real wave output (under wine: the test
// environment's PulseAudio null sink): result codes, the format record of each code,
// and what a second open, a bad device number and a zero-length write do.

#include "audio/audio_buffer.h"
#include "waveout/wave_out_device.h"
#include "waveout/wave_out_test_hooks.h"
#include "tests/win32/wave_test_support.h"

#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace wavetest;

namespace {

int returnsSeen = 0;

// Stands in for the hidden window: frees what comes back and counts it.
LRESULT CALLBACK ReturnSinkProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == MM_WOM_DONE) {
        auto* header = reinterpret_cast<WAVEHDR*>(lParam);
        AudioBuffer data = AudioBuffer::adopt(reinterpret_cast<std::byte*>(header->lpData), header->dwBufferLength);
        FreeReturnedWaveHeader(reinterpret_cast<HWAVEOUT>(wParam), header);
        ++returnsSeen;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class WaveDeviceTest : public testing::Test {
protected:
    void SetUp() override {
        live_ = AudioBuffer::liveCount();
        returnsSeen = 0;
        WNDCLASSA wc{};
        wc.lpfnWndProc = ReturnSinkProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "WaveDeviceTestSink";
        RegisterClassA(&wc);
        window_ = CreateWindowExA(0, "WaveDeviceTestSink", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                  wc.hInstance, nullptr);
        ASSERT_NE(window_, nullptr) << "no window: is DISPLAY set?";
        ASSERT_GT(waveOutGetNumDevs(), 0u) << "no wave-output device: is PULSE_SERVER set?";
    }
    void TearDown() override {
        if (device_.flags & WODF_OPEN) {
            ResetWaveOut(&device_);
            pumpUntil([] { return false; }, 50);
            CloseWaveOut(&device_);
        }
        DestroyWindow(window_);
        UnregisterClassA("WaveDeviceTestSink", GetModuleHandleA(nullptr));
        EXPECT_EQ(AudioBuffer::liveCount(), live_);
    }

    // Queues a silent buffer; on success the return handling above frees it.
    int writeSilence(std::uint32_t bytes) {
        AudioBuffer buffer = AudioBuffer::allocateZeroed(bytes);
        const int result = WriteWaveOut(&device_, buffer.data(), bytes);
        if (result == kWaveOutOk) buffer.release();
        return result;
    }

    WaveOutDevice device_;
    HWND window_ = nullptr;
    int live_ = 0;
};

}  // namespace

TEST(WaveFormatRecord, CodesOfThePlayerAndTheEdgeCases) {
    struct Row {
        WaveFormatCode code;
        WORD channels, bits;
        DWORD rate;
        WORD align;
        DWORD bytesPerSecond;
    };
    const Row rows[] = {
        {818, 2, 16, 44100, 4, 176400},  {1074, 2, 16, 48000, 4, 192000}, {0, 1, 16, 44100, 2, 88200},
        {0x205, 1, 16, 22050, 2, 44100}, {0x321, 1, 12, 44100, 2, 88200}, {0x322, 2, 12, 44100, 4, 176400},
        {0x532, 2, 16, 8000, 4, 32000},  {0x632, 2, 16, 16000, 4, 64000}, {0x732, 2, 16, 32000, 4, 128000},
        {0x832, 2, 16, 88200, 4, 352800}, {0x932, 2, 16, 96000, 4, 384000}, {0xA32, 2, 16, 176400, 4, 705600},
        {0xB32, 2, 16, 192000, 4, 768000}, {(12000u << 12) | 0xF32, 2, 16, 12000, 4, 48000},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "code 0x" << std::hex << r.code);
        const WAVEFORMATEX f = WaveFormatFromCode(r.code);
        EXPECT_EQ(f.wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(f.nChannels, r.channels);
        EXPECT_EQ(f.wBitsPerSample, r.bits);
        EXPECT_EQ(f.nSamplesPerSec, r.rate);
        EXPECT_EQ(f.nBlockAlign, r.align);
        EXPECT_EQ(f.nAvgBytesPerSec, r.bytesPerSecond);
        EXPECT_EQ(f.cbSize, 0);
    }
}

TEST(WaveOutName, FirstDeviceHasANameAndABadNumberLeavesTheTextAlone) {
    char name[64];
    std::memset(name, 'x', sizeof name);
    ASSERT_EQ(GetWaveOutDeviceName(0, name), 1);
    EXPECT_GT(std::strlen(name), 0u);
    EXPECT_LT(std::strlen(name), 32u);

    char untouched[8] = "keep";
    EXPECT_EQ(GetWaveOutDeviceName(waveOutGetNumDevs() + 7, untouched), 0);
    EXPECT_STREQ(untouched, "keep");
}

TEST_F(WaveDeviceTest, EveryOperationWithoutARecordIsMinusOne) {
    char data[4] = {};
    EXPECT_EQ(OpenWaveOut(nullptr, window_, 0, 818), -1);
    EXPECT_EQ(CloseWaveOut(nullptr), -1);
    EXPECT_EQ(WriteWaveOut(nullptr, data, 4), -1);
    EXPECT_EQ(RestartWaveOut(nullptr), -1);
    EXPECT_EQ(ResetWaveOut(nullptr), -1);
}

TEST_F(WaveDeviceTest, ClosedDeviceRefusesEverythingWithTen) {
    char data[4] = {};
    EXPECT_EQ(CloseWaveOut(&device_), 10);
    EXPECT_EQ(WriteWaveOut(&device_, data, 4), 10);
    EXPECT_EQ(RestartWaveOut(&device_), 10);
    EXPECT_EQ(ResetWaveOut(&device_), 10);
    EXPECT_EQ(device_.pendingCount, 0);
}

TEST_F(WaveDeviceTest, WriteWithoutDataIsElevenBeforeTheOpenStateIsLookedAt) {
    char data[4] = {};
    EXPECT_EQ(WriteWaveOut(&device_, data, 0), 11);     // closed: 11, not 10
    EXPECT_EQ(WriteWaveOut(&device_, nullptr, 4), 11);
    ASSERT_EQ(OpenWaveOut(&device_, window_, 0, 818), 0);
    EXPECT_EQ(WriteWaveOut(&device_, data, 0), 11);
    device_.flags |= WODF_BLOCKED;
    EXPECT_EQ(WriteWaveOut(&device_, nullptr, 4), 11);  // blocked: still 11
    EXPECT_EQ(device_.pendingCount, 0);
}

TEST_F(WaveDeviceTest, DeviceNumberBeyondTheCountIsTwo) {
    const UINT count = waveOutGetNumDevs();
    EXPECT_EQ(OpenWaveOut(&device_, window_, count, 818), 2);
    EXPECT_EQ(OpenWaveOut(&device_, window_, count + 100, 818), 2);
    EXPECT_EQ(device_.flags, 0u);
    EXPECT_EQ(device_.handle, nullptr);
    // The system's mapper number is not a device number but is accepted.
    EXPECT_EQ(OpenWaveOut(&device_, window_, WAVE_MAPPER, 818), 0);
    EXPECT_EQ(device_.deviceId, WAVE_MAPPER);
}

TEST_F(WaveDeviceTest, SecondOpenIsTenAndLeavesTheFirst) {
    ASSERT_EQ(OpenWaveOut(&device_, window_, 0, 818), 0);
    const HWAVEOUT first = device_.handle;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(device_.flags, WODF_OPEN);
    EXPECT_EQ(OpenWaveOut(&device_, window_, 0, 1074), 10);
    EXPECT_EQ(device_.handle, first);
    EXPECT_EQ(device_.flags, WODF_OPEN);
    // The first opening still plays: a buffer written to it comes back.
    ASSERT_EQ(writeSilence(441 * 4), 0);
    EXPECT_EQ(device_.pendingCount, 1);
    EXPECT_TRUE(pumpUntil([] { return returnsSeen == 1; }, 5000));
    EXPECT_EQ(CloseWaveOut(&device_), 0);
    EXPECT_EQ(device_.handle, nullptr);
    EXPECT_EQ(device_.flags, 0u);
}

TEST_F(WaveDeviceTest, EveryStereoRateOpensOnTheRealDevice) {
    for (std::int32_t rate : {8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000, 176400, 192000, 12000}) {
        SCOPED_TRACE(rate);
        ASSERT_EQ(OpenWaveOut(&device_, window_, 0, FormatCodeForRate(rate)), 0);
        EXPECT_EQ(CloseWaveOut(&device_), 0);
    }
}

TEST_F(WaveDeviceTest, ARateOfZeroIsRefusedByTheDeviceAndStaysClosed) {
    const int result = OpenWaveOut(&device_, window_, 0, FormatCodeForRate(0));
    EXPECT_NE(result, 0);
    EXPECT_NE(result, 10);
    EXPECT_EQ(device_.flags, 0u);
    EXPECT_EQ(device_.handle, nullptr);
}

TEST_F(WaveDeviceTest, PendingCountSurvivesACloseAndAReopen) {
    ASSERT_EQ(OpenWaveOut(&device_, window_, 0, 818), 0);
    ASSERT_EQ(writeSilence(4410 * 4), 0);
    ASSERT_EQ(writeSilence(4410 * 4), 0);
    EXPECT_EQ(device_.pendingCount, 2);
    EXPECT_EQ(ResetWaveOut(&device_), 0);
    EXPECT_EQ(CloseWaveOut(&device_), 0);
    EXPECT_EQ(device_.pendingCount, 2);          // the returns are still on their way
    ASSERT_EQ(OpenWaveOut(&device_, window_, 0, 1074), 0);
    EXPECT_EQ(device_.pendingCount, 2);
    EXPECT_TRUE(pumpUntil([] { return returnsSeen == 2; }, 5000));
}

TEST_F(WaveDeviceTest, FailedHeaderAllocationBlocksWrites) {
    ASSERT_EQ(OpenWaveOut(&device_, window_, 0, 818), 0);
    FailWaveHeaderAllocationsForTest(1);
    EXPECT_EQ(writeSilence(441 * 4), 10);
    EXPECT_EQ(device_.flags, WODF_OPEN | WODF_BLOCKED);
    EXPECT_EQ(writeSilence(441 * 4), 10);       // memory is back, but writes stay refused
    EXPECT_EQ(device_.pendingCount, 0);
    // A new open clears the flag.
    EXPECT_EQ(CloseWaveOut(&device_), 0);
    EXPECT_EQ(device_.flags, 0u);
    ASSERT_EQ(OpenWaveOut(&device_, window_, 0, 818), 0);
    EXPECT_EQ(writeSilence(441 * 4), 0);
    EXPECT_TRUE(pumpUntil([] { return returnsSeen == 1; }, 5000));
}
