// The hidden wave-out window on the real wave output: its class and slots, start and
// stop, the return handling that clocks playback, the close handshake, a reload during
// playback, and that every buffer is released exactly once, queued or not.

#include "audio/audio_buffer.h"
#include "waveout/wave_out_window.h"
#include "waveout/wave_out_test_hooks.h"
#include "tests/win32/wave_test_support.h"

#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <string>

using namespace wavetest;

namespace {

std::string titleOf(HWND hwnd) {
    char text[300] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

constexpr std::uint32_t kTenthAt44100 = 4410;

}  // namespace

TEST_F(WaveWindowTest, ClassAndWindowAsOtherProgramsSeeThem) {
    WNDCLASSA wc{};
    ASSERT_TRUE(GetClassInfoA(instance_, "hiddenWaveOutWindow", &wc));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_GLOBALCLASS));
    EXPECT_EQ(wc.cbWndExtra, 5 * static_cast<int>(sizeof(LONG_PTR)));
    EXPECT_EQ(wc.cbClsExtra, 0);
    EXPECT_EQ(wc.hIcon, nullptr);
    EXPECT_EQ(wc.hCursor, nullptr);
    EXPECT_EQ(wc.hbrBackground, nullptr);
#if !defined(_WIN64)
    EXPECT_EQ(wc.cbWndExtra, 20);
#endif

    ASSERT_NE(createHidden(), nullptr);
    EXPECT_EQ(titleOf(hidden_), "WavePlayer");
    // Created with WS_DISABLED only; the system adds a caption and sibling clipping to
    // every top-level window of overlapped style.
    EXPECT_EQ(GetWindowLongA(hidden_, GWL_STYLE) & ~(WS_CAPTION | WS_CLIPSIBLINGS), static_cast<LONG>(WS_DISABLED));
    EXPECT_FALSE(IsWindowVisible(hidden_));
    EXPECT_FALSE(IsWindowEnabled(hidden_));
    EXPECT_EQ(GetParent(hidden_), nullptr);
    EXPECT_EQ(GetWindowLongPtrA(hidden_, waveout_slots::reserved0), 0);
    EXPECT_EQ(GetWindowLongPtrA(hidden_, waveout_slots::reserved2), 0);
    EXPECT_EQ(GetWindowLongPtrA(hidden_, waveout_slots::state), WOS_IDLE);
    EXPECT_EQ(reinterpret_cast<HWND>(GetWindowLongPtrA(hidden_, waveout_slots::owner)), owner_);
    const WaveOutDevice* record = device();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->handle, nullptr);
    EXPECT_EQ(record->deviceId, 0u);
    EXPECT_EQ(record->flags, 0u);
    EXPECT_EQ(record->pendingCount, 0);
}

TEST_F(WaveWindowTest, WaveOutProcIsExportedUnderItsName) {
    const auto exported = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(nullptr), "WaveOutProc"));
    EXPECT_EQ(exported, reinterpret_cast<void*>(&WaveOutProc));
}

TEST_F(WaveWindowTest, OperationsWithoutAWindowAreMinusOne) {
    const int live = AudioBuffer::liveCount();
    MixOutput out = silence(10);
    ASSERT_EQ(AudioBuffer::liveCount(), live + 1);
    EXPECT_EQ(StartWaveOutput(nullptr, 818), -1);
    EXPECT_EQ(StopWaveOutput(nullptr), -1);
    EXPECT_EQ(QueueWaveBuffer(nullptr, &out), -1);
    EXPECT_EQ(DestroyWaveOutWindow(nullptr), -1);
    EXPECT_EQ(AudioBuffer::liveCount(), live);       // the buffer nobody queued is gone
    EXPECT_TRUE(out.buffer.empty());
}

TEST_F(WaveWindowTest, StartOpensTheDeviceAndTakesItsName) {
    ASSERT_NE(createHidden(), nullptr);
    EXPECT_EQ(StartWaveOutput(hidden_, 818), 0);
    ASSERT_TRUE(device()->flags & WODF_OPEN);
    EXPECT_NE(device()->handle, nullptr);
    EXPECT_EQ(WaveOutStateOf(hidden_), WOS_RUNNING);
    char name[kWaveOutNameLength] = {};
    ASSERT_EQ(GetWaveOutDeviceName(0, name), 1);
    EXPECT_EQ(titleOf(hidden_), name);
    EXPECT_EQ(countOf(WM_WAVEOUT_OPENFAILED), 0);

    EXPECT_EQ(StopWaveOutput(hidden_), 0);
    EXPECT_EQ(device()->flags, 0u);
    EXPECT_EQ(device()->handle, nullptr);
    EXPECT_EQ(WaveOutStateOf(hidden_), WOS_IDLE);
}

