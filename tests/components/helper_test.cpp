// The Helper object through COM, as Kordane and Scrivet call it.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ComponentTestSupport.h"
#include "TimeStamp.h"

namespace {

using kdtest::ChildProcess;
using kdtest::ComScope;
using kdtest::TempDirectory;
namespace fs = std::filesystem;

class HelperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(m_com.result());
        ASSERT_EQ(S_OK,
                  ::CoCreateInstance(CLSID_Helper, nullptr, CLSCTX_INPROC_SERVER, IID_IHelper, m_helper.put_void()));
    }

    ComScope m_com;
    kd::com_ptr<IHelper> m_helper;
};

// A buffer pre-filled with a marker, to see what an operation wrote.
struct Buffer {
    explicit Buffer(size_t size) : bytes(size, '#') {}
    [[nodiscard]] bool untouched() const
    {
        return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == '#'; });
    }
    [[nodiscard]] std::string text() const { return bytes.data(); }
    char* data() { return bytes.data(); }
    [[nodiscard]] std::int32_t size() const { return static_cast<std::int32_t>(bytes.size()); }
    std::vector<char> bytes;
};

// Restores the process's current directory at scope end.
class CurrentDirectoryScope {
public:
    CurrentDirectoryScope() : m_saved(fs::current_path()) {}
    ~CurrentDirectoryScope() { ::SetCurrentDirectoryA(m_saved.string().c_str()); }

private:
    fs::path m_saved;
};

std::string CurrentDirectory()
{
    std::vector<char> dir(::GetCurrentDirectoryA(0, nullptr) + 1);
    ::GetCurrentDirectoryA(static_cast<DWORD>(dir.size()), dir.data());
    return dir.data();
}

// ---- time stamps ----

TEST(TimeStampFormat, YearUnpaddedOtherFieldsTwoDigits)
{
    SYSTEMTIME t{};
    t.wYear = 2006;
    t.wMonth = 3;
    t.wDay = 3;
    t.wHour = 7;
    t.wMinute = 5;
    t.wSecond = 9;
    EXPECT_EQ("20060303070509", kd::FormatTimeStamp(t, true));
    EXPECT_EQ("200603030705", kd::FormatTimeStamp(t, false));
    t.wYear = 987;
    EXPECT_EQ("987030307", kd::FormatTimeStamp(t, false).substr(0, 9));
}

TEST_F(HelperTest, GetTimeStampNeedsThirtyTwoBytesAndGivesLocalTime)
{
    Buffer small(31);
    EXPECT_FALSE(m_helper->GetTimeStamp(small.data(), small.size(), true));
    EXPECT_TRUE(small.untouched());
    EXPECT_FALSE(m_helper->GetTimeStamp(nullptr, 64, true));

    SYSTEMTIME before{}, after{};
    ::GetLocalTime(&before);
    Buffer withSeconds(32), withoutSeconds(32);
    ASSERT_TRUE(m_helper->GetTimeStamp(withSeconds.data(), withSeconds.size(), true));
    ASSERT_TRUE(m_helper->GetTimeStamp(withoutSeconds.data(), withoutSeconds.size(), false));
    ::GetLocalTime(&after);

    EXPECT_TRUE(std::regex_match(withSeconds.text(), std::regex("[0-9]{14}"))) << withSeconds.text();
    EXPECT_TRUE(std::regex_match(withoutSeconds.text(), std::regex("[0-9]{12}"))) << withoutSeconds.text();
    EXPECT_LE(kd::FormatTimeStamp(before, true), withSeconds.text());
    EXPECT_GE(kd::FormatTimeStamp(after, true), withSeconds.text());
    EXPECT_LE(kd::FormatTimeStamp(before, false), withoutSeconds.text());
    EXPECT_GE(kd::FormatTimeStamp(after, false), withoutSeconds.text());
}

// ---- directories ----

TEST_F(HelperTest, GetModuleDirectoryKeepsTheTrailingBackslash)
{
    Buffer small(127);
    EXPECT_FALSE(m_helper->GetModuleDirectory(nullptr, small.data(), small.size()));
    EXPECT_TRUE(small.untouched());
    EXPECT_FALSE(m_helper->GetModuleDirectory(nullptr, nullptr, 128));

    const std::string bin = kdtest::BinDirectory().string() + "\\";
    ASSERT_LT(bin.size(), 128u) << "build folder too deep for this test";
    Buffer program(128);
    ASSERT_TRUE(m_helper->GetModuleDirectory(nullptr, program.data(), program.size()));
    EXPECT_EQ(bin, program.text());
    Buffer library(128);
    ASSERT_TRUE(m_helper->GetModuleDirectory(::GetModuleHandleA("Helper.dll"), library.data(), library.size()));
    EXPECT_EQ(bin, library.text());
}

