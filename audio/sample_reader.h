#pragma once
// Reads a take's interleaved sample bytes block by block from a movable position.

#include "audio_buffer.h"
#include "wave_chunks.h"

#include <cstdint>
#include <cstdio>

struct SampleReader {
    std::FILE* file = nullptr;          // non-null while a take is open and ready to play
    std::int64_t dataOffset = 0;        // file offset of the first sample byte
    std::int64_t dataSize = 0;          // bytes of sample data
    std::int64_t position = 0;          // next block, relative to the first sample byte; the player writes it to seek
    AudioBuffer block;                  // the block of the last read, with its length, until the caller takes it
};

constexpr int kReaderOk = 0;
constexpr int kReaderNoMemory = 1;      // open: no scan buffer; read: no block memory
constexpr int kReaderNotOpen = 2;       // open: already open or file unreadable; read: nothing open
constexpr int kReaderEnd = 3;           // end of data, or a seek or read failure
constexpr int kReaderNoData = 5;        // open: no sample data found
constexpr int kReaderNoRecord = -1;

int OpenSampleReader(SampleReader* reader, const char* path);
// The same for a file already open, whose chunks were walked: the reader takes the file
// over (and closes it again on any result but 0).
int OpenSampleReaderOn(SampleReader* reader, std::FILE* file, const WaveChunks& chunks);
// On 0 a block of exactly blockSize bytes is in reader->block (the tail past the data
// is silence) and position has moved on by blockSize.
int ReadSampleBlock(SampleReader* reader, std::uint32_t blockSize);
int CloseSampleReader(SampleReader* reader);
