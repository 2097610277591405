// The edit journal: what it replays to, what a kill leaves of it, and that it
// holds nothing in clear that the account file does not.
#include "CAccountCopies.h"
#include "CAccountFile.h"
#include "CEditJournal.h"
#include "StoreTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace storetest;
namespace fs = std::filesystem;

namespace {

class EditJournal : public kdtest::InTempFolder {};

std::vector<std::string> Accounts(const std::vector<AccountRecord>& rows)
{
    std::vector<std::string> out;
    for (const auto& r : rows) out.push_back(std::string(kd::GetText(r.account)));
    return out;
}

// A file of `n` entries "e0", "e1", ... loaded into `store`.
void LoadFile(CAccountFile& store, const std::string& admin, int n)
{
    ASSERT_TRUE(store.Bind(admin.c_str()));
    ASSERT_EQ(store.Create(admin, "pw"), CAccountFile::CreateResult::Created);
    std::vector<AccountRecord> rows;
    for (int i = 0; i < n; ++i) rows.push_back(MakeRecord("e" + std::to_string(i), "secret-pw", "c"));
    store.EnableSave();
    store.SetRecords(rows);
    ASSERT_TRUE(store.Save());
    ASSERT_TRUE(store.LoadExisting());
}

// The edits of a session, applied to the list and to the journal alike.
struct Editor {
    std::vector<AccountRecord> rows;
    CEditJournal journal;
    std::mt19937 random;
    int made = 0;

    bool Edit()
    {
        const auto choice = rows.empty() ? 0 : random() % 3;
        const std::string n = std::to_string(made++);
        AccountRecord r = MakeRecord("n" + n, "pw\n" + n, "x");
        if (choice == 0) {
            rows.push_back(r);
            return journal.Insert(r);
        }
        const std::size_t row = random() % rows.size();
        if (choice == 1) {
            rows[row] = r;
            return journal.Update(row, r);
        }
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(row));
        return journal.Delete(row);
    }
};

} // namespace

// From a link to the file as loaded, or from a list written once: either way
// the journal replays to the list, rows nobody touched byte for byte.
TEST_F(EditJournal, ReplaysToTheListFromEitherStart)
{
    for (const bool fromFile : {true, false}) {
        SCOPED_TRACE(fromFile ? "linked to the file" : "list written once");
        CAccountFile store;
        const std::string admin = fromFile ? "jan" : "joe";
        ASSERT_NO_FATAL_FAILURE(LoadFile(store, admin, 20));
        Editor editor{store.GetRecords(), {}, std::mt19937(7), 0};
        // An untouched row with bytes after its terminator stays as it was.
        if (!fromFile) editor.rows[3].account[100] = 'z';
        const auto path = CAccountCopies(store).NewJournalPath();
        ASSERT_TRUE(editor.journal.Begin(path, store, editor.rows, fromFile));
        EXPECT_EQ(fs::exists(CEditJournal::BaseOf(path).Native()), fromFile);
        for (int i = 0; i < 40; ++i) ASSERT_TRUE(editor.Edit());

        std::vector<AccountRecord> replayed;
        AccountFileHeader header{};
        ASSERT_TRUE(CEditJournal::Replay(path, replayed, header));
        EXPECT_EQ(Accounts(replayed), Accounts(editor.rows));
        ASSERT_EQ(replayed.size(), editor.rows.size());
        for (std::size_t i = 0; i < replayed.size(); ++i)
            EXPECT_TRUE(CAccountFile::IsSameRecord(replayed[i], editor.rows[i])) << i;
        EXPECT_EQ(kd::GetText(header.adminAccount), admin);

        // Nothing of an entry is readable in the journal.
        const Bytes bytes = ReadFile(path.Name());
        EXPECT_EQ(Find(bytes, "secret-pw"), -1);
        EXPECT_EQ(Find(bytes, "n1"), -1);

        editor.journal.Remove();
        EXPECT_FALSE(fs::exists(path.Native()));
        EXPECT_FALSE(fs::exists(CEditJournal::BaseOf(path).Native()));
    }
}

