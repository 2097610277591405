// Finds the entries whose account, password or comment contains a text,
// ignoring letter case, in the ANSI code page the texts are stored in.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AccountRecord.h"

namespace kd {

// How a code page's bytes fold: the lower-case byte of each single-byte
// character, and which bytes lead a double-byte character (whose trail byte
// is compared as it is: 'A' after a lead byte is no letter).
struct TextFolding {
    std::array<unsigned char, 256> lower{};
    std::array<bool, 256> lead{};

    // ASCII letters only: what every code page agrees on.
    [[nodiscard]] static TextFolding Ascii() noexcept;
};

class CEntryFinder {
public:
    CEntryFinder(std::string_view text, const TextFolding& folding);

    // True when the text is empty: an empty search finds nothing.
    [[nodiscard]] bool Empty() const noexcept { return m_needle.empty(); }
    [[nodiscard]] bool Matches(const AccountRecord& record) const noexcept;
    [[nodiscard]] bool Contains(std::string_view haystack) const noexcept;

    // The first matching row at or after `from`, going on from the top after
    // the last row (`from` past the end starts there); `wrapped` tells whether
    // the row found lies before `from`. nullopt: no row matches.
    [[nodiscard]] std::optional<std::size_t> FindFrom(const std::vector<AccountRecord>& rows, std::size_t from,
                                                      bool* wrapped = nullptr) const noexcept;

    // The account names only, as a list's type-ahead compares them: the first
    // row at or after `from` whose account begins with the text (is the text,
    // when `whole`), going on from the top when `wrap`. nullopt: none.
    [[nodiscard]] std::optional<std::size_t> FindAccountFrom(const std::vector<AccountRecord>& rows, std::size_t from,
                                                             bool whole, bool wrap) const noexcept;

private:
    [[nodiscard]] bool BeginsAccount(const AccountRecord& record, bool whole) const noexcept;
    [[nodiscard]] bool MatchesAt(const unsigned char* at) const noexcept;

    std::string m_needle;               // folded
    std::vector<unsigned char> m_trail; // m_trail[i]: needle byte i trails a lead byte
    bool m_doubleByte = false;          // the code page has lead bytes
    TextFolding m_folding;
};

} // namespace kd
