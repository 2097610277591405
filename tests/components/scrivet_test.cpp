// The log object through COM, as Kordane uses it: the file's exact bytes.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "ComponentTestSupport.h"

namespace {

using kdtest::ComScope;
using kdtest::ReadText;
using kdtest::TempDirectory;

std::string LocalStamp()
{
    SYSTEMTIME t{};
    ::GetLocalTime(&t);
    char text[32];
    std::snprintf(text, sizeof text, "%d%02d%02d%02d%02d%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    return text;
}

// The file split at CR LF; fails the test on a line end of any other kind.
std::vector<std::string> Lines(const std::string& bytes)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        const size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) break;
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    EXPECT_EQ(bytes.size(), start) << "bytes after the last CR LF";
    for (const auto& line : lines) {
        EXPECT_EQ(std::string::npos, line.find('\n')) << "bare line feed in: " << line;
        EXPECT_EQ(std::string::npos, line.find('\r')) << "bare carriage return in: " << line;
    }
    return lines;
}

const std::regex kBeginLine("       Begin Time:[0-9]{14}");

// One log line: number right-aligned in 8, stamp right-aligned in 16, text right-aligned in 80.
void ExpectLogLine(const std::string& line, int number, const std::string& text)
{
    std::string expectedNumber = std::to_string(number);
    if (expectedNumber.size() < 8) expectedNumber.insert(0, 8 - expectedNumber.size(), ' ');
    ASSERT_GE(line.size(), expectedNumber.size() + 16) << line;
    EXPECT_EQ(expectedNumber, line.substr(0, expectedNumber.size()));
    const std::string stamp = line.substr(expectedNumber.size(), 16);
    EXPECT_TRUE(std::regex_match(stamp, std::regex("  [0-9]{14}"))) << '"' << stamp << '"';
    std::string expectedText = text;
    if (expectedText.size() < 80) expectedText.insert(0, 80 - expectedText.size(), ' ');
    EXPECT_EQ(expectedText, line.substr(expectedNumber.size() + 16)) << line;
}

class ScrivetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(m_com.result());
        ASSERT_EQ(S_OK,
                  ::CoCreateInstance(CLSID_Scrivet, nullptr, CLSCTX_INPROC_SERVER, IID_IScrivet, m_log.put_void()));
    }
    [[nodiscard]] std::string File(const char* name) const { return (m_dir.path() / name).string(); }

    ComScope m_com;
    TempDirectory m_dir;
    kd::com_ptr<IScrivet> m_log;
};

TEST_F(ScrivetTest, OpenLogWritesTheBeginLineAndOneEmptyLine)
{
    const std::string before = LocalStamp();
    ASSERT_TRUE(m_log->OpenLog(File("Kordane.txt").c_str()));
    const std::string after = LocalStamp();

    const std::string bytes = ReadText(File("Kordane.txt"));
    ASSERT_EQ(32u + 4u, bytes.size()) << bytes;
    EXPECT_EQ("\r\n\r\n", bytes.substr(32));
    const std::string first = bytes.substr(0, 32);
    EXPECT_TRUE(std::regex_match(first, kBeginLine)) << first;
    // The stamp is local time, taken between our two readings.
    const std::string stamp = first.substr(18);
    EXPECT_LE(before, stamp);
    EXPECT_GE(after, stamp);
}

TEST_F(ScrivetTest, LinesAreNumberedFromZeroInFixedColumnsAndFlushedAtOnce)
{
    ASSERT_TRUE(m_log->OpenLog(File("log.txt").c_str()));
    const std::string t79(79, 'a'), t80(80, 'b'), t130 = std::string(65, 'c') + std::string(65, 'd');
    const std::vector<std::string> texts{"Line:112,Fun:CKordaneApp::InitInstance", t79, t80, t130, ""};
    for (const auto& text : texts) EXPECT_TRUE(m_log->WriteLog(text.c_str()));

    // Read while the object still holds the file: every line end was flushed.
    const auto lines = Lines(ReadText(File("log.txt")));
    ASSERT_EQ(2 + texts.size(), lines.size());
    EXPECT_TRUE(std::regex_match(lines[0], kBeginLine));
    EXPECT_EQ("", lines[1]);
    for (size_t i = 0; i < texts.size(); ++i) ExpectLogLine(lines[2 + i], static_cast<int>(i), texts[i]);

    EXPECT_EQ("       0", lines[2].substr(0, 8));
    EXPECT_EQ(' ', lines[3][24]) << "79 characters get one leading space";
    EXPECT_EQ('a', lines[3][25]);
    EXPECT_EQ('b', lines[4][24]) << "80 characters start at once";
    EXPECT_EQ(24u + 130u, lines[5].size()) << "long texts are never cut";
    EXPECT_EQ(24u + 80u, lines[6].size()) << "an empty text still fills its column";
}

