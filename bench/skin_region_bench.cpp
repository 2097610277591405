// Time to handle WM_SIZE of a 1920 x 1080 skinned dialog: window region cut
// in one pass (the library's way) against GetPixel + one CombineRgn per key
// pixel (the reference way), with the shipped skin and with a dense artwork.
// Run from the build's bin folder on a display:
//   scripts/with-display.sh <build>/wine-run <build>/bin/skin_region_bench.exe [rounds]
#include "TestArtwork.h"
#include "TestDialogSkin.h"
#include "TestWindows.h"
#include "Vellaris.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace skintest;

namespace {

INT_PTR CALLBACK BenchDlgProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

double MedianMs(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Median milliseconds of one WM_SIZE with the region cut one way.
double TimeWmSize(HWND wnd, TestDialogSkin& skin, bool perPixel, int rounds)
{
    RECT client{};
    ::GetClientRect(wnd, &client);
    skin.perPixel = perPixel;
    std::vector<double> samples;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        ::SendMessageA(wnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
        const auto end = std::chrono::steady_clock::now();
        samples.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        Pump(5);
    }
    skin.perPixel = false;
    return MedianMs(samples);
}

bool Measure(const char* label, const std::string& bitmap, int rounds)
{
    if (!SkinLoad(bitmap.c_str())) {
        std::fprintf(stderr, "cannot load %s\n", bitmap.c_str());
        return false;
    }
    DialogTemplate t(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME, 100, 60,
                     "Region benchmark");
    HWND wnd = ::CreateDialogIndirectParamA(::GetModuleHandleA(nullptr), t.get(), nullptr, &BenchDlgProc, 0);
    ::SetWindowPos(wnd, nullptr, 0, 0, 1920, 1080, SWP_NOZORDER | SWP_SHOWWINDOW);
    TestDialogSkin skin;
    if (!skin.Subclass(wnd)) return false;
    Pump(200);

    // Same region both ways before timing anything.
    kd::unique_hrgn fast(skin.RegionFast());
    kd::unique_hrgn slow(skin.RegionPerPixel());
    const bool equal = ::EqualRgn(fast.get(), slow.get()) != FALSE;
    RGNDATAHEADER header{};
    ::GetRegionData(fast.get(), sizeof header, reinterpret_cast<RGNDATA*>(&header));
    const DWORD size = ::GetRegionData(fast.get(), 0, nullptr);
    std::vector<unsigned char> data(size);
    ::GetRegionData(fast.get(), size, reinterpret_cast<RGNDATA*>(data.data()));
    const DWORD rects = reinterpret_cast<RGNDATA*>(data.data())->rdh.nCount;

    auto timeRegion = [&](bool perPixel, int n) {
        std::vector<double> samples;
        for (int i = 0; i < n; ++i) {
            const auto start = std::chrono::steady_clock::now();
            kd::unique_hrgn r(perPixel ? skin.RegionPerPixel() : skin.RegionFast());
            samples.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        return MedianMs(samples);
    };
    const double fastRegionMs = timeRegion(false, rounds);
    const double slowRegionMs = timeRegion(true, std::max(3, rounds / 4));
    const double fastMs = TimeWmSize(wnd, skin, false, rounds);
    const double slowMs = TimeWmSize(wnd, skin, true, std::max(3, rounds / 4));
    std::printf("%-22s region %lu rects, equal %s | WM_SIZE fast %8.2f ms  per-pixel %9.2f ms  ratio %6.1fx\n", label,
                static_cast<unsigned long>(rects), equal ? "yes" : "NO", fastMs, slowMs, slowMs / fastMs);
    std::printf("%-22s region alone:  fast %8.2f ms  per-pixel %9.2f ms  ratio %6.1fx\n", "", fastRegionMs,
                slowRegionMs, slowRegionMs / fastRegionMs);
    (void)skin.Unsubclass(); // the measuring is over
    ::DestroyWindow(wnd);
    (void)SkinUnload();
    return equal;
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 12;
    bool ok = Measure("shipped skin", "skin\\Solvane\\MainWindow.bmp", rounds);

    // Dense: every third pixel of every frame piece black.
    Artwork dense;
    const SkinGeometry g = SkinGeometry::Standard();
    for (std::size_t p = 0; p <= kPieceBottomRight; ++p)
        for (int y = g[p].top; y < g[p].bottom; ++y)
            for (int x = g[p].left; x < g[p].right; ++x)
                if ((x + y) % 3 == 0) dense.Set(x, y, RGB(0, 0, 0));
    const std::string densePath = TempPath("bench_dense");
    ok = dense.Save(densePath) && Measure("dense black artwork", densePath, rounds) && ok;
    ::DeleteFileA(densePath.c_str());
    return ok ? 0 : 1;
}
