// The player window inside this test program: its template, loading, the hand-over and a
// real drop, the stored position, seeking, playing through the real wave output, and that
// every buffer is released exactly once.

#include "app/player_window.h"
#include "app/settings.h"
#include "app/trace.h"
#include "audio/audio_buffer.h"
#include "waveout/wave_out_device.h"
#include "waveout/wave_out_window.h"
#include "controls/controls.h"
#include "tarnis/tarnis.h"
#include "tests/support/wave_writer.h"
#include "tests/win32/controls_test_support.h"

#include <windows.h>
#include <psapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace wavetest;

namespace {

std::string takeWith(const TempFile& file, int channels, std::uint32_t rate, int bits, double seconds) {
    WaveWriter w;
    w.riff();
    w.fmtPcm(channels, rate, bits);
    w.ixml(ixmlDocument("<TAPE>T7</TAPE><SCENE>12A</SCENE><TAKE>3</TAKE>"));
    const auto frames = static_cast<std::size_t>(rate * seconds);
    w.data(tonePcm(channels, bits, frames, rate, 440.0, (1 << (bits - 2))));
    EXPECT_TRUE(writeFile(file.str(), w.bytes()));
    return file.str();
}

class PlayerTest : public testing::Test {
protected:
    void SetUp() override {
        instance_ = GetModuleHandleA(nullptr);
        liveAtStart_ = AudioBuffer::liveCount();
        ASSERT_TRUE(InitTarnis(instance_));
        SetTarnisTheme("brasko.dll");
        RegisterAudioControls(instance_);
        RegisterWaveOutClass(instance_);
        RegisterPlayerClass(instance_);
        std::snprintf(SettingsFileName(), kSettingsNameSize, "%s", settings_.c_str());
        Player() = PlayerState{};
    }

    void TearDown() override {
        close();
        UnregisterClassA(kPlayerClassName, instance_);
        UnregisterWaveOutClass(instance_);
        UnregisterAudioControls(instance_);
        ExitTarnis(instance_);
        DeleteFileA(settings_.c_str());
        EXPECT_EQ(AudioBuffer::liveCount(), liveAtStart_) << "every buffer is released exactly once";
    }

    HWND open() {
        player_ = CreateDialogParamA(instance_, kPlayerTemplate, nullptr, ViewDlgProc, 0);
        pumpFor(50);
        return player_;
    }

    // Destroys the player and lets the hidden window hand back what the device still holds.
    void close() {
        if (player_ && IsWindow(player_)) DestroyWindow(player_);
        pumpUntil([] { return !IsWindow(Player().waveOutWindow); }, 5000);
        player_ = nullptr;
    }

    static void pumpFor(DWORD ms) {
        pumpUntil([] { return false; }, ms);
    }

    // Delivers this thread's messages (the player's quit message is dropped) until `done`.
    static bool pumpUntil(const std::function<bool()>& done, DWORD ms) {
        const DWORD start = GetTickCount();
        for (;;) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT) continue;
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            if (done()) return true;
            if (GetTickCount() - start >= ms) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }

    void handOver(const std::string& path) {
        COPYDATASTRUCT data{COPYDATA_FILEPATH, static_cast<DWORD>(path.size() + 1), const_cast<char*>(path.c_str())};
        EXPECT_EQ(SendMessageA(player_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), 1);
        pumpFor(30);
    }

    void command(WPARAM id, LPARAM lParam = 0) { SendMessageA(player_, WM_COMMAND, id, lParam); }
    std::string text(int id) const {
        char buffer[600] = {};
        GetDlgItemTextA(player_, id, buffer, sizeof buffer);
        return buffer;
    }
    bool checked(int id) const { return SendDlgItemMessageA(player_, id, BM_GETCHECK, 0, 0) != 0; }
    bool enabled(int id) const { return IsWindowEnabled(GetDlgItem(player_, id)) != FALSE; }
    std::string switches() const {   // 'x' checked, '-' enabled and off, '.' disabled
        std::string states;
        for (int id = IDC_SWITCH1; id <= IDC_SWITCH8; ++id) states += !enabled(id) ? '.' : checked(id) ? 'x' : '-';
        return states;
    }

    HINSTANCE instance_ = nullptr;
    HWND player_ = nullptr;
    int liveAtStart_ = 0;
    TempFile settingsFile_{"settings"};
    std::string settings_ = settingsFile_.str().substr(0, settingsFile_.str().size() - 4) + ".ini";
};

