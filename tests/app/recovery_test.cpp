// The copies beside an account file as the user meets them: nothing touched
// before the password is right, each copy whose entries differ offered in
// Kordane's own question, damaged files and other programs' versions told,
// the journal and the kept versions.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CAccountCopies.h"
#include "CAccountFile.h"
#include "CEditJournal.h"
#include "AppTest.h"
#include "resource.h"

using namespace kdtest;
namespace fs = std::filesystem;

namespace {

using Recovery = AppTest;
using Messages = std::vector<std::string>;

constexpr const char* kOfferCaption = "Copy Found";
constexpr int kTake = IDC_BUTTON_QUESTION_1;
constexpr int kKeep = IDC_BUTTON_QUESTION_2;
constexpr int kDiscard = IDC_BUTTON_QUESTION_3;

// Every name in the folder that belongs to an account file, sorted.
std::vector<std::string> Entries()
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::current_path()))
        if (entry.path().filename().string().find(".qrd") != std::string::npos)
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool AnyEndsWith(const std::vector<std::string>& names, const std::string& end)
{
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return n.ends_with(end); });
}

void WriteBytes(const fs::path& path, const std::vector<char>& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The lines a question showed, then a press of `button`.
DialogResponder::Action Answer(int button, std::vector<std::string>& shown)
{
    return [button, &shown](HWND box) {
        std::string text;
        for (int id = IDC_STATIC_QUESTION_1; id <= IDC_STATIC_QUESTION_5; ++id)
            if (::IsWindowVisible(::GetDlgItem(box, id))) text += ItemText(box, id) + "\n";
        shown.push_back(text);
        PostClick(box, button);
    };
}

// The rows a journal beside `admin`'s file replays to; empty when there is none.
std::vector<Row> JournalRows(const std::string& admin)
{
    for (const auto& entry : fs::directory_iterator(fs::current_path())) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(admin + ".qrd.") || !name.ends_with(".journal")) continue;
        kd::fileio::FilePath path;
        std::vector<AccountRecord> records;
        AccountFileHeader header{};
        if (!kd::fileio::FilePath::Resolve(name, path) || !CEditJournal::Replay(path, records, header)) return {};
        std::vector<Row> rows;
        for (const auto& r : records)
            rows.push_back(Row{std::string(kd::GetText(r.account)), std::string(kd::GetText(r.password)),
                               std::string(kd::GetText(r.comment))});
        return rows;
    }
    return {};
}

} // namespace

// A refused login changes nothing and asks nothing, whatever lies beside the
// file; the right password cleans only what holds no whole list, and a copy
// holding the file's own entries goes without a question.
TEST_F(Recovery, NothingIsTouchedBeforeThePasswordIsRight)
{
    WriteAccountFile("abe", "pw", {{"a", "1", ""}});
    const std::vector<char> whole = ReadFile("abe.qrd");
    WriteBytes("abe.qrd.123.tmp", whole);
    WriteBytes("abe.qrd.456.tmp", std::vector<char>(whole.begin(), whole.begin() + 700));
    WriteBytes("abel.qrd.7.tmp", whole);
    WriteBytes("abe.qrd.x.tmp", whole);
    const auto before = Entries();
    ASSERT_NO_FATAL_FAILURE(Start());
    LoginExpectingFailure("abe", "wrong");
    EXPECT_EQ(Entries(), before) << "a refused login leaves every file";
    Login("abe", "pw");
    EXPECT_EQ(m_responder.Messages(), (Messages{"Login Failed:Password error.", "Login success."}));
    EXPECT_TRUE(m_responder.Unexpected().empty()) << "no question for a copy of the file's own entries";
    EXPECT_EQ(ListRows(), (std::vector<Row>{{"a", "1", ""}}));
    const auto after = Entries();
    EXPECT_FALSE(AnyEndsWith(after, ".123.tmp"));
    EXPECT_FALSE(AnyEndsWith(after, ".456.tmp"));
    EXPECT_TRUE(AnyEndsWith(after, "abe.qrd.x.tmp"));
    EXPECT_TRUE(AnyEndsWith(after, "abel.qrd.7.tmp"));
}

