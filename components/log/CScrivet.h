// The log object: a numbered, time-stamped, column-aligned log file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "CComponentObject.h"
#include "IHelper.h"
#include "IScrivet.h"
#include "unique_any.h"

namespace kd {

class CScrivet final : public CComponentObject<IScrivet> {
public:
    // Creates the object's own Helper; without one, stamps stay empty.
    CScrivet() noexcept;

    // Opens the log without write sharing. A path another log holds (a second
    // Kordane in the same folder) is left alone: the log goes to the first free
    // "<stem>-<n><extension>" beside it instead, n = 2, 3, ...
    bool __stdcall OpenLog(const char* path) override;
    bool __stdcall WriteLog(const char* text) override;
    bool __stdcall TestFlag(std::int32_t value) override;

private:
    ~CScrivet() override;

    [[nodiscard]] std::string TimeStamp();
    void Write(std::string_view bytes) noexcept;

    std::int32_t m_line = 0;
    unique_hfile m_log;
    com_ptr<IHelper> m_helper;
};

} // namespace kd