// The template as other tools read it: style, place, and the 24 controls in order.
TEST_F(PlayerTest, TemplateHoldsTheTwentyFourControlsInOrder) {
    HRSRC found = FindResourceA(instance_, kPlayerTemplate, MAKEINTRESOURCEA(5));
    ASSERT_NE(found, nullptr);
    const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(instance_, found)));
    auto word = [&](std::size_t at) { return static_cast<std::int16_t>(bytes[at] | (bytes[at + 1] << 8)); };
    auto dword = [&](std::size_t at) {
        return static_cast<std::uint32_t>(bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (bytes[at + 3] << 24));
    };
    ASSERT_EQ(word(2), -1);                                   // DLGTEMPLATEEX
    EXPECT_EQ(dword(12), 0x904A0044u);
    EXPECT_EQ(dword(8), 0u);
    EXPECT_EQ(word(16), 24);
    EXPECT_EQ(word(18), 59);
    EXPECT_EQ(word(20), 74);
    EXPECT_EQ(word(22), 247);
    EXPECT_EQ(word(24), 115);

    struct Item { int id; const char* className; const char* text; std::uint32_t style; int x, y, w, h; };
    const Item expected[] = {
        {101, "TN_BMBUTTON", "B_PLAY", 1, 8, 97, 47, 12},      {102, "TN_BMBUTTON", "B_STOP", 1, 7, -13, 20, 12},
        {103, "TN_BMBUTTON", "B_REW", 9, 29, -13, 17, 12},     {104, "TN_BMBUTTON", "B_FF", 9, 49, -13, 18, 12},
        {201, "32HPARAMETER", "0", 0, 58, 99, 139, 11},
        {301, "TN_BMBUTTON", "B_SWITCH1", 1, 7, 76, 14, 13},   {302, "TN_BMBUTTON", "B_SWITCH2", 1, 23, 76, 14, 13},
        {303, "TN_BMBUTTON", "B_SWITCH3", 1, 39, 76, 14, 13},  {304, "TN_BMBUTTON", "B_SWITCH4", 1, 55, 76, 14, 13},
        {305, "TN_BMBUTTON", "B_SWITCH5", 1, 71, 76, 14, 13},  {306, "TN_BMBUTTON", "B_SWITCH6", 1, 87, 76, 14, 13},
        {307, "TN_BMBUTTON", "B_SWITCH7", 1, 103, 76, 14, 13}, {308, "TN_BMBUTTON", "B_SWITCH8", 1, 119, 76, 14, 13},
        {601, "STATIC", "", SS_RIGHT, 205, 99, 35, 10},
        {602, "STATIC", "  drag the file on the window", 0, 9, 19, 231, 10},
        {603, "STATIC", "", 0, 151, 38, 89, 52},
        {701, "32AUDIOMETER", "", WS_TABSTOP, 10, 38, 10, 39},  {702, "32AUDIOMETER", "", WS_TABSTOP, 25, 38, 10, 39},
        {703, "32AUDIOMETER", "", WS_TABSTOP, 42, 38, 10, 39},  {704, "32AUDIOMETER", "", WS_TABSTOP, 58, 38, 10, 39},
        {705, "32AUDIOMETER", "", WS_TABSTOP, 74, 38, 10, 39},  {706, "32AUDIOMETER", "", WS_TABSTOP, 90, 38, 10, 39},
        {707, "32AUDIOMETER", "", WS_TABSTOP, 107, 38, 10, 39}, {708, "32AUDIOMETER", "", WS_TABSTOP, 123, 38, 10, 39},
    };
    // Past the header: menu, class, title (strings of 16-bit characters), then the font.
    auto skipString = [&](std::size_t at) {
        while (word(at) != 0) at += 2;
        return at + 2;
    };
    auto readString = [&](std::size_t at, std::string& out) {
        out.clear();
        for (; word(at) != 0; at += 2) out += static_cast<char>(word(at));
        return at + 2;
    };
    std::string value;
    std::size_t at = skipString(26);
    at = readString(at, value);
    EXPECT_EQ(value, "VANTORPLAYDLGCLASS");
    at = skipString(at);
    EXPECT_EQ(word(at), 8);                                   // point size, then weight, italic, charset
    at = readString(at + 6, value);
    EXPECT_EQ(value, "MS Sans Serif");
    for (const Item& item : expected) {
        at = (at + 3) & ~std::size_t{3};
        EXPECT_EQ(dword(at + 8), WS_CHILD | WS_VISIBLE | item.style) << item.id;
        EXPECT_EQ(word(at + 12), item.x) << item.id;
        EXPECT_EQ(word(at + 14), item.y) << item.id;
        EXPECT_EQ(word(at + 16), item.w) << item.id;
        EXPECT_EQ(word(at + 18), item.h) << item.id;
        EXPECT_EQ(dword(at + 20), static_cast<std::uint32_t>(item.id));
        at = readString(at + 24, value);
        EXPECT_STRCASEEQ(value.c_str(), item.className) << item.id;
        at = readString(at, value);
        EXPECT_EQ(value, item.text) << item.id;
        at += 2 + static_cast<std::size_t>(word(at));          // creation data
    }
}