// The file is gone and a killed save's whole copy is there: the right
// password is checked against the copy, the copy is offered, and taking it
// fills the editor; the save at Exit puts it in the file's place.
TEST_F(Recovery, AMissingFileIsLoggedInToThroughItsCopyAndTakingItFillsTheEditor)
{
    WriteAccountFile("bea", "pw", {{"a", "1", ""}, {"b", "2", "c"}});
    const std::vector<char> whole = ReadFile("bea.qrd");
    fs::rename("bea.qrd", "bea.qrd.99.tmp");
    WriteBytes("bea.qrd.100.tmp", std::vector<char>(whole.begin(), whole.end() - 10)); // newer, cut short
    ASSERT_NO_FATAL_FAILURE(Start());
    LoginExpectingFailure("bea", "wrong");
    EXPECT_EQ(m_responder.Messages(), Messages{"Login Failed:Account error."});
    EXPECT_TRUE(fs::exists("bea.qrd.100.tmp"));

    std::vector<std::string> shown;
    m_responder.Expect(kLoginCaption, LoginWith("bea", "pw"));
    m_responder.Expect(kOfferCaption, Answer(kTake, shown));
    Click(m_main, IDC_BUTTON_LOGIN);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("\"bea.qrd.99.tmp\""), std::string::npos) << shown[0];
    EXPECT_NE(shown[0].find("2 entries more"), std::string::npos) << shown[0];
    EXPECT_NE(shown[0].find("written on "), std::string::npos) << shown[0];
    EXPECT_EQ(ListRows(), (std::vector<Row>{{"a", "1", ""}, {"b", "2", "c"}}));
    EXPECT_TRUE(fs::exists("bea.qrd.99.tmp")) << "kept until its entries are in the file";
    Exit();
    EXPECT_EQ(ReadFile("bea.qrd"), whole);
    EXPECT_EQ(Entries(), std::vector<std::string>{"bea.qrd"});
}

// Keeping the file's entries keeps the copy, which the next login offers
// again; discarding asks first, and Cancel there asks about the copy again.
TEST_F(Recovery, AKeptCopyIsOfferedAgainAndADiscardedOneIsConfirmedFirst)
{
    WriteAccountFile("cid", "pw", {{"a", "1", ""}});
    fs::rename("cid.qrd", "cid.qrd.recovery");
    std::ofstream("cid.qrd").close();
    ASSERT_NO_FATAL_FAILURE(Start());
    std::vector<std::string> shown;
    m_responder.Expect(kLoginCaption, LoginWith("cid", "pw"));
    m_responder.Expect(kOfferCaption, Answer(kKeep, shown));
    Click(m_main, IDC_BUTTON_LOGIN);
    EXPECT_EQ(m_responder.Messages(), Messages{"Login success."});
    EXPECT_TRUE(ListRows().empty());
    Exit();
    EXPECT_TRUE(fs::exists("cid.qrd.recovery"));
    EXPECT_TRUE(ReadAccountFile("cid").empty());

    ASSERT_NO_FATAL_FAILURE(Start());
    m_responder.Expect(kLoginCaption, LoginWith("cid", "pw"));
    m_responder.Expect(kOfferCaption, Answer(kDiscard, shown));
    m_responder.Expect("Discard Copy", Answer(IDC_BUTTON_QUESTION_2, shown)); // Cancel
    m_responder.Expect(kOfferCaption, Answer(kDiscard, shown));
    m_responder.Expect("Discard Copy", Answer(IDC_BUTTON_QUESTION_1, shown)); // delete it
    Click(m_main, IDC_BUTTON_LOGIN);
    ASSERT_EQ(shown.size(), 5u);
    EXPECT_NE(shown[2].find("Delete \"cid.qrd.recovery\" for good?"), std::string::npos) << shown[2];
    EXPECT_FALSE(fs::exists("cid.qrd.recovery"));
    EXPECT_TRUE(m_responder.Unexpected().empty());
}

// A copy cut short is no copy: with nothing whole beside it, a missing file
// is the old account error, and the remains stay until a login succeeds.
TEST_F(Recovery, AnIncompleteCopyIsNotOffered)
{
    WriteAccountFile("dan", "pw", {{"a", "1", ""}});
    const std::vector<char> whole = ReadFile("dan.qrd");
    fs::remove("dan.qrd");
    WriteBytes("dan.qrd.5.tmp", std::vector<char>(whole.begin(), whole.end() - 1));
    ASSERT_NO_FATAL_FAILURE(Start());
    LoginExpectingFailure("dan", "pw");
    EXPECT_EQ(m_responder.Messages(), Messages{"Login Failed:Account error."});
    EXPECT_EQ(Entries(), std::vector<std::string>{"dan.qrd.5.tmp"});
}

