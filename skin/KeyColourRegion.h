// The region of the pixels of one colour within some areas of a 32-bit
// top-down pixel buffer, built in one pass: run-length rectangles per row,
// equal neighbouring rows joined into one band, and the bands merged
// pairwise in a balanced tree (one big ExtCreateRegion, or one CombineRgn per
// rectangle, grows quadratically with the number of rectangles).
#pragma once

#include "unique_any.h"

#include <windows.h>
#include <cstdint>
#include <span>

// pixels: width x height values 0x00RRGGBB (DIB order: blue in the low byte),
// rows stridePixels apart, top row first. key: the colour to collect, as a
// COLORREF. areas: where to look, in pixel coordinates.
[[nodiscard]] kd::unique_hrgn RegionOfColour(const std::uint32_t* pixels, int width, int height, int stridePixels,
                                             COLORREF key, std::span<const RECT> areas);