TEST_F(PlayerTest, LoadingShowsTheTakeAndSetsTheSwitches) {
    TempFile stereo("stereo"), eight("eight"), junk("junk");
    takeWith(stereo, 2, 44100, 16, 2.0);
    takeWith(eight, 8, 48000, 24, 3.0);
    ASSERT_TRUE(writeFile(junk.str(), bytesOf("this is no take at all")));
    struct Case {
        std::string path;
        std::string info;
        std::string switches;
        std::uint32_t blockSize;
        std::int32_t length;
    } cases[] = {
        {stereo.str(), " Format: 44.1 kHz / 16 Bit\r\n Channels:   2\r\n L\xE4nge: 2 sec\r\n Tape: T7 \r\n Scene: 12A \r\n Take: 3",
         "xx......", 17640, 2},
        {eight.str(), " Format: 48 kHz / 24 Bit\r\n Channels:   8\r\n L\xE4nge: 3 sec\r\n Tape: T7 \r\n Scene: 12A \r\n Take: 3",
         "xxxxxxxx", 115200, 3},
        {junk.str(), " unknown fileformat", "........", 0, 3},   // nothing to read; the length stays
    };
    ASSERT_NE(open(), nullptr);
    EXPECT_EQ(text(IDC_HINT), "  drag the file on the window");
    for (const Case& c : cases) {
        handOver(c.path);
        EXPECT_EQ(text(IDC_INFO), c.info) << c.path;
        EXPECT_EQ(text(IDC_HINT), c.path);
        EXPECT_EQ(switches(), c.switches) << c.path;
        EXPECT_EQ(Player().take.blockBytes(), c.blockSize) << c.path;
        EXPECT_EQ(Player().length, c.length) << c.path;
    }
    command(IDC_PLAY);                                        // nothing is ready: play does nothing
    EXPECT_FALSE(checked(IDC_PLAY));
    EXPECT_EQ(Player().playing, 0);
}

