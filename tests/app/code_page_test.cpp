// The list view draws in Unicode and converts single-byte texts with the ANSI
// code page. Under a double-byte code page (932) many byte strings do not
// survive that round trip: a lead byte with no trail byte comes back as a
// whole character. Entries nobody edited must reach the file as they came.
// CTest runs these cases once more under code page 932.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "AppTest.h"

using namespace kdtest;
namespace fs = std::filesystem;

namespace {

using CodePage = AppTest;

// One entry per byte value after "pw", and the byte alone as a comment.
std::vector<Row> EveryByte()
{
    std::vector<Row> rows;
    for (int byte = 1; byte < 256; ++byte) {
        char account[16];
        std::snprintf(account, sizeof account, "acc%03d", byte);
        const std::string text(1, static_cast<char>(byte));
        rows.push_back({account, "pw" + text, text});
    }
    return rows;
}

} // namespace

TEST_F(CodePage, EntriesNobodyEditedAreSavedByteForByte)
{
    // The run meant for code page 932 says so when the locale could not be made.
    if (const char* locale = std::getenv("KD_WINE_LC_ALL");
        locale && std::string(locale).starts_with("ja_JP") && ::GetACP() != 932)
        GTEST_SKIP() << "needs the ANSI code page 932, this is " << ::GetACP();
    const std::vector<Row> rows = EveryByte();
    WriteAccountFile("hana", "pw", rows);
    const std::vector<char> before = ReadFile("hana.qrd");

    ASSERT_NO_FATAL_FAILURE(Start());
    Login("hana", "pw");
    EXPECT_EQ(m_responder.Messages(), std::vector<std::string>{"Login success."});
    ASSERT_EQ(ListRows().size(), rows.size());
    // The list keeps no converted copy: what it is asked for is the entry's own bytes.
    EXPECT_EQ(Cell(0x80, 1), rows[0x80][1]);
    Exit();
    EXPECT_EQ(ReadFile("hana.qrd"), before);

    // Edited and new entries are saved as the list shows them; the others as loaded.
    ASSERT_NO_FATAL_FAILURE(Start());
    Login("hana", "pw");
    SelectRow(0);
    SetFields("edited", "pw", "");
    Click(m_main, IDC_BUTTON_UPDATE);
    SelectRow(1);
    Click(m_main, IDC_BUTTON_DELETE);
    Insert("new", "n", "");
    Exit();
    std::vector<Row> expected = rows;
    expected[0] = {"edited", "pw", ""};
    expected.erase(expected.begin() + 1);
    expected.push_back({"new", "n", ""});
    EXPECT_EQ(ReadAccountFile("hana"), expected);
}
