#include "app/player_window.h"

#include "app/settings.h"
#include "app/trace.h"
#include "audio/info_text.h"
#include "audio/take_set.h"
#include "waveout/wave_format.h"
#include "waveout/wave_out_window.h"
#include "tarnis/tarnis.h"
#include "win32/gdi.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

const char* const kNoOutputHint = "  no sound output: the wave-output device could not be opened";

namespace {

PlayerState player;

constexpr COLORREF kFieldText = RGB(128, 192, 255);
constexpr COLORREF kFrameShadow = RGB(128, 128, 128);
constexpr COLORREF kFrameLight = RGB(220, 220, 220);
constexpr COLORREF kFrameBlack = RGB(0, 0, 0);
constexpr const char* kUnknownFormatInfo = " unknown fileformat";

// ---- small helpers ----

void setSliderNumber(HWND window, WPARAM which, std::int32_t number) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(number));
    SendDlgItemMessageA(window, IDC_POSITION, WM_SETTEXT, which, reinterpret_cast<LPARAM>(text));
}

constexpr WPARAM kSliderValue = 0;
constexpr WPARAM kSliderMinimum = static_cast<WPARAM>(-1);
constexpr WPARAM kSliderMaximum = 1;

// The field changes once a second while it is refreshed ten times a second: an unchanged
// text is not set again, which would repaint it.
void showTime(HWND window, std::int32_t seconds) {
    char text[24];
    std::snprintf(text, sizeof text, "%d s ", static_cast<int>(seconds));
    char shown[24] = {};
    GetDlgItemTextA(window, IDC_TIME, shown, sizeof shown);
    if (std::strcmp(shown, text) != 0) SetDlgItemTextA(window, IDC_TIME, text);
}