// The hand-over copies no further than the path buffer and the sent byte count, with or
// without a terminator; other identifiers change nothing.
// The digit keys click the switches of the bank shown; Down and Up move between banks of
// eight and stop at the ends, and every channel keeps its state across them. Each row: the
// take handed over first (or none), a key, then the switches and the first and last
// switch's picture.
TEST_F(PlayerTest, DigitKeysClickTheBankShownAndArrowsStepBanks) {
    TempFile stereo("stereo"), twelve("twelve");
    takeWith(stereo, 2, 44100, 16, 1.0);
    takeWith(twelve, 12, 48000, 16, 1.0);
    struct Row { const TempFile* take; LPARAM key; const char* switches; const char* first; const char* last; };
    const Row rows[] = {
        {&stereo, '2', "x-......", "B_SWITCH1", "B_SWITCH8"},    // channel 2 off
        {nullptr, '7', "x-......", "B_SWITCH1", "B_SWITCH8"},    // no channel 7: nothing
        {nullptr, VK_DOWN, "x-......", "B_SWITCH1", "B_SWITCH8"},   // one bank only
        {nullptr, VK_UP, "x-......", "B_SWITCH1", "B_SWITCH8"},
        {nullptr, '2', "xx......", "B_SWITCH1", "B_SWITCH8"},    // on again
        {nullptr, VK_NUMPAD1, "xx......", "B_SWITCH1", "B_SWITCH8"},   // the main keyboard's digits only
        {&twelve, '3', "xx-xxxxx", "B_SWITCH1", "B_SWITCH8"},    // every channel on at the load
        {nullptr, VK_DOWN, "xxxx....", "B_SWITCH9", "B_SWITCH16"},   // 9 to 12, and 13 to 16 absent
        {nullptr, '1', "-xxx....", "B_SWITCH9", "B_SWITCH16"},   // channel 9
        {nullptr, '6', "-xxx....", "B_SWITCH9", "B_SWITCH16"},   // no channel 14
        {nullptr, VK_DOWN, "-xxx....", "B_SWITCH9", "B_SWITCH16"},   // the last bank
        {nullptr, VK_UP, "xx-xxxxx", "B_SWITCH1", "B_SWITCH8"},  // channel 3 kept its state
        {&stereo, 0, "xx......", "B_SWITCH1", "B_SWITCH8"},      // a small take after a large one
    };
    ASSERT_NE(open(), nullptr);
    for (const Row& row : rows) {
        if (row.take) handOver(row.take->str());
        if (row.key) command(CMD_KEYDOWN, row.key);
        EXPECT_EQ(switches(), row.switches) << "key " << row.key;
        char first[32] = {}, last[32] = {};
        GetDlgItemTextA(player_, IDC_SWITCH1, first, sizeof first);
        GetDlgItemTextA(player_, IDC_SWITCH8, last, sizeof last);
        EXPECT_STREQ(first, row.first) << "key " << row.key;
        EXPECT_STREQ(last, row.last) << "key " << row.key;
    }
    EXPECT_EQ(Player().channelEnabled[1], 1) << "a new take hears every channel";
    EXPECT_EQ(Player().channelEnabled[2], 0) << "and none beyond its own";
}

TEST_F(PlayerTest, HandOverIsBoundedByBufferAndCount) {
    ASSERT_NE(open(), nullptr);
    const std::string longPath(700, 'p');
    const std::string unterminated = "C:\\takes\\abcdef";
    struct Case {
        ULONG_PTR id;
        const char* data;
        DWORD count;
        std::string path;
    } cases[] = {
        {COPYDATA_FILEPATH, longPath.c_str(), 701, std::string(512, 'p')},
        {COPYDATA_FILEPATH, unterminated.c_str(), 12, "C:\\takes\\abc"},
        {4999, "C:\\other.wav", 13, "C:\\takes\\abc"},
    };
    for (const Case& c : cases) {
        COPYDATASTRUCT data{c.id, c.count, const_cast<char*>(c.data)};
        EXPECT_EQ(SendMessageA(player_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), 1);
        EXPECT_EQ(std::string(Player().currentPath), c.path);
    }
}

TEST_F(PlayerTest, DropLoadsTheFirstOfSeveralFiles) {
    TempFile first("first"), second("second");
    takeWith(first, 2, 44100, 16, 1.0);
    takeWith(second, 8, 48000, 24, 1.0);
    ASSERT_NE(open(), nullptr);
    // DROPFILES followed by the ANSI paths, each terminated, and an empty one at the end.
    std::string paths = first.str() + '\0' + second.str() + '\0' + '\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + paths.size());
    ASSERT_NE(memory, nullptr);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), paths.data(), paths.size());
    GlobalUnlock(memory);
    SendMessageA(player_, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);   // the player releases it
    pumpFor(30);
    EXPECT_EQ(text(IDC_HINT), first.str());
    EXPECT_EQ(switches(), "xx......");
}

TEST_F(PlayerTest, StoredPositionIsRestoredAndSaved) {
    struct Case {
        const char* stored;
        LONG x, y;
    } cases[] = {{"-50,-10,379,210", 0, 0}, {"100", 100, 0}, {"100,,120", 100, 120}, {"150,130,1,1", 150, 130}};
    for (const Case& c : cases) {
        WritePrivateProfileStringA("WindowPosition", "Player", c.stored, settings_.c_str());
        ASSERT_NE(open(), nullptr);
        RECT rect{};
        GetWindowRect(player_, &rect);
        EXPECT_EQ(rect.left, c.x) << c.stored;
        EXPECT_EQ(rect.top, c.y) << c.stored;
        close();
        // Closing stores where the window was, with its own size.
        char saved[64] = {};
        GetPrivateProfileStringA("WindowPosition", "Player", "", saved, sizeof saved, settings_.c_str());
        EXPECT_EQ(std::string(saved), std::to_string(c.x) + "," + std::to_string(c.y) + "," +
                                          std::to_string(rect.right - rect.left) + "," +
                                          std::to_string(rect.bottom - rect.top));
    }
    SettingsFileName()[0] = '\0';                             // no settings file: nothing is read
    ASSERT_NE(open(), nullptr);
    RECT rect{};
    GetWindowRect(player_, &rect);
    EXPECT_NE(rect.left, 150);
}

