#include "info_text.h"

#include <string>

const char* const kUnknownFormatText = " unknown fileformat";

std::string FormatKilohertz(std::int32_t sampleRate) {
    const std::int64_t hertz = sampleRate;
    const std::int64_t magnitude = hertz < 0 ? -hertz : hertz;
    std::string text = hertz < 0 ? "-" : "";
    text += std::to_string(magnitude / 1000);
    std::int64_t thousandths = magnitude % 1000;
    if (thousandths != 0) {
        std::string decimals = std::to_string(1000 + thousandths).substr(1);   // three digits, leading zeros kept
        decimals.erase(decimals.find_last_not_of('0') + 1);
        text += "." + decimals;
    }
    return text;
}

std::string FormatWaveInfo(const WaveFileInfo& info) {
    // The ä of "Länge" is code page 1252's 0xE4.
    const std::int64_t seconds = LengthInSeconds(info);
    return " Format: " + FormatKilohertz(info.sampleRate) + " kHz / " + std::to_string(info.bitsPerSample) +
           " Bit\r\n Channels:   " + std::to_string(info.channels) + "\r\n L\xE4nge: " + std::to_string(seconds) +
           " sec\r\n Tape: " + info.tape + " \r\n Scene: " + info.scene + " \r\n Take: " + info.take;
}

std::string Cp1252ToUtf8(const std::string& text) {
    // Code page 1252's 0x80..0x9F; the rest of its upper half is Latin-1.
    static const char16_t kHighControls[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    std::string utf8;
    utf8.reserve(text.size() + 8);
    for (const char raw : text) {
        const auto byte = static_cast<unsigned char>(raw);
        const unsigned codePoint = byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte;
        if (codePoint < 0x80) {
            utf8 += static_cast<char>(codePoint);
        } else if (codePoint < 0x800) {
            utf8 += static_cast<char>(0xC0 | (codePoint >> 6));
            utf8 += static_cast<char>(0x80 | (codePoint & 0x3F));
        } else {
            utf8 += static_cast<char>(0xE0 | (codePoint >> 12));
            utf8 += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (codePoint & 0x3F));
        }
    }
    return utf8;
}
