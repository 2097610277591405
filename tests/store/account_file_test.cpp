#include "CAccountFile.h"
#include "DesProcess.h"
#include "LineEnds.h"
#include "StoreTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

using namespace storetest;

namespace {

class AccountFile : public kdtest::InTempFolder {};

struct Entry {
    std::string account, password, comment;
};

// What the create-administrator dialog and the main window do, then the save.
void CreateFile(const std::string& admin, const std::string& password, const std::vector<Entry>& entries)
{
    CAccountFile store;
    ASSERT_FALSE(store.Exists(admin.c_str()));
    ASSERT_TRUE(store.Open(admin.c_str()));
    store.SetAdministrator(admin, password);
    store.EnableSave();
    for (const auto& e : entries) {
        AccountRecord r = MakeRecord(e.account, e.password, e.comment);
        ASSERT_TRUE(store.AddRecord(r));
    }
    ASSERT_TRUE(store.Save());
}

std::vector<Entry> Entries(const CAccountFile& store)
{
    std::vector<Entry> out;
    for (const auto& r : store.GetRecords())
        out.push_back({std::string(kd::GetText(r.account)), std::string(kd::GetText(r.password)),
                       std::string(kd::GetText(r.comment))});
    return out;
}

bool operator==(const Entry& a, const Entry& b)
{
    return a.account == b.account && a.password == b.password && a.comment == b.comment;
}

std::size_t CountLf(const Bytes& b)
{
    return static_cast<std::size_t>(std::count(b.begin(), b.end(), 0x0A));
}

std::vector<Entry> SomeEntries(std::size_t n)
{
    std::vector<Entry> out;
    for (std::size_t i = 0; i < n; ++i)
        out.push_back(
            {"user" + std::to_string(i), "pw\n" + std::to_string(i * 7), i % 2 ? "" : "note " + std::to_string(i)});
    return out;
}

TEST_F(AccountFile, NewAdministratorSaves800LogicalBytesAndLoadsBack)
{
    CreateFile("alice", "s3cret", {});
    const Bytes stored = ReadFile("alice.qrd");
    const Bytes logical = kd::DecodeLineEnds(stored);
    ASSERT_EQ(logical.size(), 800u);
    EXPECT_EQ(stored.size(), 800u + CountLf(logical));
    EXPECT_EQ(std::memcmp(logical.data(), "ConfigFile\0", 11), 0);
    EXPECT_EQ(logical[16], 0x1C); // headerSize 284, little-endian
    EXPECT_EQ(logical[17], 0x01);
    EXPECT_EQ(logical[20], 0x84); // recordSize 388
    EXPECT_EQ(logical[21], 0x01);
    EXPECT_EQ(logical[24], 0); // recordCount
    EXPECT_TRUE(std::all_of(logical.begin() + 284, logical.end(), [](auto b) { return b == 0; }));

    CAccountFile store;
    ASSERT_TRUE(store.Exists("alice"));
    ASSERT_TRUE(store.Open("alice"));
    EXPECT_EQ(kd::GetText(store.GetHeader().adminAccount), "alice");
    EXPECT_EQ(kd::GetText(store.GetHeader().adminPassword), "s3cret");
    EXPECT_TRUE(store.GetRecords().empty());
}

TEST_F(AccountFile, RecordsRoundTripInOrderWithTheirIndexAndSizes)
{
    const auto entries = SomeEntries(7);
    CreateFile("bob", "pw", entries);
    const Bytes stored = ReadFile("bob.qrd");
    const Bytes logical = kd::DecodeLineEnds(stored);
    EXPECT_EQ(logical.size(), 412u + 772u * 7 + 388u);
    EXPECT_EQ(stored.size(), logical.size() + CountLf(logical));
    EXPECT_EQ(logical[24], 7); // recordCount written

    CAccountFile store;
    ASSERT_TRUE(store.Open("bob"));
    EXPECT_EQ(Entries(store), entries);
    for (std::size_t i = 0; i < store.GetRecords().size(); ++i)
        EXPECT_EQ(store.GetRecords()[i].index, static_cast<int>(i));

    // recordCount is never read: a wrong value changes nothing.
    Bytes patched = logical;
    patched[24] = 99;
    WriteFile("bob.qrd", [&] {
        Bytes s;
        kd::EncodeLineEnds(patched, s);
        return s;
    }());
    CAccountFile again;
    ASSERT_TRUE(again.Open("bob"));
    EXPECT_EQ(Entries(again), entries);
}

TEST_F(AccountFile, ReservedHeaderBytesAreCarriedToTheNextWrite)
{
    CreateFile("paul", "pw", SomeEntries(1));
    Bytes logical = kd::DecodeLineEnds(ReadFile("paul.qrd"));
    const Bytes reserved = {0x0A, 0x1A, 0xFF, 0x0D, 0x01};
    std::copy(reserved.begin(), reserved.end(), logical.begin() + 11);
    logical[0] = 'X'; // magic is refreshed on writing
    Bytes stored;
    kd::EncodeLineEnds(logical, stored);
    WriteFile("paul.qrd", stored);

    CAccountFile store;
    ASSERT_TRUE(store.Open("paul"));
    EXPECT_EQ(Bytes(store.GetHeader().reserved, store.GetHeader().reserved + 5), reserved);
    store.EnableSave();
    ASSERT_TRUE(store.Save());
    const Bytes rewritten = kd::DecodeLineEnds(ReadFile("paul.qrd"));
    EXPECT_EQ(Bytes(rewritten.begin() + 11, rewritten.begin() + 16), reserved);
    EXPECT_EQ(rewritten[0], 'C');
    EXPECT_EQ(rewritten.size(), 412u + 772u + 388u);
}

TEST_F(AccountFile, AdminNameIsInClearAtOffset28AndNoPasswordIsInClear)
{
    CreateFile("carol", "TopSecretPassword", {{"svc", "AnotherSecretValue", "comment text here"}});
    const Bytes stored = ReadFile("carol.qrd");
    const Bytes logical = kd::DecodeLineEnds(stored);
    EXPECT_EQ(Find(logical, "carol"), 28);
    for (const char* secret : {"TopSecretPassword", "AnotherSecretValue", "comment text", "svc"}) {
        EXPECT_EQ(Find(logical, secret), -1) << secret;
        EXPECT_EQ(Find(stored, secret), -1) << secret;
    }
}

TEST_F(AccountFile, NamesEqualInTheirFirstSixteenCharactersShareTheKey)
{
    CAccountFile a, b, c;
    a.SetAdministrator("ABCDEFGHIJKLMNOP-first", "");
    b.SetAdministrator("ABCDEFGHIJKLMNOP-second", "");
    c.SetAdministrator("ABCDEFGHIJKLMNOQ-first", "");
    const AccountRecord r = MakeRecord("x", "y", "z");
    std::uint8_t sa[772] = {}, sb[772] = {}, sc[772] = {};
    ASSERT_TRUE(a.EncryptRecord(r, sa));
    ASSERT_TRUE(b.EncryptRecord(r, sb));
    ASSERT_TRUE(c.EncryptRecord(r, sc));
    EXPECT_EQ(std::memcmp(sa, sb, sizeof sa), 0);
    EXPECT_NE(std::memcmp(sa, sc, sizeof sa), 0);

    // The stored form: index in clear, three enciphered fields, zero gaps.
    AccountRecord numbered = r;
    numbered.index = 0x01020304;
    std::uint8_t s[772] = {};
    ASSERT_TRUE(a.EncryptRecord(numbered, s));
    EXPECT_EQ(s[0], 4);
    EXPECT_EQ(s[3], 1);
    for (std::size_t gap : {132u, 388u, 644u})
        EXPECT_TRUE(std::all_of(s + gap, s + gap + 128, [](auto v) { return v == 0; }));
    std::uint8_t expected[128];
    ASSERT_TRUE(DesProcess(expected, r.password, 128, a.GetHeader().adminAccount, 128, DES_ENCRYPT));
    EXPECT_EQ(std::memcmp(s + 260, expected, 128), 0);
    AccountRecord back{};
    ASSERT_TRUE(a.DecryptRecord(s, back));
    EXPECT_EQ(back.index, numbered.index);
    EXPECT_TRUE(CAccountFile::IsSameRecord(back, r));
}

// Builds the logical content of a file by hand from stored records.
Bytes Logical(const CAccountFile& keyed, const std::vector<AccountRecord>& records, bool endMarker)
{
    Bytes out(412, 0);
    std::memcpy(out.data(), "ConfigFile", 10);
    std::memcpy(out.data() + 28, keyed.GetHeader().adminAccount, 128);
    for (const auto& r : records) {
        std::uint8_t s[772] = {};
        EXPECT_TRUE(keyed.EncryptRecord(r, s));
        out.insert(out.end(), s, s + 772);
    }
    if (endMarker) out.insert(out.end(), 388, 0);
    return out;
}

TEST_F(AccountFile, ParseStopsAtAnEmptyRecordZeroAndWithoutRoomForAnEndMarker)
{
    CAccountFile keyed;
    keyed.SetAdministrator("dave", "");
    AccountRecord first = MakeRecord("a", "", ""), second = MakeRecord("", "", "c"), empty{},
                  after = MakeRecord("d", "e", "f");
    first.index = 0;  // the first record also has index 0 and loads: it has text
    second.index = 0; // index 0 with a comment is taken as well, index kept
    after.index = 3;

    CAccountFile store;
    Bytes logical = Logical(keyed, {first, second, empty, after}, true);
    ASSERT_TRUE(store.Parse(logical.data(), logical.size()));
    ASSERT_EQ(store.GetRecords().size(), 2u);
    EXPECT_EQ(store.GetRecords()[1].index, 0);
    EXPECT_EQ(kd::GetText(store.GetRecords()[1].comment), "c");

    // Without the end marker the last record is not taken; 388 bytes are enough.
    logical = Logical(keyed, {first, after}, false);
    ASSERT_TRUE(store.Parse(logical.data(), logical.size()));
    EXPECT_EQ(store.GetRecords().size(), 1u);
    logical.resize(logical.size() + 387, 0);
    ASSERT_TRUE(store.Parse(logical.data(), logical.size()));
    EXPECT_EQ(store.GetRecords().size(), 1u);
    logical.push_back(0);
    ASSERT_TRUE(store.Parse(logical.data(), logical.size()));
    EXPECT_EQ(store.GetRecords().size(), 2u);
    EXPECT_EQ(store.GetRecords()[1].index, 3);
}

TEST_F(AccountFile, ParseRefusesShortDataAndLeavesTheStoreAlone)
{
    CAccountFile store;
    store.SetAdministrator("erin", "");
    AccountRecord r = MakeRecord("kept", "", "");
    ASSERT_TRUE(store.AddRecord(r));
    const Bytes data(283, 0x41);
    EXPECT_FALSE(store.Parse(data.data(), data.size()));
    EXPECT_FALSE(store.Parse(nullptr, 1000));
    EXPECT_EQ(kd::GetText(store.GetHeader().adminAccount), "erin");
    EXPECT_EQ(store.GetRecords().size(), 1u);

    // 284 bytes are a header: the rest of the block counts as zero.
    const Bytes header(284, 0x41);
    EXPECT_TRUE(store.Parse(header.data(), header.size()));
    EXPECT_EQ(store.GetRecords().size(), 0u);
    EXPECT_EQ(store.GetHeader().adminAccount[0], 0x41);
    EXPECT_EQ(store.GetHeader().adminAccount[127], 0); // never an unterminated text
}

TEST_F(AccountFile, StoredControlZAndCrLfBytesAreData)
{
    // Record 26 carries index 0x1A in clear, right inside the file.
    std::vector<Entry> entries = SomeEntries(30);
    CreateFile("frank", "pw", entries);
    const Bytes logical = kd::DecodeLineEnds(ReadFile("frank.qrd"));
    ASSERT_EQ(logical[412 + 772 * 26], 0x1A);

    // An index whose bytes are 0x0D 0x0A is stored as 0x0D 0x0D 0x0A.
    CAccountFile store;
    ASSERT_TRUE(store.Open("frank"));
    ASSERT_EQ(Entries(store), entries);
    Bytes crlf = logical;
    crlf[412] = 0x0D;
    crlf[413] = 0x0A;
    ASSERT_TRUE(store.Parse(crlf.data(), crlf.size()));
    ASSERT_EQ(store.GetRecords()[0].index, 0x0A0D);
    store.EnableSave();
    ASSERT_TRUE(store.Save());
    const Bytes stored = ReadFile("frank.qrd");
    EXPECT_GE(Find(stored, "\x0D\x0D\x0A"), 0);
    CAccountFile reread;
    ASSERT_TRUE(reread.Open("frank"));
    EXPECT_EQ(reread.GetRecords()[0].index, 0x0A0D);
    EXPECT_EQ(reread.GetRecords().size(), 30u);
}

// Every prefix of a real file, cut anywhere (inside a 0x0D 0x0A pair too),
// loads exactly the whole records that have 388 bytes behind them.
TEST_F(AccountFile, EveryTruncationLoadsTheWholeRecordsOnly)
{
    // Zero-filled fields encipher to few distinct blocks: pick an administrator
    // password whose file has a stored 0x0D 0x0A pair early on.
    Bytes stored;
    for (int attempt = 0; attempt < 200; ++attempt) {
        std::filesystem::remove("gina.qrd");
        CreateFile("gina", "pw" + std::to_string(attempt), SomeEntries(3));
        stored = ReadFile("gina.qrd");
        const long long at = Find(stored, "\x0D\x0A");
        if (at >= 0 && at < 1500) break;
    }
    ASSERT_GT(stored.size(), 2000u);
    ASSERT_GE(Find(stored, "\x0D\x0A"), 0);
    for (std::size_t length = 0; length <= 2000; ++length) {
        WriteFile("cut.qrd", Bytes(stored.begin(), stored.begin() + length));
        CAccountFile store;
        store.SetAdministrator("before", "");
        ASSERT_TRUE(store.Open("cut"));
        const std::size_t n = kd::DecodeLineEnds(Bytes(stored.begin(), stored.begin() + length)).size();
        if (n < 284) {
            EXPECT_EQ(kd::GetText(store.GetHeader().adminAccount), "") << length;
            continue;
        }
        EXPECT_EQ(kd::GetText(store.GetHeader().adminAccount), "gina") << length;
        const std::size_t whole = n >= 412 + 772 + 388 ? (n - 412 - 388) / 772 : 0;
        EXPECT_EQ(store.GetRecords().size(), std::min<std::size_t>(whole, 3)) << length;
    }
}

TEST_F(AccountFile, ForeignAndRandomFilesLoadWithoutHarm)
{
    std::mt19937 rng(1234);
    for (int round = 0; round < 40; ++round) {
        Bytes junk(rng() % 6000);
        for (auto& b : junk) b = static_cast<std::uint8_t>(rng() % 5 == 0 ? 0x0D : rng());
        WriteFile("junk.qrd", junk);
        CAccountFile store;
        ASSERT_TRUE(store.Open("junk"));
        for (const auto& r : store.GetRecords()) {
            EXPECT_EQ(r.account[127], 0);
            EXPECT_EQ(r.comment[127], 0);
        }
        EXPECT_EQ(store.GetHeader().adminPassword[127], 0);
    }
}

// A failed login has loaded the file; another program then empties it or
// makes it unloadable. The next Open must not leave the earlier header and
// records in place, where a login would succeed on them and the exit would
// write the old list back over the other program's file.
TEST_F(AccountFile, NothingOfAnEarlierLoadOutlivesTheNextOpen)
{
    CreateFile("henry", "pw", SomeEntries(2));
    CAccountFile store;
    ASSERT_TRUE(store.Open("henry"));
    ASSERT_EQ(store.GetRecords().size(), 2u);

    WriteFile("henry.qrd", {});
    ASSERT_TRUE(store.Exists("henry"));
    ASSERT_TRUE(store.Open("henry"));
    EXPECT_EQ(store.GetFileName(), "henry.qrd");
    EXPECT_EQ(kd::GetText(store.GetHeader().adminAccount), "");
    EXPECT_EQ(kd::GetText(store.GetHeader().adminPassword), "");
    EXPECT_TRUE(store.GetRecords().empty());
    EXPECT_FALSE(store.Load(nullptr));

    // Too short for a header: loads nothing either.
    CreateFile("ines", "pw", SomeEntries(1));
    ASSERT_TRUE(store.Open("ines"));
    WriteFile("henry.qrd", Bytes(100, 0x41));
    ASSERT_TRUE(store.Open("henry"));
    EXPECT_EQ(kd::GetText(store.GetHeader().adminAccount), "");
    EXPECT_TRUE(store.GetRecords().empty());
}

TEST_F(AccountFile, OpenCreatesAMissingFileEmpty)
{
    CAccountFile store;
    EXPECT_FALSE(store.Exists("ivy"));
    ASSERT_TRUE(store.Open("ivy"));
    EXPECT_TRUE(store.Exists("ivy"));
    EXPECT_TRUE(ReadFile("ivy.qrd").empty());
    EXPECT_FALSE(store.Exists(""));
    EXPECT_FALSE(store.Open(""));
    EXPECT_FALSE(store.Exists(nullptr));
    EXPECT_FALSE(store.Open(nullptr));
}

TEST_F(AccountFile, NamesTheFileSystemCannotTakeAreRefused)
{
    std::filesystem::create_directory("sub");
    const char* bad[] = {"..\\x",  "C:\\x",   "C:x",     "../x",      "sub/x", "sub\\x", "a<b",  "a>b",  "a\"b",
                         "a|b",    "a?b",     "a*b",     "tab\there", "nl\nx", "\x01x",  "CON",  "con",  "Prn",
                         "aux",    "NUL",     "nul.txt", "CON .txt",  "com1",  "COM9",   "lpt1", "LpT9", "COM\xB9",
                         "conin$", "CONOUT$", "dot.",    "space ",    ".",     ".."};
    for (const char* name : bad) {
        CAccountFile store;
        EXPECT_FALSE(CAccountFile::IsValidName(name)) << name;
        EXPECT_FALSE(store.Exists(name)) << name;
        EXPECT_FALSE(store.Open(name)) << name;
        EXPECT_TRUE(store.GetFileName().empty()) << name;
    }
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"sub"});

    const char* good[] = {"console", "COM10", "com0", "LPT", "nul_", "a.b", "x y", " lead", "caf\xE9", "a$b"};
    for (const char* name : good) {
        CAccountFile store;
        EXPECT_TRUE(CAccountFile::IsValidName(name)) << name;
        EXPECT_TRUE(store.Open(name)) << name;
        EXPECT_TRUE(store.Exists(name)) << name;
    }
}