TEST_F(HelperTest, GetModuleDirectoryRefusesPathsThatDoNotFit)
{
    // Copies of a library whose full paths are 127 and 128 characters long.
    TempDirectory dir;
    const std::string base = dir.path().string() + "\\";
    ASSERT_LT(base.size() + 8, 127u);
    const auto copyWithPathLength = [&](size_t length) {
        const std::string path = base + std::string(length - base.size() - 4, 'm') + ".dll";
        EXPECT_TRUE(fs::copy_file(kdtest::BinDirectory() / "Helper.dll", path));
        return path;
    };
    const std::string fits = copyWithPathLength(127), tooLong = copyWithPathLength(128);
    const kd::unique_hmodule fitting(::LoadLibraryA(fits.c_str()));
    const kd::unique_hmodule cut(::LoadLibraryA(tooLong.c_str()));
    ASSERT_TRUE(fitting);
    ASSERT_TRUE(cut);

    Buffer ok(128);
    ASSERT_TRUE(m_helper->GetModuleDirectory(fitting.get(), ok.data(), ok.size()));
    EXPECT_EQ(base, ok.text());
    Buffer refused(256);
    EXPECT_FALSE(m_helper->GetModuleDirectory(cut.get(), refused.data(), refused.size()));
    EXPECT_TRUE(refused.untouched());
}

TEST_F(HelperTest, GetWorkingDirectoryGivesTheCurrentDirectoryWhenItFits)
{
    CurrentDirectoryScope restore;
    Buffer small(127);
    EXPECT_FALSE(m_helper->GetWorkingDirectory(small.data(), small.size()));
    EXPECT_TRUE(small.untouched());
    EXPECT_FALSE(m_helper->GetWorkingDirectory(nullptr, 256));

    Buffer dir(128);
    ASSERT_TRUE(m_helper->GetWorkingDirectory(dir.data(), dir.size()));
    EXPECT_EQ(CurrentDirectory(), dir.text());
    EXPECT_NE('\\', dir.text().back());

    ASSERT_TRUE(::SetCurrentDirectoryA("C:\\"));
    Buffer root(128);
    ASSERT_TRUE(m_helper->GetWorkingDirectory(root.data(), root.size()));
    EXPECT_EQ("C:\\", root.text());
}

TEST_F(HelperTest, GetWorkingDirectoryAnswersFalseWhenTheDirectoryDoesNotFit)
{
    CurrentDirectoryScope restore;
    TempDirectory temp;
    fs::path deep = temp.path();
    while (deep.string().size() < 200) deep /= std::string(40, 'd');
    fs::create_directories(deep);
    ASSERT_TRUE(::SetCurrentDirectoryA(deep.string().c_str()));

    Buffer small(128);
    EXPECT_FALSE(m_helper->GetWorkingDirectory(small.data(), small.size()));
    EXPECT_TRUE(small.untouched()) << "the caller's buffer keeps its content";
    Buffer large(512);
    ASSERT_TRUE(m_helper->GetWorkingDirectory(large.data(), large.size()));
    EXPECT_EQ(deep.string(), large.text());
}

TEST_F(HelperTest, GetWorkingLeafPathRepeatsTheLastName)
{
    CurrentDirectoryScope restore;
    TempDirectory temp;
    const fs::path logs = temp.path() / "Work" / "Logs";
    fs::create_directories(logs);
    ASSERT_TRUE(::SetCurrentDirectoryA(logs.string().c_str()));
    Buffer leaf(256);
    ASSERT_TRUE(m_helper->GetWorkingLeafPath(leaf.data(), leaf.size()));
    EXPECT_EQ(logs.string() + "\\Logs", leaf.text());

    ASSERT_TRUE(::SetCurrentDirectoryA("C:\\"));
    Buffer root(128);
    ASSERT_TRUE(m_helper->GetWorkingLeafPath(root.data(), root.size()));
    EXPECT_EQ("C:\\\\", root.text());

    Buffer small(127);
    EXPECT_FALSE(m_helper->GetWorkingLeafPath(small.data(), small.size()));
    EXPECT_TRUE(small.untouched());
}

