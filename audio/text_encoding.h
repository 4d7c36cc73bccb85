#pragma once
// Text encodings the player and the report meet: the player's texts are code page 1252, a
// terminal and the report want UTF-8, and recorders write either.

#include <string>
#include <string_view>

bool IsValidUtf8(std::string_view text);
// Appends the UTF-8 bytes of one code point (nothing for one beyond U+10FFFF).
void AppendUtf8(std::string& out, unsigned long codePoint);
std::string Cp1252ToUtf8(const std::string& text);
// Text that is UTF-8 already stays as it is; anything else is read as code page 1252.
std::string AsUtf8(std::string_view text);
