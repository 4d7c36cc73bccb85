#pragma once
// The player's text handling that needs no window: the file path taken from the command
// line, the settings file name formed from the program's path, and the stored window
// position parsed into a bounded rectangle. Portable, so it is tested natively too.

#include "controls/control_math.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

constexpr std::size_t kPlayerPathSize = 513;        // 512 characters and the terminator
constexpr std::size_t kSettingsNameSize = 503;      // a 499-character module path grown by 3
constexpr std::size_t kModulePathLength = 500;      // what the module path is fetched with
constexpr std::size_t kPositionWorkSize = 48;       // the parser's copy: at most 47 characters

// The command-line tail is one path. A tail that starts with a double quote loses that quote
// and its last character (the closing quote, when there is one); nothing else is looked at.
// At most pathSize - 1 characters are kept.
inline void TakePathFromCommandLine(const char* tail, char* path, std::size_t pathSize) {
    if (pathSize == 0) return;
    path[0] = '\0';
    if (tail == nullptr || tail[0] == '\0') return;
    const bool quoted = tail[0] == '"';
    const char* from = quoted ? tail + 1 : tail;
    std::size_t length = std::strlen(from);
    if (length > pathSize - 1) length = pathSize - 1;
    std::memcpy(path, from, length);
    path[length] = '\0';
    if (quoted && length > 0) path[length - 1] = '\0';
}

// Replaces the extension of the program's path (from its last '.', never looking at the
// first character) with ".ini". False, with `name` left unchanged, when there is no '.'.
inline bool SettingsNameFromModulePath(const char* modulePath, char* name, std::size_t nameSize) {
    const std::size_t length = std::strlen(modulePath);
    std::size_t dot = length;
    for (std::size_t i = length; i-- > 1;) {
        if (modulePath[i] == '.') {
            dot = i;
            break;
        }
    }
    if (dot == length || dot + 5 > nameSize) return false;
    std::memcpy(name, modulePath, dot);
    std::memcpy(name + dot, ".ini", 5);
    return true;
}

struct StoredPosition {
    std::int32_t x = INT32_MIN;   // CW_USEDEFAULT when the field is missing
    std::int32_t y = INT32_MIN;
    std::int32_t width = 500;
    std::int32_t height = 200;
};

// Fields are split at commas with empty fields skipped, each read as atoi reads it; a text
// longer than 47 characters is cut there. The result keeps the window's top-left 32 x 32
// pixels on a desktop whose right and bottom edges are given.
inline StoredPosition ParseStoredPosition(const char* text, std::int32_t desktopRight, std::int32_t desktopBottom) {
    char work[kPositionWorkSize] = {};
    if (text != nullptr) {
        std::size_t length = std::strlen(text);
        if (length > kPositionWorkSize - 1) length = kPositionWorkSize - 1;
        std::memcpy(work, text, length);
    }
    StoredPosition position;
    std::int32_t* fields[] = {&position.x, &position.y, &position.width, &position.height};
    std::size_t fieldIndex = 0;
    char* cursor = work;
    while (fieldIndex < 4 && *cursor != '\0') {
        if (*cursor == ',') {
            ++cursor;
            continue;
        }
        char* end = cursor;
        while (*end != '\0' && *end != ',') ++end;
        const bool last = *end == '\0';
        *end = '\0';
        *fields[fieldIndex++] = controls::atoiLike(cursor);
        if (last) break;
        cursor = end + 1;
    }
    if (position.x < 0) position.x = 0;
    if (position.y < 0) position.y = 0;
    if (position.width < 32) position.width = 32;
    if (position.height < 32) position.height = 32;
    if (position.x > desktopRight - 32) position.x = desktopRight - 32;
    if (position.y > desktopBottom - 32) position.y = desktopBottom - 32;
    return position;
}