TEST_F(HelperTest, GetWorkingLeafPathNeverWritesPastTheBuffer)
{
    CurrentDirectoryScope restore;
    TempDirectory temp;
    // A last name longer than 62 characters; the doubled name needs more
    // room than the directory alone.
    const fs::path dir = temp.path() / std::string(70, 'L');
    fs::create_directories(dir);
    ASSERT_TRUE(::SetCurrentDirectoryA(dir.string().c_str()));
    const std::string expected = dir.string() + "\\" + std::string(70, 'L');
    ASSERT_GE(expected.size(), 128u);

    Buffer oneShort(expected.size());
    EXPECT_FALSE(m_helper->GetWorkingLeafPath(oneShort.data(), oneShort.size()));
    EXPECT_TRUE(oneShort.untouched());
    Buffer exact(expected.size() + 1);
    ASSERT_TRUE(m_helper->GetWorkingLeafPath(exact.data(), exact.size()));
    EXPECT_EQ(expected, exact.text());
}

// ---- string checks ----

TEST_F(HelperTest, IsIPv4AddressAcceptsOnlyDottedQuads)
{
    const auto check = [&](const char* text) {
        return m_helper->IsIPv4Address(text, static_cast<std::int32_t>(std::strlen(text)));
    };
    for (const char* good : {"192.168.1.1", "1.2.3.4", "0.0.0.0", "255.255.255.255", "10.0.0.255", "001.02.3.4"})
        EXPECT_TRUE(check(good)) << good;
    for (const char* bad :
         {"10.0.0.256", "256.1.1.1", "1.2.3.4.5", "1.2.3.a4", "123..4.56", ".1.2.3", "1.2.3.", "1.2.3", "1..2.3",
          "1234.1.1.1", "1.2.3.4444", "1.2.3.-4", "1.2.3.4 ", " 1.2.3.4", "999.999.999.999", "1.2.3.0004", ""})
        EXPECT_FALSE(check(bad)) << bad;
    EXPECT_FALSE(m_helper->IsIPv4Address(nullptr, 11));
    // The caller's length gates the check: seven to fifteen.
    EXPECT_FALSE(m_helper->IsIPv4Address("1.2.3.4", 6));
    EXPECT_FALSE(m_helper->IsIPv4Address("192.168.100.100", 16));
    // A long run of digits ends the check at once, whatever the length says.
    const std::string digits(4096, '1');
    EXPECT_FALSE(m_helper->IsIPv4Address(digits.c_str(), 15));
}

TEST_F(HelperTest, IsDigitsAndIsLettersCheckEveryCharacter)
{
    EXPECT_TRUE(m_helper->IsDigits("", 0));
    EXPECT_TRUE(m_helper->IsLetters("", 0));
    EXPECT_FALSE(m_helper->IsDigits(nullptr, 0));
    EXPECT_FALSE(m_helper->IsLetters(nullptr, 0));

    EXPECT_TRUE(m_helper->IsDigits("0123456789", 999)); // the length is not used
    EXPECT_FALSE(m_helper->IsDigits("12a3", 4));
    EXPECT_FALSE(m_helper->IsDigits("12 3", 4));
    EXPECT_FALSE(m_helper->IsDigits("-1", 2));
    EXPECT_TRUE(m_helper->IsLetters("AbcXYZxyz", 0));
    EXPECT_FALSE(m_helper->IsLetters("abc1", 4));
    EXPECT_FALSE(m_helper->IsLetters("ab_c", 4));
    EXPECT_FALSE(m_helper->IsLetters("caf\xE9", 4)) << "bytes above 127 are not letters";
    EXPECT_FALSE(m_helper->IsDigits("1\xB2", 2));
    EXPECT_FALSE(m_helper->IsLetters("@[`{", 4)) << "neighbours of the letter ranges";
    EXPECT_FALSE(m_helper->IsDigits("/:", 2)) << "neighbours of the digit range";
}

// ---- deck ----

// The generator as the runtime has it, computed independently of the component.
struct ExpectedRandom {
    std::uint32_t state = 1;
    int next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
};

HelperDeck ExpectedShuffle(ExpectedRandom& random)
{
    HelperDeck deck;
    for (std::uint16_t suit = 0; suit < 4; ++suit)
        for (std::uint16_t rank = 1; rank <= 13; ++rank) deck.push_back(static_cast<std::uint16_t>(suit * 256 + rank));
    deck.push_back(0x0401);
    deck.push_back(0x0402);
    for (size_t i = 1; i < deck.size(); ++i) std::swap(deck[i], deck[static_cast<size_t>(random.next()) % (i + 1)]);
    return deck;
}

