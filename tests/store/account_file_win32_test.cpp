// The account file as other Windows programs see it: names through the
// narrow-character file API, a file another program holds, and what a save
// keeps of the file it replaces.
#include "CAccountFile.h"
#include "LineEnds.h"
#include "StoreTestSupport.h"
#include "unique_any.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace storetest;

namespace {

class AccountFileWin32 : public kdtest::InTempFolder {};

constexpr std::size_t kOneRecordFile = 412 + 772 + 388;

void SaveNew(const std::string& admin, std::size_t records)
{
    CAccountFile store;
    ASSERT_FALSE(store.Exists(admin.c_str())) << admin;
    ASSERT_TRUE(store.Open(admin.c_str())) << admin;
    store.SetAdministrator(admin, "pw");
    store.EnableSave();
    for (std::size_t i = 0; i < records; ++i) {
        AccountRecord r = MakeRecord("user" + std::to_string(i), "pw", "");
        ASSERT_TRUE(store.AddRecord(r));
    }
    ASSERT_TRUE(store.Save()) << admin;
}

std::wstring Wide(const std::string& name)
{
    std::wstring out(name.size(), L'\0');
    out.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name.data(),
                                                            static_cast<int>(name.size()), out.data(),
                                                            static_cast<int>(out.size()))));
    return out;
}

// The whole file through CreateFileA, as any program using the narrow API opens it.
bool ReadA(const std::string& name, Bytes& out)
{
    const HANDLE h = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    out.assign(GetFileSize(h, nullptr), 0);
    DWORD got = 0;
    const BOOL ok = ReadFile(h, out.data(), static_cast<DWORD>(out.size()), &got, nullptr);
    CloseHandle(h);
    return ok && got == out.size();
}

bool WriteA(const std::string& name, const Bytes& bytes)
{
    const HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    CloseHandle(h);
    return ok && put == bytes.size();
}

// The folder as the system spells it (the test helpers' own listing converts names).
std::vector<std::wstring> WideEntries()
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const kd::unique_hfind search(::FindFirstFileW(L"*", &found));
    if (!search) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (::FindNextFileW(search.get(), &found));
    return names;
}

// The file's found, made by the store, then a copy made by another program:
// both are the file CreateFileA means by the same bytes, and no second file
// under another spelling appears.
void CheckNameMeansTheNarrowApisFile(const std::string& name)
{
    const std::string file = name + ".qrd";
    ASSERT_NO_FATAL_FAILURE(SaveNew(name, 1));
    Bytes stored;
    ASSERT_TRUE(ReadA(file, stored)) << name;
    EXPECT_EQ(kd::DecodeLineEnds(stored).size(), kOneRecordFile) << name;
    EXPECT_EQ(WideEntries(), std::vector<std::wstring>{Wide(file)}) << name;
    {
        CAccountFile store;
        EXPECT_TRUE(store.Exists(name.c_str())) << name;
        ASSERT_TRUE(store.Open(name.c_str())) << name;
        EXPECT_TRUE(kd::TextEquals(store.GetHeader().adminAccount, name)) << name;
        EXPECT_EQ(store.GetRecords().size(), 1u) << name;
    }
    ASSERT_TRUE(DeleteFileA(file.c_str())) << name;

    ASSERT_TRUE(WriteA(file, stored)) << name;
    {
        CAccountFile store;
        EXPECT_TRUE(store.Exists(name.c_str())) << name;
        ASSERT_TRUE(store.Open(name.c_str())) << name;
        EXPECT_TRUE(kd::TextEquals(store.GetHeader().adminAccount, name)) << name;
        EXPECT_EQ(store.GetRecords().size(), 1u) << name;
    }
    EXPECT_EQ(WideEntries(), std::vector<std::wstring>{Wide(file)}) << name;
    ASSERT_TRUE(DeleteFileA(file.c_str())) << name;
}

TEST_F(AccountFileWin32, NamesWithHighBytesAreTheFilesTheNarrowApiOpens)
{
    if (GetACP() != 1252) GTEST_SKIP() << "needs the ANSI code page 1252, this is " << GetACP();
    // Latin-1 would make U+0080, U+008A and U+009F of the first three.
    EXPECT_EQ(Wide("\x80\x8A\x9F\xE9"), L"\u20AC\u0160\u0178\u00E9");
    for (const char* name : {"\x80", "\x8A", "\x9F", "\xE9", "Fran\xE7ois \x80\x8A\x9F"})
        CheckNameMeansTheNarrowApisFile(name);
}

