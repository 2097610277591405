// The recovery copy: what Save would write, beside the account file, for
// entries that cannot reach the file itself before the process ends.
#include "CAccountCopies.h"
#include "CAccountFile.h"
#include "StoreTestSupport.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>
#include <memory>
#include <string>

using namespace storetest;

namespace {

class RecoveryCopy : public kdtest::InTempFolder {};

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
    const auto copy = CAccountCopies(store).NewRecoveryPath();
    EXPECT_EQ(copy.Name(), "olga.qrd.1.recovery");
    ASSERT_TRUE(store.SaveCopy(copy));
    EXPECT_TRUE(ReadFile("olga.qrd").empty()) << "the account file is not written";
    store.EnableSave();
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(ReadFile("olga.qrd.1.recovery"), ReadFile("olga.qrd"));

    // The session's second copy replaces its first; a later session's gets a name of its own.
    AccountRecord r = MakeRecord("more", "pw", "");
    ASSERT_TRUE(store.AddRecord(r));
    ASSERT_TRUE(store.SaveCopy(copy));
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(ReadFile("olga.qrd.1.recovery"), ReadFile("olga.qrd"));
    EXPECT_EQ(CAccountCopies(store).NewRecoveryPath().Name(), "olga.qrd.2.recovery");
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
    EXPECT_NE(store.GetSaveError(), 0u) << "the system's reason is kept for the message";
    EXPECT_TRUE(store.SaveCopy(CAccountCopies(store).NewRecoveryPath()));
    holder.reset();

    const Bytes copy = ReadFile("petra.qrd.1.recovery");
    EXPECT_TRUE(ReadFile("petra.qrd").empty());
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(copy, ReadFile("petra.qrd"));
    EXPECT_FALSE(Leftovers());
    store.DisableSave();
}
#endif

// A save that runs out of disk space says so: the system's own error reaches
// the message, not a generic "access denied". The folder is a small tmpfs
// that the build mounts for this test (KD_FULL_DISK names it); where the
// machine allows no mount, the test says so and is skipped.
// Under Wine the C runtime's failed write leaves no error behind yet; the
// native build checks the store's handling.
#ifndef _WIN32
TEST(FullDisk, ASaveThatRunsOutOfSpaceNamesIt)
{
    const char* folder = std::getenv("KD_FULL_DISK");
    std::error_code ec;
    if (folder == nullptr || !std::filesystem::exists(std::string(folder) + "/mounted", ec))
        GTEST_SKIP() << "no small volume was mounted for this test";
    std::string path = folder;
#ifdef _WIN32
    // Wine shows the Unix root as drive Z:.
    std::replace(path.begin(), path.end(), '/', '\\');
    path = "Z:" + path;
#endif
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(path);
    CAccountFile store;
    ASSERT_TRUE(store.Bind("full"));
    std::filesystem::remove("full.qrd", ec);
    ASSERT_EQ(store.Create("full", "pw"), CAccountFile::CreateResult::Created);
    std::vector<AccountRecord> rows;
    for (int i = 0; i < 400; ++i) rows.push_back(MakeRecord("entry" + std::to_string(i), "pw", "note"));
    store.SetRecords(rows);
    store.EnableSave();
    const bool saved = store.Save();
    const unsigned long error = store.GetSaveError();
    store.DisableSave();
    const bool leftover = Leftovers();
    std::filesystem::remove("full.qrd", ec);
    std::filesystem::current_path(previous);
    EXPECT_FALSE(saved);
    EXPECT_TRUE(kd::fileio::IsDiskFull(error)) << "error " << error;
    EXPECT_FALSE(leftover) << "the cut-short temporary is removed";
}
#endif