TEST_F(HelperTest, ShuffleDeckRefusesDecksThatAreNotFiftyFour)
{
    EXPECT_FALSE(m_helper->ShuffleDeck(nullptr));
    HelperDeck empty;
    EXPECT_FALSE(m_helper->ShuffleDeck(&empty));
    EXPECT_TRUE(empty.empty());
    for (size_t size : {53u, 55u, 108u}) {
        HelperDeck deck(size, 0x7777);
        EXPECT_FALSE(m_helper->ShuffleDeck(&deck)) << size;
        EXPECT_EQ(HelperDeck(size, 0x7777), deck) << size;
    }
}

TEST_F(HelperTest, ShuffleDeckFollowsThePerThreadGeneratorFromItsStart)
{
    IHelper* helper = m_helper.get();
    // Each new thread starts the generator at 1; on one thread it carries on.
    const auto shuffleTwiceOnNewThread = [helper] {
        // Whatever the caller put in is overwritten.
        std::array<HelperDeck, 2> decks{HelperDeck(54, 0xFFFF), HelperDeck(54)};
        std::array<bool, 2> ok{};
        std::thread([&] {
            ok[0] = helper->ShuffleDeck(&decks[0]);
            ok[1] = helper->ShuffleDeck(&decks[1]);
        }).join();
        EXPECT_TRUE(ok[0] && ok[1]);
        return decks;
    };
    const auto first = shuffleTwiceOnNewThread();
    const auto second = shuffleTwiceOnNewThread();

    ExpectedRandom random;
    const HelperDeck expectedFirst = ExpectedShuffle(random);
    const HelperDeck expectedNext = ExpectedShuffle(random);
    EXPECT_EQ(expectedFirst, first[0]);
    EXPECT_EQ(expectedNext, first[1]);
    EXPECT_EQ(first, second) << "a new thread draws the same sequence";

    const std::set<std::uint16_t> codes(first[0].begin(), first[0].end());
    EXPECT_EQ(54u, codes.size());
    EXPECT_EQ(1u, codes.count(0x0001));
    EXPECT_EQ(1u, codes.count(0x030D));
    EXPECT_EQ(1u, codes.count(0x0402));
    EXPECT_EQ(0u, codes.count(0x0000));
    EXPECT_EQ(0u, codes.count(0x000E));
}

// ---- console, through a child process with redirected standard streams ----

std::string Child(const std::string& args)
{
    return "\"" + (kdtest::BinDirectory() / "helper_child.exe").string() + "\" " + args;
}

// What the standard output stream makes of a text: line feeds reach a pipe as CR LF.
std::string AsWritten(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

TEST(HelperConsole, WriteLineEndsEveryTextWithALineAndNullIsAnEmptyLine)
{
    auto r = kdtest::Run(Child("writeline hello \"two words\""));
    EXPECT_EQ(0u, r.exitCode);
    EXPECT_EQ(AsWritten("hello\ntwo words\n"), r.output);

    r = kdtest::Run(Child("writeline-null"));
    EXPECT_EQ(0u, r.exitCode);
    EXPECT_EQ(AsWritten("\nafter\n"), r.output);
}

TEST(HelperConsole, WaitForKeyIgnoresBlankLinesAndEndsOnAnyOtherCharacter)
{
    ChildProcess child(Child("waitkey"));
    ASSERT_TRUE(child.started());
    EXPECT_EQ(AsWritten("Press any key to terminate the process.\n"), child.ReadUntil("process.\r\n"));
    child.WriteInput("\n \t\r\n\n");
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(child.handle(), 500))
        << "white space alone must not end the wait";
    child.WriteInput("  x\n");
    const auto r = child.Finish();
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(0u, r.exitCode);
    EXPECT_EQ(AsWritten("Press any key to terminate the process.\nreturned\n"), r.output);
}

TEST(HelperConsole, WaitForKeyReturnsWhenInputEnds)
{
    ChildProcess child(Child("waitkey"));
    ASSERT_TRUE(child.started());
    child.WriteInput("\n\n");
    child.CloseInput();
    const auto r = child.Finish();
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(AsWritten("Press any key to terminate the process.\nreturned\n"), r.output);
}