// Lead bytes of the Japanese code page 932: the second byte of such a
// character can be 0x5C or 0x7C, the bytes of '\\' and '|'.
bool IsCp932LeadByte(unsigned char c) noexcept
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

TEST_F(AccountFile, DoubleByteNamesAreWalkedByCharacter)
{
    // "\x95\x5C" is U+8868, "\x83\x7C" U+30DD, "\x81\x40" the ideographic space.
    const char* good[] = {"\x95\x5C",
                          "\x83\x7C",
                          "a\x95\x5C"
                          "b",
                          "\x95\x5C.x",
                          "\x81\x40",
                          "\x95\x5C\xB9"};
    for (const char* name : good) EXPECT_TRUE(CAccountFile::IsValidName(name, IsCp932LeadByte)) << name;
    const char* bad[] = {"\x95",        // half a character, would take the dot of ".qrd"
                         "ab\x95",      //
                         "\x95\x5C\\x", // a real separator after a whole character
                         "\x95\x5C|",   //
                         "\x95\x5C.",   // ends in a dot
                         "\x95\x5C ",   // ends in a space
                         "\x95\x5C\x01", "CON.\x95\x5C", "com1.\x95\x5C"};
    for (const char* name : bad) EXPECT_FALSE(CAccountFile::IsValidName(name, IsCp932LeadByte)) << name;
    // In a single-byte code page the same bytes are a separator.
    EXPECT_FALSE(CAccountFile::IsValidName("\x95\x5C", [](unsigned char) noexcept { return false; }));
#ifndef _WIN32
    EXPECT_FALSE(CAccountFile::IsValidName("\x95\x5C")); // no double-byte code page here
#endif
}

