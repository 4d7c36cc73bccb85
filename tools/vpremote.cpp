// vpremote: drives and reads a running player from another process, for the end-to-end
// tests and scripts/vantorplay.
//
//   vpremote CMD [ARGS] [; CMD [ARGS] ...]   the commands of the command line, in order
//   vpremote -                               commands from standard input, one a line
//
// One process can thus drive a playing player: starting a new wine process while a take
// plays disturbs the sound stream. Every command prints its result lines and then one
// final line, "= ok" or "= error REASON", and flushes. Exit status: 0 when every command
// was ok, 2 when a command found no player window, 1 for any other error.
//
// Commands (N and MS integers, SECONDS may have a fraction):
//   wait SECONDS     until the player window exists and answers
//   gone SECONDS     until it no longer exists
//   fields           hint: / info: / time: lines, CR as \r, LF as \n, backslash as \\,
//                    other bytes as the window gives them (code page 1252 under wine)
//   state            play: checked|unchecked enabled|disabled
//                    switches: 1:on|off|disabled ... 8:...
//                    slider: VALUE MIN MAX
//                    meters: eight meter texts ("" for an empty one)
//                    time: as in fields
//   press ID         a left press and release at the button's centre, posted to the button;
//                    done when the button has taken both (it holds the mouse capture
//                    between them) and the player answers again
//   hold ID MS       the same with MS milliseconds between press and release
//   key VK           WM_KEYDOWN and WM_KEYUP posted to the player window (nothing shows
//                    when they were taken: a check after it may need to poll)
//   slider N         sets the slider's value and sends the player the slider's change notice
//   handover PATH    WM_COPYDATA 5001 with PATH (the rest of the command, spaces included)
//   close            posts WM_CLOSE to the player window
//   sleep MS
//   shot FILE        the player window as it is on screen, as a 24-bit BMP; prints
//                    shot: FILE WIDTHxHEIGHT
//   watch SECONDS MS one compact state line every MS milliseconds for SECONDS:
//                    watch: T play:checked slider:V,MIN,MAX meters:L1,...,L8 time:TEXT
//                    (T: milliseconds since the watch began)
//   rect             rect: LEFT TOP RIGHT BOTTOM, the player window's screen rectangle

#include "app/player_protocol.h"
#include "controls/hparameter.h"
#include "win32/bmp_file.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr DWORD kAnswerTimeoutMs = 3000;   // a hung player must not hang the tool
constexpr DWORD kPollMs = 50;
constexpr DWORD kInputTakenTimeoutMs = 10000;   // a first device open can take seconds

constexpr int kChannels = IDC_SWITCH8 - IDC_SWITCH1 + 1;   // a switch and a meter each

// ---- results ---------------------------------------------------------------------------------

struct Result {
    enum Kind { kOk, kError, kNoWindow } kind = kOk;
    std::string reason;
};

Result ok() { return Result{}; }
Result failed(std::string reason) { return Result{Result::kError, std::move(reason)}; }
Result noPlayer() { return Result{Result::kNoWindow, "no player window"}; }
Result notAnswering() { return failed("the player does not answer"); }

// Bytes as they are: binary stdout, so "\n" stays one byte and 0xE4 stays 0xE4.
void writeLine(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default:   out += c; break;
        }
    }
    return out;
}

// ---- numbers ---------------------------------------------------------------------------------

std::optional<long> wholeNumber(const std::string& text) {
    if (text.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return std::nullopt;
    return value;
}

std::optional<DWORD> milliseconds(const std::string& text) {
    const auto value = wholeNumber(text);
    if (!value || *value < 0) return std::nullopt;
    return static_cast<DWORD>(*value);
}

std::optional<DWORD> secondsAsMs(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !(value >= 0.0) || value > 86400.0) return std::nullopt;
    return static_cast<DWORD>(value * 1000.0 + 0.5);
}

// ---- the player across the process boundary --------------------------------------------------

HWND findPlayer() { return FindWindowA(kPlayerClassName, kPlayerTitle); }

std::optional<DWORD_PTR> sendTimed(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &answer) == 0) {
        return std::nullopt;
    }
    return answer;
}

