#pragma once
// The report's one pass over a take's sample data: per channel the peak in dBFS and the
// samples at full scale, folded in wide lanes so the loop vectorises.

#include "audio/wave_file_info.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

struct ChannelPeak {
    double peakDbfs = 0;              // -infinity for digital silence
    std::uint64_t clippedSamples = 0; // samples at full scale (|x| >= 1 for float)
};

struct SampleLayout {
    bool isFloat = false;
    int channels = 0;
    int bytesPerSample = 0;
    std::int32_t rate = 0;
    int bits = 0;
};

// The player's own rule decides which takes the report can read.
FormatVerdict ReadSampleLayout(const unsigned char* fmt, std::size_t size, SampleLayout& layout);

// Called after every read of sample data with the bytes it brought.
using ReportProgress = std::function<void(std::uint64_t bytesRead)>;

// The wide (AVX2) folds serve where the processor has them; tests turn them off to see the
// plain fold give the same figures.
void UseWideFolds(bool use);

// One pass over frames frames of sample data from offset in large reads; false on a read error.
bool ScanPeaks(std::FILE* file, std::int64_t offset, std::int64_t frames, const SampleLayout& layout,
               const ReportProgress& progress, std::vector<ChannelPeak>& peaks);