// Every edit is in the journal before the next input; a good save at Exit
// removes it and keeps the file it replaced in "Versions".
TEST_F(Recovery, EditsReachTheJournalAndAGoodSaveKeepsTheReplacedVersion)
{
    WriteAccountFile("joy", "pw", {{"a", "1", ""}, {"b", "2", ""}});
    const std::vector<char> before = ReadFile("joy.qrd");
    ASSERT_NO_FATAL_FAILURE(Start());
    Login("joy", "pw");
    Insert("c", "3", "x");
    SelectRow(0);
    Click(m_main, IDC_BUTTON_DELETE);
    EXPECT_EQ(JournalRows("joy"), (std::vector<Row>{{"b", "2", ""}, {"c", "3", "x"}}));
    // A save for the end of the desktop session empties the journal; the
    // editing that goes on after it is journaled again.
    EXPECT_EQ(::SendMessageA(m_main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    EXPECT_TRUE(JournalRows("joy").empty());
    Insert("d", "4", "");
    EXPECT_EQ(JournalRows("joy"), (std::vector<Row>{{"b", "2", ""}, {"c", "3", "x"}, {"d", "4", ""}}));
    ::SendMessageA(m_main, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    Exit();
    EXPECT_EQ(ReadAccountFile("joy"), (std::vector<Row>{{"b", "2", ""}, {"c", "3", "x"}, {"d", "4", ""}}));
    EXPECT_FALSE(AnyEndsWith(Entries(), ".journal"));
    std::vector<std::string> versions;
    for (const auto& entry : fs::directory_iterator("Versions")) versions.push_back(entry.path().filename().string());
    ASSERT_EQ(versions.size(), 2u) << "one for each good save";
    for (const auto& name : versions) EXPECT_TRUE(name.starts_with("joy.") && name.ends_with(".qrd")) << name;
    EXPECT_TRUE(ReadFile("Versions/" + versions[0]) == before || ReadFile("Versions/" + versions[1]) == before)
        << "the file as the session found it";
}

// A file cut short is loaded as far as it goes; the user is told how much,
// and its original bytes are kept before the session's save writes over it.
TEST_F(Recovery, ADamagedFileIsToldAndItsBytesAreKept)
{
    WriteAccountFile("dora", "pw", {{"a", "1", ""}, {"b", "2", ""}});
    std::vector<char> bytes = ReadFile("dora.qrd");
    bytes.resize(1000);
    WriteBytes("dora.qrd", bytes);
    ASSERT_NO_FATAL_FAILURE(Start());
    std::vector<std::string> shown;
    m_responder.Expect(kLoginCaption, LoginWith("dora", "pw"));
    m_responder.Expect("Damaged File", Answer(IDC_BUTTON_QUESTION_1, shown));
    Click(m_main, IDC_BUTTON_LOGIN);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("\"dora.qrd\" is damaged: only 0 of its 2 entries could be read."), std::string::npos)
        << shown[0];
    EXPECT_NE(shown[0].find("Versions\\dora.damaged-"), std::string::npos) << shown[0];
    Exit();
    bool kept = false;
    for (const auto& entry : fs::directory_iterator("Versions"))
        kept = kept || ReadFile("Versions/" + entry.path().filename().string()) == bytes;
    EXPECT_TRUE(kept);
}

// Another program replaced the file during the session: told before anything
// is written, its version kept beside the file and offered at the next login.
TEST_F(Recovery, AnotherProgramsChangeIsKeptAndOffered)
{
    WriteAccountFile("olaf", "pw", {{"a", "1", ""}});
    ASSERT_NO_FATAL_FAILURE(Start());
    Login("olaf", "pw");
    Insert("mine", "2", "");
    WriteAccountFile("olaf", "pw", {{"a", "1", ""}, {"theirs", "3", ""}});
    std::vector<std::string> shown;
    m_responder.Expect("File Changed", Answer(IDC_BUTTON_QUESTION_1, shown));
    Click(m_main, IDOK);
    (void)Pump(100);
    Exit();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("Another program changed \"olaf.qrd\""), std::string::npos) << shown[0];
    EXPECT_EQ(ReadAccountFile("olaf"), (std::vector<Row>{{"a", "1", ""}, {"mine", "2", ""}}));
    EXPECT_TRUE(AnyEndsWith(Entries(), ".other"));

    ASSERT_NO_FATAL_FAILURE(Start());
    m_responder.Expect(kLoginCaption, LoginWith("olaf", "pw"));
    m_responder.Expect(kOfferCaption, Answer(kTake, shown));
    Click(m_main, IDC_BUTTON_LOGIN);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_NE(shown[1].find("1 changed"), std::string::npos) << shown[1];
    EXPECT_EQ(ListRows(), (std::vector<Row>{{"a", "1", ""}, {"theirs", "3", ""}}));
}

// Creating an administrator whose copies lie about buries none of them.
TEST_F(Recovery, CreateAdminKeepsCopiesOfTheNameAndTellsSo)
{
    WriteAccountFile("cora", "old", {{"a", "1", ""}});
    fs::rename("cora.qrd", "cora.qrd.recovery");
    ASSERT_NO_FATAL_FAILURE(Start());
    std::vector<std::string> shown;
    m_responder.Expect(kCreateCaption, CreateWith("cora", "new", "new"));
    m_responder.Expect("Copies Found", Answer(IDC_BUTTON_QUESTION_1, shown));
    Click(m_main, IDC_BUTTON_CREATEADMIN);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("offered at your next login"), std::string::npos) << shown[0];
    Exit();
    EXPECT_TRUE(fs::exists("cora.qrd.recovery"));

    ASSERT_NO_FATAL_FAILURE(Start());
    m_responder.Expect(kLoginCaption, LoginWith("cora", "new"));
    m_responder.Expect(kOfferCaption, Answer(kTake, shown));
    Click(m_main, IDC_BUTTON_LOGIN);
    EXPECT_EQ(ListRows(), (std::vector<Row>{{"a", "1", ""}}));
}
