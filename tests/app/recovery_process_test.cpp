// The copies beside an account file met in the real program: a wrong password
// leaves them alone, the right one offers them in a question one can read,
// and a program killed in the middle of its edits loses none that completed.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "CAccountFile.h"
#include "ProgramDriver.h"
#include "resource.h"
#include "unique_any.h"

using namespace kdtest;
namespace fs = std::filesystem;

namespace {

using Accounts = std::vector<std::string>;

constexpr const char* kOfferCaption = "Copy Found";
constexpr int kTake = IDC_BUTTON_QUESTION_1;

// Writes "<admin>.qrd" holding these accounts, as a session's save does.
void SaveFile(const std::string& admin, const std::string& password, const Accounts& accounts)
{
    fs::remove(admin + ".qrd");
    CAccountFile store;
    ASSERT_TRUE(store.Bind(admin.c_str()));
    ASSERT_EQ(store.Create(admin, password), CAccountFile::CreateResult::Created);
    std::vector<AccountRecord> records;
    for (const std::string& account : accounts) {
        AccountRecord record{};
        kd::SetText(record.account, account);
        kd::SetText(record.password, "pw-" + account);
        records.push_back(record);
    }
    store.SetRecords(records);
    store.EnableSave();
    ASSERT_TRUE(store.Save());
    store.DisableSave();
}

Accounts AccountsIn(const std::string& admin)
{
    CAccountFile file;
    Accounts accounts;
    if (!file.Bind(admin.c_str()) || !file.LoadExisting()) return accounts;
    for (const AccountRecord& record : file.GetRecords()) accounts.emplace_back(kd::GetText(record.account));
    return accounts;
}

// Every file in the current folder and below with its bytes, but the
// program's log, which the program writes at each step.
std::map<std::string, std::vector<char>> Snapshot()
{
    std::map<std::string, std::vector<char>> files;
    for (auto it = fs::recursive_directory_iterator(fs::current_path()); it != fs::recursive_directory_iterator();
         ++it) {
        const fs::path relative = fs::relative(it->path(), fs::current_path());
        if (it->is_directory() && relative == "Scrivet") {
            it.disable_recursion_pending();
            continue;
        }
        files[relative.generic_string()] = it->is_regular_file() ? ReadFile(it->path()) : std::vector<char>{};
    }
    return files;
}

std::vector<std::string> NamesEndingWith(const std::vector<std::string>& ends)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::current_path())) {
        const std::string name = entry.path().filename().string();
        if (std::any_of(ends.begin(), ends.end(), [&](const std::string& end) { return name.ends_with(end); }))
            names.push_back(name);
    }
    return names;
}

// The width `text` takes in `font`, measured on the screen the program draws on.
int TextWidth(HFONT font, const std::string& text)
{
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font);
    SIZE size{};
    ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    return size.cx;
}

INT_PTR CALLBACK IgnoreAll(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// The font the question's lines are laid out in: the template's own, taken
// from the same dialog made here (a font handle means nothing in another
// process).
LOGFONTA QuestionLineFont()
{
    LOGFONTA font{};
    HWND dialog =
        ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_QUESTION), nullptr, IgnoreAll, 0);
    if (!dialog) return font;
    auto handle = reinterpret_cast<HFONT>(::SendDlgItemMessageA(dialog, IDC_STATIC_QUESTION_1, WM_GETFONT, 0, 0));
    if (!handle) handle = static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
    ::GetObjectA(handle, sizeof font, &font);
    ::DestroyWindow(dialog);
    return font;
}

// Each line of the question must show whole: no cut, no ellipsis, and within
// its control in the dialog's font and in the face the skin paints statics in.
void ExpectLinesReadable(HWND question, const std::vector<std::string>& lines)
{
    const LOGFONTA logFont = QuestionLineFont();
    ASSERT_NE(logFont.lfHeight, 0) << "the question's template font";
    const kd::unique_hfont dialogFont(::CreateFontIndirectA(&logFont));
    const kd::unique_hfont skinFont(::CreateFontA(15, 0, 0, 0, 500, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS,
                                                  "Arial"));
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        SCOPED_TRACE(lines[static_cast<std::size_t>(i)]);
        const std::string& text = lines[static_cast<std::size_t>(i)];
        EXPECT_FALSE(text.ends_with("...")) << "shortened";
        RECT client{};
        ASSERT_TRUE(::GetClientRect(::GetDlgItem(question, IDC_STATIC_QUESTION_1 + i), &client));
        EXPECT_LE(TextWidth(dialogFont.get(), text), client.right) << "dialog font";
        EXPECT_LE(TextWidth(skinFont.get(), text), client.right) << "skin face";
    }
}

