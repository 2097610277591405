// A fast 64-bit hash of a byte stream, fed in pieces of any size: tells
// whether a file still holds the bytes it held (a change by another program,
// a journal entry cut short by a kill). Not a cryptographic digest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kd {

class ContentHash {
public:
    void Add(const void* data, std::size_t count) noexcept
    {
        const auto* p = static_cast<const unsigned char*>(data);
        m_size += count;
        // Complete a pending word first.
        while (count > 0 && m_pendingBytes != 0) {
            m_pending |= std::uint64_t{*p++} << (8 * m_pendingBytes);
            --count;
            if (++m_pendingBytes == 8) {
                Mix(m_pending);
                m_pending = 0;
                m_pendingBytes = 0;
            }
        }
        // Four independent lanes keep the multiplier busy.
        while (count >= 32) {
            std::uint64_t w[4];
            std::memcpy(w, p, 32);
            for (std::uint64_t lane = 0; lane < 4; ++lane) {
                std::uint64_t& h = m_lanes[(m_words + lane) & 3];
                h = Round(h, w[lane]);
            }
            m_words += 4;
            p += 32;
            count -= 32;
        }
        // Counted, not `while (count >= 8)`: GCC's -O3 misreads that loop
        // after the one above and warns of a past-the-end lane.
        for (std::size_t words = count / 8; words > 0; --words) {
            std::uint64_t w;
            std::memcpy(&w, p, 8);
            Mix(w);
            p += 8;
        }
        count %= 8;
        while (count > 0) {
            m_pending |= std::uint64_t{*p++} << (8 * m_pendingBytes++);
            --count;
        }
    }

    [[nodiscard]] std::uint64_t Value() const noexcept
    {
        std::uint64_t h = m_size * 0x9E3779B97F4A7C15u;
        for (const std::uint64_t lane : m_lanes) h = Round(h, lane);
        h = Round(h, m_pending ^ (std::uint64_t{m_pendingBytes} << 56));
        h ^= h >> 33;
        h *= 0xFF51AFD7ED558CCDu;
        h ^= h >> 33;
        h *= 0xC4CEB9FE1A85EC53u;
        return h ^ (h >> 33);
    }

    [[nodiscard]] std::uint64_t Size() const noexcept { return m_size; }

    [[nodiscard]] static std::uint64_t Of(const void* data, std::size_t count) noexcept
    {
        ContentHash hash;
        hash.Add(data, count);
        return hash.Value();
    }

private:
    static std::uint64_t Round(std::uint64_t h, std::uint64_t w) noexcept
    {
        h ^= w * 0x87C37B91114253D5u;
        h = (h << 31) | (h >> 33);
        return h * 0x4CF5AD432745937Fu + 0x52DCE729u;
    }

    // A word outside the four-lane run goes to the lane its position picks,
    // so that the value does not depend on how the stream was cut into pieces.
    void Mix(std::uint64_t w) noexcept
    {
        std::uint64_t& h = m_lanes[m_words & 3];
        h = Round(h, w);
        ++m_words;
    }

    std::uint64_t m_lanes[4] = {0x243F6A8885A308D3u, 0x13198A2E03707344u, 0xA4093822299F31D0u, 0x082EFA98EC4E6C89u};
    std::uint64_t m_words = 0;
    std::uint64_t m_size = 0;
    std::uint64_t m_pending = 0;
    unsigned m_pendingBytes = 0;
};

} // namespace kd
