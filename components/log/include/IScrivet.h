// IScrivet: the Scrivet log component's interface. The slot order, __stdcall
// and the one-byte Booleans are binding between Kordane and Scrivet.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <cstdint>

static_assert(sizeof(bool) == 1, "component Booleans are one byte");

// Scrivet's class identifier {AC552A93-1207-45F6-A5F6-3DA576F6805A}
inline constexpr CLSID CLSID_Scrivet = {0xac552a93, 0x1207, 0x45f6, {0xa5, 0xf6, 0x3d, 0xa5, 0x76, 0xf6, 0x80, 0x5a}};

struct IScrivet : public IUnknown {
    virtual bool __stdcall OpenLog(const char* path) = 0;    // slot 3
    virtual bool __stdcall WriteLog(const char* text) = 0;   // slot 4
    virtual bool __stdcall TestFlag(std::int32_t value) = 0; // slot 5
};

// IID_IScrivet {6E73E841-40A9-4324-92E5-AEDE6D8F70D3}
__CRT_UUID_DECL(IScrivet, 0x6e73e841, 0x40a9, 0x4324, 0x92, 0xe5, 0xae, 0xde, 0x6d, 0x8f, 0x70, 0xd3)
inline constexpr IID IID_IScrivet = {0x6e73e841, 0x40a9, 0x4324, {0x92, 0xe5, 0xae, 0xde, 0x6d, 0x8f, 0x70, 0xd3}};