// Whatever instant an entry is cut at, reading stops before it.
TEST_F(EditJournal, AnEntryCutShortIsNotRead)
{
    CAccountFile store;
    ASSERT_NO_FATAL_FAILURE(LoadFile(store, "kim", 3));
    Editor editor{store.GetRecords(), {}, std::mt19937(1), 0};
    const auto path = CAccountCopies(store).NewJournalPath();
    ASSERT_TRUE(editor.journal.Begin(path, store, editor.rows, true));
    ASSERT_TRUE(editor.Edit());
    const auto afterOne = editor.rows;
    const Bytes one = ReadFile(path.Name());
    ASSERT_TRUE(editor.Edit());
    editor.journal.Close();
    const Bytes two = ReadFile(path.Name());
    for (std::size_t cut = one.size(); cut < two.size(); cut += 37) {
        WriteFile(path.Name(), Bytes(two.begin(), two.begin() + static_cast<std::ptrdiff_t>(cut)));
        std::vector<AccountRecord> replayed;
        AccountFileHeader header{};
        ASSERT_TRUE(CEditJournal::Replay(path, replayed, header));
        EXPECT_EQ(Accounts(replayed), Accounts(afterOne)) << "cut at " << cut;
    }
    // A start cut short holds nothing: cleaned, never offered.
    WriteFile(path.Name(), Bytes(one.begin(), one.begin() + 50));
    EXPECT_TRUE(CAccountCopies(store).Find().empty());
    CAccountCopies(store).RemoveIncomplete();
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"kim.qrd"});
}

#ifndef _WIN32
// A crash loses no edit: a process editing through the journal is killed at
// random instants; what it leaves replays to the list after its last
// completed edit (or the one under way, once that reached the disk).
TEST_F(EditJournal, AKillAtAnyInstantLosesNoCompletedEdit)
{
    const char* env = std::getenv("KD_KILL_COUNT");
    const int kills = env ? std::atoi(env) : 200;
    std::mt19937 random(20261208);
    int tornOrLatest = 0;
    for (int round = 0; round < kills; ++round) {
        SCOPED_TRACE("kill " + std::to_string(round));
        const std::string admin = "k" + std::to_string(round);
        CAccountFile store;
        ASSERT_NO_FATAL_FAILURE(LoadFile(store, admin, 5));
        const auto path = CAccountCopies(store).NewJournalPath();
        const unsigned seed = random();
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(pipeFds[0]);
            Editor editor{store.GetRecords(), {}, std::mt19937(seed), 0};
            if (!editor.journal.Begin(path, store, editor.rows, true)) _exit(3);
            for (int done = 1;; ++done) {
                if (!editor.Edit()) _exit(4);
                // Told only once the edit is on the disk.
                if (write(pipeFds[1], &done, sizeof done) != sizeof done) _exit(5);
            }
        }
        close(pipeFds[1]);
        usleep(static_cast<useconds_t>(random() % 20000));
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        int completed = 0, value = 0;
        while (read(pipeFds[0], &value, sizeof value) == sizeof value) completed = value;
        close(pipeFds[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the editor ended by itself: " << WEXITSTATUS(status);

        // The same edits once more, to know each list along the way.
        Editor model{store.GetRecords(), {}, std::mt19937(seed), 0};
        for (int i = 0; i < completed; ++i) (void)model.Edit();
        const auto afterCompleted = Accounts(model.rows);
        (void)model.Edit();
        const auto afterNext = Accounts(model.rows);

        const auto copies = CAccountCopies(store).Find();
        if (completed == 0 && copies.empty()) continue; // killed before the journal began
        ASSERT_EQ(copies.size(), 1u);
        const auto replayed = Accounts(copies[0].records);
        if (replayed == afterNext && replayed != afterCompleted) ++tornOrLatest;
        EXPECT_TRUE(replayed == afterCompleted || replayed == afterNext) << "after " << completed << " edits";
        fs::remove(path.Native());
        fs::remove(CEditJournal::BaseOf(path).Native());
        fs::remove(admin + ".qrd");
    }
    RecordProperty("kills", kills);
    std::printf("%d kills; %d left the edit under way on the disk\n", kills, tornOrLatest);
}
#endif