// Runs when the process has the Japanese ANSI code page (tests/store/CMakeLists.txt
// starts it so where Wine can); skipped otherwise.
TEST_F(AccountFileWin32, DoubleByteNamesWithASeparatorTrailByteAreOneFile)
{
    if (GetACP() != 932) GTEST_SKIP() << "needs the ANSI code page 932, this is " << GetACP();
    EXPECT_EQ(Wide("\x95\x5C"), L"\u8868");
    EXPECT_TRUE(CAccountFile::IsValidName("\x95\x5C"));
    EXPECT_FALSE(CAccountFile::IsValidName("\x95"));
    EXPECT_FALSE(CAccountFile::IsValidName("\x95\x5C\\x"));
    for (const char* name : {"\x95\x5C", "\x83\x7C",
                             "a\x95\x5C\x83\x7C"
                             "b"})
        CheckNameMeansTheNarrowApisFile(name);
}

// Another program holds the file without sharing, or it is read-only: the
// save fails, the file keeps its bytes and attributes, nothing else is left.
TEST_F(AccountFileWin32, AFileThatCannotBeReplacedKeepsItsBytesAndNoTemporaryIsLeft)
{
    ASSERT_NO_FATAL_FAILURE(SaveNew("nina", 3));
    const Bytes before = ReadFile("nina.qrd");
    CAccountFile store;
    ASSERT_TRUE(store.Open("nina"));
    store.EnableSave();
    AccountRecord r = MakeRecord("new", "entry", "");
    ASSERT_TRUE(store.AddRecord(r));

    const auto check = [&](const char* how, DWORD attributes) {
        EXPECT_EQ(ReadFile("nina.qrd"), before) << how;
        EXPECT_EQ(FolderEntries(), std::vector<std::string>{"nina.qrd"}) << how;
        EXPECT_EQ(GetFileAttributesA("nina.qrd") & FILE_ATTRIBUTE_READONLY, attributes & FILE_ATTRIBUTE_READONLY)
            << how;
    };
    const auto saveWhileHeld = [&] {
        const HANDLE h = CreateFileA("nina.qrd", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        const bool saved = store.Save();
        CloseHandle(h);
        return saved;
    };

    EXPECT_FALSE(saveWhileHeld());
    check("held", 0);

    ASSERT_TRUE(SetFileAttributesA("nina.qrd", FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(saveWhileHeld());
    check("read-only and held", FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(store.Save());
    check("read-only", FILE_ATTRIBUTE_READONLY);

    ASSERT_TRUE(SetFileAttributesA("nina.qrd", FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(store.Save());
    CAccountFile reread;
    ASSERT_TRUE(reread.Open("nina"));
    EXPECT_EQ(reread.GetRecords().size(), 4u);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"nina.qrd"});
}

struct LocalFreer {
    void operator()(void* p) const noexcept { LocalFree(p); }
};

std::wstring DaclText(const std::wstring& name)
{
    PSECURITY_DESCRIPTOR sd = nullptr;
    PACL dacl = nullptr;
    if (GetNamedSecurityInfoW(name.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                              &sd) != ERROR_SUCCESS)
        return L"?";
    std::unique_ptr<void, LocalFreer> owned(sd);
    LPWSTR text = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(sd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text,
                                                              nullptr))
        return L"?";
    std::unique_ptr<void, LocalFreer> ownedText(text);
    return text;
}

bool SetDacl(const std::wstring& name, const wchar_t* sddl)
{
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr)) return false;
    std::unique_ptr<void, LocalFreer> owned(sd);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted)) return false;
    return SetNamedSecurityInfoW(const_cast<LPWSTR>(name.c_str()), SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                 dacl, nullptr) == ERROR_SUCCESS;
}

TEST_F(AccountFileWin32, ASaveKeepsTheReplacedFilesAttributesAndDacl)
{
    ASSERT_NO_FATAL_FAILURE(SaveNew("omar", 2));
    ASSERT_NO_FATAL_FAILURE(SaveNew("fresh", 0));
    // Everyone may change it: under Wine a DACL is the file's mode, so pick one
    // that differs from a new file's.
    ASSERT_TRUE(SetDacl(L"omar.qrd", L"D:P(A;;FA;;;WD)"));
    const std::wstring dacl = DaclText(L"omar.qrd");
    ASSERT_NE(dacl, DaclText(L"fresh.qrd"));
    ASSERT_TRUE(SetFileAttributesA("omar.qrd", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));

    CAccountFile store;
    ASSERT_TRUE(store.Open("omar"));
    store.EnableSave();
    AccountRecord r = MakeRecord("new", "entry", "");
    ASSERT_TRUE(store.AddRecord(r));
    ASSERT_TRUE(store.Save());

    constexpr DWORD kExpected = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    EXPECT_EQ(GetFileAttributesA("omar.qrd") & (kExpected | FILE_ATTRIBUTE_READONLY), kExpected);
    EXPECT_EQ(DaclText(L"omar.qrd"), dacl);
    CAccountFile reread;
    ASSERT_TRUE(reread.Open("omar"));
    EXPECT_EQ(reread.GetRecords().size(), 3u);
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"fresh.qrd", "omar.qrd"}));
}