std::vector<std::string> QuestionLines(HWND question)
{
    std::vector<std::string> lines;
    for (int id = IDC_STATIC_QUESTION_1; id <= IDC_STATIC_QUESTION_5; ++id) {
        HWND line = ::GetDlgItem(question, id);
        if (line && ::IsWindowVisible(line)) lines.push_back(ItemText(question, id));
    }
    return lines;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// Confirms the open login dialog with these credentials: the copy offered,
// or null with what showed instead in `instead`.
HWND SubmitLogin(const Program& program, HWND dialog, const std::string& account, const std::string& password,
                 std::string& instead)
{
    SetItemText(dialog, IDC_EDIT_ACCOUNT, account);
    SetItemText(dialog, IDC_EDIT_PASSWORD, password);
    PostClick(dialog, IDOK);
    if (HWND question = program.WaitWindow(kOfferCaption, 10000)) return question;
    instead = "no question; message: \"" + AnswerMessage(program, nullptr, 1000) + "\"";
    return nullptr;
}

} // namespace

TEST(RecoveryProcess, AWrongPasswordTouchesNoCopyAndTheRightOneOffersItReadably)
{
    TempFolder folder("kd-wrongpw");
    ASSERT_NO_FATAL_FAILURE(SaveFile("ann", "pw", {"mail", "bank"}));
    fs::rename("ann.qrd", "ann.qrd.7.tmp"); // a save killed before its rename
    ASSERT_NO_FATAL_FAILURE(SaveFile("ann", "pw", {"mail"}));

    Program program(folder.path());
    ASSERT_TRUE(program.started());
    HWND main = program.WaitWindow("Kordane");
    ASSERT_NE(main, nullptr);
    const auto before = Snapshot();
    ASSERT_EQ(before.count("ann.qrd.7.tmp"), 1u);

    EXPECT_EQ(Login(program, "ann", "wrong"), "Login Failed:Password error.");
    // The lock taken for the check goes with the answer.
    for (const DWORD start = ::GetTickCount(); fs::exists("ann.qrd.lock") && ::GetTickCount() - start < 2000;)
        ::Sleep(20);
    EXPECT_TRUE(Snapshot() == before) << "the folder changed before the password was right";

    // The right password in the same dialog, as a user would correct it.
    HWND dialog = program.WaitWindow("Login Dialog", 2000);
    ASSERT_NE(dialog, nullptr);
    std::string instead;
    HWND question = SubmitLogin(program, dialog, "ann", "pw", instead);
    ASSERT_NE(question, nullptr) << instead;
    const std::vector<std::string> lines = QuestionLines(question);
    EXPECT_NE(Joined(lines).find("1 entry more"), std::string::npos) << Joined(lines);
    EXPECT_NE(Joined(lines).find("ann.qrd.7.tmp"), std::string::npos) << Joined(lines);
    ExpectLinesReadable(question, lines);

    PostClick(question, kTake);
    EXPECT_EQ(AnswerMessage(program), "Login success.");
    EXPECT_EQ(AccountRows(main), 2);
    program.Press(IDOK, main);
    EXPECT_EQ(program.WaitExit(), 0);
    EXPECT_EQ(AccountsIn("ann"), (Accounts{"mail", "bank"}));
    EXPECT_TRUE(NamesEndingWith({".tmp", ".journal", ".base"}).empty()) << "the taken copy is saved and gone";
}

