#pragma once
// A read-only window of bytes in which every position past the end reads as zero,
// so a search or a label copy never reaches beyond what was read.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

struct ByteView {
    const unsigned char* bytes = nullptr;
    std::size_t size = 0;

    unsigned char at(std::int64_t index) const {
        return index >= 0 && static_cast<std::uint64_t>(index) < size ? bytes[index] : 0;
    }

    // First position in [from, limit) where pattern starts; -1 when there is none.
    // A pattern holds no zero byte, so it never matches past the end.
    std::int64_t find(std::string_view pattern, std::int64_t from, std::int64_t limit) const {
        if (from < 0) from = 0;
        for (std::int64_t position = from; position < limit; ++position) {
            if (static_cast<std::uint64_t>(position) + pattern.size() > size) return -1;
            if (std::memcmp(bytes + position, pattern.data(), pattern.size()) == 0) return position;
        }
        return -1;
    }

    std::uint16_t le16(std::int64_t index) const {
        return static_cast<std::uint16_t>(at(index) | (at(index + 1) << 8));
    }
    std::uint32_t le32(std::int64_t index) const {
        return static_cast<std::uint32_t>(at(index)) | (static_cast<std::uint32_t>(at(index + 1)) << 8) |
               (static_cast<std::uint32_t>(at(index + 2)) << 16) | (static_cast<std::uint32_t>(at(index + 3)) << 24);
    }
    std::uint64_t le64(std::int64_t index) const {
        return static_cast<std::uint64_t>(le32(index)) | (static_cast<std::uint64_t>(le32(index + 4)) << 32);
    }
};
