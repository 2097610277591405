// The copies beside an account file: which are offered and in what order,
// what is cleaned, how entries are compared, the kept versions and another
// program's version.
#include "CAccountCopies.h"
#include "CAccountFile.h"
#include "StoreTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

using namespace storetest;
namespace fs = std::filesystem;

namespace {

class AccountCopies : public kdtest::InTempFolder {};

std::vector<AccountRecord> Records(std::initializer_list<const char*> accounts)
{
    std::vector<AccountRecord> out;
    for (const char* a : accounts) out.push_back(MakeRecord(a, "pw", "note"));
    return out;
}

// Writes "<admin>.qrd" holding these entries, as a session's save does.
Bytes Saved(const std::string& admin, std::initializer_list<const char*> accounts)
{
    fs::remove(admin + ".qrd");
    CAccountFile store;
    EXPECT_TRUE(store.Bind(admin.c_str()));
    EXPECT_EQ(store.Create(admin, "pw"), CAccountFile::CreateResult::Created);
    store.EnableSave();
    store.SetRecords(Records(accounts));
    EXPECT_TRUE(store.Save());
    store.DisableSave();
    return ReadFile(admin + ".qrd");
}

void Age(const std::string& name, int minutes)
{
    fs::last_write_time(name, fs::file_time_type::clock::now() - std::chrono::minutes(minutes));
}

std::vector<std::string> Names(const std::vector<CAccountCopies::Copy>& copies)
{
    std::vector<std::string> names;
    for (const auto& c : copies) names.push_back(c.name);
    return names;
}

} // namespace

// Whole copies of every kind are found, newest first; cut-short temporaries,
// names the program never makes and another administrator's copies are not.
TEST_F(AccountCopies, WholeCopiesAreFoundNewestFirstAndOnlyThose)
{
    const Bytes two = Saved("tom", {"a", "b"});
    const Bytes three = Saved("tom", {"a", "b", "c"});
    fs::remove("tom.qrd");
    WriteFile("tom.qrd.17.tmp", two);
    WriteFile("tom.qrd.18.tmp", Bytes(three.begin(), three.end() - 1)); // killed before its last byte
    Bytes noMarker = three;
    noMarker[noMarker.size() - 388] = 1;
    WriteFile("tom.qrd.19.tmp", noMarker);
    WriteFile("tom.qrd.recovery", three);
    WriteFile("tom.qrd.4.recovery", two);
    WriteFile("tom.qrd.4.recovery.77.tmp", three); // a killed recovery write that got whole
    WriteFile("tom.qrd.1x.tmp", three);
    WriteFile("tom.qrd.5.qrd.9.tmp", three);
    WriteFile("tomas.qrd.3.tmp", three);
    WriteFile("tom.qrd.lock", {});
    Age("tom.qrd.17.tmp", 50);
    Age("tom.qrd.recovery", 40);
    Age("tom.qrd.4.recovery", 30);
    Age("tom.qrd.4.recovery.77.tmp", 20);

    CAccountFile file;
    ASSERT_TRUE(file.Bind("tom"));
    const auto copies = CAccountCopies(file).Find();
    EXPECT_EQ(Names(copies), (std::vector<std::string>{"tom.qrd.4.recovery.77.tmp", "tom.qrd.4.recovery",
                                                       "tom.qrd.recovery", "tom.qrd.17.tmp"}));
    ASSERT_EQ(copies.size(), 4u);
    EXPECT_EQ(copies[0].kind, CAccountCopies::Kind::Recovery);
    EXPECT_EQ(copies[3].kind, CAccountCopies::Kind::KilledSave);
    EXPECT_EQ(copies[0].records.size(), 3u);
    EXPECT_EQ(kd::GetText(copies[0].header.adminAccount), "tom");
    EXPECT_FALSE(copies[0].writtenAt.empty());

    // Cleaning takes only what holds no whole list.
    CAccountCopies(file).RemoveIncomplete();
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"tom.qrd.17.tmp", "tom.qrd.1x.tmp", "tom.qrd.4.recovery",
                                                         "tom.qrd.4.recovery.77.tmp", "tom.qrd.5.qrd.9.tmp",
                                                         "tom.qrd.lock", "tom.qrd.recovery", "tomas.qrd.3.tmp"}));
}

