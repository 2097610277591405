// Vellaris entry points. Exported by ordinal only (no names), cdecl, called
// from the user-interface thread. Booleans are one byte.
#pragma once

#include <cstdint>

extern "C" {
[[nodiscard]] bool SkinSetOption(std::int32_t option); // ordinal 1
void SkinSetMask(std::uint32_t mask);                  // ordinal 2
[[nodiscard]] bool SkinLoad(const char* bitmapPath);   // ordinal 3
[[nodiscard]] bool SkinUnload();                       // ordinal 4
}

// Mask bits tested at window creation. Either dialog bit enables dialogs;
// 0x08, 0x10 and 0x80 enable nothing.
inline constexpr std::uint32_t kSkinDialogBit = 0x02;
inline constexpr std::uint32_t kSkinDialogAltBit = 0x01;
inline constexpr std::uint32_t kSkinDialogBits = kSkinDialogAltBit | kSkinDialogBit;
inline constexpr std::uint32_t kSkinEditBit = 0x04;
inline constexpr std::uint32_t kSkinButtonBit = 0x20;
inline constexpr std::uint32_t kSkinStaticBit = 0x40;