TEST_F(ScrivetTest, LineFeedsInsideATextAreStoredAsCrLfLikeATextModeStream)
{
    ASSERT_TRUE(m_log->OpenLog(File("log.txt").c_str()));
    // The column width counts the text as given, before the translation.
    const std::vector<std::pair<std::string, std::string>> cases{
        {"one\ntwo", std::string(73, ' ') + "one\r\ntwo"},
        {"a\r\nb", std::string(76, ' ') + "a\r\r\nb"},
        {"\n\n", std::string(78, ' ') + "\r\n\r\n"},
        {"lone\rcr", std::string(73, ' ') + "lone\rcr"},
        {std::string(79, 'x') + "\n", std::string(79, 'x') + "\r\n"},
    };
    for (const auto& [text, stored] : cases) ASSERT_TRUE(m_log->WriteLog(text.c_str()));

    const std::string bytes = ReadText(File("log.txt"));
    ASSERT_GE(bytes.size(), 36u);
    EXPECT_EQ("\r\n\r\n", bytes.substr(32, 4));
    size_t at = 36;
    for (size_t i = 0; i < cases.size(); ++i) {
        ASSERT_LE(at + 24, bytes.size());
        EXPECT_EQ("       " + std::to_string(i), bytes.substr(at, 8));
        const std::string stamp = bytes.substr(at + 8, 16);
        EXPECT_TRUE(std::regex_match(stamp, std::regex("  [0-9]{14}"))) << '"' << stamp << '"';
        const std::string expected = cases[i].second + "\r\n";
        EXPECT_EQ(expected, bytes.substr(at + 24, expected.size())) << "line " << i;
        at += 24 + expected.size();
    }
    EXPECT_EQ(bytes.size(), at) << "bytes after the last line";
}

TEST_F(ScrivetTest, MissingTextIsRefusedWithoutTakingANumber)
{
    ASSERT_TRUE(m_log->OpenLog(File("log.txt").c_str()));
    EXPECT_TRUE(m_log->WriteLog("first"));
    EXPECT_FALSE(m_log->WriteLog(nullptr));
    EXPECT_TRUE(m_log->WriteLog("second"));
    const auto lines = Lines(ReadText(File("log.txt")));
    ASSERT_EQ(4u, lines.size());
    ExpectLogLine(lines[2], 0, "first");
    ExpectLogLine(lines[3], 1, "second");
}

TEST_F(ScrivetTest, WritesBeforeOpenAdvanceTheNumberAndWriteNothing)
{
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(m_log->WriteLog("lost"));
    ASSERT_TRUE(m_log->OpenLog(File("log.txt").c_str()));
    EXPECT_TRUE(m_log->WriteLog("kept"));
    const auto lines = Lines(ReadText(File("log.txt")));
    ASSERT_EQ(3u, lines.size());
    ExpectLogLine(lines[2], 3, "kept");
}

TEST_F(ScrivetTest, ReopenStartsTheNewFileAnewAndCarriesTheNumberOn)
{
    ASSERT_TRUE(m_log->OpenLog(File("a.txt").c_str()));
    EXPECT_TRUE(m_log->WriteLog("in a"));
    EXPECT_TRUE(m_log->WriteLog("also in a"));
    ASSERT_TRUE(m_log->OpenLog(File("b.txt").c_str()));
    EXPECT_TRUE(m_log->WriteLog("in b"));

    const auto a = Lines(ReadText(File("a.txt")));
    ASSERT_EQ(4u, a.size());
    ExpectLogLine(a[3], 1, "also in a");
    const auto b = Lines(ReadText(File("b.txt")));
    ASSERT_EQ(3u, b.size());
    ExpectLogLine(b[2], 2, "in b");

    // Opening an existing file replaces its content.
    ASSERT_TRUE(m_log->OpenLog(File("a.txt").c_str()));
    const auto again = Lines(ReadText(File("a.txt")));
    ASSERT_EQ(2u, again.size());
    EXPECT_TRUE(std::regex_match(again[0], kBeginLine));
}

TEST_F(ScrivetTest, FailedOpenClosesThePreviousFileAndMissingPathKeepsIt)
{
    ASSERT_TRUE(m_log->OpenLog(File("log.txt").c_str()));
    EXPECT_FALSE(m_log->OpenLog(nullptr));
    EXPECT_TRUE(m_log->WriteLog("still open"));

    EXPECT_FALSE(m_log->OpenLog((m_dir.path() / "missing" / "log.txt").string().c_str()));
    EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "missing")) << "no directory is created";
    EXPECT_TRUE(m_log->WriteLog("goes nowhere"));

    ASSERT_TRUE(m_log->OpenLog(File("next.txt").c_str()));
    EXPECT_TRUE(m_log->WriteLog("numbered on"));

    const auto first = Lines(ReadText(File("log.txt")));
    ASSERT_EQ(3u, first.size());
    ExpectLogLine(first[2], 0, "still open");
    const auto next = Lines(ReadText(File("next.txt")));
    ASSERT_EQ(3u, next.size());
    ExpectLogLine(next[2], 2, "numbered on");
}

