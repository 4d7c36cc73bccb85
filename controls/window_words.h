#pragma once
// Typed access to 16-bit window words at fixed byte indices of a window's extra bytes.

#include <windows.h>

#include <cstdint>

namespace controls {

inline std::int16_t getSignedWord(HWND window, int index) {
    return static_cast<std::int16_t>(GetWindowWord(window, index));
}

inline std::uint16_t getUnsignedWord(HWND window, int index) {
    return static_cast<std::uint16_t>(GetWindowWord(window, index));
}

inline void setWord(HWND window, int index, std::int16_t value) {
    SetWindowWord(window, index, static_cast<WORD>(value));
}

inline void setWord(HWND window, int index, std::uint16_t value) {
    SetWindowWord(window, index, static_cast<WORD>(value));
}

}  // namespace controls
