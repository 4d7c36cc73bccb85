#pragma once
// Shared by the fuzz targets: a failed check that stops the run with a trap (libFuzzer
// keeps the input that caused it), and the one temporary file per process into which
// each input is written, since the engine reads takes by path.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

#define FUZZ_CHECK(condition)                                                                    \
    do {                                                                                         \
        if (!(condition)) {                                                                      \
            std::fprintf(stderr, "fuzz check failed: %s at %s:%d\n", #condition, __FILE__, __LINE__); \
            __builtin_trap();                                                                    \
        }                                                                                        \
    } while (0)

namespace fuzzing {

// A directory for the per-process file: $TMPDIR when set, else shared memory when the
// machine has it (every input is written once, and a disk file system's flush on the
// rewrite of a truncated file costs more than the engine's work), else the usual one.
inline std::filesystem::path TempDirectory() {
    if (const char* dir = std::getenv("TMPDIR"); dir && *dir) return dir;
    if (access("/dev/shm", W_OK | X_OK) == 0) return "/dev/shm";
    std::error_code error;
    std::filesystem::path dir = std::filesystem::temp_directory_path(error);
    return error ? std::filesystem::path("/tmp") : dir;
}

// <dir>/vantor_fuzz_<tag>_<pid>.wav, removed when the process exits normally. A crashed
// run leaves its file behind; its input is kept by libFuzzer anyway.
inline const std::string& TempTakePath(const char* tag) {
    static const std::string path =
        (TempDirectory() / ("vantor_fuzz_" + std::string(tag) + "_" + std::to_string(getpid()) + ".wav")).string();
    static const bool removeAtExit = [] {
        std::atexit([] { std::remove(path.c_str()); });
        return true;
    }();
    (void)removeAtExit;
    return path;
}

// Replaces the file's contents with the input. A failure here is the machine's, not the
// engine's, so it aborts with its own message rather than a check.
inline void WriteTempTake(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::perror(path.c_str());
        std::abort();
    }
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written) {
        std::perror(path.c_str());
        std::abort();
    }
}

// True when the label ends within its 32 characters.
template <std::size_t N>
bool LabelTerminated(const char (&label)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        if (label[i] == '\0') return true;
    return false;
}

}  // namespace fuzzing