std::optional<std::string> windowText(HWND window) {
    const auto length = sendTimed(window, WM_GETTEXTLENGTH, 0, 0);
    if (!length) return std::nullopt;
    std::vector<char> buffer(static_cast<std::size_t>(*length) + 64, '\0');   // room for a text that grew
    const auto copied = sendTimed(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    if (!copied) return std::nullopt;
    return std::string(buffer.data(), std::min<std::size_t>(*copied, buffer.size() - 1));
}

// Posted input is handled after the messages already queued, and a sent message is
// handled before posted ones; two sends with a pause between them let the player take
// the posted input first (and finish what it triggers) before the next command runs.
bool settle(HWND player) {
    if (!sendTimed(player, WM_NULL, 0, 0)) return false;
    Sleep(20);
    return sendTimed(player, WM_NULL, 0, 0).has_value();
}

struct PlayerState {
    bool playChecked = false;
    bool playEnabled = false;
    std::string switches[kChannels];
    std::int16_t sliderValue = 0;
    std::int16_t sliderMinimum = 0;
    std::int16_t sliderMaximum = 0;
    std::string meters[kChannels];
    std::string time;
};

std::optional<std::string> fieldText(HWND player, int id) {
    HWND field = GetDlgItem(player, id);
    if (field == nullptr) return std::string{};
    return windowText(field);
}

std::optional<PlayerState> readState(HWND player) {
    PlayerState state;
    HWND play = GetDlgItem(player, IDC_PLAY);
    if (play != nullptr) {
        const auto check = sendTimed(play, BM_GETCHECK, 0, 0);
        if (!check) return std::nullopt;
        state.playChecked = *check != 0;
        state.playEnabled = IsWindowEnabled(play) != 0;
    }
    for (int i = 0; i < kChannels; ++i) {
        HWND button = GetDlgItem(player, IDC_SWITCH1 + i);
        if (button == nullptr) {
            state.switches[i] = "missing";
        } else if (!IsWindowEnabled(button)) {
            state.switches[i] = "disabled";
        } else {
            const auto check = sendTimed(button, BM_GETCHECK, 0, 0);
            if (!check) return std::nullopt;
            state.switches[i] = *check != 0 ? "on" : "off";
        }
    }
    // The slider keeps its numbers in window words, which the window server gives to any process.
    if (HWND slider = GetDlgItem(player, IDC_POSITION)) {
        state.sliderValue = static_cast<std::int16_t>(GetWindowWord(slider, hparameter_words::value));
        state.sliderMinimum = static_cast<std::int16_t>(GetWindowWord(slider, hparameter_words::minimum));
        state.sliderMaximum = static_cast<std::int16_t>(GetWindowWord(slider, hparameter_words::maximum));
    }
    // A meter keeps the last level text it was sent as its window text.
    for (int i = 0; i < kChannels; ++i) {
        const auto text = fieldText(player, IDC_METER1 + i);
        if (!text) return std::nullopt;
        state.meters[i] = text->empty() ? "\"\"" : *text;
    }
    const auto time = fieldText(player, IDC_TIME);
    if (!time) return std::nullopt;
    state.time = *time;
    return state;
}

std::string joined(const std::string (&items)[kChannels], char separator) {
    std::string out;
    for (int i = 0; i < kChannels; ++i) {
        if (i > 0) out += separator;
        out += items[i];
    }
    return out;
}

// ---- commands --------------------------------------------------------------------------------

struct Command {
    std::string name;
    std::vector<std::string> words;   // the arguments
    std::string rest;                 // the arguments as one text, for paths with spaces
};

Result waitForPlayer(DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        HWND player = findPlayer();
        if (player != nullptr && sendTimed(player, WM_NULL, 0, 0)) return ok();
        if (GetTickCount64() >= deadline) return noPlayer();
        Sleep(kPollMs);
    }
}

Result waitForPlayerGone(DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (findPlayer() == nullptr) return ok();
        if (GetTickCount64() >= deadline) return failed("the player window is still there");
        Sleep(kPollMs);
    }
}

Result printFields(HWND player) {
    const auto hint = fieldText(player, IDC_HINT);
    const auto info = fieldText(player, IDC_INFO);
    const auto time = fieldText(player, IDC_TIME);
    if (!hint || !info || !time) return notAnswering();
    writeLine("hint: " + escaped(*hint));
    writeLine("info: " + escaped(*info));
    writeLine("time: " + escaped(*time));
    return ok();
}