// Rewind and fast-forward step 10 s, the arrows 1 s, clamped to the take; the reader's byte
// position follows; with the focus on the slider the arrows are left to it.
TEST_F(PlayerTest, StepsSeekWithinTheTake) {
    TempFile take("steps");
    takeWith(take, 2, 44100, 16, 25.0);
    ASSERT_NE(open(), nullptr);
    handOver(take.str());
    struct Case {
        WPARAM command;
        LPARAM key;
        std::int32_t position;
    } cases[] = {
        {IDC_FF, 0, 10}, {IDC_FF, 0, 20}, {IDC_FF, 0, 25}, {CMD_KEYDOWN, VK_LEFT, 24}, {IDC_REW, 0, 14},
        {IDC_REW, 0, 4}, {IDC_REW, 0, 0}, {CMD_KEYDOWN, VK_LEFT, 0}, {CMD_KEYDOWN, VK_RIGHT, 1},
        {IDC_POSITION, 7, 7}, {IDC_POSITION, 0x10000 | 9, 9},
    };
    for (const Case& c : cases) {
        command(c.command, c.key);
        EXPECT_EQ(Player().position, c.position) << c.command << " " << c.key;
        EXPECT_EQ(Player().take.bytePosition(), std::int64_t{c.position} * 44100 * 4);
        EXPECT_EQ(text(IDC_TIME), std::to_string(c.position) + " s ");
    }
    SetFocus(GetDlgItem(player_, IDC_POSITION));
    command(CMD_KEYDOWN, VK_RIGHT);
    EXPECT_EQ(Player().position, 9);
}

// Plays through the real wave output: four blocks queued, a pause loses nothing, a load
// during playback goes on from the new take's start, and the end halts with the meters at -48.
TEST_F(PlayerTest, PlaysPausesReloadsAndHaltsAtTheEnd) {
    TempFile first("first"), second("second");
    takeWith(first, 2, 44100, 16, 1.0);
    takeWith(second, 8, 48000, 24, 1.5);
    ASSERT_NE(open(), nullptr);
    handOver(first.str());
    command(IDC_PLAY);
    EXPECT_TRUE(checked(IDC_PLAY));
    EXPECT_EQ(Player().take.bytePosition(), 4 * 17640);
    EXPECT_EQ(WaveOutDeviceOf(Player().waveOutWindow)->pendingCount, 4);
    ASSERT_TRUE(pumpUntil([] { return Player().take.bytePosition() >= 6 * 17640; }, 3000));

    command(IDC_PLAY);                                        // pause: the reader stays
    EXPECT_FALSE(checked(IDC_PLAY));
    const std::int64_t paused = Player().take.bytePosition();
    pumpFor(200);
    EXPECT_EQ(Player().take.bytePosition(), paused);
    command(CMD_KEYDOWN, VK_SPACE);                           // play again from where it stopped
    EXPECT_TRUE(checked(IDC_PLAY));
    EXPECT_LE(WaveOutDeviceOf(Player().waveOutWindow)->pendingCount, 4);

    handOver(second.str());
    ASSERT_TRUE(pumpUntil([] { return Player().take.bytePosition() > 0; }, 2000));
    EXPECT_TRUE(checked(IDC_PLAY));
    EXPECT_LE(Player().take.bytePosition(), 5 * 115200);          // from the new take's start

    ASSERT_TRUE(pumpUntil([] { return Player().playing == 0; }, 5000));
    EXPECT_FALSE(checked(IDC_PLAY));
    for (int id = IDC_METER1; id <= IDC_METER8; ++id) EXPECT_EQ(text(id), "-48") << id;
    EXPECT_EQ(Player().position, 1);                          // the slider stays at the end
}

