// Every shipped binary carries the product's version resource, from the one
// version the build defines.
#include "kd_version.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct VersionInfo {
    VS_FIXEDFILEINFO fixed{};
    std::string product, description, fileVersion, originalName;
};

std::string Value(const std::vector<char>& block, const char* name)
{
    char* text = nullptr;
    UINT size = 0;
    const std::string path = std::string("\\StringFileInfo\\040904b0\\") + name;
    if (!::VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&text), &size) || !text) return {};
    return text;
}

bool Read(const char* file, VersionInfo& info)
{
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(file, &ignored);
    if (size == 0) return false;
    std::vector<char> block(size);
    if (!::GetFileVersionInfoA(file, 0, size, block.data())) return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    if (!::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &len) || !fixed) return false;
    info.fixed = *fixed;
    info.product = Value(block, "ProductName");
    info.description = Value(block, "FileDescription");
    info.fileVersion = Value(block, "FileVersion");
    info.originalName = Value(block, "OriginalFilename");
    return true;
}

TEST(VersionResource, EveryBinaryCarriesTheProductVersion)
{
    for (const char* file : {"Kordane.exe", "Scrivet.dll", "Helper.dll", "Vellaris.dll"}) {
        SCOPED_TRACE(file);
        VersionInfo info;
        ASSERT_TRUE(Read(file, info));
        EXPECT_EQ(info.product, "Kordane");
        EXPECT_EQ(info.fileVersion, KD_VERSION_STRING);
        EXPECT_EQ(info.originalName, file);
        EXPECT_FALSE(info.description.empty());
        EXPECT_EQ(info.fixed.dwFileVersionMS, static_cast<DWORD>(MAKELONG(KD_VERSION_MINOR, KD_VERSION_MAJOR)));
        EXPECT_EQ(info.fixed.dwFileVersionLS, static_cast<DWORD>(MAKELONG(0, KD_VERSION_PATCH)));
        EXPECT_EQ(info.fixed.dwFileType, std::string(file).ends_with(".exe") ? DWORD{VFT_APP} : DWORD{VFT_DLL});
    }
}

} // namespace