Result printState(HWND player) {
    const auto state = readState(player);
    if (!state) return notAnswering();
    writeLine(std::string("play: ") + (state->playChecked ? "checked" : "unchecked") + " " +
              (state->playEnabled ? "enabled" : "disabled"));
    std::string switches = "switches:";
    for (int i = 0; i < kChannels; ++i) {
        switches += ' ';
        switches += std::to_string(i + 1);
        switches += ':';
        switches += state->switches[i];
    }
    writeLine(switches);
    writeLine(std::string("slider: ") + std::to_string(state->sliderValue) + " " + std::to_string(state->sliderMinimum) + " " +
              std::to_string(state->sliderMaximum));
    writeLine("meters: " + joined(state->meters, ' '));
    writeLine("time: " + escaped(state->time));
    return ok();
}

// The window that holds the mouse capture of the thread that owns `window`.
HWND captureOfThreadOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    return thread != 0 && GetGUIThreadInfo(thread, &info) ? info.hwndCapture : nullptr;
}

bool waitForCapture(HWND button, bool held) {
    const ULONGLONG deadline = GetTickCount64() + kInputTakenTimeoutMs;
    while ((captureOfThreadOf(button) == button) != held) {
        if (GetTickCount64() >= deadline || !IsWindow(button)) return false;
        Sleep(2);
    }
    return true;
}

// A press as the mouse makes it: the button class captures the mouse on the press and
// acts on a release inside its rectangle. The capture also tells when the player has
// taken each posted message (it may be busy, say opening the device, for a while).
// A disabled window would get no mouse input, so it gets none here.
Result pressButton(HWND player, int id, DWORD holdMs) {
    HWND button = GetDlgItem(player, id);
    if (button == nullptr) return failed(std::string("no control ") + std::to_string(id));
    if (!IsWindowEnabled(button)) return failed(std::string("control ") + std::to_string(id) + " is disabled");
    RECT client{};
    GetClientRect(button, &client);
    const LPARAM centre = MAKELPARAM(client.right / 2, client.bottom / 2);
    if (!PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, centre)) return failed("cannot post the press");
    const bool pressTaken = waitForCapture(button, true);
    if (pressTaken && holdMs > 0) Sleep(holdMs);
    if (!PostMessageA(button, WM_LBUTTONUP, 0, centre)) return failed("cannot post the release");
    if (!pressTaken) return failed("the button did not take the press (no mouse capture)");
    if (!waitForCapture(button, false)) return failed("the button did not take the release");
    return settle(player) ? ok() : notAnswering();
}

// The player's message loop acts on every WM_KEYDOWN it retrieves, whatever its window.
Result pressKey(HWND player, long vk) {
    if (vk <= 0 || vk > 0xFE) return failed("bad virtual-key code");
    const auto scan = static_cast<std::uint32_t>(MapVirtualKeyA(static_cast<UINT>(vk), MAPVK_VK_TO_VSC));
    const std::uint32_t down = 1u | (scan << 16);
    const std::uint32_t up = down | (1u << 30) | (1u << 31);   // previous state down, transition up
    if (!PostMessageA(player, WM_KEYDOWN, static_cast<WPARAM>(vk), static_cast<LPARAM>(down)) ||
        !PostMessageA(player, WM_KEYUP, static_cast<WPARAM>(vk), static_cast<LPARAM>(up))) {
        return failed("cannot post the key");
    }
    return settle(player) ? ok() : notAnswering();
}

// What the slider itself does when the user moves it: its value changes, and its
// parent gets WM_COMMAND with the slider's id and the value as the notice.
Result moveSlider(HWND player, long value) {
    if (value < -32768 || value > 32767) return failed("the slider holds 16-bit values");
    HWND slider = GetDlgItem(player, IDC_POSITION);
    if (slider == nullptr) return failed(std::string("no control ") + std::to_string(IDC_POSITION));
    const std::string text = std::to_string(value);
    if (!sendTimed(slider, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()))) return notAnswering();
    const auto notice = static_cast<LPARAM>(static_cast<std::int32_t>(value));
    if (!sendTimed(player, WM_COMMAND, IDC_POSITION, notice)) return notAnswering();
    return ok();
}

Result handOver(HWND player, const std::string& path) {
    if (path.empty()) return failed("no path");
    COPYDATASTRUCT record{};
    record.dwData = COPYDATA_FILEPATH;
    record.cbData = static_cast<DWORD>(path.size() + 1);
    record.lpData = const_cast<char*>(path.c_str());
    if (!sendTimed(player, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record))) return notAnswering();
    return ok();
}

