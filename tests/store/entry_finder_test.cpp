// Find in the entries: any of the three texts, letter case ignored, from the
// current row on and round from the top, and double-byte texts taken by
// character, never by a trail byte that looks like a letter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EntryFinder.h"
#include "StoreTestSupport.h"

using storetest::MakeRecord;

namespace {

const kd::TextFolding kAscii = kd::TextFolding::Ascii();

// Code page 932's lead bytes (0x81-0x9F, 0xE0-0xFC).
kd::TextFolding ShiftJis()
{
    kd::TextFolding folding = kd::TextFolding::Ascii();
    for (int b = 0x81; b <= 0x9F; ++b) folding.lead[b] = true;
    for (int b = 0xE0; b <= 0xFC; ++b) folding.lead[b] = true;
    return folding;
}

} // namespace

TEST(EntryFinder, FindsTheTextInAnyColumnIgnoringLetterCase)
{
    const std::vector<AccountRecord> rows = {MakeRecord("alice", "Secret1", "mail"),
                                             MakeRecord("bob", "pw", "Bank ACCOUNT"), MakeRecord("carol", "x", "")};
    EXPECT_EQ(kd::CEntryFinder("ALI", kAscii).FindFrom(rows, 0), 0u);
    EXPECT_EQ(kd::CEntryFinder("secret", kAscii).FindFrom(rows, 0), 0u);
    EXPECT_EQ(kd::CEntryFinder("k acc", kAscii).FindFrom(rows, 0), 1u);
    EXPECT_EQ(kd::CEntryFinder("Carol", kAscii).FindFrom(rows, 0), 2u);
    EXPECT_FALSE(kd::CEntryFinder("dave", kAscii).FindFrom(rows, 0));
    // Nothing is found by nothing, nor across two fields.
    EXPECT_FALSE(kd::CEntryFinder("", kAscii).FindFrom(rows, 0));
    EXPECT_FALSE(kd::CEntryFinder("alicesecret1", kAscii).FindFrom(rows, 0));
    // The entry number is no text of the entry.
    std::vector<AccountRecord> numbered = {MakeRecord("a", "b", "c")};
    numbered[0].index = 7;
    EXPECT_FALSE(kd::CEntryFinder("7", kAscii).FindFrom(numbered, 0));
}

TEST(EntryFinder, GoesOnFromTheGivenRowAndRoundFromTheTop)
{
    const std::vector<AccountRecord> rows = {MakeRecord("web", "1", ""), MakeRecord("mail", "2", ""),
                                             MakeRecord("web2", "3", ""), MakeRecord("bank", "4", "")};
    const kd::CEntryFinder web("WEB", kAscii);
    bool wrapped = true;
    EXPECT_EQ(web.FindFrom(rows, 0, &wrapped), 0u);
    EXPECT_FALSE(wrapped);
    EXPECT_EQ(web.FindFrom(rows, 1, &wrapped), 2u);
    EXPECT_FALSE(wrapped);
    EXPECT_EQ(web.FindFrom(rows, 3, &wrapped), 0u);
    EXPECT_TRUE(wrapped);
    // Past the last row is the top again.
    EXPECT_EQ(web.FindFrom(rows, 4, &wrapped), 0u);
    EXPECT_TRUE(wrapped);
    // The only match, searched for from just after it, is found again.
    EXPECT_EQ(kd::CEntryFinder("bank", kAscii).FindFrom(rows, 4, &wrapped), 3u);
    EXPECT_TRUE(wrapped);
    EXPECT_FALSE(kd::CEntryFinder("web", kAscii).FindFrom({}, 0, &wrapped));
}

TEST(EntryFinder, FoldsWhatTheCodePageFoldsAndComparesDoubleByteCharactersWhole)
{
    // A single-byte code page whose upper-case E acute (0xC9) folds to 0xE9.
    kd::TextFolding latin = kd::TextFolding::Ascii();
    latin.lower[0xC9] = 0xE9;
    const std::vector<AccountRecord> accented = {MakeRecord("caf\xC9", "x", "")};
    EXPECT_EQ(kd::CEntryFinder("CAF\xE9", latin).FindFrom(accented, 0), 0u);
    EXPECT_FALSE(kd::CEntryFinder("CAF\xE9", kAscii).FindFrom(accented, 0));

    // In code page 932, 0x83 0x41 is one katakana character whose trail byte is 'A'.
    const kd::TextFolding sjis = ShiftJis();
    const std::vector<AccountRecord> katakana = {MakeRecord("\x83\x41", "x", "")};
    EXPECT_FALSE(kd::CEntryFinder("a", sjis).FindFrom(katakana, 0)) << "a trail byte is no letter";
    EXPECT_FALSE(kd::CEntryFinder("A", sjis).FindFrom(katakana, 0)) << "nor does a match start on it";
    EXPECT_FALSE(kd::CEntryFinder("\x83\x61", sjis).FindFrom(katakana, 0)) << "trail bytes are not folded";
    EXPECT_EQ(kd::CEntryFinder("\x83\x41", sjis).FindFrom(katakana, 0), 0u);
    // Letters after a double-byte character still fold.
    const std::vector<AccountRecord> mixed = {MakeRecord("\x83\x41Mail", "x", "")};
    EXPECT_EQ(kd::CEntryFinder("mail", sjis).FindFrom(mixed, 0), 0u);
    // A lead byte's trail that is 0x41 followed by a letter: "AM" must not match across it.
    EXPECT_FALSE(kd::CEntryFinder("am", sjis).FindFrom(mixed, 0));
}

// The list's type-ahead: account names only, by their beginning (or whole),
// letter case ignored; round from the top only when asked.
TEST(EntryFinder, TypeAheadMatchesTheBeginningOfAnAccountOnly)
{
    const std::vector<AccountRecord> rows = {MakeRecord("mail", "web", "web"), MakeRecord("Webmail", "1", ""),
                                             MakeRecord("web", "2", ""), MakeRecord("bank", "3", "")};
    const kd::CEntryFinder web("WEB", kAscii);
    EXPECT_EQ(web.FindAccountFrom(rows, 0, false, false), 1u) << "not the password or comment of row 0";
    EXPECT_EQ(web.FindAccountFrom(rows, 0, true, false), 2u) << "whole: the account is the text";
    EXPECT_EQ(web.FindAccountFrom(rows, 3, false, true), 1u);
    EXPECT_FALSE(web.FindAccountFrom(rows, 3, false, false));
    EXPECT_FALSE(kd::CEntryFinder("ail", kAscii).FindAccountFrom(rows, 0, false, true)) << "inside a name";
    EXPECT_FALSE(kd::CEntryFinder("", kAscii).FindAccountFrom(rows, 0, false, true));
    EXPECT_FALSE(kd::CEntryFinder("bankx", kAscii).FindAccountFrom(rows, 0, false, true)) << "longer than the name";
    // Trail bytes are not folded: 0x83 0x41 does not begin as 0x83 0x61 does.
    const std::vector<AccountRecord> jis = {MakeRecord("\x83\x41pp", "", ""), MakeRecord("App", "", "")};
    EXPECT_EQ(kd::CEntryFinder("\x83\x61", ShiftJis()).FindAccountFrom(jis, 0, false, true), std::nullopt);
    EXPECT_EQ(kd::CEntryFinder("a", ShiftJis()).FindAccountFrom(jis, 0, false, true), 1u);
}