TEST_F(AccountFile, ADirectoryIsNoAccountFile)
{
    std::filesystem::create_directory("jack.qrd");
    CAccountFile store;
    EXPECT_FALSE(store.Exists("jack"));
    EXPECT_FALSE(store.Open("jack"));
}

// A login that loads a file and then fails or is cancelled must leave it as it
// was, although the main window hands back its empty list at the end.
TEST_F(AccountFile, NothingIsWrittenUntilSavingIsEnabled)
{
    const auto entries = SomeEntries(4);
    CreateFile("kate", "right", entries);
    const Bytes before = ReadFile("kate.qrd");
    {
        CAccountFile store;
        ASSERT_TRUE(store.Exists("kate"));
        ASSERT_TRUE(store.Open("kate"));
        EXPECT_FALSE(store.IsSaveEnabled());
        EXPECT_FALSE(kd::TextEquals(store.GetHeader().adminPassword, "wrong"));
        store.ClearRecords(); // the main window's hand-back of an empty list
        EXPECT_FALSE(store.Save());
    }
    EXPECT_EQ(ReadFile("kate.qrd"), before);

    // A later Open binds another file and needs a fresh EnableSave.
    {
        CAccountFile store;
        ASSERT_TRUE(store.Open("kate"));
        store.EnableSave();
        ASSERT_TRUE(store.Open("other"));
        EXPECT_FALSE(store.IsSaveEnabled());
    }
    EXPECT_EQ(ReadFile("kate.qrd"), before);
    EXPECT_TRUE(ReadFile("other.qrd").empty());

    // After a successful login the hand-back is written at destruction.
    {
        CAccountFile store;
        ASSERT_TRUE(store.Open("kate"));
        ASSERT_TRUE(kd::TextEquals(store.GetHeader().adminPassword, "right"));
        store.EnableSave();
        store.ClearRecords();
        AccountRecord r = MakeRecord("only", "one", "");
        ASSERT_TRUE(store.AddRecord(r));
    }
    CAccountFile reread;
    ASSERT_TRUE(reread.Open("kate"));
    ASSERT_EQ(reread.GetRecords().size(), 1u);
    EXPECT_EQ(kd::GetText(reread.GetRecords()[0].account), "only");
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"kate.qrd", "other.qrd"})); // no temporary left

    // An explicit save that succeeded leaves nothing for the destructor: a
    // change made afterwards is not written behind the caller's back.
    const Bytes saved = ReadFile("kate.qrd");
    {
        CAccountFile store;
        ASSERT_TRUE(store.Open("kate"));
        store.EnableSave();
        ASSERT_TRUE(store.Save());
        store.DisableSave();
        store.ClearRecords();
    }
    EXPECT_EQ(ReadFile("kate.qrd"), saved);
}

