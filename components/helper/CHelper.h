// The Helper object: small stateless services behind IHelper.
#pragma once

#include "CComponentObject.h"
#include "IHelper.h"

namespace kd {

class CHelper final : public CComponentObject<IHelper> {
public:
    CHelper() noexcept = default;

    void __stdcall WriteLine(const char* text) override;
    void __stdcall WaitForKey() override;
    bool __stdcall WriteLastError() override;
    bool __stdcall GetTimeStamp(char* buffer, std::int32_t size, HelperFlag withSeconds) override;
    bool __stdcall GetModuleDirectory(HMODULE module, char* buffer, std::int32_t size) override;
    bool __stdcall GetWorkingDirectory(char* buffer, std::int32_t size) override;
    bool __stdcall GetWorkingLeafPath(char* buffer, std::int32_t size) override;
    bool __stdcall IsIPv4Address(const char* text, std::int32_t length) override;
    bool __stdcall IsDigits(const char* text, std::int32_t length) override;
    bool __stdcall IsLetters(const char* text, std::int32_t length) override;
    bool __stdcall ShuffleDeck(HelperDeck* deck) override;
    std::int32_t __stdcall SetProcessThreadsSuspended(std::uint32_t processId, std::int32_t suspend) override;

private:
    ~CHelper() override = default;
};

} // namespace kd
