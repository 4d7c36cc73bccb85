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
    // The count stands right-aligned in four places: "   8", "  16", "  64".
    std::string channels = std::to_string(info.channels);
    if (channels.size() < 4) channels.insert(0, 4 - channels.size(), ' ');
    return " Format: " + FormatKilohertz(info.sampleRate) + " kHz / " + std::to_string(info.bitsPerSample) +
           " Bit\r\n Channels:" + channels + "\r\n L\xE4nge: " + std::to_string(seconds) +
           " sec\r\n Tape: " + info.tape + " \r\n Scene: " + info.scene + " \r\n Take: " + info.take;
}