TEST_F(AccountFile, SaveWithoutAFileNameFails)
{
    CAccountFile store;
    store.EnableSave();
    EXPECT_FALSE(store.Save());
    EXPECT_TRUE(FolderEntries().empty());
}

TEST_F(AccountFile, SaveReplacesTheOldFileWhole)
{
    CreateFile("liam", "pw", SomeEntries(10));
#ifndef _WIN32
    namespace fs = std::filesystem;
    fs::permissions("liam.qrd", fs::perms::owner_read | fs::perms::owner_write);
#endif
    CAccountFile store;
    ASSERT_TRUE(store.Open("liam"));
    store.EnableSave();
    store.ClearRecords();
    for (const auto& e : SomeEntries(2)) {
        AccountRecord r = MakeRecord(e.account, e.password, e.comment);
        ASSERT_TRUE(store.AddRecord(r));
    }
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(kd::DecodeLineEnds(ReadFile("liam.qrd")).size(), 412u + 772u * 2 + 388u);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"liam.qrd"});
#ifndef _WIN32
    EXPECT_EQ(fs::status("liam.qrd").permissions(), fs::perms::owner_read | fs::perms::owner_write);
#endif
}

#ifndef _WIN32
// A disk that fills up in the middle of the write: the old file stays as it
// was and no temporary file is left behind.
TEST_F(AccountFile, FailedWriteLeavesTheOldFileUntouched)
{
    CreateFile("mia", "pw", SomeEntries(3));
    const Bytes before = ReadFile("mia.qrd");
    CAccountFile store;
    ASSERT_TRUE(store.Open("mia"));
    store.EnableSave();
    for (const auto& e : SomeEntries(200)) {
        AccountRecord r = MakeRecord(e.account + "x", e.password, e.comment);
        ASSERT_TRUE(store.AddRecord(r));
    }
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 50000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = store.Save();
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFile("mia.qrd"), before);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"mia.qrd"});
    EXPECT_TRUE(store.Save());
}
#endif

