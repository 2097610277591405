// The recovery copy: what Save would write, beside the account file, for
// entries that cannot reach the file itself before the process ends.
#include "CAccountFile.h"
#include "StoreTestSupport.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <memory>
#include <string>

using namespace storetest;

namespace {

class RecoveryCopy : public InFolder {};

#ifdef _WIN32
struct HandleCloser {
    void operator()(HANDLE handle) const noexcept { ::CloseHandle(handle); }
};
using Holder = std::unique_ptr<void, HandleCloser>;
#endif

void Fill(CAccountFile& store, const char* admin)
{
    ASSERT_TRUE(store.Open(admin));
    store.SetAdministrator(admin, "pw");
    for (const char* account : {"mail", "bank\n", "shop"}) {
        AccountRecord r = MakeRecord(account, "secret", "note");
        ASSERT_TRUE(store.AddRecord(r));
    }
}

bool Leftovers()
{
    const auto entries = FolderEntries();
    return std::any_of(entries.begin(), entries.end(), [](const std::string& name) { return name.ends_with(".tmp"); });
}

} // namespace

TEST_F(RecoveryCopy, HoldsTheBytesSaveWritesAndLeavesTheAccountFileAlone)
{
    CAccountFile store;
    ASSERT_NO_FATAL_FAILURE(Fill(store, "olga"));
    EXPECT_FALSE(store.SaveRecoveryCopy()) << "nothing to recover before saving is enabled";
    EXPECT_FALSE(std::filesystem::exists("olga.qrd.recovery"));

    store.EnableSave();
    ASSERT_TRUE(store.SaveRecoveryCopy());
    EXPECT_TRUE(ReadFile("olga.qrd").empty()) << "the account file is not written";
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(ReadFile("olga.qrd.recovery"), ReadFile("olga.qrd"));

    // A second copy replaces the first.
    AccountRecord r = MakeRecord("more", "pw", "");
    ASSERT_TRUE(store.AddRecord(r));
    ASSERT_TRUE(store.SaveRecoveryCopy());
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(ReadFile("olga.qrd.recovery"), ReadFile("olga.qrd"));
    EXPECT_FALSE(Leftovers());
    store.DisableSave();
}

#ifdef _WIN32
TEST_F(RecoveryCopy, IsWrittenWhileTheAccountFileCannotBeReplaced)
{
    CAccountFile store;
    ASSERT_NO_FATAL_FAILURE(Fill(store, "petra"));
    store.EnableSave();
    // Held without delete sharing, as antivirus, backup and sync tools hold files.
    const HANDLE handle = ::CreateFileA("petra.qrd", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    Holder holder(handle);
    EXPECT_FALSE(store.Save());
    EXPECT_TRUE(store.SaveRecoveryCopy());
    holder.reset();

    const Bytes copy = ReadFile("petra.qrd.recovery");
    EXPECT_TRUE(ReadFile("petra.qrd").empty());
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(copy, ReadFile("petra.qrd"));
    EXPECT_FALSE(Leftovers());
    store.DisableSave();
}
#endif