TEST_F(WaveWindowTest, StartOnAnOpenDeviceOnlyChangesTheState) {
    ASSERT_NE(createHidden(), nullptr);
    ASSERT_EQ(StartWaveOutput(hidden_, 818), 0);
    const HWAVEOUT handle = device()->handle;
    // One buffer played to its end leaves the window idle with the device still open.
    MixOutput out = silence(441);
    QueueWaveBuffer(hidden_, &out);
    ASSERT_TRUE(waitPending(0));
    ASSERT_EQ(WaveOutStateOf(hidden_), WOS_IDLE);
    SetWindowTextA(hidden_, "renamed by the test");

    EXPECT_EQ(StartWaveOutput(hidden_, 1074), 0);
    EXPECT_EQ(WaveOutStateOf(hidden_), WOS_RUNNING);
    EXPECT_EQ(device()->handle, handle);                    // not reopened
    EXPECT_EQ(titleOf(hidden_), "renamed by the test");     // not renamed
    EXPECT_EQ(countOf(WM_WAVEOUT_OPENFAILED), 0);
}

TEST_F(WaveWindowTest, EachReturnReleasesItsBufferAndTellsTheOwner) {
    ASSERT_NE(createHidden(), nullptr);
    ASSERT_EQ(StartWaveOutput(hidden_, 818), 0);
    const int live = AudioBuffer::liveCount();
    for (int i = 0; i < 3; ++i) {
        MixOutput out = silence(kTenthAt44100 / 4);
        EXPECT_EQ(QueueWaveBuffer(hidden_, &out), 0);
        EXPECT_TRUE(out.buffer.empty());                    // the queue holds it now
    }
    EXPECT_EQ(device()->pendingCount, 3);
    EXPECT_EQ(AudioBuffer::liveCount(), live + 3);
    ASSERT_TRUE(pumpUntil([] { return countOf(WM_WAVEOUT_DONE) == 3; }, 5000));
    EXPECT_EQ(AudioBuffer::liveCount(), live);
    ASSERT_EQ(notices().size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(notices()[i].wParam, reinterpret_cast<WPARAM>(hidden_));
        EXPECT_EQ(notices()[i].fullLParam, static_cast<LPARAM>(2 - i));   // pendingCount after the return
    }
    EXPECT_EQ(device()->pendingCount, 0);
}

// Seen through a paused device: only a restart lets a queued buffer play and come back.
TEST_F(WaveWindowTest, ReturnToZeroSetsIdleAndTheNextQueueRestartsFirst) {
    ASSERT_NE(createHidden(), nullptr);
    ASSERT_EQ(StartWaveOutput(hidden_, 818), 0);

    // Running: a paused device is not restarted by a queue, so the buffer stays.
    ASSERT_EQ(waveOutPause(device()->handle), MMSYSERR_NOERROR);
    MixOutput first = silence(441);
    QueueWaveBuffer(hidden_, &first);
    pumpFor(400);
    EXPECT_EQ(device()->pendingCount, 1);
    EXPECT_EQ(countOf(WM_WAVEOUT_DONE), 0);
    EXPECT_EQ(WaveOutStateOf(hidden_), WOS_RUNNING);

    ASSERT_EQ(RestartWaveOut(device()), 0);
    ASSERT_TRUE(waitPending(0));
    EXPECT_EQ(WaveOutStateOf(hidden_), WOS_IDLE);           // the return that brought the count to 0

    // Idle: the next queue restarts the paused device before it writes.
    ASSERT_EQ(waveOutPause(device()->handle), MMSYSERR_NOERROR);
    MixOutput second = silence(441);
    QueueWaveBuffer(hidden_, &second);
    EXPECT_EQ(WaveOutStateOf(hidden_), WOS_RUNNING);
    EXPECT_TRUE(waitPending(0, 3000)) << "the queued buffer did not play: no restart";
    EXPECT_EQ(WaveOutStateOf(hidden_), WOS_IDLE);
    EXPECT_TRUE(pumpUntil([] { return countOf(WM_WAVEOUT_DONE) == 2; }, 1000));
}

