// The trace viewer as its own process: found the way the player finds it, it prints each
// line sent to it byte for byte, keeps its title, and ends with exit code 0 when closed.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

class Handle {
public:
    explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
    ~Handle() { reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }
    HANDLE* put() { reset(); return &handle_; }
    void reset() {
        if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_;
};

std::string besideThisProgram(const char* name) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of("\\/") + 1) + name;
}

// Waits (a bounded number of rounds, not a measured time) for the viewer's window.
HWND waitForViewer(HANDLE process) {
    for (int round = 0; round < 400; ++round) {
        if (HWND viewer = FindWindowA("DLGCLASSTOOL", "MESSAGE")) return viewer;
        if (WaitForSingleObject(process, 25) == WAIT_OBJECT_0) return nullptr;
    }
    return nullptr;
}

std::string readAvailable(HANDLE pipe) {
    std::string text;
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        std::string chunk(available, '\0');
        DWORD got = 0;
        if (!ReadFile(pipe, chunk.data(), available, &got, nullptr) || got == 0) break;
        text.append(chunk, 0, got);
    }
    return text;
}

TEST(TraceView, PrintsEachLineAtOnceByteForByteAndKeepsItsTitle) {
    ASSERT_EQ(FindWindowA("DLGCLASSTOOL", "MESSAGE"), nullptr) << "another trace viewer is running";

    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    Handle readEnd, writeEnd;
    ASSERT_TRUE(CreatePipe(readEnd.put(), writeEnd.put(), &inheritable, 0));
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    // The viewer ends by itself if this test fails before closing it.
    std::string command = besideThisProgram("traceview.exe");
    command.insert(command.begin(), '"');
    command += "\" --seconds 60";
    PROCESS_INFORMATION started{};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started))
        << command;
    Handle process(started.hProcess), thread(started.hThread);
    writeEnd.reset();   // the pipe ends when the viewer does

    const HWND viewer = waitForViewer(process.get());
    ASSERT_NE(viewer, nullptr);

    // A CR LF line must not gain a CR; a code page 1252 byte passes as it is.
    const std::string lines[] = {"Vantor-Play Debug\r\n", "C:\\takes\\L\xE4nge 12A.wav\r\n"};
    for (const std::string& line : lines) {
        EXPECT_EQ(SendMessageA(viewer, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(line.c_str())), TRUE);
        // The send has returned: the line is in the pipe already.
        EXPECT_EQ(readAvailable(readEnd.get()), line);
    }

    char title[32] = {};
    GetWindowTextA(viewer, title, sizeof title);
    EXPECT_STREQ(title, "MESSAGE");

    PostMessageA(viewer, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process.get(), 20000), WAIT_OBJECT_0);
    DWORD exitCode = 99;
    GetExitCodeProcess(process.get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(readAvailable(readEnd.get()), "");
}

}  // namespace
