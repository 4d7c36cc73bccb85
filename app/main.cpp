// Start-up, the single-instance hand-over, the message loop and the teardown.

#include "app/player_window.h"
#include "app/settings.h"
#include "app/trace.h"
#include "waveout/wave_out_window.h"
#include "controls/controls.h"
#include "controls/knob.h"
#include "tarnis/tarnis.h"

#include <windows.h>

#include <cstring>

namespace {

constexpr char kFrameName[] = "VantorPlayer";
constexpr char kThemeName[] = "brasko.dll";
constexpr DWORD kFrameStyle = 0xB0000;             // system menu, minimise and maximise boxes
constexpr UINT kHandOverTimeoutMs = 5000;          // a hung first copy must not hang the second
constexpr DWORD kDeviceDrainTimeoutMs = 5000;      // how long the end waits for queued buffers
constexpr DWORD kTeardownBoundMs = kDeviceDrainTimeoutMs + 1000;   // the whole end, from the window's close
constexpr UINT kNormalExitCode = 1;                // PostQuitMessage(1) at the player's teardown
constexpr int kNoPlayerWindowExitCode = 3;

HINSTANCE moduleInstance = nullptr;
HWND playerWindow = nullptr;
HWND frameWindow = nullptr;

// A running copy gets the path (when there is one) and is brought to the front.
int handOverToRunningCopy(HWND running) {
    ShowWindow(running, SW_SHOW);
    SetForegroundWindow(running);
    TraceMessage(" is already runing\r\n");
    char* path = Player().currentPath;
    if (path[0] != '\0') {
        COPYDATASTRUCT data{};
        data.dwData = COPYDATA_FILEPATH;
        data.cbData = static_cast<DWORD>(std::strlen(path) + 1);
        data.lpData = path;
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                            kHandOverTimeoutMs, &ignored);
    }
    return 0;
}

// A wave-output driver can hold the thread that asks it to stop: with its sound server gone,
// the reset waits for an answer that does not come, and neither the message loop nor the
// bounded wait for the buffers runs again. Armed when the player window goes, this ends the
// process with the normal exit code once the whole end has taken longer than its bound. It
// terminates rather than exits: the blocked driver would hold up the libraries' unloading,
// and the buffers the device may still write are never freed.
class ExitWatchdog {
public:
    ExitWatchdog() = default;
    ExitWatchdog(const ExitWatchdog&) = delete;
    ExitWatchdog& operator=(const ExitWatchdog&) = delete;
    ~ExitWatchdog() { disarm(); }

    void arm() {
        if (thread_ != nullptr) return;
        finished_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (finished_ != nullptr) thread_ = CreateThread(nullptr, 0, watch, finished_, 0, nullptr);
    }

    // The end came within its bound.
    void disarm() {
        if (thread_ != nullptr) {
            SetEvent(finished_);
            WaitForSingleObject(thread_, INFINITE);
            CloseHandle(thread_);
            thread_ = nullptr;
        }
        if (finished_ != nullptr) CloseHandle(finished_);
        finished_ = nullptr;
    }

private:
    static DWORD WINAPI watch(void* finished) {
        if (WaitForSingleObject(static_cast<HANDLE>(finished), kTeardownBoundMs) == WAIT_TIMEOUT)
            TerminateProcess(GetCurrentProcess(), kNormalExitCode);
        return 0;
    }

    HANDLE finished_ = nullptr;
    HANDLE thread_ = nullptr;
};

ExitWatchdog exitWatchdog;
void armExitWatchdog() { exitWatchdog.arm(); }

// Every WM_KEYDOWN reaches the player first as a command, whichever window has the focus.
int runMessageLoop() {
    MSG message;
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0) {
        if (got == -1) return 0;
        if (message.message == WM_KEYDOWN && playerWindow != nullptr)
            SendMessageA(playerWindow, WM_COMMAND, CMD_KEYDOWN, static_cast<LPARAM>(message.wParam));
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandTail, int) {
    FindTraceWindow();
    TraceMessage("Vantor-Play Debug\r\n");
    moduleInstance = instance;
    MakeSettingsFileName(SettingsFileName());

    PlayerState& player = Player();
    if (commandTail != nullptr && commandTail[0] != '\0') {
        TakePathFromCommandLine(commandTail, player.currentPath, sizeof player.currentPath);
        TraceMessage("%s\r\n", player.currentPath);
    }

    if (HWND running = FindWindowA(kPlayerClassName, kPlayerTitle)) return handOverToRunningCopy(running);

    InitTarnis(moduleInstance);
    SetTarnisTheme(kThemeName);
    RegisterAudioControls(moduleInstance);
    RegisterKnobClass(moduleInstance);
    RegisterWaveOutClass(moduleInstance);
    RegisterPlayerClass(moduleInstance);
    player.teardownBegins = armExitWatchdog;
    frameWindow = CreateTarnisTaskWindow(kFrameName, kFrameStyle, LoadIconA(moduleInstance, "APPL"), moduleInstance);
    playerWindow = CreateDialogParamA(moduleInstance, kPlayerTemplate, frameWindow, ViewDlgProc, 0);

    // Without a player window there is nothing to wait for.
    const int exitCode = playerWindow != nullptr ? runMessageLoop() : kNoPlayerWindowExitCode;

    if (playerWindow != nullptr && IsWindow(playerWindow)) DestroyWindow(playerWindow);
    // The hidden window closes once the device has handed back every queued buffer.
    WaitForWaveOutWindowClosed(player.waveOutWindow, kDeviceDrainTimeoutMs);
    DestroyTarnisTaskWindow(frameWindow);
    UnregisterKnobClass(moduleInstance);
    UnregisterAudioControls(moduleInstance);
    UnregisterWaveOutClass(moduleInstance);
    UnregisterClassA(kPlayerClassName, moduleInstance);
    ExitTarnis(moduleInstance);
    exitWatchdog.disarm();
    return exitCode;
}