// FAT keeps times to two seconds: copies written in the same tick are ordered
// by what they hold, whatever order the folder lists them in.
TEST_F(AccountCopies, EqualTimesAreDecidedByContent)
{
    const Bytes one = Saved("una", {"a"});
    const Bytes three = Saved("una", {"a", "b", "c"});
    for (const auto& [first, second] :
         {std::pair{"una.qrd.1.tmp", "una.qrd.2.tmp"}, {"una.qrd.4.tmp", "una.qrd.3.tmp"}}) {
        SCOPED_TRACE(first);
        WriteFile(first, three);
        WriteFile(second, one);
        const auto when = fs::last_write_time(first);
        fs::last_write_time(second, when);
        CAccountFile file;
        ASSERT_TRUE(file.Bind("una"));
        const auto copies = CAccountCopies(file).Find();
        ASSERT_EQ(copies.size(), 2u);
        EXPECT_EQ(copies[0].name, first);
        fs::remove(first);
        fs::remove(second);
    }
}

TEST(AccountCopiesCompare, CountsEntriesMoreFewerAndChanged)
{
    struct Row {
        const char* name;
        std::vector<AccountRecord> file, copy;
        const char* said;
    };
    const Row rows[] = {
        {"same", Records({"a", "b"}), Records({"a", "b"}), "the same entries"},
        {"two more, one changed", Records({"a", "b"}), Records({"a", "x", "c", "d"}), "2 entries more, 1 changed"},
        {"one fewer", Records({"a", "b"}), Records({"b"}), "1 entry fewer"},
        {"reordered", Records({"a", "b"}), Records({"b", "a"}), "the same entries in another order"},
        {"from nothing", {}, Records({"a"}), "1 entry more"},
        {"duplicates count", Records({"a", "a"}), Records({"a"}), "1 entry fewer"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto d = CAccountCopies::Compare(row.file, row.copy);
        EXPECT_EQ(CAccountCopies::Describe(d), row.said);
        EXPECT_EQ(d.Same(), std::string(row.said) == "the same entries");
    }
    // A comment alone makes an entry another one.
    auto changed = Records({"a"});
    kd::SetText(changed[0].comment, "other");
    EXPECT_EQ(CAccountCopies::Describe(CAccountCopies::Compare(Records({"a"}), changed)), "1 changed");
}

// Each good save keeps the file it replaced in "Versions", the newest three,
// each a plain account file that loads as the file did.
TEST_F(AccountCopies, GoodSavesKeepTheLastThreeVersions)
{
    (void)Saved("vera", {"v0"});
    CAccountFile store;
    ASSERT_TRUE(store.Bind("vera"));
    ASSERT_TRUE(store.LoadExisting());
    store.EnableSave();
    CAccountCopies copies(store);
    std::vector<Bytes> replaced;
    for (int i = 1; i <= 5; ++i) {
        replaced.push_back(ReadFile("vera.qrd"));
        store.SetRecords(Records({("v" + std::to_string(i)).c_str()}));
        ASSERT_TRUE(store.Save([&] { EXPECT_TRUE(copies.KeepVersion()); }));
    }
    store.DisableSave();
    const auto versions = copies.Versions();
    ASSERT_EQ(versions.size(), 3u);
    // Newest first: the files the last three saves replaced.
    for (std::size_t i = 0; i < versions.size(); ++i) {
        CAccountFile version;
        ASSERT_TRUE(version.LoadFrom(versions[i]));
        ASSERT_EQ(version.GetRecords().size(), 1u);
        EXPECT_EQ(kd::GetText(version.GetRecords()[0].account), "v" + std::to_string(4 - i));
        EXPECT_TRUE(version.GetLoadReport().whole);
    }
    EXPECT_TRUE(fs::is_directory("Versions"));
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"Versions", "vera.qrd"})) << "nothing beside the file";
}

