#include "audio_buffer.h"

#include <atomic>
#include <new>

namespace {
// Buffers go to the device on the UI thread and come back on it, but a test may
// read the count from another thread while a driver runs.
std::atomic<int> liveBuffers{0};
}  // namespace

AudioBuffer::AudioBuffer(AudioBuffer&& other) noexcept
    : bytes_(std::move(other.bytes_)), length_(other.length_) {
    other.length_ = 0;
}

AudioBuffer& AudioBuffer::operator=(AudioBuffer&& other) noexcept {
    if (this != &other) {
        reset();
        bytes_ = std::move(other.bytes_);
        length_ = other.length_;
        other.length_ = 0;
    }
    return *this;
}

AudioBuffer::~AudioBuffer() { reset(); }

void AudioBuffer::reset() noexcept {
    if (bytes_) {
        bytes_.reset();
        liveBuffers.fetch_sub(1, std::memory_order_relaxed);
    }
    length_ = 0;
}

AudioBuffer AudioBuffer::allocateZeroed(std::size_t length) {
    std::byte* bytes = new (std::nothrow) std::byte[length == 0 ? 1 : length]();
    if (!bytes) return {};
    liveBuffers.fetch_add(1, std::memory_order_relaxed);
    return AudioBuffer(bytes, length);
}

AudioBuffer AudioBuffer::allocateUninitialised(std::size_t length) {
    std::byte* bytes = new (std::nothrow) std::byte[length == 0 ? 1 : length];
    if (!bytes) return {};
    liveBuffers.fetch_add(1, std::memory_order_relaxed);
    return AudioBuffer(bytes, length);
}

std::byte* AudioBuffer::release() noexcept {
    length_ = 0;
    return bytes_.release();
}

AudioBuffer AudioBuffer::adopt(std::byte* bytes, std::size_t length) noexcept {
    if (!bytes) return {};
    return AudioBuffer(bytes, length);
}

int AudioBuffer::liveCount() noexcept { return liveBuffers.load(std::memory_order_relaxed); }
