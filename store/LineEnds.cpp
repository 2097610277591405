#include "LineEnds.h"

#include <cstring>

namespace kd {

void EncodeLineEnds(std::span<const std::uint8_t> logical, std::vector<std::uint8_t>& stored)
{
    stored.reserve(stored.size() + logical.size() + logical.size() / 64 + 16);
    for (const std::uint8_t b : logical) {
        if (b == 0x0A) stored.push_back(0x0D);
        stored.push_back(b);
    }
}

std::size_t LineEndDecoder::Decode(const std::uint8_t* in, std::size_t count, std::uint8_t* out) noexcept
{
    std::size_t n = 0;
    std::size_t i = 0;
    if (m_pendingCR && count > 0) {
        m_pendingCR = false;
        if (in[0] == 0x0A) {
            out[n++] = 0x0A;
            i = 1;
        } else {
            out[n++] = 0x0D; // in[0] is then handled like any other byte
        }
    }
    while (i < count) {
        const void* cr = std::memchr(in + i, 0x0D, count - i);
        const std::size_t j = cr ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(cr) - in) : count;
        if (j > i) {
            std::memmove(out + n, in + i, j - i);
            n += j - i;
        }
        if (j == count) break;
        if (j + 1 == count) {
            m_pendingCR = true;
            break;
        }
        if (in[j + 1] == 0x0A) {
            out[n++] = 0x0A;
            i = j + 2;
        } else {
            out[n++] = 0x0D;
            i = j + 1;
        }
    }
    return n;
}

std::size_t LineEndDecoder::Finish(std::uint8_t* out) noexcept
{
    if (!m_pendingCR) return 0;
    m_pendingCR = false;
    out[0] = 0x0D;
    return 1;
}

std::vector<std::uint8_t> DecodeLineEnds(std::span<const std::uint8_t> stored)
{
    std::vector<std::uint8_t> logical(stored.size());
    LineEndDecoder decoder;
    std::size_t n = decoder.Decode(stored.data(), stored.size(), logical.data());
    n += decoder.Finish(logical.data() + n);
    logical.resize(n);
    return logical;
}

} // namespace kd
