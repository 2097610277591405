// IHelper: the Helper component's interface. The slot order, __stdcall and
// the one-byte Booleans are binding between Kordane, Scrivet and Helper.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <cstdint>
#include <vector>

static_assert(sizeof(bool) == 1, "component Booleans are one byte");

// Helper's class identifier {D51C143B-F977-49BF-90BF-8548A62DDA20}
inline constexpr CLSID CLSID_Helper = {0xd51c143b, 0xf977, 0x49bf, {0x90, 0xbf, 0x85, 0x48, 0xa6, 0x2d, 0xda, 0x20}};

// A one-byte Boolean argument as it crosses the interface. Callers in other
// languages pass any non-zero byte for true (often 0xFF), which a C++ bool
// must not hold; the object reads it only as `flag != 0`.
using HelperFlag = unsigned char;

// A deck of card codes, owned by the caller.
using HelperDeck = std::vector<std::uint16_t>;

struct IHelper : public IUnknown {
    virtual void __stdcall WriteLine(const char* text) = 0;                                           // slot 3
    virtual void __stdcall WaitForKey() = 0;                                                          // slot 4
    virtual bool __stdcall WriteLastError() = 0;                                                      // slot 5
    virtual bool __stdcall GetTimeStamp(char* buffer, std::int32_t size, HelperFlag withSeconds) = 0; // slot 6
    virtual bool __stdcall GetModuleDirectory(HMODULE module, char* buffer, std::int32_t size) = 0;   // slot 7
    virtual bool __stdcall GetWorkingDirectory(char* buffer, std::int32_t size) = 0;                  // slot 8
    virtual bool __stdcall GetWorkingLeafPath(char* buffer, std::int32_t size) = 0;                   // slot 9
    virtual bool __stdcall IsIPv4Address(const char* text, std::int32_t length) = 0;                  // slot 10
    virtual bool __stdcall IsDigits(const char* text, std::int32_t length) = 0;                       // slot 11
    virtual bool __stdcall IsLetters(const char* text, std::int32_t length) = 0;                      // slot 12
    virtual bool __stdcall ShuffleDeck(HelperDeck* deck) = 0;                                         // slot 13
    virtual std::int32_t __stdcall SetProcessThreadsSuspended(std::uint32_t processId,
                                                              std::int32_t suspend) = 0; // slot 14
};

// IID_IHelper {86305FA7-78BB-4BAF-94B8-3A90975E72A1}
__CRT_UUID_DECL(IHelper, 0x86305fa7, 0x78bb, 0x4baf, 0x94, 0xb8, 0x3a, 0x90, 0x97, 0x5e, 0x72, 0xa1)
inline constexpr IID IID_IHelper = {0x86305fa7, 0x78bb, 0x4baf, {0x94, 0xb8, 0x3a, 0x90, 0x97, 0x5e, 0x72, 0xa1}};
