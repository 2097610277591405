// Where each piece of the frame lies in the skin bitmap. The table is fixed:
// it does not depend on the file, so every skin bitmap must carry its pieces
// at these places (at least 145 x 172 pixels).
#pragma once

#include <windows.h>
#include <array>
#include <cstddef>

enum SkinPiece : std::size_t {
    kPieceLeftBorder = 0,
    kPieceCaptionLeft = 1,
    kPieceCaptionMiddle = 2,
    kPieceCaptionRightNoMin = 3,
    kPieceCaptionRightMin = 4,
    kPieceRightBorder = 5,
    kPieceBottomLeft = 6,
    kPieceBottomMiddle = 7,
    kPieceBottomRight = 8,
    kPieceIconNormal = 9, // 9 + 3 * button + image (0 normal, 1 hover, 2 pressed)
    kPieceMinimizeNormal = 12,
    kPieceMaximizeNormal = 15,
    kPieceCloseNormal = 18,
    kSkinPieceCount = 21,
};

struct SkinGeometry {
    std::array<RECT, kSkinPieceCount> pieces{};

    [[nodiscard]] const RECT& operator[](std::size_t i) const noexcept { return pieces[i]; }
    [[nodiscard]] int Width(std::size_t i) const noexcept { return pieces[i].right - pieces[i].left; }
    [[nodiscard]] int Height(std::size_t i) const noexcept { return pieces[i].bottom - pieces[i].top; }

    // The one table every skin bitmap follows.
    [[nodiscard]] static constexpr SkinGeometry Standard() noexcept
    {
        return SkinGeometry{{{
            {0, 110, 15, 151},                                             // left border
            {0, 72, 126, 106},                                             // caption, left end
            {129, 72, 144, 106},                                           // caption, middle (stretched)
            {0, 36, 145, 70},                                              // caption, right end without minimize box
            {0, 0, 145, 34},                                               // caption, right end with minimize box
            {18, 110, 26, 151},                                            // right border
            {0, 163, 16, 172},                                             // bottom, left corner
            {0, 152, 27, 161},                                             // bottom, middle (stretched)
            {19, 163, 29, 172},                                            // bottom, right corner
            {7, 77, 25, 96},                                               // icon button: normal, hover, pressed
            {118, 110, 136, 128}, {118, 128, 136, 146}, {59, 4, 85, 30},   // minimize button
            {36, 110, 62, 136},   {36, 136, 62, 162},   {87, 4, 113, 30},  // maximize button
            {62, 110, 88, 136},   {62, 136, 88, 162},   {115, 4, 141, 30}, // close button
            {88, 110, 114, 136},  {88, 136, 114, 162},
        }}};
    }
};

inline constexpr int kSkinMinWidth = 145;
inline constexpr int kSkinMinHeight = 172;
