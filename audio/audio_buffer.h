#pragma once
// A move-only block of bytes with its length: a sample block from the reader or a
// stereo buffer from the mix-down. Exactly one owner at a time; a buffer queued on
// the device leaves its owner through release() and comes back through adopt().

#include <cstddef>
#include <cstdint>
#include <memory>

class AudioBuffer {
public:
    AudioBuffer() = default;
    AudioBuffer(AudioBuffer&& other) noexcept;
    AudioBuffer& operator=(AudioBuffer&& other) noexcept;
    AudioBuffer(const AudioBuffer&) = delete;
    AudioBuffer& operator=(const AudioBuffer&) = delete;
    ~AudioBuffer();

    // Empty buffer when the memory cannot be had; never throws.
    static AudioBuffer allocateZeroed(std::size_t length);
    static AudioBuffer allocateUninitialised(std::size_t length);

    // Hands the bytes out (for a wave header) without freeing them; the buffer
    // stays counted as live until adopt() takes it back and it is destroyed.
    std::byte* release() noexcept;
    static AudioBuffer adopt(std::byte* bytes, std::size_t length) noexcept;

    std::byte* data() noexcept { return bytes_.get(); }
    const std::byte* data() const noexcept { return bytes_.get(); }
    std::size_t size() const noexcept { return length_; }
    bool empty() const noexcept { return !bytes_; }
    void reset() noexcept;

    // Buffers allocated and not yet freed, process-wide: tests prove nothing leaks
    // and nothing is freed twice.
    static int liveCount() noexcept;

private:
    AudioBuffer(std::byte* bytes, std::size_t length) noexcept : bytes_(bytes), length_(length) {}
    std::unique_ptr<std::byte[]> bytes_;
    std::size_t length_ = 0;
};