// Without a usable device the hint says so and Play neither checks nor queues.
TEST_F(PlayerTest, NoDeviceLeavesPlayUnchecked) {
    TempFile take("nodevice");
    takeWith(take, 2, 44100, 16, 1.0);
    ASSERT_NE(open(), nullptr);
    WaveOutDeviceOf(Player().waveOutWindow)->deviceId = waveOutGetNumDevs() + 40;
    handOver(take.str());
    EXPECT_EQ(text(IDC_HINT), kNoOutputHint);
    command(IDC_PLAY);
    EXPECT_FALSE(checked(IDC_PLAY));
    EXPECT_EQ(Player().take.bytePosition(), 0);
}

// Windows of this thread, children included: the USER objects the player can leave behind.
BOOL CALLBACK countChild(HWND, LPARAM total) {
    ++*reinterpret_cast<int*>(total);
    return TRUE;
}

BOOL CALLBACK countWithChildren(HWND window, LPARAM total) {
    ++*reinterpret_cast<int*>(total);
    EnumChildWindows(window, countChild, total);
    return TRUE;
}

int windowsOfThisThread() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), countWithChildren, reinterpret_cast<LPARAM>(&count));
    return count;
}

SIZE_T privateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    // Wine leaves the private count at 0; its committed count is the process's own memory.
    return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