namespace {

std::string RowId(int i)
{
    return "row" + std::to_string(i);
}

struct KillRound {
    int completed = 0;     // inserts whose handler had returned at the kill
    bool inFlight = false; // one more Insert click was posted just before
    int recovered = 0;     // rows in the list after the copy was taken
};

// One round in the current folder: create, insert, kill at `killAfterMs`
// past the last completed insert, then log in again and take the journal.
void RunKillRound(const fs::path& folder, KillRound& round, DWORD killAfterMs)
{
    {
        Program program(folder);
        std::string failed;
        HWND main = MainWithNewAdmin(program, "kim", "pw", failed);
        ASSERT_NE(main, nullptr) << failed;
        for (int i = 0; i < round.completed; ++i) {
            InsertRow(main, RowId(i), "p" + std::to_string(i), "c" + std::to_string(i));
            Sync(main); // the click's handler has returned: the insert is complete
            ASSERT_EQ(AccountRows(main), i + 1);
        }
        if (round.inFlight) {
            SetItemText(main, IDC_EDIT_ID, RowId(round.completed));
            SetItemText(main, IDC_EDIT_PASSWORD, "p" + std::to_string(round.completed));
            SetItemText(main, IDC_EDIT_COMMENT, "c" + std::to_string(round.completed));
            PostClick(main, IDC_BUTTON_INSERT);
        }
        if (killAfterMs) ::Sleep(killAfterMs);
        program.Kill();
        ASSERT_EQ(program.WaitExit(0), 1) << "the program was still running at the kill";
    }

    Program again(folder);
    HWND main = again.WaitWindow("Kordane");
    ASSERT_NE(main, nullptr);
    again.Press(IDC_BUTTON_LOGIN, main);
    HWND dialog = again.WaitWindow("Login Dialog");
    ASSERT_NE(dialog, nullptr);
    std::string instead;
    HWND question = SubmitLogin(again, dialog, "kim", "pw", instead);
    ASSERT_NE(question, nullptr) << instead;
    const std::string text = Joined(QuestionLines(question));
    EXPECT_NE(text.find(".journal\""), std::string::npos) << text;
    PostClick(question, kTake);
    ASSERT_EQ(AnswerMessage(again), "Login success.");

    round.recovered = AccountRows(main);
    EXPECT_GE(round.recovered, round.completed) << "a completed insert was lost";
    EXPECT_LE(round.recovered, round.completed + (round.inFlight ? 1 : 0));
    again.Press(IDOK, main);
    ASSERT_EQ(again.WaitExit(), 0);
    Accounts expected;
    for (int i = 0; i < round.recovered; ++i) expected.push_back(RowId(i));
    EXPECT_EQ(AccountsIn("kim"), expected) << "saved at Exit, in the order inserted";
    EXPECT_TRUE(NamesEndingWith({".tmp", ".journal", ".base"}).empty());
}

} // namespace

// KD_KILL_COUNT rounds (`make stress` runs many), each in a fresh folder;
// KD_KILL_SEED repeats a run's instants.
TEST(RecoveryProcess, AKillAtAnyInstantOfTheEditsLosesNoCompletedInsert)
{
    const char* count = std::getenv("KD_KILL_COUNT");
    const int kills = count ? std::atoi(count) : 3;
    const char* seedText = std::getenv("KD_KILL_SEED");
    const unsigned seed =
        seedText ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10)) : std::random_device{}();
    std::mt19937 random(seed);
    std::printf("KD_KILL_SEED=%u\n", seed);

    int inFlightKept = 0, rounds = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kills; ++i) {
        KillRound round;
        round.completed = 1 + static_cast<int>(random() % 8);
        round.inFlight = random() % 2 == 0;
        const auto killAfterMs = static_cast<DWORD>(random() % 40);
        SCOPED_TRACE("kill " + std::to_string(i) + ": " + std::to_string(round.completed) + " inserts" +
                     (round.inFlight ? " and one in flight" : "") + ", killed after " + std::to_string(killAfterMs) +
                     " ms");
        TempFolder folder("kd-kill");
        RunKillRound(folder.path(), round, killAfterMs);
        ++rounds;
        inFlightKept += round.inFlight && round.recovered > round.completed;
        if (::testing::Test::HasFailure()) break; // the trace names the round; the seed repeats it
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    RecordProperty("kills", rounds);
    std::printf("%d process kills in %.1f s (%.2f s each); the insert in flight reached the disk %d times\n", rounds,
                seconds, rounds ? seconds / rounds : 0.0, inFlightKept);
}
