// The four exported entry points, reached through the import library
// (by ordinal) as the host reaches them.
#include "Vellaris.h"
#include "TestArtwork.h"

#include <gtest/gtest.h>

namespace {

class EntryPoints : public ::testing::Test {
protected:
    void TearDown() override
    {
        (void)SkinUnload(); // nothing to check after a test
        for (auto& p : m_files) ::DeleteFileA(p.c_str());
    }
    std::string Write(const std::string& name, int w = kSkinMinWidth, int h = kSkinMinHeight)
    {
        std::string path = skintest::TempPath(name);
        EXPECT_TRUE(skintest::Artwork(w, h).Save(path));
        m_files.push_back(path);
        return path;
    }
    std::vector<std::string> m_files;
};

TEST_F(EntryPoints, LoadAnswersWhetherTheBitmapCouldBeRead)
{
    EXPECT_FALSE(SkinLoad("Z:\\no\\such\\folder\\MainWindow.bmp"));
    EXPECT_FALSE(SkinLoad(""));
    EXPECT_FALSE(SkinLoad(nullptr));

    const std::string notBitmap = skintest::TempPath("text");
    m_files.push_back(notBitmap);
    std::FILE* f = std::fopen(notBitmap.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("not a bitmap", f);
    std::fclose(f);
    EXPECT_FALSE(SkinLoad(notBitmap.c_str()));

    EXPECT_TRUE(SkinLoad(Write("good").c_str()));
    // A larger bitmap is read at its natural size and serves as well.
    EXPECT_TRUE(SkinLoad(Write("large", 300, 200).c_str()));
}

TEST_F(EntryPoints, UnloadAlwaysAnswersOneEvenWithoutLoad)
{
    EXPECT_TRUE(SkinUnload());
    EXPECT_TRUE(SkinUnload());
    ASSERT_TRUE(SkinLoad(Write("unload").c_str()));
    EXPECT_TRUE(SkinUnload());
    EXPECT_TRUE(SkinUnload());
}

TEST_F(EntryPoints, OptionIsRefusedOnlyForZero)
{
    EXPECT_FALSE(SkinSetOption(0));
    EXPECT_TRUE(SkinSetOption(7));
    EXPECT_TRUE(SkinSetOption(-1));
    SkinSetMask(kSkinDialogBit | kSkinStaticBit); // no result; must not disturb anything
    SkinSetMask(0);
}

} // namespace
