// Test skin bitmaps: every piece a distinct solid colour, optional black
// pixels, written as 24-bit BMP files that LoadImageA reads from disk.
#pragma once

#include "SkinGeometry.h"
#include "TempFolder.h"

#include <windows.h>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace skintest {

// Distinct, non-black colour of piece i (COLORREF).
inline COLORREF PieceColour(std::size_t i)
{
    const int r = 40 + static_cast<int>(i) * 9;
    const int g = 200 - static_cast<int>(i) * 7;
    const int b = 60 + static_cast<int>((i * 37) % 180);
    return RGB(r, g, b);
}

class Artwork {
public:
    Artwork(int width = kSkinMinWidth, int height = kSkinMinHeight)
        : m_width(width), m_height(height), m_pixels(static_cast<std::size_t>(width * height), RGB(128, 128, 128))
    {
        const auto g = SkinGeometry::Standard();
        // The whole pieces first, then the button images that lie inside them.
        for (std::size_t i = 0; i < kSkinPieceCount; ++i) Fill(g[i], PieceColour(i));
    }

    void Fill(const RECT& r, COLORREF c)
    {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) Set(x, y, c);
    }
    void Set(int x, int y, COLORREF c)
    {
        if (x >= 0 && y >= 0 && x < m_width && y < m_height) m_pixels[static_cast<std::size_t>(y * m_width + x)] = c;
    }
    [[nodiscard]] COLORREF At(int x, int y) const { return m_pixels[static_cast<std::size_t>(y * m_width + x)]; }

    // Writes a bottom-up 24-bit BMP file; returns false when it cannot.
    bool Save(const std::string& path) const
    {
        const int stride = (m_width * 3 + 3) & ~3;
        const std::uint32_t imageSize = static_cast<std::uint32_t>(stride * m_height);
        BITMAPFILEHEADER fh{};
        BITMAPINFOHEADER ih{};
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof ih;
        fh.bfSize = fh.bfOffBits + imageSize;
        ih.biSize = sizeof ih;
        ih.biWidth = m_width;
        ih.biHeight = m_height;
        ih.biPlanes = 1;
        ih.biBitCount = 24;
        ih.biCompression = BI_RGB;
        ih.biSizeImage = imageSize;
        std::vector<unsigned char> data(imageSize, 0);
        for (int y = 0; y < m_height; ++y) {
            unsigned char* row = data.data() + static_cast<std::size_t>((m_height - 1 - y) * stride);
            for (int x = 0; x < m_width; ++x) {
                const COLORREF c = At(x, y);
                row[x * 3 + 0] = GetBValue(c);
                row[x * 3 + 1] = GetGValue(c);
                row[x * 3 + 2] = GetRValue(c);
            }
        }
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return false;
        bool ok = std::fwrite(&fh, sizeof fh, 1, f) == 1 && std::fwrite(&ih, sizeof ih, 1, f) == 1 &&
                  std::fwrite(data.data(), 1, data.size(), f) == data.size();
        ok = (std::fclose(f) == 0) && ok;
        return ok;
    }

private:
    int m_width;
    int m_height;
    std::vector<COLORREF> m_pixels;
};

// A skin bitmap's file name of its own (the test deletes the file).
inline std::string TempPath(const std::string& name)
{
    return kdtest::TempFilePath("vellaris-" + name + ".bmp");
}

} // namespace skintest
