// The card deck and the runtime-compatible linear congruential generator the
// Helper shuffles it with.
#pragma once

#include <array>
#include <cstdint>

namespace kd {

inline constexpr std::size_t kDeckSize = 54;

// 0x0001-0x000D, 0x0101-0x010D, 0x0201-0x020D, 0x0301-0x030D, 0x0401, 0x0402.
[[nodiscard]] constexpr std::array<std::uint16_t, kDeckSize> OrderedDeck() noexcept
{
    std::array<std::uint16_t, kDeckSize> deck{};
    std::size_t n = 0;
    for (std::uint16_t suit = 0; suit < 4; ++suit)
        for (std::uint16_t rank = 1; rank <= 13; ++rank) deck[n++] = static_cast<std::uint16_t>(suit << 8 | rank);
    deck[n++] = 0x0401;
    deck[n++] = 0x0402;
    return deck;
}

// state * 214013 + 2531011 (mod 2^32), result bits 16..30; one state per
// thread, starting at 1 and never seeded, so a new thread always draws the same
// sequence.
class ThreadRandom {
public:
    [[nodiscard]] static int Next() noexcept
    {
        s_state = s_state * 214013u + 2531011u;
        return static_cast<int>((s_state >> 16) & 0x7FFF);
    }

private:
    static inline thread_local std::uint32_t s_state = 1;
};

} // namespace kd