TEST(HelperConsole, WriteLastErrorWritesAnEmptyLineThenTheSystemText)
{
    char* text = nullptr;
    ASSERT_NE(0u, ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, ERROR_FILE_NOT_FOUND, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                   reinterpret_cast<LPSTR>(&text), 0, nullptr));
    const kd::unique_hlocal owner(text);

    const auto r = kdtest::Run(Child("lasterror 2"));
    EXPECT_EQ(11u, r.exitCode) << "answers true";
    EXPECT_EQ(AsWritten("\n" + std::string(text) + "\n"), r.output);
}

TEST(HelperConsole, WriteLastErrorWithoutASystemTextWritesNothing)
{
    // Customer-defined codes have no text in the system message table.
    const auto r = kdtest::Run(Child("lasterror 0x2000ABCD"));
    EXPECT_EQ(10u, r.exitCode) << "answers false";
    EXPECT_EQ("", r.output) << "not even the empty line";
}

// ---- thread suspension ----

std::vector<DWORD> ThreadsOf(DWORD processId)
{
    std::vector<DWORD> threads;
    const kd::unique_hfile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry))
        if (entry.th32OwnerProcessID == processId) threads.push_back(entry.th32ThreadID);
    return threads;
}

// The suspension count of a thread, read without changing it.
DWORD SuspendCount(DWORD threadId)
{
    const kd::unique_handle thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, threadId));
    if (!thread) return static_cast<DWORD>(-1);
    const DWORD previous = ::SuspendThread(thread.get());
    ::ResumeThread(thread.get());
    return previous;
}

std::vector<DWORD> SuspendCounts(const std::vector<DWORD>& threads)
{
    std::vector<DWORD> counts;
    for (DWORD id : threads) counts.push_back(SuspendCount(id));
    return counts;
}

TEST_F(HelperTest, SetProcessThreadsSuspendedCountsEachCallOnEveryThread)
{
    ChildProcess child(Child("sleep"));
    ASSERT_TRUE(child.started());
    ASSERT_NE(std::string::npos, child.ReadUntil("ready").find("ready"));
    const auto threads = ThreadsOf(child.id());
    ASSERT_GE(threads.size(), 3u) << "main thread and its two helpers";
    const auto counts = [&](DWORD n) { return std::vector<DWORD>(threads.size(), n); };
    EXPECT_EQ(counts(0), SuspendCounts(threads));

    EXPECT_NE(0, m_helper->SetProcessThreadsSuspended(child.id(), 1));
    EXPECT_NE(0, m_helper->SetProcessThreadsSuspended(child.id(), 1));
    EXPECT_EQ(counts(2), SuspendCounts(threads));
    EXPECT_NE(0, m_helper->SetProcessThreadsSuspended(child.id(), 0));
    EXPECT_EQ(counts(1), SuspendCounts(threads)) << "one resume is not enough after two suspends";
    EXPECT_NE(0, m_helper->SetProcessThreadsSuspended(child.id(), 0));
    EXPECT_EQ(counts(0), SuspendCounts(threads));
    // Resuming a running thread leaves it running.
    EXPECT_NE(0, m_helper->SetProcessThreadsSuspended(child.id(), 0));
    EXPECT_EQ(counts(0), SuspendCounts(threads));
}

TEST_F(HelperTest, SetProcessThreadsSuspendedRefusesTheCallersOwnProcess)
{
    const auto threads = ThreadsOf(::GetCurrentProcessId());
    EXPECT_EQ(0, m_helper->SetProcessThreadsSuspended(::GetCurrentProcessId(), 1));
    EXPECT_EQ(0, m_helper->SetProcessThreadsSuspended(::GetCurrentProcessId(), 0));
    // Only other threads of ours could be checked; none of them was suspended.
    for (DWORD id : threads) {
        if (id != ::GetCurrentThreadId()) {
            EXPECT_EQ(0u, SuspendCount(id));
        }
    }
}

TEST_F(HelperTest, SetProcessThreadsSuspendedForAProcessWithoutThreadsTouchesNothing)
{
    // Process identifiers are multiples of four: this one names no process.
    const std::uint32_t nobody = 0xFFFFFFF3u;
    ASSERT_TRUE(ThreadsOf(nobody).empty());
    EXPECT_NE(0, m_helper->SetProcessThreadsSuspended(nobody, 1));
    EXPECT_NE(0, m_helper->SetProcessThreadsSuspended(nobody, 0));
}

} // namespace
