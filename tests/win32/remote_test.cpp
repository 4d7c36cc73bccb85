// vpremote against a stand-in for the player: a window of the player's class and title
// with a few of its controls, in this process, while vpremote runs as a second process.

#include "tests/win32/controls_test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ctltest::module;
using ctltest::pumpMessages;

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct HandOver {
    ULONG_PTR tag = 0;
    DWORD size = 0;
    std::string bytes;
};

std::vector<Received> buttonMessages;
std::vector<HandOver> handOvers;

LRESULT CALLBACK fakePlayerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        const auto* record = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        const char* data = static_cast<const char*>(record->lpData);
        handOvers.push_back(HandOver{record->dwData, record->cbData, std::string(data, data + record->cbData)});
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Stands in for a bitmap button: holds the mouse capture from press to release, as the
// real one does, and records the mouse messages that reach it.
LRESULT CALLBACK fakeButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP) {
        buttonMessages.push_back(Received{message, wParam, lParam});
        if (message == WM_LBUTTONDOWN) {
            SetCapture(window);
        } else {
            ReleaseCapture();
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void registerClass(const char* name, WNDPROC proc) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = module();
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

std::string besideThisProgram(const char* file) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1) + file;
}

struct ChildRun {
    DWORD exitCode = 0;
    std::string output;
};

// Runs a program with its standard output in a pipe, delivering this thread's messages
// until it ends (at most 20 s).
ChildRun runPumping(std::string commandLine) {
    ChildRun run;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 1 << 16)) return run;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
    CloseHandle(writeEnd);
    if (started) {
        const ULONGLONG deadline = GetTickCount64() + 20000;
        while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 100, QS_ALLINPUT) != WAIT_OBJECT_0) {
            pumpMessages();
            if (GetTickCount64() > deadline) {
                TerminateProcess(process.hProcess, 99);
                break;
            }
        }
        WaitForSingleObject(process.hProcess, 5000);
        GetExitCodeProcess(process.hProcess, &run.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0) run.output.append(chunk, got);
    CloseHandle(readEnd);
    pumpMessages();
    return run;
}

// The stand-in's class, title and identifiers and the tag checked below are the published
// bytes typed out, not taken from app/player_protocol.h as vpremote takes them: a change to
// that header which other programs would notice fails here.
TEST(Remote, ReadsFieldsPressesAButtonAndHandsOverAPath) {
    registerClass("VANTORPLAYDLGCLASS", fakePlayerProc);
    registerClass("VpRemoteTestButton", fakeButtonProc);
    HWND player = CreateWindowExA(0, "VANTORPLAYDLGCLASS", "Vantor Player 1.4 / Zembrak 2009",
                                  WS_POPUP | WS_VISIBLE, 40, 40, 300, 200, nullptr, nullptr, module(), nullptr);
    ASSERT_NE(player, nullptr);
    const auto child = [&](const char* className, int id, const char* text, int x, int y, int w, int h) {
        return ctltest::createControl(className, player, id, x, y, w, h, WS_CHILD | WS_VISIBLE, text);
    };
    child("STATIC", 601, "3 s ", 200, 160, 60, 14);
    child("STATIC", 602, "  C:\\takes\\a.wav", 10, 40, 250, 14);
    child("STATIC", 603, " Format: 48 kHz\r\n L\xE4nge: 20 sec", 150, 60, 120, 60);
    HWND button = child("VpRemoteTestButton", 101, "", 10, 160, 40, 20);
    pumpMessages();
    buttonMessages.clear();
    handOvers.clear();

    std::string commandLine = "\"";
    commandLine += besideThisProgram("vpremote.exe");
    commandLine += "\" fields ; press 101 ; handover C:\\x y.wav ; rect ; press 999";
    const ChildRun run = runPumping(commandLine);

    EXPECT_EQ(run.output,
              "hint:   C:\\\\takes\\\\a.wav\n"
              "info:  Format: 48 kHz\\r\\n L\xE4nge: 20 sec\n"
              "time: 3 s \n"
              "= ok\n"
              "= ok\n"
              "= ok\n"
              "rect: 40 40 340 240\n"
              "= ok\n"
              "= error no control 999\n");
    EXPECT_EQ(run.exitCode, 1u);
    const LPARAM centre = MAKELPARAM(20, 10);
    ASSERT_EQ(buttonMessages.size(), 2u);
    EXPECT_EQ(buttonMessages[0].message, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(buttonMessages[0].wParam, static_cast<WPARAM>(MK_LBUTTON));
    EXPECT_EQ(buttonMessages[0].lParam, centre);
    EXPECT_EQ(buttonMessages[1].message, static_cast<UINT>(WM_LBUTTONUP));
    EXPECT_EQ(buttonMessages[1].lParam, centre);
    ASSERT_EQ(handOvers.size(), 1u);
    EXPECT_EQ(handOvers[0].tag, 5001u);
    EXPECT_EQ(handOvers[0].size, 11u);
    EXPECT_EQ(handOvers[0].bytes, std::string("C:\\x y.wav", 11));   // with its NUL

    DestroyWindow(button);
    DestroyWindow(player);
    pumpMessages();
    UnregisterClassA("VANTORPLAYDLGCLASS", module());
    UnregisterClassA("VpRemoteTestButton", module());
}

}  // namespace