// Memory that runs out at any point of a save: the save fails, the old file
// keeps its bytes and no temporary file is left; with memory back it succeeds.
TEST_F(AccountFile, RunningOutOfMemoryAnywhereInASaveLeavesNoTrace)
{
    CreateFile("olga", "pw", SomeEntries(3));
    const Bytes before = ReadFile("olga.qrd");
    CAccountFile store;
    ASSERT_TRUE(store.Open("olga"));
    store.EnableSave();
    AccountRecord r = MakeRecord("new", "entry", "");
    ASSERT_TRUE(store.AddRecord(r));
    bool saved = false;
    long failures = 0;
    for (long allowed = 0; allowed < 1000 && !saved; ++allowed) {
        FailAllocationsAfter(allowed);
        saved = store.Save();
        StopFailingAllocations();
        if (saved) break;
        ++failures;
        ASSERT_EQ(ReadFile("olga.qrd"), before) << "after " << allowed << " allocations";
        ASSERT_EQ(FolderEntries(), std::vector<std::string>{"olga.qrd"}) << "after " << allowed << " allocations";
    }
    ASSERT_TRUE(saved);
    EXPECT_GT(failures, 1);
    CAccountFile reread;
    ASSERT_TRUE(reread.Open("olga"));
    EXPECT_EQ(reread.GetRecords().size(), 4u);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"olga.qrd"});
}