TEST_F(WaveWindowTest, CloseWithBuffersQueuedResetsAndWaitsForEveryReturn) {
    ASSERT_NE(createHidden(), nullptr);
    ASSERT_EQ(StartWaveOutput(hidden_, 818), 0);
    const int live = AudioBuffer::liveCount();
    for (int i = 0; i < 3; ++i) {
        MixOutput out = silence(44100);                     // a second each: only a reset ends them soon
        QueueWaveBuffer(hidden_, &out);
    }
    ASSERT_EQ(device()->pendingCount, 3);
    ASSERT_EQ(AudioBuffer::liveCount(), live + 3);
    const DWORD start = GetTickCount();

    EXPECT_EQ(DestroyWaveOutWindow(hidden_), 0);
    EXPECT_EQ(WaveOutOwnerOf(hidden_), nullptr);
    EXPECT_TRUE(IsWindow(hidden_)) << "destroyed before the returns were handled";
    ASSERT_TRUE(pumpUntil([this] { return !IsWindow(hidden_); }, 5000));
    EXPECT_LT(GetTickCount() - start, 2000u) << "the queued seconds played out: no reset";
    EXPECT_EQ(countOf(WM_WAVEOUT_DONE), 0);                  // the owner was forgotten first
    EXPECT_EQ(AudioBuffer::liveCount(), live);               // each released once by its return
    hidden_ = nullptr;
}

// Any process may post WM_CLOSE to a top-level window: while the owner has not asked for
// the close, the window stays, keeps its device and goes on telling its owner.
TEST_F(WaveWindowTest, CloseTheOwnerDidNotAskForIsIgnored) {
    ASSERT_NE(createHidden(), nullptr);
    ASSERT_EQ(StartWaveOutput(hidden_, 818), 0);
    MixOutput out = silence(kTenthAt44100);
    QueueWaveBuffer(hidden_, &out);
    PostMessageA(hidden_, WM_CLOSE, 0, 0);
    PostMessageA(hidden_, WM_CLOSE, 1, 0);
    ASSERT_TRUE(pumpUntil([] { return countOf(WM_WAVEOUT_DONE) == 1; }, 3000)) << "the reset or close was acted on";
    pumpFor(100);
    EXPECT_TRUE(IsWindow(hidden_));
    EXPECT_EQ(WaveOutOwnerOf(hidden_), owner_);
    ASSERT_NE(device(), nullptr);
    EXPECT_TRUE(device()->flags & WODF_OPEN);
    MixOutput again = silence(441);
    QueueWaveBuffer(hidden_, &again);
    EXPECT_TRUE(pumpUntil([] { return countOf(WM_WAVEOUT_DONE) == 2; }, 3000));
}

TEST_F(WaveWindowTest, CloseWithNothingQueuedDestroysAtOnce) {
    ASSERT_NE(createHidden(), nullptr);
    ASSERT_EQ(StartWaveOutput(hidden_, 818), 0);
    EXPECT_EQ(DestroyWaveOutWindow(hidden_), 0);
    EXPECT_FALSE(IsWindow(hidden_));
    hidden_ = nullptr;
}

// Loading a new take while four buffers play: stop, start again, queue more; every
// return, of the old opening and the new, is handled once and the count never wraps.
TEST_F(WaveWindowTest, RestartWhileFourBuffersAreQueuedKeepsEveryBufferAccounted) {
    ASSERT_NE(createHidden(), nullptr);
    ASSERT_EQ(StartWaveOutput(hidden_, 818), 0);
    const int live = AudioBuffer::liveCount();
    for (int i = 0; i < 4; ++i) {
        MixOutput out = silence(kTenthAt44100);
        QueueWaveBuffer(hidden_, &out);
    }
    EXPECT_EQ(StopWaveOutput(hidden_), 0);
    EXPECT_EQ(device()->pendingCount, 4);
    EXPECT_EQ(WaveOutStateOf(hidden_), WOS_IDLE);
    ASSERT_EQ(StartWaveOutput(hidden_, 1074), 0);
    EXPECT_TRUE(device()->flags & WODF_OPEN);
    EXPECT_NE(device()->handle, nullptr);
    for (int i = 0; i < 2; ++i) {
        MixOutput out = silence(4800);
        QueueWaveBuffer(hidden_, &out);
    }
    EXPECT_EQ(device()->pendingCount, 6);
    EXPECT_EQ(AudioBuffer::liveCount(), live + 6);

    ASSERT_TRUE(pumpUntil([] { return countOf(WM_WAVEOUT_DONE) == 6; }, 5000));
    pumpFor(300);   // nothing more may arrive
    ASSERT_EQ(countOf(WM_WAVEOUT_DONE), 6);
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(notices()[i].fullLParam, static_cast<LPARAM>(5 - i));
    EXPECT_EQ(device()->pendingCount, 0);
    EXPECT_EQ(WaveOutStateOf(hidden_), WOS_IDLE);
    EXPECT_EQ(AudioBuffer::liveCount(), live);
}