struct HandleCloser {
    void operator()(HANDLE h) const noexcept { CloseHandle(h); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

std::string ProgramFolder()
{
    std::string path(MAX_PATH, '\0');
    path.resize(GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of('\\'));
}

// store_saver saving `admin` in the current folder; its event is set after its first save.
struct Saver {
    Handle process;
    Handle started;
};

bool StartSaver(const std::string& admin, Saver& saver)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    saver.started.reset(CreateEventA(&inherit, TRUE, FALSE, nullptr));
    if (!saver.started) return false;
    std::string commandLine = "\"" + ProgramFolder() + "\\store_saver.exe\" " + admin + " " +
                              std::to_string(reinterpret_cast<std::uintptr_t>(saver.started.get()));
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    saver.process.reset(pi.hProcess);
    return true;
}

// What the name opens to after a kill: a whole file holding entry0, entry1, ...
// in order; -1 when it is missing or anything else.
long WholeFileEntries(const std::string& admin)
{
    kd::fileio::FilePath path;
    if (!kd::fileio::FilePath::Resolve(admin + ".qrd", path)) return -1;
    CAccountFile store;
    if (!store.LoadFrom(path) || !store.GetLoadReport().whole || !kd::TextEquals(store.GetHeader().adminAccount, admin))
        return -1;
    const auto& records = store.GetRecords();
    for (std::size_t i = 0; i < records.size(); ++i)
        if (!kd::TextEquals(records[i].account, "entry" + std::to_string(i))) return -1;
    return static_cast<long>(records.size());
}

double Seconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A process killed at any moment of a save leaves the administrator's name
// to a whole file, the old or the new one, and the name never lacks a file
// while saves go on. KD_KILL_COUNT kills (default 60; 200 or more by hand).
TEST_F(AccountFileWin32, KilledSavesAlwaysLeaveAWholeFileUnderTheName)
{
    const char* setting = std::getenv("KD_KILL_COUNT");
    const int kills = setting ? std::max(1, std::atoi(setting)) : 60;
    const std::string admin = "kim";
    {
        CAccountFile store;
        ASSERT_TRUE(store.Open(admin.c_str()));
        store.SetAdministrator(admin, "pw");
        store.EnableSave();
        // Enough entries that a save takes a while.
        for (int i = 0; i < 300; ++i) {
            AccountRecord r = MakeRecord("entry" + std::to_string(i), "pw", "");
            ASSERT_TRUE(store.AddRecord(r));
        }
        ASSERT_TRUE(store.Save());
    }

    // How long one save takes here, so that the kills fall anywhere in it.
    double cycle = 0.0;
    {
        Saver saver;
        ASSERT_TRUE(StartSaver(admin, saver));
        ASSERT_EQ(WaitForSingleObject(saver.started.get(), 30000), WAIT_OBJECT_0);
        const long before = WholeFileEntries(admin);
        const double start = Seconds();
        Sleep(1000);
        TerminateProcess(saver.process.get(), 1);
        WaitForSingleObject(saver.process.get(), 10000);
        const long after = WholeFileEntries(admin);
        ASSERT_GT(after, before);
        cycle = (Seconds() - start) / static_cast<double>(after - before);
    }

    std::mt19937 rng(20261207);
    std::uniform_real_distribution<double> moment(0.0, 3.0 * cycle);
    int whole = 0;
    long missingPolls = 0, polls = 0;
    long previous = WholeFileEntries(admin);
    std::wstring name(admin.begin(), admin.end());
    name += L".qrd";
    for (int kill = 0; kill < kills; ++kill) {
        Saver saver;
        ASSERT_TRUE(StartSaver(admin, saver));
        ASSERT_EQ(WaitForSingleObject(saver.started.get(), 30000), WAIT_OBJECT_0);
        const double until = Seconds() + moment(rng);
        do {
            ++polls;
            if (GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES) ++missingPolls;
        } while (Seconds() < until);
        TerminateProcess(saver.process.get(), 1);
        WaitForSingleObject(saver.process.get(), 10000);
        const long entries = WholeFileEntries(admin);
        EXPECT_GE(entries, previous) << "after kill " << kill;
        if (entries >= previous) ++whole;
        previous = std::max(previous, entries);
    }
    std::size_t temporaries = 0;
    for (const auto& entry : FolderEntries()) temporaries += entry.ends_with(".tmp");
    std::printf("%d kills: %d left a whole file; %ld of %ld polls found no file; one save %.2f ms; "
                "%zu temporary files left\n",
                kills, whole, missingPolls, polls, cycle * 1000.0, temporaries);
    EXPECT_EQ(whole, kills);
    EXPECT_EQ(missingPolls, 0);
}

} // namespace