// A file far larger than memory (a sparse file, nothing is really written):
// Load answers false and leaves the store alone; Open fails and keeps nothing
// of the file it loaded before.
TEST_F(AccountFile, FileTooLargeForMemoryIsRefused)
{
    const long long size = sizeof(void*) == 4 ? (5LL << 30) : (1LL << 42);
    {
        std::FILE* f = std::fopen("huge.qrd", "wb");
        ASSERT_NE(f, nullptr);
#ifdef _WIN32
        const bool positioned = _fseeki64(f, size - 1, SEEK_SET) == 0;
#else
        const bool positioned = fseeko(f, size - 1, SEEK_SET) == 0;
#endif
        const bool written = positioned && std::fputc(0, f) == 0 && std::fflush(f) == 0;
        std::fclose(f);
        if (!written) GTEST_SKIP() << "no sparse file of that size here";
    }
    CAccountFile store;
    store.SetAdministrator("unchanged", "");
    std::FILE* f = std::fopen("huge.qrd", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(store.Load(f));
    std::fclose(f);
    EXPECT_EQ(kd::GetText(store.GetHeader().adminAccount), "unchanged");

    // What a failed login loaded, then another program's change that no load takes.
    CreateFile("huge2", "pw", SomeEntries(3));
    ASSERT_TRUE(store.Open("huge2"));
    ASSERT_EQ(kd::GetText(store.GetHeader().adminAccount), "huge2");
    std::filesystem::rename("huge.qrd", "huge2.qrd");
    EXPECT_FALSE(store.Open("huge2"));
    EXPECT_EQ(kd::GetText(store.GetHeader().adminAccount), "");
    EXPECT_EQ(kd::GetText(store.GetHeader().adminPassword), "");
    EXPECT_TRUE(store.GetRecords().empty());
    EXPECT_FALSE(store.IsSaveEnabled());
}

TEST_F(AccountFile, AddRecordNumbersRecordsAndDropsExactDuplicates)
{
    CAccountFile store;
    AccountRecord a = MakeRecord("user", "pw", "c");
    a.index = 77;
    ASSERT_TRUE(store.AddRecord(a));
    EXPECT_EQ(a.index, 0);
    AccountRecord dup = MakeRecord("user", "pw", "c");
    dup.index = 5;
    EXPECT_FALSE(store.AddRecord(dup));
    EXPECT_EQ(dup.index, 5);
    AccountRecord caseDiffers = MakeRecord("User", "pw", "c");
    EXPECT_TRUE(store.AddRecord(caseDiffers));
    EXPECT_EQ(caseDiffers.index, 1);
    AccountRecord commentDiffers = MakeRecord("user", "pw", "");
    EXPECT_TRUE(store.AddRecord(commentDiffers));
    EXPECT_EQ(store.GetRecords().size(), 3u);

    // The same after records came from a file, and after ClearRecords.
    CreateFile("nora", "pw", {{"user", "pw", "c"}});
    ASSERT_TRUE(store.Open("nora"));
    AccountRecord again = MakeRecord("user", "pw", "c");
    EXPECT_FALSE(store.AddRecord(again));
    store.ClearRecords();
    EXPECT_TRUE(store.AddRecord(again));
    EXPECT_EQ(again.index, 0);

    // Many distinct records, then every one of them again.
    store.ClearRecords();
    for (int i = 0; i < 20000; ++i) {
        AccountRecord r = MakeRecord("u" + std::to_string(i), "p", std::to_string(i % 7));
        ASSERT_TRUE(store.AddRecord(r));
        ASSERT_EQ(r.index, i);
    }
    for (int i = 0; i < 20000; i += 97) {
        AccountRecord r = MakeRecord("u" + std::to_string(i), "p", std::to_string(i % 7));
        ASSERT_FALSE(store.AddRecord(r));
    }
}

TEST_F(AccountFile, TextsOf128CharactersKeep127AndTheTerminator)
{
    const std::string typed(128, 'q');
    AccountRecord r{};
    kd::SetText(r.account, typed);
    EXPECT_EQ(kd::GetText(r.account), std::string(127, 'q'));
    EXPECT_TRUE(kd::TextEquals(r.account, typed));
    EXPECT_FALSE(kd::TextEquals(r.account, std::string(126, 'q')));

    // A record filled edge to edge by its caller is cut, not overrun.
    AccountRecord full{};
    std::memset(full.account, 'a', 128);
    std::memset(full.password, 'b', 128);
    std::memset(full.comment, 'c', 128);
    CAccountFile store;
    ASSERT_TRUE(store.Open("olga"));
    store.SetAdministrator(std::string(128, 'k'), std::string(128, 'p'));
    store.EnableSave();
    ASSERT_TRUE(store.AddRecord(full));
    EXPECT_EQ(kd::GetText(store.GetRecords()[0].comment), std::string(127, 'c'));
    ASSERT_TRUE(store.Save());

    CAccountFile reread;
    ASSERT_TRUE(reread.Open("olga"));
    EXPECT_EQ(kd::GetText(reread.GetHeader().adminAccount), std::string(127, 'k'));
    EXPECT_EQ(kd::GetText(reread.GetHeader().adminPassword), std::string(127, 'p'));
    ASSERT_EQ(reread.GetRecords().size(), 1u);
    EXPECT_EQ(kd::GetText(reread.GetRecords()[0].account), std::string(127, 'a'));
}

} // namespace