// Any process can post MM_WOM_DONE to a top-level window: a header the window never
// queued, or one it has already seen back, is left alone and brings no notice.
TEST_F(WaveWindowTest, ReturnsOfBuffersItDidNotQueueAreIgnored) {
    ASSERT_NE(createHidden(), nullptr);
    ASSERT_EQ(StartWaveOutput(hidden_, 818), 0);
    AudioBuffer foreignData = AudioBuffer::allocateZeroed(64);
    const int live = AudioBuffer::liveCount();
    WAVEHDR foreign{};
    foreign.dwBufferLength = 64;
    foreign.lpData = reinterpret_cast<LPSTR>(foreignData.data());
    SendMessageA(hidden_, MM_WOM_DONE, 0, reinterpret_cast<LPARAM>(&foreign));
    SendMessageA(hidden_, MM_WOM_DONE, 0, 0x1234);              // a pointer that must not be followed
    EXPECT_EQ(AudioBuffer::liveCount(), live);                  // the foreign buffer is still the sender's

    MixOutput queued = silence(kTenthAt44100);
    QueueWaveBuffer(hidden_, &queued);
    ASSERT_EQ(device()->queuedHeaders.size(), 1u);
    WAVEHDR* real = device()->queuedHeaders.front();
    ASSERT_TRUE(waitPending(0));
    SendMessageA(hidden_, MM_WOM_DONE, 0, reinterpret_cast<LPARAM>(real));   // the same return again
    pumpFor(100);
    EXPECT_EQ(countOf(WM_WAVEOUT_DONE), 1);                     // only the real return was noticed
    EXPECT_EQ(device()->pendingCount, 0);
    EXPECT_EQ(AudioBuffer::liveCount(), live);
}

TEST_F(WaveWindowTest, BuffersThatAreNotQueuedAreReleasedAtOnce) {
    ASSERT_NE(createHidden(), nullptr);
    const int live = AudioBuffer::liveCount();

    MixOutput closed = silence(441);                         // device never opened
    QueueWaveBuffer(hidden_, &closed);
    EXPECT_TRUE(closed.buffer.empty());
    EXPECT_EQ(AudioBuffer::liveCount(), live);

    ASSERT_EQ(StartWaveOutput(hidden_, 818), 0);
    MixOutput empty = silence(0);                            // refused by the device record (11)
    QueueWaveBuffer(hidden_, &empty);
    EXPECT_EQ(AudioBuffer::liveCount(), live);

    device()->flags |= WODF_BLOCKED;                         // writes blocked
    MixOutput blocked = silence(441);
    QueueWaveBuffer(hidden_, &blocked);
    EXPECT_EQ(AudioBuffer::liveCount(), live);
    EXPECT_EQ(device()->pendingCount, 0);
    device()->flags &= ~WODF_BLOCKED;

    QueueWaveBuffer(hidden_, nullptr);                       // no buffer at all
    EXPECT_EQ(AudioBuffer::liveCount(), live);
    EXPECT_EQ(countOf(WM_WAVEOUT_DONE), 0);
}

