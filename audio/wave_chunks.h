#pragma once
// Where a take's chunks lie. Inspection and reader both ask this one place, so they
// always agree on where the sample data starts.

#include "byte_view.h"

#include <cstdint>
#include <cstdio>
#include <memory>

struct WaveChunks {
    std::int64_t formatOffset = -1;     // file offset of the format block (the fmt body)
    std::int64_t formatSize = 0;
    std::int64_t dataOffset = -1;       // file offset of the first sample byte
    std::int64_t dataSize = 0;          // bytes of sample data that the file really holds
    std::int64_t dataDeclaredSize = 0;  // bytes the data chunk's size (or ds64) claims; more than dataSize in a cut-short file
    std::int64_t bextOffset = -1;       // broadcast-extension body
    std::int64_t bextSize = 0;
    std::int64_t ixmlOffset = -1;       // iXML body
    std::int64_t ixmlSize = 0;

    bool hasFormatAndData() const { return formatOffset >= 0 && dataOffset >= 0; }
};

// Walks the RIFF/WAVE (or RF64/WAVE with ds64) chunk list of an open file. Honours the
// pad byte after an odd-sized chunk and tolerates a missing one; stops at the first
// chunk header that is not one. Returns what it found; the walk is bounded in steps,
// so its cost does not grow with the file.
WaveChunks WalkWaveChunks(std::FILE* file, std::int64_t fileSize);

// The byte scan of a file whose chunk list cannot be walked: "fmt" below the format scan
// limit, then the first "data" after it (from the start when there is none) below
// dataLimit. Positions are those of the identifiers; -1 when not found.
struct ScannedChunks {
    std::int64_t formatAt = -1;
    std::int64_t dataAt = -1;
    std::uint32_t dataSize = 0;         // as the data chunk's header declares it
};
ScannedChunks ScanForFormatAndData(const ByteView& bytes, std::int64_t dataLimit);

// An open file, closed when it goes.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// File access with 64-bit offsets on every platform.
std::int64_t FileSize64(std::FILE* file);
bool SeekFile64(std::FILE* file, std::int64_t offset);
// Reads up to length bytes at offset; returns how many arrived (0 on a failed seek).
std::size_t ReadAt(std::FILE* file, std::int64_t offset, void* into, std::size_t length);
