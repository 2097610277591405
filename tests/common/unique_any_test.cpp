#include "unique_any.h"
#include "TempFolder.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(UniqueAny, ReleasesGdiObjectsOnEveryPath)
{
    const std::size_t before = kdtest::GdiObjectCount();
    {
        kd::unique_hbrush brush(::CreateSolidBrush(RGB(1, 2, 3)));
        ASSERT_TRUE(brush);
        kd::unique_hrgn region(::CreateRectRgn(0, 0, 10, 10));
        kd::unique_hrgn moved(std::move(region));
        EXPECT_FALSE(region);
        EXPECT_TRUE(moved);
        EXPECT_EQ(before + 2, kdtest::GdiObjectCount());
        moved.reset(::CreateRectRgn(0, 0, 5, 5)); // the first region goes here
        EXPECT_EQ(before + 2, kdtest::GdiObjectCount());
    }
    EXPECT_EQ(before, kdtest::GdiObjectCount());
}

TEST(UniqueAny, ReleaseHandsOwnershipBack)
{
    kd::unique_handle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    HANDLE raw = event.release();
    EXPECT_FALSE(event);
    EXPECT_NE(0, ::CloseHandle(raw)); // still open: release did not close it
}

TEST(UniqueAny, InvalidHandleValueIsEmptyForFiles)
{
    kd::unique_hfile file(
        ::CreateFileA("Z:\\no\\such\\dir\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(file);
}

// A failed FindFirstFile returns INVALID_HANDLE_VALUE, not null. A search
// handle is no kernel handle: only FindClose lets go of the folder it lists,
// which can then be removed and made again under its name.
TEST(UniqueAny, FindHandlesAreEmptyOnFailureAndLetGoOfTheFolder)
{
    WIN32_FIND_DATAW found;
    const kd::unique_hfind none(::FindFirstFileW(L"Z:\\no\\such\\dir\\*", &found));
    EXPECT_FALSE(none);

    const kdtest::TempDirectory parent("find");
    const std::wstring folder = (parent.path() / "listed").wstring();
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    {
        const kd::unique_hfind find(::FindFirstFileW((folder + L"\\*").c_str(), &found));
        ASSERT_TRUE(find);
    }
    EXPECT_TRUE(::RemoveDirectoryW(folder.c_str())) << ::GetLastError();
    EXPECT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr)) << ::GetLastError();
}

TEST(UniqueAny, SelectScopeRestoresThePreviousObject)
{
    kd::unique_hdc dc(::CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    HGDIOBJ original = ::GetCurrentObject(dc.get(), OBJ_BRUSH);
    kd::unique_hbrush brush(::CreateSolidBrush(RGB(9, 9, 9)));
    {
        kd::select_scope sel(dc.get(), brush.get());
        EXPECT_EQ(brush.get(), ::GetCurrentObject(dc.get(), OBJ_BRUSH));
    }
    EXPECT_EQ(original, ::GetCurrentObject(dc.get(), OBJ_BRUSH));
}

} // namespace
