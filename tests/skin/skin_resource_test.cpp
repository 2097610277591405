// Opening and closing skinned dialogs (every control kind, a menu) many times
// leaves no GDI object and no memory behind.
#include "ControlSkinHarness.h"
#include "SoakCount.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace skintest;

namespace {

// One dialog's life, with every skin drawing path exercised once.
void OpenUseAndClose(bool loadSkin)
{
    SkinnedDialog dlg(kMaskAllControls, loadSkin);
    ASSERT_NE(dlg.Wnd(), nullptr);
    ::SetFocus(dlg.Item(IDC_PUSH));
    ::SendMessageA(dlg.Item(IDC_RADIO1), BM_SETCHECK, BST_CHECKED, 0);
    ::SendMessageA(dlg.Item(IDC_EDIT), WM_MOUSEMOVE, 0, 0);
    ::RedrawWindow(dlg.Wnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    // Hot tracking on the menu bar paints it by itself.
    const RECT strip = dlg.MenuStrip();
    MouseTo(dlg.ToScreen(POINT{strip.left + 25, (strip.top + strip.bottom) / 2}));
    Pump(60);
    MouseTo(POINT{5, 1000});
    Pump(20);
}

class SkinResources : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_file = TempPath("resources");
        ASSERT_TRUE(Artwork().Save(m_file));
    }
    void TearDown() override
    {
        (void)SkinUnload(); // nothing to check after a test
        ::DeleteFileA(m_file.c_str());
    }
    std::string m_file;
};

TEST_F(SkinResources, GdiObjectCountIsStableOverManyDialogs)
{
    ASSERT_TRUE(SkinLoad(m_file.c_str()));
    SkinSetMask(kMaskAllControls);
    for (int i = 0; i < 3; ++i) OpenUseAndClose(false); // caches of the system settle
    const std::size_t before = GdiObjectCount();
    {
        kd::unique_hbrush probe(::CreateSolidBrush(RGB(1, 2, 3)));
        ASSERT_EQ(GdiObjectCount(), before + 1) << "the count sees one more object";
    }
    const std::uint64_t heapBefore = HeapBytesInUse();
    const int kCycles = kdtest::SoakCount(10);
    for (int i = 0; i < kCycles; ++i) OpenUseAndClose(false);
    const std::size_t after = GdiObjectCount();
    const std::uint64_t heapAfter = HeapBytesInUse();
    std::printf("GDI objects %zu -> %zu over %d dialogs; heap %llu -> %llu bytes while loaded\n", before, after,
                kCycles, static_cast<unsigned long long>(heapBefore), static_cast<unsigned long long>(heapAfter));
    EXPECT_LE(after, before) << "skin objects of closed dialogs keep no brush, font, region or DC";
    EXPECT_TRUE(SkinUnload());
    EXPECT_LE(GdiObjectCount(), before);
}

TEST_F(SkinResources, MemoryIsStableOverLoadOpenCloseUnloadCycles)
{
    auto cycle = [this] {
        ASSERT_TRUE(SkinLoad(m_file.c_str()));
        SkinSetMask(kMaskAllControls);
        OpenUseAndClose(false);
        ASSERT_TRUE(SkinUnload());
    };
    for (int i = 0; i < 3; ++i) cycle();
    const std::uint64_t before = HeapBytesInUse();
    const std::size_t gdiBefore = GdiObjectCount();
    const int kCycles = kdtest::SoakCount(12);
    for (int i = 0; i < kCycles; ++i) cycle();
    const std::uint64_t after = HeapBytesInUse();
    std::printf("heap %llu -> %llu bytes over %d cycles\n", static_cast<unsigned long long>(before),
                static_cast<unsigned long long>(after), kCycles);
    // A cycle converts seven menu items and makes some twenty skin objects;
    // keeping any of them would grow the heap by kilobytes a cycle.
    EXPECT_LT(after, before + 8192);
    EXPECT_LE(GdiObjectCount(), gdiBefore);
}

} // namespace