// The window's screen rectangle as the screen shows it (windows above it included).
Result saveScreenshot(HWND player, const std::string& path) {
    if (path.empty()) return failed("no file name");
    if (!settle(player)) return notAnswering();   // pending paints done first
    RECT rect{};
    GetWindowRect(player, &rect);
    win32::Picture24 picture;
    switch (win32::captureScreen(rect, picture)) {
    case win32::CaptureResult::ok:         break;
    case win32::CaptureResult::emptyArea:  return failed("the player window has no size");
    case win32::CaptureResult::noScreen:   return failed("no screen to copy from");
    case win32::CaptureResult::copyFailed: return failed("cannot copy the screen");
    case win32::CaptureResult::readFailed: return failed("cannot read the copied pixels");
    }
    if (!win32::writeBmp(path.c_str(), picture)) return failed("cannot write " + path);
    writeLine("shot: " + path + " " + std::to_string(picture.width) + "x" + std::to_string(picture.height));
    return ok();
}

// Lines at 0, MS, 2 MS ... up to SECONDS, each read in one pass over the controls.
Result printRect(HWND player) {
    RECT rect{};
    if (!GetWindowRect(player, &rect)) return noPlayer();
    writeLine("rect: " + std::to_string(rect.left) + " " + std::to_string(rect.top) + " " + std::to_string(rect.right) +
              " " + std::to_string(rect.bottom));
    return ok();
}

Result watch(HWND player, DWORD durationMs, DWORD everyMs) {
    if (everyMs == 0) return failed("the interval must be above 0");
    const ULONGLONG start = GetTickCount64();
    for (DWORD line = 0; line <= durationMs / everyMs; ++line) {
        const ULONGLONG due = start + static_cast<ULONGLONG>(line) * everyMs;
        const ULONGLONG now = GetTickCount64();
        if (due > now) Sleep(static_cast<DWORD>(due - now));
        if (!IsWindow(player)) return noPlayer();
        const auto state = readState(player);
        if (!state) return notAnswering();
        writeLine(std::string("watch: ") + std::to_string(GetTickCount64() - start) +
                  " play:" + (state->playChecked ? "checked" : "unchecked") + " slider:" +
                  std::to_string(state->sliderValue) + "," + std::to_string(state->sliderMinimum) + "," +
                  std::to_string(state->sliderMaximum) + " meters:" + joined(state->meters, ',') +
                  " time:" + escaped(state->time));
        std::fflush(stdout);
    }
    return ok();
}

struct Usage {
    const char* name;
    const char* arguments;
};
constexpr Usage kUsages[] = {
    {"wait", "SECONDS"}, {"gone", "SECONDS"}, {"sleep", "MS"},      {"fields", ""},         {"state", ""},
    {"press", "ID"},     {"hold", "ID MS"},   {"key", "VK"},        {"slider", "N"},        {"handover", "PATH"},
    {"close", ""},       {"shot", "FILE"},    {"watch", "SECONDS MS"}, {"rect", ""},
};

const Usage* usageOf(const std::string& name) {
    for (const Usage& usage : kUsages) {
        if (name == usage.name) return &usage;
    }
    return nullptr;
}

Result run(const Command& command) {
    const auto& w = command.words;
    const std::string& name = command.name;
    const Usage* usage = usageOf(name);
    if (usage == nullptr) return failed("unknown command " + name);
    const Result wrongArguments = failed(std::string("usage: ") + usage->name + " " + usage->arguments);
    // Commands that need no player window.
    if (name == "wait" || name == "gone") {
        const auto timeout = w.size() == 1 ? secondsAsMs(w[0]) : std::nullopt;
        if (!timeout) return wrongArguments;
        return name == "wait" ? waitForPlayer(*timeout) : waitForPlayerGone(*timeout);
    }
    if (name == "sleep") {
        const auto ms = w.size() == 1 ? milliseconds(w[0]) : std::nullopt;
        if (!ms) return wrongArguments;
        Sleep(*ms);
        return ok();
    }

    HWND player = findPlayer();
    if (player == nullptr) return noPlayer();
    if (name == "fields" && w.empty()) return printFields(player);
    if (name == "state" && w.empty()) return printState(player);
    if (name == "press" && w.size() == 1) {
        const auto id = wholeNumber(w[0]);
        return id ? pressButton(player, static_cast<int>(*id), 0) : wrongArguments;
    }
    if (name == "hold" && w.size() == 2) {
        const auto id = wholeNumber(w[0]);
        const auto ms = milliseconds(w[1]);
        return id && ms ? pressButton(player, static_cast<int>(*id), *ms) : wrongArguments;
    }
    if (name == "key" && w.size() == 1) {
        const auto vk = wholeNumber(w[0]);
        return vk ? pressKey(player, *vk) : wrongArguments;
    }
    if (name == "slider" && w.size() == 1) {
        const auto value = wholeNumber(w[0]);
        return value ? moveSlider(player, *value) : wrongArguments;
    }
    if (name == "handover") return handOver(player, command.rest);
    if (name == "close" && w.empty()) {
        return PostMessageA(player, WM_CLOSE, 0, 0) ? ok() : failed("cannot post WM_CLOSE");
    }
    if (name == "shot") return saveScreenshot(player, command.rest);
    if (name == "rect" && w.empty()) return printRect(player);
    if (name == "watch" && w.size() == 2) {
        const auto duration = secondsAsMs(w[0]);
        const auto every = milliseconds(w[1]);
        return duration && every ? watch(player, *duration, *every) : wrongArguments;
    }
    return wrongArguments;
}

