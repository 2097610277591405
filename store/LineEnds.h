// Line-end translation of the account file, done by our own code so that it is
// exact on every platform: the stored form has every 0x0A as 0x0D 0x0A, and only
// that pair reads back as 0x0A. Every other byte, 0x1A included, is data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kd {

// Appends the stored form of `logical` to `stored`.
void EncodeLineEnds(std::span<const std::uint8_t> logical, std::vector<std::uint8_t>& stored);

// Undoes the translation in pieces of any size; a 0x0D at the end of one piece
// waits for the next.
class LineEndDecoder {
public:
    // Decodes `count` bytes of `in` to `out`; returns the number of bytes written,
    // at most count + 1. `out` may equal `in` (or lie before it in the same
    // buffer) only when nothing is pending from an earlier piece.
    std::size_t Decode(const std::uint8_t* in, std::size_t count, std::uint8_t* out) noexcept;
    // Flushes a 0x0D left waiting at the very end; returns 0 or 1.
    std::size_t Finish(std::uint8_t* out) noexcept;

private:
    bool m_pendingCR = false;
};

// Decodes a whole stored form at once.
[[nodiscard]] std::vector<std::uint8_t> DecodeLineEnds(std::span<const std::uint8_t> stored);

} // namespace kd
