// Positions of the store's records by a hash of their texts (open addressing,
// linear probing), so that the duplicate test of AddRecord is not a walk
// through the whole array. Equal hashes are confirmed by the caller's test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class RecordIndex {
public:
    void Clear() noexcept
    {
        std::vector<std::uint32_t>().swap(m_slots);
        std::vector<std::uint64_t>().swap(m_hashes);
    }

    void Reserve(std::size_t count)
    {
        m_hashes.reserve(count);
        if (2 * count > m_slots.size()) Rehash(SlotsFor(count));
    }

    // True when some position with this hash satisfies `same(position)`.
    template <class Same>
    [[nodiscard]] bool Contains(std::uint64_t hash, Same&& same) const
    {
        if (m_slots.empty()) return false;
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const std::uint32_t slot = m_slots[i];
            if (slot == 0) return false;
            if (m_hashes[slot - 1] == hash && same(slot - 1)) return true;
        }
    }

    // Adds the next position (positions are 0, 1, 2, ... in order).
    void Append(std::uint64_t hash)
    {
        if (2 * (m_hashes.size() + 1) > m_slots.size()) Rehash(SlotsFor(m_hashes.size() + 1));
        m_hashes.push_back(hash);
        Place(hash, static_cast<std::uint32_t>(m_hashes.size()));
    }

private:
    static std::size_t SlotsFor(std::size_t count)
    {
        std::size_t n = 16;
        while (n < 2 * count) n *= 2;
        return n;
    }

    void Place(std::uint64_t hash, std::uint32_t slot) noexcept
    {
        const std::size_t mask = m_slots.size() - 1;
        std::size_t i = hash & mask;
        while (m_slots[i] != 0) i = (i + 1) & mask;
        m_slots[i] = slot;
    }

    void Rehash(std::size_t size)
    {
        std::vector<std::uint32_t> slots(size, 0);
        m_slots.swap(slots);
        for (std::size_t p = 0; p < m_hashes.size(); ++p) Place(m_hashes[p], static_cast<std::uint32_t>(p + 1));
    }

    std::vector<std::uint32_t> m_slots;  // position + 1, or 0 for empty
    std::vector<std::uint64_t> m_hashes; // hash of each position
};