void setPlayChecked(HWND window, bool checked) {
    SendDlgItemMessageA(window, IDC_PLAY, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// The take's channel that switch or meter `index` of the bank shown stands for.
int channelOf(int index) { return player.bank * kBankSize + index; }

bool channelPresent(int channel) {
    return channel < player.channels && static_cast<std::size_t>(channel) < player.channelEnabled.size();
}

void sendLevelsToMeters(HWND window) {
    for (int index = 0; index < kBankSize; ++index) {
        const int channel = channelOf(index);
        const std::int32_t level =
            channelPresent(channel) ? player.channelLevel[static_cast<std::size_t>(channel)] : kLevelAbsent;
        char text[16];
        std::snprintf(text, sizeof text, "%d", static_cast<int>(level));
        SendDlgItemMessageA(window, IDC_METER1 + index, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    }
}

// The switches of the bank shown: each shows its channel's number ("B_SWITCH9" for channel 9),
// is enabled for a channel the take has and checked while that channel is heard. The picture
// is set only when it changes, so takes of eight channels or fewer never set it.
void showBank(HWND window) {
    for (int index = 0; index < kBankSize; ++index) {
        const int channel = channelOf(index);
        const bool present = channelPresent(channel);
        HWND button = GetDlgItem(window, IDC_SWITCH1 + index);
        char picture[16];
        std::snprintf(picture, sizeof picture, "B_SWITCH%d", channel + 1);
        char shown[16] = {};
        GetWindowTextA(button, shown, sizeof shown);
        if (std::strcmp(shown, picture) != 0) SetWindowTextA(button, picture);
        EnableWindow(button, present ? TRUE : FALSE);
        const bool heard = present && player.channelEnabled[static_cast<std::size_t>(channel)] != 0;
        SendMessageA(button, BM_SETCHECK, heard ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

// Every channel of a newly loaded take is heard; the first bank is shown.
void takeChannels(HWND window, int channels) {
    player.channels = channels;
    player.bank = 0;
    for (std::size_t channel = 0; channel < player.channelEnabled.size(); ++channel)
        player.channelEnabled[channel] = static_cast<int>(channel) < channels ? 1 : 0;
    showBank(window);
}

void polyline(HDC dc, std::initializer_list<POINT> points) {
    auto point = points.begin();
    MoveToEx(dc, point->x, point->y, nullptr);
    for (++point; point != points.end(); ++point) LineTo(dc, point->x, point->y);
}

// A two-pixel sunken bevel around a black line.
void DrawPanelFrame(HDC dc, const RECT& r) {
    const LONG L = r.left, T = r.top, R = r.right, B = r.bottom;
    {
        win32::SolidPen pen(kFrameShadow);
        win32::SelectGuard select(dc, pen.get());
        polyline(dc, {{L, B - 1}, {L, T}, {R, T}});
        polyline(dc, {{L + 1, B - 2}, {L + 1, T + 1}, {R - 1, T + 1}});
    }
    {
        win32::SolidPen pen(kFrameLight);
        win32::SelectGuard select(dc, pen.get());
        polyline(dc, {{R, T}, {R, B}, {L - 1, B}});
        polyline(dc, {{R - 1, T + 1}, {R - 1, B - 1}, {L, B - 1}});
    }
    {
        win32::SolidPen pen(kFrameBlack);
        win32::SelectGuard select(dc, pen.get());
        polyline(dc, {{L + 2, B - 2}, {L + 2, T + 2}, {R - 2, T + 2}, {R - 2, B - 2}, {L + 2, B - 2}});
    }
}

// ---- message handlers ----

INT_PTR onInitDialog(HWND window) {
    LoadWindowPosition(window, kPlayerPositionKey, SettingsFileName());
    SetWindowTextA(window, kPlayerTitle);
    setSliderNumber(window, kSliderValue, 0);
    setSliderNumber(window, kSliderMinimum, 0);
    setSliderNumber(window, kSliderMaximum, 100);
    player.position = 0;
    DragAcceptFiles(window, TRUE);
    SendMessageA(window, WM_COMMAND, CMD_HALT, 0);
    if (player.currentPath[0] != '\0') PostMessageA(window, WM_PLAYER_LOADFILE, 0, 0);
    player.take.close();
    player.waveOutWindow = CreateWaveOutWindow(window);
    return 0;
}

INT_PTR onDestroy(HWND window) {
    if (player.teardownBegins) player.teardownBegins();
    StopWaveOutput(player.waveOutWindow);
    // The hidden window lives on until the device has handed back every queued buffer;
    // the start-up keeps the messages flowing until then.
    DestroyWaveOutWindow(player.waveOutWindow);
    // Only a block that never reached the device is still here; queued ones come back
    // to the hidden window, which releases them.
    player.mixOutput.buffer.reset();
    player.take.close();
    SaveWindowPosition(window, kPlayerPositionKey, SettingsFileName());
    // No timer 5 is ever set; the teardown kills it all the same, as the player always has.
    KillTimer(window, 5);
    PostQuitMessage(1);
    return 0;
}

INT_PTR onPaint(HWND window) {
    HDC dc = GetDC(window);
    if (!dc) return 0;
    for (const int id : {IDC_TIME, IDC_HINT, IDC_INFO}) {
        RECT field{};
        GetWindowRect(GetDlgItem(window, id), &field);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&field), 2);
        field.left -= 3;
        field.top -= 3;
        field.right += 2;
        field.bottom += 2;
        DrawPanelFrame(dc, field);
    }
    ReleaseDC(window, dc);
    return 0;
}

INT_PTR onCopyData(HWND window, const COPYDATASTRUCT* data) {
    // A dialog's answer to a sender is its message result, not the procedure's return value.
    SetWindowLongPtrA(window, DWLP_MSGRESULT, 1);
    if (data == nullptr || data->dwData != COPYDATA_FILEPATH) return 1;
    // Like strncpy with cbData, but never past the path buffer nor past cbData, and always
    // terminated even when the sender's text is not.
    const auto* text = static_cast<const char*>(data->lpData);
    const std::size_t limit = std::min<std::size_t>(data->cbData, kPlayerPathSize - 1);
    std::size_t length = 0;
    while (text != nullptr && length < limit && text[length] != '\0') ++length;
    std::memset(player.currentPath, 0, sizeof player.currentPath);
    if (length > 0) std::memcpy(player.currentPath, text, length);
    SetDlgItemTextA(window, IDC_HINT, player.currentPath);
    PostMessageA(window, WM_PLAYER_LOADFILE, 0, 0);
    return 1;
}

INT_PTR onDropFiles(HWND window, HDROP drop) {
    DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    char dropped[511] = {};
    const UINT length = DragQueryFileA(drop, 0, dropped, sizeof dropped);
    DragFinish(drop);
    if (length == 0) return 0;
    std::memcpy(player.currentPath, dropped, sizeof dropped);
    player.currentPath[sizeof dropped - 1] = '\0';
    SetDlgItemTextA(window, IDC_HINT, player.currentPath);
    PostMessageA(window, WM_PLAYER_LOADFILE, 0, 0);
    SetActiveWindow(window);
    return 0;
}

INT_PTR onCtlColorStatic(HDC dc) {
    SetTextColor(dc, kFieldText);
    SetBkColor(dc, RGB(0, 0, 0));
    return reinterpret_cast<INT_PTR>(GetStockObject(BLACK_BRUSH));
}

INT_PTR onLoadFile(HWND window) {
    StopWaveOutput(player.waveOutWindow);
    player.position = 0;

    // A file of a set of files loads with the rest of its take; the hint says what it is made of.
    const TakeSet set = FindTakeSet(player.currentPath);
    const int opened = player.take.open(set.sources);
    const std::string note = TakeSetNote(set);
    if (!note.empty()) SetDlgItemTextA(window, IDC_HINT, (std::string(player.currentPath) + "  (" + note + ")").c_str());
    if (opened != kPlaybackOk && opened != kPlaybackNoSamples) {
        SetDlgItemTextA(window, IDC_INFO, kUnknownFormatInfo);
        takeChannels(window, 0);
        return 1;
    }
    const WaveFileInfo& take = player.take.description();
    SetDlgItemTextA(window, IDC_INFO, FormatWaveInfo(take).c_str());
    takeChannels(window, take.channels);

    if (opened == kPlaybackNoSamples) {
        TraceMessage("FileOpenError\r\n");
    } else {
        player.length = static_cast<std::int32_t>(std::min<std::int64_t>(LengthInSeconds(take), INT32_MAX));
        setSliderNumber(window, kSliderValue, 0);
        setSliderNumber(window, kSliderMinimum, 0);
        setSliderNumber(window, kSliderMaximum, std::min(player.length, kSliderLimit));
    }
    // Every rate plays at its own speed: 44100 Hz opens 818, 48000 Hz 1074.
    const WaveFormatCode code = FormatCodeForRate(take.sampleRate);
    TraceMessage("StartWavePlay\r\n");
    player.outputUsable = true;   // a failed open says otherwise, during the start
    StartWaveOutput(player.waveOutWindow, code);
    return 1;
}

INT_PTR onOpenFailed(HWND window) {
    player.outputUsable = false;
    SetDlgItemTextA(window, IDC_HINT, kNoOutputHint);
    if (player.playing) SendMessageA(window, WM_COMMAND, CMD_HALT, 0);
    return 0;
}

std::uint16_t blocksOnDevice() {
    const WaveOutDevice* device = WaveOutDeviceOf(player.waveOutWindow);
    return device ? device->pendingCount : 0;
}

INT_PTR onPlay(HWND window) {
    if (!player.take.readable()) return 1;
    if (player.playing) {
        SendMessageA(window, WM_COMMAND, CMD_HALT, 0);
        return 1;
    }
    if (!player.outputUsable) return 1;
    player.playing = 1;
    setPlayChecked(window, true);
    // Blocks of a pause that are still playing out count towards the four: a quick pause
    // and play keeps the queue (and the delay of every switch) as short as before.
    const int primes = std::max(0, kQueuedBlocks - static_cast<int>(blocksOnDevice()));
    for (int i = 0; i < primes && player.playing; ++i) SendMessageA(window, WM_WAVEOUT_DONE, 0, 0);
    return 1;
}

INT_PTR onHalt(HWND window) {
    player.playing = 0;
    setPlayChecked(window, false);
    player.channelLevel.fill(kLevelAbsent);
    sendLevelsToMeters(window);
    return 1;
}

INT_PTR onShowPosition(HWND window) {
    setSliderNumber(window, kSliderValue, player.position);
    showTime(window, player.position);
    return 1;
}

// Rewind, fast-forward and the arrow keys: past either end the step stops there.
INT_PTR onStep(HWND window, std::int32_t seconds) {
    const std::int64_t target = static_cast<std::int64_t>(player.position) + seconds;
    player.position = static_cast<std::int32_t>(std::clamp<std::int64_t>(target, 0, player.length));
    player.take.seekToSeconds(player.position);
    SendMessageA(window, WM_COMMAND, CMD_SHOWPOSITION, 0);
    FlushPaintMessages();
    return 1;
}

INT_PTR onSliderNotice(HWND window, LPARAM report) {
    const auto value = static_cast<std::int32_t>(static_cast<std::uint16_t>(report & 0xFFFF));
    player.position = std::min(value, std::max<std::int32_t>(player.length, 0));
    player.take.seekToSeconds(player.position);
    if (!player.playing) showTime(window, player.position);
    return 1;
}

// Page Down and Page Up load the next and previous take of the folder, stopping at either
// end; a take that was playing goes on with the new one from its start.
INT_PTR onStepTake(HWND window, int direction) {
    if (player.currentPath[0] == '\0') return 1;
    const std::string next = NextTakeInFolder(player.currentPath, direction);
    if (next.empty() || next.size() >= sizeof player.currentPath) return 1;
    std::memset(player.currentPath, 0, sizeof player.currentPath);
    std::memcpy(player.currentPath, next.data(), next.size());
    SetDlgItemTextA(window, IDC_HINT, player.currentPath);
    return onLoadFile(window);
}

// Down and Up show the next and previous bank of eight channels, stopping at either end;
// a take of eight channels or fewer has one bank only.
INT_PTR onBankKey(HWND window, int step) {
    const int banks = std::max(1, (player.channels + kBankSize - 1) / kBankSize);
    const int bank = std::clamp(player.bank + step, 0, banks - 1);
    if (bank == player.bank) return 1;
    player.bank = bank;
    showBank(window);
    sendLevelsToMeters(window);
    return 1;
}

INT_PTR onKey(HWND window, LPARAM key) {
    switch (key) {
    case VK_SPACE:
        SendMessageA(window, WM_COMMAND, IDC_PLAY, 0);
        return 1;
    case VK_LEFT:
    case VK_RIGHT:
        // The slider steps by itself when it has the focus, and its notice seeks.
        if (GetFocus() == GetDlgItem(window, IDC_POSITION)) return 1;
        return onStep(window, key == VK_LEFT ? -1 : 1);
    case VK_DOWN:
    case VK_UP:
        return onBankKey(window, key == VK_DOWN ? 1 : -1);
    case VK_NEXT:
    case VK_PRIOR:
        return onStepTake(window, key == VK_NEXT ? 1 : -1);
    default:
        // 1 to 8 of the main keyboard: the switches of the bank shown, as a click on them.
        if (key >= '1' && key < '1' + kBankSize) {
            const int id = IDC_SWITCH1 + static_cast<int>(key - '1');
            if (IsWindowEnabled(GetDlgItem(window, id))) SendMessageA(window, WM_COMMAND, static_cast<WPARAM>(id), 0);
        }
        return 1;
    }
}

INT_PTR onSwitch(HWND window, int id) {
    const int channel = channelOf(id - IDC_SWITCH1);
    if (!channelPresent(channel)) return 1;
    const bool wasChecked = SendDlgItemMessageA(window, id, BM_GETCHECK, 0, 0) != 0;
    SendDlgItemMessageA(window, id, BM_SETCHECK, wasChecked ? BST_UNCHECKED : BST_CHECKED, 0);
    player.channelEnabled[static_cast<std::size_t>(channel)] = wasChecked ? 0 : 1;
    return 1;
}

INT_PTR onCommand(HWND window, WPARAM command, LPARAM lParam) {
    if (command >= IDC_SWITCH1 && command <= IDC_SWITCH8) return onSwitch(window, static_cast<int>(command));
    switch (command) {
    case IDCANCEL:
        DestroyWindow(window);
        return 0;
    case CMD_KEYDOWN:      return onKey(window, lParam);
    case IDC_PLAY:         return onPlay(window);
    case IDC_STOP:         return SendMessageA(window, WM_COMMAND, CMD_HALT, 0), 1;
    case IDC_REW:          return onStep(window, -10);
    case IDC_FF:           return onStep(window, 10);
    case IDC_POSITION:     return onSliderNotice(window, lParam);
    case CMD_SHOWPOSITION: return onShowPosition(window);
    case CMD_HALT:         return onHalt(window);
    default:               return 1;
    }
}

// The clock of playback: every returned block brings one new one.
INT_PTR onBlockReturned(HWND window) {
    if (player.playing &&
        !QueueNextBlock(player.waveOutWindow, player.take, player.mixOutput, player.channelEnabled, player.channelLevel))
        SendMessageA(window, WM_COMMAND, CMD_HALT, 0);
    player.position = player.take.positionSeconds();
    PostMessageA(window, WM_COMMAND, CMD_SHOWPOSITION, 0);
    sendLevelsToMeters(window);
    return 0;
}

INT_PTR handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:         return onInitDialog(window);
    case WM_DESTROY:            return onDestroy(window);
    case WM_PAINT:              return onPaint(window);
    case WM_COPYDATA:           return onCopyData(window, reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_DROPFILES:          return onDropFiles(window, reinterpret_cast<HDROP>(wParam));
    case WM_CTLCOLORSTATIC:     return onCtlColorStatic(reinterpret_cast<HDC>(wParam));
    case WM_COMMAND:            return onCommand(window, wParam, lParam);
    case WM_PLAYER_LOADFILE:    return onLoadFile(window);
    case WM_WAVEOUT_DONE:       return onBlockReturned(window);
    case WM_WAVEOUT_OPENFAILED: return onOpenFailed(window);
    default:                    return 0;
    }
}

}  // namespace

PlayerState& Player() { return player; }

extern "C" __declspec(dllexport) INT_PTR CALLBACK ViewDlgProc(HWND window, UINT message, WPARAM wParam,
                                                              LPARAM lParam) {
    try {
        if (TarnisFrameDialogProc(window, message, wParam, lParam) != 0) return 1;
        if (TarnisTaskProc(window, message, wParam, lParam) != 0) return 1;
        return handleMessage(window, message, wParam, lParam);
    } catch (...) {
        // Nothing here throws by design; an exception must still not unwind into the system.
        return 0;
    }
}

ATOM RegisterPlayerClass(HINSTANCE instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = 0;
    wc.lpfnWndProc = DefDlgProcA;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, "APPL");
    wc.hIconSm = LoadIconA(instance, "APPLSM");
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = nullptr;
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = kPlayerClassName;
    return RegisterClassExA(&wc);
}