// A second Kordane started in the same folder opens the same log path.
TEST_F(ScrivetTest, ALogInUseStaysWholeAndTheNextWriterTakesTheFirstFreeNumberedName)
{
    kd::com_ptr<IScrivet> second, third;
    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_Scrivet, nullptr, CLSCTX_INPROC_SERVER, IID_IScrivet, second.put_void()));
    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_Scrivet, nullptr, CLSCTX_INPROC_SERVER, IID_IScrivet, third.put_void()));

    ASSERT_TRUE(m_log->OpenLog(File("Kordane.txt").c_str()));
    EXPECT_TRUE(m_log->WriteLog("first, before"));
    ASSERT_TRUE(second->OpenLog(File("Kordane.txt").c_str()));
    EXPECT_TRUE(second->WriteLog("second"));
    ASSERT_TRUE(third->OpenLog(File("Kordane.txt").c_str()));
    EXPECT_TRUE(third->WriteLog("third"));
    EXPECT_TRUE(m_log->WriteLog("first, after"));

    const auto first = Lines(ReadText(File("Kordane.txt")));
    ASSERT_EQ(4u, first.size()) << "nothing truncated, no gap of NUL bytes";
    EXPECT_TRUE(std::regex_match(first[0], kBeginLine));
    ExpectLogLine(first[2], 0, "first, before");
    ExpectLogLine(first[3], 1, "first, after");
    for (const auto& [name, text] : {std::pair{"Kordane-2.txt", "second"}, std::pair{"Kordane-3.txt", "third"}}) {
        const auto lines = Lines(ReadText(File(name)));
        ASSERT_EQ(3u, lines.size()) << name;
        EXPECT_TRUE(std::regex_match(lines[0], kBeginLine)) << name;
        ExpectLogLine(lines[2], 0, text);
    }

    // A numbered log nobody holds any more is free again, and begun anew.
    second.reset();
    ASSERT_TRUE(third->OpenLog(File("Kordane.txt").c_str()));
    EXPECT_EQ(3u, Lines(ReadText(File("Kordane-3.txt"))).size()) << "the closed log keeps its lines";
    EXPECT_EQ(2u, Lines(ReadText(File("Kordane-2.txt"))).size());

    // A name without an extension gets the number at its end.
    ASSERT_TRUE(m_log->OpenLog(File("log").c_str()));
    ASSERT_TRUE(third->OpenLog(File("log").c_str()));
    EXPECT_TRUE(std::filesystem::exists(File("log-2")));
}

TEST_F(ScrivetTest, LineNumbersOfEightDigitsFillTheirColumn)
{
    // Without an open file every call still takes a number.
    for (int i = 0; i < 10000000; ++i) ASSERT_TRUE(m_log->WriteLog("x"));
    ASSERT_TRUE(m_log->OpenLog(File("log.txt").c_str()));
    EXPECT_TRUE(m_log->WriteLog("eight digits"));
    const auto lines = Lines(ReadText(File("log.txt")));
    ASSERT_EQ(3u, lines.size());
    ExpectLogLine(lines[2], 10000000, "eight digits");
    EXPECT_EQ("10000000  ", lines[2].substr(0, 10)) << "no separator before the stamp column";
}

TEST_F(ScrivetTest, TestFlagAnswersWhetherTheValueIsNonZero)
{
    EXPECT_FALSE(m_log->TestFlag(0));
    EXPECT_TRUE(m_log->TestFlag(1));
    EXPECT_TRUE(m_log->TestFlag(-1));
    EXPECT_TRUE(m_log->TestFlag(INT32_MIN));
}

TEST_F(ScrivetTest, EachLogObjectHoldsItsOwnHelperUntilItIsDestroyed)
{
    using CanUnloadNowFn = HRESULT(__stdcall*)();
    const HMODULE helper = ::GetModuleHandleA("Helper.dll");
    ASSERT_NE(nullptr, helper) << "the log object loads the Helper through COM";
    const auto canUnload =
        reinterpret_cast<CanUnloadNowFn>(reinterpret_cast<void*>(::GetProcAddress(helper, "DllCanUnloadNow")));
    ASSERT_NE(nullptr, canUnload);
    EXPECT_EQ(S_FALSE, canUnload());
    m_log.reset();
    EXPECT_EQ(S_OK, canUnload());
}

} // namespace
