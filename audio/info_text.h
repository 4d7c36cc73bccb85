#pragma once
// The information field's text for a take, in Windows code page 1252.

#include "wave_file_info.h"

#include <string>

extern const char* const kUnknownFormatText;   // " unknown fileformat"

// The rate in kilohertz with at most three decimals and no trailing zeros: 44.1, 48, 22.05.
std::string FormatKilohertz(std::int32_t sampleRate);

// " Format: 48 kHz / 24 Bit\r\n Channels:   8\r\n L\xE4nge: 95 sec\r\n Tape: ... "; the channel
// count is right-aligned in four places (" Channels:  16").
std::string FormatWaveInfo(const WaveFileInfo& info);