TEST_F(WaveWindowTest, HeaderShortageBlocksUntilTheNextReturn) {
    ASSERT_NE(createHidden(), nullptr);
    ASSERT_EQ(StartWaveOutput(hidden_, 818), 0);
    const int live = AudioBuffer::liveCount();
    MixOutput queued = silence(kTenthAt44100);
    QueueWaveBuffer(hidden_, &queued);
    ASSERT_EQ(device()->pendingCount, 1);

    FailWaveHeaderAllocationsForTest(1);
    MixOutput refused = silence(441);
    QueueWaveBuffer(hidden_, &refused);
    EXPECT_TRUE(device()->flags & WODF_BLOCKED);
    MixOutput skipped = silence(441);                        // memory is back, the flag still blocks
    QueueWaveBuffer(hidden_, &skipped);
    EXPECT_EQ(device()->pendingCount, 1);
    EXPECT_EQ(AudioBuffer::liveCount(), live + 1);

    ASSERT_TRUE(waitPending(0));
    EXPECT_FALSE(device()->flags & WODF_BLOCKED);           // cleared by the return
    MixOutput again = silence(441);
    QueueWaveBuffer(hidden_, &again);
    EXPECT_EQ(device()->pendingCount, 1);
    ASSERT_TRUE(waitPending(0));
    EXPECT_EQ(AudioBuffer::liveCount(), live);
}

// No room for one more entry in the list of queued headers: the buffer is not written,
// so the device never holds bytes that the caller frees.
TEST_F(WaveWindowTest, NoRoomInTheQueueListLeavesTheBufferUnwrittenAndReleased) {
    ASSERT_NE(createHidden(), nullptr);
    ASSERT_EQ(StartWaveOutput(hidden_, 818), 0);
    const int live = AudioBuffer::liveCount();
    FailWaveQueueGrowthForTest(1);
    MixOutput refused = silence(kTenthAt44100);
    EXPECT_NO_THROW(QueueWaveBuffer(hidden_, &refused));
    FailWaveQueueGrowthForTest(0);
    EXPECT_EQ(device()->pendingCount, 0) << "written to the device without a place on the list";
    EXPECT_TRUE(device()->queuedHeaders.empty());
    EXPECT_EQ(AudioBuffer::liveCount(), live) << "the unwritten buffer was not released";
    MixOutput next = silence(441);                           // memory is back: writes go on
    QueueWaveBuffer(hidden_, &next);
    EXPECT_EQ(device()->pendingCount, 1);
    ASSERT_TRUE(waitPending(0));
    EXPECT_EQ(AudioBuffer::liveCount(), live);
}

TEST_F(WaveWindowTest, NoUsableDeviceTellsTheOwnerAndLeaksNothing) {
    ASSERT_NE(createHidden(), nullptr);
    device()->deviceId = waveOutGetNumDevs() + 40;
    EXPECT_EQ(StartWaveOutput(hidden_, 818), 0);
    ASSERT_EQ(countOf(WM_WAVEOUT_OPENFAILED), 1);
    EXPECT_EQ(notices()[0].wParam, reinterpret_cast<WPARAM>(hidden_));
    EXPECT_EQ(notices()[0].fullLParam, 0);
    EXPECT_EQ(device()->flags, 0u);
    EXPECT_EQ(WaveOutStateOf(hidden_), WOS_IDLE);            // state unchanged
    EXPECT_EQ(titleOf(hidden_), "WavePlayer");

    const int live = AudioBuffer::liveCount();
    for (int i = 0; i < 4; ++i) {                            // the player's four priming blocks
        MixOutput out = silence(kTenthAt44100);
        QueueWaveBuffer(hidden_, &out);
    }
    EXPECT_EQ(AudioBuffer::liveCount(), live);
    EXPECT_EQ(device()->pendingCount, 0);
    pumpFor(200);
    EXPECT_EQ(countOf(WM_WAVEOUT_DONE), 0);
}

// A device that keeps its buffers past the bound: the wait gives up and the window, with
// what it still owns, stays alive; once the buffers are back it closes.
TEST_F(WaveWindowTest, CloseWaitIsBoundedWhenTheDeviceKeepsItsBuffers) {
    ASSERT_NE(createHidden(), nullptr);
    ASSERT_EQ(StartWaveOutput(hidden_, 818), 0);
    device()->pendingCount = 1;                               // a return that does not come
    DestroyWaveOutWindow(hidden_);
    EXPECT_FALSE(WaitForWaveOutWindowClosed(hidden_, 300));
    ASSERT_TRUE(IsWindow(hidden_));
    ASSERT_NE(device(), nullptr);
    device()->pendingCount = 0;                               // now it has come back
    EXPECT_TRUE(WaitForWaveOutWindowClosed(hidden_, 5000));
    EXPECT_FALSE(IsWindow(hidden_));
}