namespace {

// The bytes a session writes for a new administrator and these entries, made
// the way the store did before it created files itself: an empty file, the
// header filled in, the entries added, one save.
Bytes SessionBytes(const std::string& admin, const std::string& password, const std::vector<Entry>& entries)
{
    std::filesystem::create_directory("reference");
    std::filesystem::current_path("reference");
    CreateFile(admin, password, entries);
    Bytes bytes = ReadFile(admin + ".qrd");
    std::filesystem::current_path("..");
    std::filesystem::remove_all("reference");
    return bytes;
}

} // namespace

// A crash right after the creation leaves a file the administrator can log in
// to, and the session's own save writes the same bytes as it always did.
TEST_F(AccountFile, CreateWritesAWholeFileAtOnce)
{
    CAccountFile store;
    ASSERT_TRUE(store.Bind("quentin"));
    EXPECT_TRUE(store.IsMissingOrEmpty());
    ASSERT_EQ(store.Create("quentin", "s3cret"), CAccountFile::CreateResult::Created);
    EXPECT_EQ(ReadFile("quentin.qrd"), SessionBytes("quentin", "s3cret", {}));
    {
        CAccountFile crashed;
        ASSERT_TRUE(crashed.Open("quentin"));
        EXPECT_EQ(kd::GetText(crashed.GetHeader().adminAccount), "quentin");
        EXPECT_EQ(kd::GetText(crashed.GetHeader().adminPassword), "s3cret");
        EXPECT_TRUE(crashed.GetRecords().empty());
    }

    store.EnableSave();
    for (const auto& e : SomeEntries(5)) {
        AccountRecord r = MakeRecord(e.account, e.password, e.comment);
        ASSERT_TRUE(store.AddRecord(r));
    }
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(ReadFile("quentin.qrd"), SessionBytes("quentin", "s3cret", SomeEntries(5)));
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"quentin.qrd"});
}

