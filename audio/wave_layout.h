#pragma once
// The byte layout of a take that the engine reads: where the fields of a format block lie,
// the format tags it knows, and how far the byte scan looks into a file whose chunk list
// cannot be walked. One place, so inspection, reader and report read takes alike.

#include <cstdint>

namespace wave_layout {

// The format block (the body of the "fmt " chunk).
constexpr std::int64_t kTagAt = 0;
constexpr std::int64_t kChannelsAt = 2;
constexpr std::int64_t kRateAt = 4;
constexpr std::int64_t kBitsAt = 14;
// WAVE_FORMAT_EXTENSIBLE: cbSize at 16, valid bits at 18, the channel mask at 20 and the
// sub-format GUID at 24, whose first four bytes are the tag it stands for and whose other
// twelve are the same for every sub-format.
constexpr std::int64_t kValidBitsAt = 18;
constexpr std::int64_t kSubFormatAt = 24;
constexpr std::int64_t kExtensibleSize = 40;
constexpr unsigned char kSubFormatTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

constexpr std::uint16_t kTagPcm = 1;
constexpr std::uint16_t kTagFloat = 3;
constexpr std::uint16_t kTagExtensible = 0xFFFE;

// The broadcast extension ("bext" body): the description text at its start, the origination
// date ("yyyy-mm-dd", 10 characters) at 320 and the 64-bit time reference (samples since
// midnight) at 338.
constexpr std::int64_t kDescriptionSize = 256;
constexpr std::int64_t kOriginationDateAt = 320;
constexpr std::int64_t kOriginationDateSize = 10;
constexpr std::int64_t kTimeReferenceAt = 338;

// The iXML block: read up to its first megabyte; the player's label tags must start within
// 512 bytes of "BWFXML" + 8.
constexpr std::int64_t kMaxIxmlRead = 1 << 20;
constexpr std::int64_t kIxmlTagWindow = 512;

// The byte scan: inspection looks at the first 8192 bytes, "fmt" starting below 8188 and
// every other pattern below 8180; the reader looks for the data in the first 32768.
constexpr std::int64_t kInspectionWindow = 8192;
constexpr std::int64_t kFormatScanLimit = 8188;
constexpr std::int64_t kPatternScanLimit = 8180;
constexpr std::int64_t kReaderScanSize = 32768;

}  // namespace wave_layout