// 1,000 load, play, seek and stop cycles, then 100 hand-overs in a row, against one player:
// buffers, GDI objects, windows and private memory end where they started.
// A folder of a card: a plain take, a take of two mono files and a take of twelve channels,
// with a file that is no take between them. Page Down and Page Up step through it in name
// order, the set counting once, and stop at either end; then 1,000 steps while playing leave
// nothing behind.
TEST_F(PlayerTest, PageKeysStepThroughAFolderAndLeaveNothingBehind) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("vantorplay-card-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(folder);
    const auto write = [&](const char* name, int channels, const std::string& ixml) {
        WaveWriter w;
        w.riff();
        w.fmtPcm(channels, 48000, 16);
        w.ixml(ixmlDocument("<SCENE>S</SCENE><TAKE>1</TAKE>" + ixml));
        w.data(tonePcm(channels, 16, 48000 * 3, 48000, 440.0, 1000));   // 3 s: no step plays one out
        EXPECT_TRUE(writeFile((folder / name).string(), w.bytes()));
    };
    const auto member = [](int index) {
        return "<FILE_SET><TOTAL_FILES>2</TOTAL_FILES><FAMILY_UID>CARD-TWO</FAMILY_UID><FILE_SET_INDEX>" +
               std::to_string(index) + "</FILE_SET_INDEX></FILE_SET><TRACK_LIST><TRACK><CHANNEL_INDEX>" +
               std::to_string(index) + "</CHANNEL_INDEX><INTERLEAVE_INDEX>1</INTERLEAVE_INDEX></TRACK></TRACK_LIST>";
    };
    write("a_plain.wav", 2, "");
    write("b_set_1.wav", 1, member(1));
    write("b_set_2.wav", 1, member(2));
    ASSERT_TRUE(writeFile((folder / "c_notes.wav").string(), bytesOf("no take")));
    write("d_twelve.wav", 12, "");
    const std::string first = (folder / "a_plain.wav").string();

    struct Step { LPARAM key; const char* file; int channels; };
    // Backwards the set is met at its last file, which loads the same take.
    const Step steps[] = {{VK_NEXT, "b_set_1.wav", 2}, {VK_NEXT, "d_twelve.wav", 12}, {VK_NEXT, "d_twelve.wav", 12},
                          {VK_PRIOR, "b_set_2.wav", 2}, {VK_PRIOR, "a_plain.wav", 2}, {VK_PRIOR, "a_plain.wav", 2}};
    ASSERT_NE(open(), nullptr);
    handOver(first);
    for (const Step& step : steps) {
        command(CMD_KEYDOWN, step.key);
        pumpFor(0);
        EXPECT_EQ(text(IDC_HINT).substr(0, (folder / step.file).string().size()), (folder / step.file).string());
        EXPECT_EQ(Player().channels, step.channels) << step.file;
    }

    ctltest::GdiLedger gdi;
    const int liveBefore = AudioBuffer::liveCount();   // nothing queued yet
    const SIZE_T memoryBefore = privateBytes();
    command(IDC_PLAY);
    pumpFor(300);
    for (int cycle = 0; cycle < 1000; ++cycle) {
        command(CMD_KEYDOWN, cycle % 4 < 2 ? VK_NEXT : VK_PRIOR);
        pumpFor(0);
    }
    EXPECT_EQ(Player().playing, 1) << "a take that played goes on playing";
    command(IDC_STOP);
    pumpUntil([] { return WaveOutDeviceOf(Player().waveOutWindow)->pendingCount == 0; }, 5000);
    pumpFor(300);
    EXPECT_EQ(AudioBuffer::liveCount(), liveBefore);
    EXPECT_EQ(gdi.live(), 0u);
    EXPECT_LT(privateBytes(), memoryBefore + 2 * 1024 * 1024) << "private memory grows";
    close();
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

TEST_F(PlayerTest, SoakOfLoadsPlaysSeeksAndHandOversLeavesNothingBehind) {
    TempFile stereo("soak-a"), eight("soak-b");
    takeWith(stereo, 2, 44100, 16, 3.0);
    takeWith(eight, 8, 48000, 24, 3.0);
    ASSERT_NE(open(), nullptr);
    handOver(stereo.str());
    command(IDC_PLAY);
    pumpFor(300);
    command(IDC_STOP);
    pumpFor(600);                                           // the first cycle's allocations settle
    ctltest::GdiLedger gdi;
    const int liveBefore = AudioBuffer::liveCount();
    const int windowsBefore = windowsOfThisThread();
    const SIZE_T memoryBefore = privateBytes();
    const DWORD began = GetTickCount();
    for (int cycle = 0; cycle < 1000; ++cycle) {
        handOver(cycle % 2 ? stereo.str() : eight.str());
        command(IDC_PLAY);
        command(IDC_POSITION, cycle % 3);
        pumpFor(0);
        command(IDC_STOP);
    }
    for (int i = 0; i < 100; ++i) {
        COPYDATASTRUCT data{COPYDATA_FILEPATH, static_cast<DWORD>(stereo.str().size() + 1),
                            const_cast<char*>(stereo.str().c_str())};
        SendMessageA(player_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    }
    pumpUntil([] { return WaveOutDeviceOf(Player().waveOutWindow)->pendingCount == 0; }, 5000);
    pumpFor(300);
    const SIZE_T memoryAfter = privateBytes();
    std::printf("soak: %lu ms; live buffers %d -> %d; GDI objects made and not freed %zu; windows %d -> %d; "
                "private memory %lu KiB -> %lu KiB\n",
                static_cast<unsigned long>(GetTickCount() - began), liveBefore, AudioBuffer::liveCount(), gdi.live(),
                windowsBefore, windowsOfThisThread(), static_cast<unsigned long>(memoryBefore / 1024),
                static_cast<unsigned long>(memoryAfter / 1024));
    EXPECT_EQ(AudioBuffer::liveCount(), liveBefore);
    EXPECT_EQ(gdi.live(), 0u);
    EXPECT_EQ(windowsOfThisThread(), windowsBefore);
    EXPECT_LT(memoryAfter, memoryBefore + 2 * 1024 * 1024) << "private memory grows";
    EXPECT_EQ(text(IDC_HINT), stereo.str());
}

// The trace text is cut to its buffer and goes nowhere without a viewer; the paint flush
// dispatches only paint messages and leaves the rest queued in order.
TEST(TraceChannel, BoundedLinesAndAPaintOnlyFlush) {
    ctltest::RecordingParent viewer(0, 0, 50, 50, {WM_SETTEXT, WM_PAINT});
    ASSERT_NE(viewer.hwnd(), nullptr);
    viewer.pump();
    viewer.clearReports();

    SetTraceTargetForTest(viewer.hwnd());
    TraceMessage("%s\r\n", std::string(2000, 'a').c_str());
    SetTraceTargetForTest(nullptr);
    TraceMessage("lost\r\n");
    ASSERT_EQ(viewer.countOf(WM_SETTEXT), 1);
    EXPECT_EQ(viewer.reports()[0].text, std::string(1023, 'a'));

    for (UINT m = WM_APP + 1; m <= WM_APP + 3; ++m) PostMessageA(viewer.hwnd(), m, 0, 0);
    InvalidateRect(viewer.hwnd(), nullptr, TRUE);
    FlushPaintMessages();
    EXPECT_EQ(viewer.countOf(WM_PAINT), 1);
    MSG message;
    for (UINT m = WM_APP + 1; m <= WM_APP + 3; ++m) {
        ASSERT_TRUE(PeekMessageA(&message, viewer.hwnd(), 0, 0, PM_REMOVE));
        EXPECT_EQ(message.message, m);
    }
}

}  // namespace