// The file as another program left it is told by its bytes, not its time,
// and is kept under a name of its own that Find offers.
TEST_F(AccountCopies, AnotherProgramsVersionIsSeenAndKept)
{
    (void)Saved("otto", {"mine"});
    CAccountFile store;
    ASSERT_TRUE(store.Bind("otto"));
    ASSERT_TRUE(store.LoadExisting());
    CAccountCopies copies(store);
    EXPECT_FALSE(copies.ChangedSinceLoaded());

    // Same size, same time, other bytes: a restore from backup.
    CAccountFile other;
    ASSERT_TRUE(other.Bind("other"));
    ASSERT_EQ(other.Create("otto", "pw"), CAccountFile::CreateResult::Created);
    other.EnableSave();
    other.SetRecords(Records({"them"}));
    ASSERT_TRUE(other.Save());
    other.DisableSave();
    const auto when = fs::last_write_time("otto.qrd");
    fs::rename("other.qrd", "otto.qrd");
    fs::last_write_time("otto.qrd", when);
    EXPECT_TRUE(copies.ChangedSinceLoaded());

    const auto kept = copies.KeepOtherVersion();
    ASSERT_FALSE(kept.IsEmpty());
    const auto found = copies.Find();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].kind, CAccountCopies::Kind::OtherVersion);
    EXPECT_EQ(kd::GetText(found[0].records.at(0).account), "them");

    // Deleted: changed too.
    fs::remove("otto.qrd");
    EXPECT_TRUE(copies.ChangedSinceLoaded());
}

// A file cut short or counting more than it holds is damaged; what Save
// writes never is, and its original bytes can be kept before they go.
TEST_F(AccountCopies, DamageIsToldAndTheOriginalKept)
{
    const Bytes whole = Saved("dora", {"a", "b"});
    CAccountFile store;
    ASSERT_TRUE(store.Bind("dora"));
    ASSERT_TRUE(store.LoadExisting());
    EXPECT_FALSE(store.GetLoadReport().damaged);
    EXPECT_TRUE(store.GetLoadReport().whole);

    WriteFile("dora.qrd", Bytes(whole.begin(), whole.begin() + 1000));
    ASSERT_TRUE(store.LoadExisting());
    EXPECT_TRUE(store.GetLoadReport().damaged);
    EXPECT_EQ(store.GetLoadReport().recordsRead, 0u);
    EXPECT_EQ(store.GetLoadReport().recordsCounted, 2);

    Bytes longer = whole;
    longer.insert(longer.end(), 800, 0);
    WriteFile("dora.qrd", longer);
    ASSERT_TRUE(store.LoadExisting());
    EXPECT_TRUE(store.GetLoadReport().damaged) << "bytes past the end marker";

    const auto kept = CAccountCopies(store).KeepDamaged();
    ASSERT_FALSE(kept.IsEmpty());
    EXPECT_EQ(kept.Name().rfind("dora.damaged-", 0), 0u);
    CAccountFile original;
    ASSERT_TRUE(original.LoadFrom(kept));
    EXPECT_EQ(ReadFile("Versions/" + kept.Name()), ReadFile("dora.qrd"));
    EXPECT_TRUE(CAccountCopies(store).Versions().empty()) << "not one of the versions pruned by count";
}

// The rows of a list go into the file as they are: two equal entries of a
// foreign file are both kept, numbered afresh.
TEST_F(AccountCopies, SetRecordsKeepsEveryRow)
{
    CAccountFile store;
    ASSERT_TRUE(store.Bind("sara"));
    auto rows = Records({"x", "x", "y"});
    rows[0].index = 41;
    store.SetRecords(rows);
    ASSERT_EQ(store.GetRecords().size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(store.GetRecords()[static_cast<std::size_t>(i)].index, i);
    AccountRecord again = MakeRecord("y", "pw", "note");
    EXPECT_FALSE(store.AddRecord(again)) << "the index was rebuilt for AddRecord";
}