// ---- input -----------------------------------------------------------------------------------

std::vector<std::string> splitWords(const std::string& text) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t begin = text.find_first_not_of(" \t", at);
        if (begin == std::string::npos) break;
        const std::size_t end = std::min(text.find_first_of(" \t", begin), text.size());
        words.push_back(text.substr(begin, end - begin));
        at = end;
    }
    return words;
}

// "name arguments": the arguments keep their spacing in `rest`.
std::optional<Command> commandFromLine(const std::string& line) {
    const std::size_t begin = line.find_first_not_of(" \t");
    if (begin == std::string::npos || line[begin] == '#') return std::nullopt;
    const std::size_t nameEnd = std::min(line.find_first_of(" \t", begin), line.size());
    Command command;
    command.name = line.substr(begin, nameEnd - begin);
    const std::size_t restBegin = line.find_first_not_of(" \t", nameEnd);
    if (restBegin != std::string::npos) {
        const std::size_t restEnd = line.find_last_not_of(" \t") + 1;
        command.rest = line.substr(restBegin, restEnd - restBegin);
    }
    command.words = splitWords(command.rest);
    return command;
}

// The command line's arguments in groups separated by ";" arguments.
std::vector<Command> commandsFromArguments(int argc, char** argv) {
    std::vector<Command> commands;
    Command current;
    auto finish = [&] {
        if (!current.name.empty()) commands.push_back(current);
        current = Command{};
    };
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == ";") {
            finish();
        } else if (current.name.empty()) {
            current.name = argument;
        } else {
            current.rest += (current.words.empty() ? "" : " ") + argument;
            current.words.push_back(argument);
        }
    }
    finish();
    return commands;
}

bool readLine(std::string& line) {
    line.clear();
    int c = 0;
    while ((c = std::fgetc(stdin)) != EOF && c != '\n') {
        if (c != '\r') line += static_cast<char>(c);
    }
    return c != EOF || !line.empty();
}

struct Tally {
    bool anyError = false;
    bool anyNoWindow = false;
    int exitStatus() const { return anyNoWindow ? 2 : (anyError ? 1 : 0); }
};

void runAndReport(const Command& command, Tally& tally) {
    const Result result = run(command);
    if (result.kind == Result::kOk) {
        writeLine("= ok");
    } else {
        writeLine("= error " + result.reason);
        tally.anyError = true;
        tally.anyNoWindow = tally.anyNoWindow || result.kind == Result::kNoWindow;
    }
    std::fflush(stdout);
}

void usage(FILE* to) {
    std::fputs("usage: vpremote CMD [ARGS] [; CMD [ARGS] ...]\n"
               "       vpremote -        (commands from standard input, one a line)\n"
               "commands: wait SECONDS | gone SECONDS | fields | state | press ID | hold ID MS | key VK |\n"
               "          slider N | handover PATH | close | sleep MS | shot FILE.bmp | watch SECONDS MS |\n"
               "          rect\n"
               "each prints its result lines and then \"= ok\" or \"= error REASON\"\n"
               "exit status: 0 all ok, 2 no player window, 1 any other error\n",
               to);
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    if (argc < 2) {
        usage(stderr);
        return 1;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        usage(stdout);
        return 0;
    }
    Tally tally;
    if (argc == 2 && std::strcmp(argv[1], "-") == 0) {
        std::string line;
        while (readLine(line)) {
            if (const auto command = commandFromLine(line)) runAndReport(*command, tally);
        }
    } else {
        for (const Command& command : commandsFromArguments(argc, argv)) runAndReport(command, tally);
    }
    return tally.exitStatus();
}
