/*
 * Desktop keep-alive for tests under wine.
 *
 * Owns a hidden 1x1 popup window for the whole test session, so wine's
 * desktop process (explorer.exe /desktop) and services start once, outside
 * the test runner, and stay up. Without it every GUI test process starts the
 * desktop itself, the desktop inherits the runner's output pipe and lingers
 * about a second after the test exits.
 *
 * Prints "ready" on stdout once the window exists (the environment script
 * waits for that line), then pumps messages until it is killed.
 * Prints "failed: no window" and exits 1 when no window can be created
 * (for example when DISPLAY is unset).
 *
 * Built by every Windows preset into build/<preset>/bin/wine_keepalive.exe.
 */
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

static void say(const char *text)
{
    /* Write straight to the handle: no CRT buffering to flush in a GUI-subsystem exe. */
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    if (out != NULL && out != INVALID_HANDLE_VALUE)
        WriteFile(out, text, (DWORD)lstrlenA(text), &written, NULL);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show)
{
    WNDCLASSA window_class;
    HWND window;
    MSG message;
    (void)previous;
    (void)command_line;
    (void)show;

    /* A crash must end the process, not open an error box nobody can click. */
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);

    ZeroMemory(&window_class, sizeof window_class);
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.hInstance = instance;
    window_class.lpszClassName = "VantorPlayWineKeepAlive";
    if (!RegisterClassA(&window_class)) {
        say("failed: no window class\n");
        return 1;
    }

    /* WS_POPUP without WS_VISIBLE: never mapped, so nothing shows on screenshots. */
    window = CreateWindowExA(WS_EX_TOOLWINDOW, window_class.lpszClassName, "wine keep-alive",
                             WS_POPUP, 0, 0, 1, 1, NULL, NULL, instance, NULL);
    if (window == NULL) {
        say("failed: no window\n");
        return 1;
    }

    say("ready\n");

    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
