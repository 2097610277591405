#include "EntryFinder.h"

namespace kd {

TextFolding TextFolding::Ascii() noexcept
{
    TextFolding folding;
    for (std::size_t b = 0; b < folding.lower.size(); ++b)
        folding.lower[b] = static_cast<unsigned char>(b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b);
    return folding;
}

CEntryFinder::CEntryFinder(std::string_view text, const TextFolding& folding) : m_folding(folding)
{
    text = FitText(text);
    m_needle.reserve(text.size());
    m_trail.reserve(text.size());
    for (const bool lead : folding.lead) m_doubleByte = m_doubleByte || lead;
    bool trail = false;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        m_needle.push_back(static_cast<char>(trail ? b : folding.lower[b]));
        m_trail.push_back(trail);
        trail = !trail && folding.lead[b];
    }
}

bool CEntryFinder::MatchesAt(const unsigned char* at) const noexcept
{
    for (std::size_t i = 0; i < m_needle.size(); ++i) {
        const unsigned char b = at[i];
        const unsigned char folded = m_trail[i] ? b : m_folding.lower[b];
        if (folded != static_cast<unsigned char>(m_needle[i])) return false;
    }
    return true;
}

bool CEntryFinder::Contains(std::string_view haystack) const noexcept
{
    if (m_needle.empty() || haystack.size() < m_needle.size()) return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(haystack.data());
    const std::size_t last = haystack.size() - m_needle.size();
    const auto first = static_cast<unsigned char>(m_needle[0]);
    if (!m_doubleByte) {
        for (std::size_t at = 0; at <= last; ++at)
            if (m_folding.lower[bytes[at]] == first && MatchesAt(bytes + at)) return true;
        return false;
    }
    // Candidates start on character boundaries only: a trail byte never
    // begins a match.
    for (std::size_t at = 0; at <= last;) {
        if (MatchesAt(bytes + at)) return true;
        at += m_folding.lead[bytes[at]] ? 2 : 1;
    }
    return false;
}

bool CEntryFinder::Matches(const AccountRecord& record) const noexcept
{
    return Contains(GetText(record.account)) || Contains(GetText(record.password)) || Contains(GetText(record.comment));
}

namespace {

// The first row at or after `from` that `matches`, then, when `wrap`, the
// first before it (`wrapped` says so); `from` past the end starts there.
template <typename Matches>
std::optional<std::size_t> FirstRowFrom(const std::vector<AccountRecord>& rows, std::size_t from, bool wrap,
                                        bool* wrapped, Matches matches) noexcept
{
    const std::size_t start = from < rows.size() ? from : rows.size();
    for (std::size_t row = start; row < rows.size(); ++row)
        if (matches(rows[row])) return row;
    if (!wrap) return std::nullopt;
    for (std::size_t row = 0; row < start; ++row) {
        if (matches(rows[row])) {
            if (wrapped) *wrapped = true;
            return row;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::size_t> CEntryFinder::FindFrom(const std::vector<AccountRecord>& rows, std::size_t from,
                                                  bool* wrapped) const noexcept
{
    if (wrapped) *wrapped = false;
    if (m_needle.empty()) return std::nullopt;
    return FirstRowFrom(rows, from, true, wrapped, [this](const AccountRecord& row) { return Matches(row); });
}

bool CEntryFinder::BeginsAccount(const AccountRecord& record, bool whole) const noexcept
{
    const std::string_view account = GetText(record.account);
    if (account.size() < m_needle.size() || (whole && account.size() != m_needle.size())) return false;
    return MatchesAt(reinterpret_cast<const unsigned char*>(account.data()));
}

std::optional<std::size_t> CEntryFinder::FindAccountFrom(const std::vector<AccountRecord>& rows, std::size_t from,
                                                         bool whole, bool wrap) const noexcept
{
    if (m_needle.empty()) return std::nullopt;
    return FirstRowFrom(rows, from, wrap, nullptr,
                        [this, whole](const AccountRecord& row) { return BeginsAccount(row, whole); });
}

} // namespace kd