// Whatever holds the name, Create makes no file of it its own: it refuses,
// and the file keeps its bytes. An empty file holds nothing and is taken over.
TEST_F(AccountFile, CreateTakesOverNothingButAnEmptyFile)
{
    CreateFile("rita", "theirs", SomeEntries(3));
    const Bytes before = ReadFile("rita.qrd");
    WriteFile("short.qrd", Bytes(10, 0x41));
    std::filesystem::create_directory("dir.qrd");
    WriteFile("empty.qrd", {});

    CAccountFile store;
    ASSERT_TRUE(store.Bind("rita"));
    EXPECT_FALSE(store.IsMissingOrEmpty());
    EXPECT_EQ(store.Create("rita", "mine"), CAccountFile::CreateResult::Exists);
    EXPECT_EQ(ReadFile("rita.qrd"), before);
    EXPECT_EQ(kd::GetText(store.GetHeader().adminPassword), "");
    EXPECT_TRUE(store.GetRecords().empty());

    ASSERT_TRUE(store.Bind("short"));
    EXPECT_EQ(store.Create("short", "mine"), CAccountFile::CreateResult::Exists);
    EXPECT_EQ(ReadFile("short.qrd"), Bytes(10, 0x41));
    ASSERT_TRUE(store.Bind("dir"));
    EXPECT_EQ(store.Create("dir", "mine"), CAccountFile::CreateResult::Failed);
    EXPECT_TRUE(std::filesystem::is_directory("dir.qrd"));

    ASSERT_TRUE(store.Bind("empty"));
    EXPECT_TRUE(store.IsMissingOrEmpty());
    ASSERT_EQ(store.Create("empty", "mine"), CAccountFile::CreateResult::Created);
    EXPECT_EQ(ReadFile("empty.qrd"), SessionBytes("empty", "mine", {}));
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"dir.qrd", "empty.qrd", "rita.qrd", "short.qrd"}));
}

// The folder that was current at Bind keeps the file for the whole session.
TEST_F(AccountFile, TheFullPathIsBoundOnceAtOpen)
{
    CreateFile("sven", "pw", SomeEntries(1));
    CAccountFile store;
    ASSERT_TRUE(store.Open("sven"));
    store.EnableSave();
    AccountRecord r = MakeRecord("added", "later", "");
    ASSERT_TRUE(store.AddRecord(r));

    std::filesystem::create_directory("elsewhere");
    std::filesystem::current_path("elsewhere");
    EXPECT_TRUE(store.Exists());
    EXPECT_FALSE(store.IsMissingOrEmpty());
    const bool saved = store.Save();
    const auto elsewhere = FolderEntries();
    std::filesystem::current_path("..");
    EXPECT_TRUE(saved);
    EXPECT_TRUE(elsewhere.empty());
    CAccountFile reread;
    ASSERT_TRUE(reread.Open("sven"));
    EXPECT_EQ(reread.GetRecords().size(), 2u);
}
