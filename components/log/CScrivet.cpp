#include "CScrivet.h"

#include <array>
#include <iomanip>

namespace kd {

CScrivet::CScrivet() noexcept
{
    if (FAILED(::CoCreateInstance(CLSID_Helper, nullptr, CLSCTX_INPROC_SERVER, IID_IHelper, m_helper.put_void())))
        m_helper.reset();
}

CScrivet::~CScrivet()
{
    if (m_log.is_open()) m_log.close();
    m_helper.reset();
}

std::string CScrivet::TimeStamp()
{
    std::array<char, 64> stamp{};
    if (m_helper) (void)m_helper->GetTimeStamp(stamp.data(), static_cast<std::int32_t>(stamp.size()), true);
    stamp.back() = '\0';
    return stamp.data();
}

// The file is binary: the line end is written as CR LF here, not left to a
// text-mode translation.
void CScrivet::EndLine()
{
    m_log << "\r\n" << std::flush;
}

bool __stdcall CScrivet::OpenLog(const char* path)
{
    if (!path) return false;
    try {
        if (m_log.is_open()) m_log.close();
        m_log.clear();
        m_log.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
        if (!m_log.is_open()) return false;
        m_log << std::setw(32) << ("Begin Time:" + TimeStamp());
        EndLine();
        EndLine();
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
        if (!m_log.is_open()) return true;
        // A line that failed to write must not silence the lines after it.
        m_log.clear();
        m_log << std::setw(8) << number << std::setw(16) << stamp << std::setw(80) << text;
        EndLine();
    } catch (const std::exception&) {
    }
    return true;
}

bool __stdcall CScrivet::TestFlag(std::int32_t value)
{
    return value != 0;
}

} // namespace kd
