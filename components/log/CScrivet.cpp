#include "CScrivet.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace kd {

namespace {

// A piece right-aligned in a field, as a stream's setw pads it: the width
// counts the piece's own characters, before any line-end translation.
std::string Padded(std::string_view piece, std::size_t width)
{
    std::string out;
    if (piece.size() < width) out.assign(width - piece.size(), ' ');
    out.append(piece);
    return out;
}

// What a text-mode stream stores: every LF becomes CR LF, so a CR LF in a
// text arrives as CR CR LF.
std::string TextModeBytes(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    for (const char c : text) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

// "<stem>-<n><extension>" for the path "<stem><extension>".
std::string NumberedPath(const std::string& path, unsigned number)
{
    const size_t slash = path.find_last_of("\\/");
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == slash + 1) dot = path.size();
    return path.substr(0, dot) + "-" + std::to_string(number) + path.substr(dot);
}

// Readers may look in while the log is written; no other writer may. `inUse`
// tells whether another writer holds the file.
unique_hfile OpenExclusive(const std::string& path, bool& inUse) noexcept
{
    unique_hfile file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    inUse = !file && ::GetLastError() == ERROR_SHARING_VIOLATION;
    return file;
}

constexpr unsigned kMostLogs = 1000; // a bound, not a limit anyone meets

} // namespace

CScrivet::CScrivet() noexcept
{
    if (FAILED(::CoCreateInstance(CLSID_Helper, nullptr, CLSCTX_INPROC_SERVER, IID_IHelper, m_helper.put_void())))
        m_helper.reset();
}

CScrivet::~CScrivet()
{
    m_log.reset();
    m_helper.reset();
}

std::string CScrivet::TimeStamp()
{
    std::array<char, 64> stamp{};
    if (m_helper) (void)m_helper->GetTimeStamp(stamp.data(), static_cast<std::int32_t>(stamp.size()), true);
    stamp.back() = '\0';
    return stamp.data();
}

// The translation is ours (TextModeBytes), so that the bytes do not depend on
// a runtime's text mode. Every line reaches the file at once, unbuffered: a
// log must hold what happened before a crash. A line that fails to write does
// not silence the lines after it.
void CScrivet::Write(std::string_view bytes) noexcept
{
    if (!m_log) return;
    while (!bytes.empty()) {
        const auto piece = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(m_log.get(), bytes.data(), piece, &written, nullptr) || written == 0) return;
        bytes.remove_prefix(written);
    }
}

bool __stdcall CScrivet::OpenLog(const char* path)
{
    if (!path) return false;
    try {
        m_log.reset(); // the previous log is complete before a new one starts
        bool inUse = false;
        m_log = OpenExclusive(path, inUse);
        for (unsigned number = 2; inUse && number <= kMostLogs; ++number)
            m_log = OpenExclusive(NumberedPath(path, number), inUse);
        if (!m_log) return false;
        Write(TextModeBytes(Padded("Begin Time:" + TimeStamp(), 32) + "\n\n"));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool __stdcall CScrivet::WriteLog(const char* text)
{
    if (!text) return false;
    const std::string number = std::to_string(m_line);
    // Never reset: after 2^31 lines the count wraps instead of overflowing.
    m_line = static_cast<std::int32_t>(static_cast<std::uint32_t>(m_line) + 1u);
    try {
        const std::string stamp = TimeStamp();
        if (!m_log) return true;
        Write(TextModeBytes(Padded(number, 8) + Padded(stamp, 16) + Padded(text, 80) + "\n"));
    } catch (const std::exception&) {
    }
    return true;
}

bool __stdcall CScrivet::TestFlag(std::int32_t value)
{
    return value != 0;
}

} // namespace kd
