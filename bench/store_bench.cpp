// The cipher and the account store against OpenSSL's DES-EDE-ECB in the same
// run. DesProcess is measured as the store calls it: 128 bytes with a 128-byte
// key, set up afresh on every call; OpenSSL is re-keyed for every 128 bytes
// for the same work. The steady-state pair encrypts 64 KiB per key set-up.
//
// The recovery work against its peers: one edit written through the journal
// against the edit in memory alone, and what opening and closing a
// 100,000-entry file spends on hashing, keeping a version and saving, against
// the cipher and plain reads and writes of the same bytes. These files live in
// a folder of their own below /tmp (KD_BENCH_TMP overrides), where the
// journal's fsync meets a real disk rather than a tmpfs.
//
// Find over 100,000 entries against strcasestr.
#include "CAccountCopies.h"
#include "CAccountFile.h"
#include "CEditJournal.h"
#include "ContentHash.h"
#include "EntryFinder.h"
#include "DesProcess.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t kField = 128;
constexpr std::size_t kSteady = 64 * 1024;
constexpr int kFileRecords = 100000;

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    return out;
}

struct CipherCtx {
    CipherCtx() : ctx(EVP_CIPHER_CTX_new())
    {
        EVP_EncryptInit_ex(ctx, EVP_des_ede_ecb(), nullptr, nullptr, nullptr);
        EVP_CIPHER_CTX_set_padding(ctx, 0);
    }
    ~CipherCtx() { EVP_CIPHER_CTX_free(ctx); }
    EVP_CIPHER_CTX* ctx;
};

void DesProcess_Rekeyed128(benchmark::State& state)
{
    auto key = RandomBytes(kField, 1), buf = RandomBytes(kField, 2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(DesProcess(buf.data(), buf.data(), kField, key.data(), kField, DES_ENCRYPT));
        key[0] = buf[0]; // a different key every call, as for different administrators
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kField);
}
BENCHMARK(DesProcess_Rekeyed128);

void OpenSSL_DesEdeEcb_Rekeyed128(benchmark::State& state)
{
    auto key = RandomBytes(16, 1), buf = RandomBytes(kField, 2);
    CipherCtx c;
    int len = 0;
    for (auto _ : state) {
        EVP_EncryptInit_ex(c.ctx, nullptr, nullptr, key.data(), nullptr);
        EVP_EncryptUpdate(c.ctx, buf.data(), &len, buf.data(), kField);
        key[0] = buf[0];
        benchmark::ClobberMemory();
    }
    if (len != static_cast<int>(kField)) state.SkipWithError("OpenSSL did not encrypt");
    state.SetBytesProcessed(state.iterations() * kField);
}
BENCHMARK(OpenSSL_DesEdeEcb_Rekeyed128);

void DesProcess_Steady64K(benchmark::State& state)
{
    auto key = RandomBytes(16, 1), buf = RandomBytes(kSteady, 2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(DesProcess(buf.data(), buf.data(), kSteady, key.data(), 16, DES_ENCRYPT));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kSteady);
}
BENCHMARK(DesProcess_Steady64K);

void OpenSSL_DesEdeEcb_Steady64K(benchmark::State& state)
{
    auto key = RandomBytes(16, 1), buf = RandomBytes(kSteady, 2);
    CipherCtx c;
    EVP_EncryptInit_ex(c.ctx, nullptr, nullptr, key.data(), nullptr);
    int len = 0;
    for (auto _ : state) {
        EVP_EncryptUpdate(c.ctx, buf.data(), &len, buf.data(), static_cast<int>(kSteady));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kSteady);
}
BENCHMARK(OpenSSL_DesEdeEcb_Steady64K);

// The cipher work of a 100,000-record file alone: the administrator password
// and three fields per record, one 128-byte call each (38.4 MB).
void Cipher_100kRecordFile(benchmark::State& state)
{
    auto key = RandomBytes(kField, 1), buf = RandomBytes(kField, 2);
    for (auto _ : state) {
        for (int i = 0; i < 3 * kFileRecords + 1; ++i)
            benchmark::DoNotOptimize(DesProcess(buf.data(), buf.data(), kField, key.data(), kField, DES_ENCRYPT));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * (3 * kFileRecords + 1) * kField);
}
BENCHMARK(Cipher_100kRecordFile)->Unit(benchmark::kMillisecond)->Iterations(5);

AccountRecord MakeRecord(int i)
{
    AccountRecord r{};
    kd::SetText(r.account, "account." + std::to_string(i) + "@example.org");
    kd::SetText(r.password, "pw-" + std::to_string(i * 7919 % 100003));
    kd::SetText(r.comment, i % 3 ? "" : "a comment of moderate length for entry " + std::to_string(i));
    return r;
}

std::vector<AccountRecord> ManyRecords()
{
    std::vector<AccountRecord> out;
    out.reserve(kFileRecords);
    for (int i = 0; i < kFileRecords; ++i) out.push_back(MakeRecord(i));
    return out;
}

void FillStore(CAccountFile& store)
{
    for (auto r : ManyRecords()) (void)store.AddRecord(r);
}

void Store_Save100kRecords(benchmark::State& state)
{
    CAccountFile store;
    if (!store.Open("benchadmin")) return state.SkipWithError("Open failed");
    store.SetAdministrator("benchadmin", "benchpassword");
    store.EnableSave();
    FillStore(store);
    for (auto _ : state)
        if (!store.Save()) state.SkipWithError("Save failed");
    state.SetBytesProcessed(state.iterations() * (3 * kFileRecords + 1) * kField);
}
BENCHMARK(Store_Save100kRecords)->Unit(benchmark::kMillisecond)->Iterations(5);

void Store_Load100kRecords(benchmark::State& state)
{
    for (auto _ : state) {
        CAccountFile store;
        if (!store.Open("benchadmin") || store.GetRecords().size() != kFileRecords)
            state.SkipWithError("the saved file did not load");
        benchmark::DoNotOptimize(store.GetRecords().data());
    }
    state.SetBytesProcessed(state.iterations() * (3 * kFileRecords + 1) * kField);
}
BENCHMARK(Store_Load100kRecords)->Unit(benchmark::kMillisecond)->Iterations(5);

// The main window's hand-back: ClearRecords, then one AddRecord per row.
void Store_AddRecord100kDistinct(benchmark::State& state)
{
    const auto records = ManyRecords();
    CAccountFile store;
    for (auto _ : state) {
        store.ClearRecords();
        for (auto r : records)
            if (!store.AddRecord(r)) state.SkipWithError("a distinct record was refused");
    }
    state.SetItemsProcessed(state.iterations() * kFileRecords);
}
BENCHMARK(Store_AddRecord100kDistinct)->Unit(benchmark::kMillisecond)->Iterations(5);

// --- Recovery: the journal per edit, and the extra work at open and close ---

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

fs::path g_tmp; // set by main

// Runs `f` with the current folder at g_tmp: the store binds names there.
template <class F>
auto InTmp(F&& f)
{
    const fs::path previous = fs::current_path();
    fs::current_path(g_tmp);
    struct Back {
        fs::path to;
        ~Back() { fs::current_path(to); }
    } back{previous};
    return f();
}

// "<name>.qrd" in g_tmp with `rows` entries, written once per run.
std::string MakeFile(int rows)
{
    const std::string name = "bench" + std::to_string(rows);
    static std::vector<int> made;
    if (std::find(made.begin(), made.end(), rows) != made.end()) return name;
    const bool ok = InTmp([&] {
        CAccountFile store;
        if (!store.Open(name.c_str())) return false;
        store.SetAdministrator("benchadmin", "benchpassword");
        store.EnableSave();
        for (int i = 0; i < rows; ++i) {
            auto r = MakeRecord(i);
            (void)store.AddRecord(r);
        }
        const bool saved = store.Save();
        store.DisableSave();
        return saved;
    });
    if (!ok) return {};
    made.push_back(rows);
    return name;
}

// The file of `rows` entries loaded, as a session holds it after login.
CAccountFile* LoadedFile(int rows)
{
    static std::vector<std::pair<int, std::unique_ptr<CAccountFile>>> loaded;
    for (auto& [n, store] : loaded)
        if (n == rows) return store.get();
    const std::string name = MakeFile(rows);
    if (name.empty()) return nullptr;
    auto store = std::make_unique<CAccountFile>();
    if (!InTmp([&] { return store->Bind(name.c_str()) && store->LoadExisting(); })) return nullptr;
    if (store->GetRecords().size() != static_cast<std::size_t>(rows)) return nullptr;
    loaded.emplace_back(rows, std::move(store));
    return loaded.back().second.get();
}

// Median, 99th percentile and worst of the per-edit times, in microseconds,
// as counters: with repetitions, benchmark reports their median across runs.
void ReportPercentiles(benchmark::State& state, std::vector<double>& ns)
{
    if (ns.empty()) return;
    std::sort(ns.begin(), ns.end());
    const auto at = [&](double q) {
        const auto i = static_cast<std::size_t>(std::ceil(q * static_cast<double>(ns.size()))) - 1;
        return ns[std::min(i, ns.size() - 1)] / 1000.0;
    };
    state.counters["p50_us"] = at(0.50);
    state.counters["p99_us"] = at(0.99);
    state.counters["max_us"] = ns.back() / 1000.0;
}

enum EditKind { kUpdate = 0, kInsert = 1 };
constexpr int kEditsPerRun = 1000;

// A pool of new records, made before the clock runs.
std::vector<AccountRecord> EditRecords()
{
    std::vector<AccountRecord> out;
    for (int i = 0; i < 64; ++i) out.push_back(MakeRecord(1000000 + i));
    return out;
}

// One row replaced in, or appended to, the list: the editor's own work, and
// with `journaled` the same with the entry written through the journal (fsync
// included). Begin, which links the loaded file as the base, is set-up, not
// per edit.
void Edit(benchmark::State& state, bool journaled)
{
    const int rows = static_cast<int>(state.range(0));
    const auto kind = static_cast<EditKind>(state.range(1));
    const CAccountFile* file = LoadedFile(rows);
    if (file == nullptr) return state.SkipWithError("the file could not be made");
    std::vector<AccountRecord> list = file->GetRecords();
    CEditJournal journal;
    if (journaled && !journal.Begin(CAccountCopies(*file).NewJournalPath(), *file, list, true))
        return state.SkipWithError("Begin failed");
    const auto edits = EditRecords();
    std::vector<double> ns;
    ns.reserve(kEditsPerRun);
    std::size_t i = 0;
    bool ok = true;
    for (auto _ : state) {
        const AccountRecord& record = edits[i % edits.size()];
        const auto start = Clock::now();
        if (kind == kUpdate) {
            const std::size_t row = (i * 7919) % list.size();
            list[row] = record;
            if (journaled) ok = journal.Update(row, record) && ok;
        } else {
            list.push_back(record);
            if (journaled) ok = journal.Insert(record) && ok;
        }
        benchmark::ClobberMemory();
        const std::chrono::duration<double, std::nano> took = Clock::now() - start;
        state.SetIterationTime(took.count() * 1e-9);
        ns.push_back(took.count());
        ++i;
    }
    journal.Remove();
    if (!ok) return state.SkipWithError("a journal entry failed");
    ReportPercentiles(state, ns);
}

void Edit_InMemory(benchmark::State& state)
{
    Edit(state, false);
}

void Edit_Journal(benchmark::State& state)
{
    Edit(state, true);
}

// Peer of the journal: an entry's worth of bytes (one record's entry)
// appended to a plain file and put on the disk, nothing enciphered or hashed.
void Edit_AppendFsyncOnly(benchmark::State& state)
{
    const fs::path path = g_tmp / "plain.journal";
    kd::fileio::unique_file f(std::fopen(path.c_str(), "wb"));
    if (!f) return state.SkipWithError("no file");
    const auto entry = RandomBytes(12 + kStoredRecordSize + 8, 3);
    std::vector<double> ns;
    ns.reserve(kEditsPerRun);
    bool ok = true;
    for (auto _ : state) {
        const auto start = Clock::now();
        ok = std::fwrite(entry.data(), 1, entry.size(), f.get()) == entry.size() && kd::fileio::FlushToDisk(f.get()) &&
             ok;
        const std::chrono::duration<double, std::nano> took = Clock::now() - start;
        state.SetIterationTime(took.count() * 1e-9);
        ns.push_back(took.count());
    }
    f.reset();
    fs::remove(path);
    if (!ok) return state.SkipWithError("a write failed");
    ReportPercentiles(state, ns);
}
BENCHMARK(Edit_AppendFsyncOnly)->UseManualTime()->Iterations(kEditsPerRun)->Unit(benchmark::kMicrosecond);

void EditArgs(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"rows", "insert"});
    for (const int kind : {kUpdate, kInsert})
        for (const int rows : {10, kFileRecords}) b->Args({rows, kind});
    b->UseManualTime()->Iterations(kEditsPerRun)->Unit(benchmark::kMicrosecond);
}
BENCHMARK(Edit_InMemory)->Apply(EditArgs);
BENCHMARK(Edit_Journal)->Apply(EditArgs);

// The stored bytes of the 100,000-entry file, read once.
const std::vector<std::uint8_t>& FileBytes()
{
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> out;
        if (MakeFile(kFileRecords).empty()) return out;
        const fs::path path = g_tmp / ("bench" + std::to_string(kFileRecords) + ".qrd");
        out.resize(static_cast<std::size_t>(fs::file_size(path)));
        kd::fileio::unique_file f(std::fopen(path.c_str(), "rb"));
        if (!f || std::fread(out.data(), 1, out.size(), f.get()) != out.size()) out.clear();
        return out;
    }();
    return bytes;
}

kd::fileio::FilePath FilePathOf(int rows)
{
    kd::fileio::FilePath path;
    (void)kd::fileio::FilePath::Resolve((g_tmp / ("bench" + std::to_string(rows) + ".qrd")).native(), path);
    return path;
}

// Open: the whole load (read, hash, line ends, decipher, index) of the file
// in /tmp, from the page cache.
void Open_Load100k(benchmark::State& state)
{
    if (MakeFile(kFileRecords).empty()) return state.SkipWithError("the file could not be made");
    const std::string name = "bench" + std::to_string(kFileRecords);
    for (auto _ : state) {
        CAccountFile store;
        if (!InTmp([&] { return store.Bind(name.c_str()) && store.LoadExisting(); }) ||
            store.GetRecords().size() != kFileRecords)
            state.SkipWithError("the file did not load");
        benchmark::DoNotOptimize(store.GetRecords().data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(FileBytes().size()));
}
BENCHMARK(Open_Load100k)->Unit(benchmark::kMillisecond)->Iterations(5);

// What Load added: the hash of the bytes it read, in memory.
void Open_HashOnly100k(benchmark::State& state)
{
    const auto& bytes = FileBytes();
    if (bytes.empty()) return state.SkipWithError("no file");
    for (auto _ : state) benchmark::DoNotOptimize(kd::ContentHash::Of(bytes.data(), bytes.size()));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(Open_HashOnly100k)->Unit(benchmark::kMillisecond);

// Peer: reading the same file whole from the page cache, nothing done with it.
void Open_ReadOnly100k(benchmark::State& state)
{
    const auto& bytes = FileBytes();
    if (bytes.empty()) return state.SkipWithError("no file");
    std::vector<std::uint8_t> buffer(bytes.size());
    const auto path = FilePathOf(kFileRecords);
    for (auto _ : state) {
        auto f = kd::fileio::Open(path, "r");
        if (!f || std::fread(buffer.data(), 1, buffer.size(), f.get()) != buffer.size())
            state.SkipWithError("read failed");
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(Open_ReadOnly100k)->Unit(benchmark::kMillisecond);

// Peer: OpenSSL's DES-EDE-ECB over the same bytes, one key set-up, so the
// hash is set against a cipher pass at its fastest.
void OpenSSL_DesEdeEcb_File100k(benchmark::State& state)
{
    std::vector<std::uint8_t> buf = FileBytes();
    if (buf.empty()) return state.SkipWithError("no file");
    buf.resize(buf.size() / 8 * 8);
    auto key = RandomBytes(16, 1);
    CipherCtx c;
    EVP_EncryptInit_ex(c.ctx, nullptr, nullptr, key.data(), nullptr);
    int len = 0;
    for (auto _ : state) {
        EVP_EncryptUpdate(c.ctx, buf.data(), &len, buf.data(), static_cast<int>(buf.size()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(buf.size()));
}
BENCHMARK(OpenSSL_DesEdeEcb_File100k)->Unit(benchmark::kMillisecond)->Iterations(3);

// Peer of Cipher_100kRecordFile: OpenSSL re-keyed for each of the same
// 300,001 fields.
void OpenSSL_DesEdeEcb_100kRecordFile(benchmark::State& state)
{
    auto key = RandomBytes(16, 1), buf = RandomBytes(kField, 2);
    CipherCtx c;
    int len = 0;
    for (auto _ : state) {
        for (int i = 0; i < 3 * kFileRecords + 1; ++i) {
            EVP_EncryptInit_ex(c.ctx, nullptr, nullptr, key.data(), nullptr);
            EVP_EncryptUpdate(c.ctx, buf.data(), &len, buf.data(), kField);
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * (3 * kFileRecords + 1) * kField);
}
BENCHMARK(OpenSSL_DesEdeEcb_100kRecordFile)->Unit(benchmark::kMillisecond)->Iterations(5);

// Exit: another program's change looked for by reading and hashing the file;
// range(0) 1 drops the file from the page cache first, as after a long session.
void Exit_FingerprintOf100k(benchmark::State& state)
{
    if (MakeFile(kFileRecords).empty()) return state.SkipWithError("the file could not be made");
    const auto path = FilePathOf(kFileRecords);
    const bool cold = state.range(0) != 0;
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            const int fd = ::open(path.Native().c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0 || ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) != 0)
                state.SkipWithError("the cache could not be dropped");
            if (fd >= 0) ::close(fd);
            state.ResumeTiming();
        }
        if (CAccountFile::FingerprintOf(path).size <= 0) state.SkipWithError("FingerprintOf failed");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(FileBytes().size()));
}
BENCHMARK(Exit_FingerprintOf100k)->ArgName("cold")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Exit: the file kept by a hard link in Versions before the save replaces it,
// the older versions beyond three deleted; one link and one deletion each time.
void Exit_KeepVersion100k(benchmark::State& state)
{
    CAccountFile* file = LoadedFile(kFileRecords);
    if (file == nullptr) return state.SkipWithError("the file could not be made");
    const CAccountCopies copies(*file);
    for (auto _ : state)
        if (!copies.KeepVersion()) state.SkipWithError("KeepVersion failed");
    state.counters["versions"] = static_cast<double>(copies.Versions().size());
}
BENCHMARK(Exit_KeepVersion100k)->Unit(benchmark::kMicrosecond);

// Exit: the save as the session makes it (the version kept just before the
// rename), and the plain save beside it.
void Exit_Save100k(benchmark::State& state)
{
    CAccountFile* file = LoadedFile(kFileRecords);
    if (file == nullptr) return state.SkipWithError("the file could not be made");
    const bool keep = state.range(0) != 0;
    const CAccountCopies copies(*file);
    file->EnableSave();
    for (auto _ : state) {
        const bool saved = keep ? file->Save([&copies] { (void)copies.KeepVersion(); }) : file->Save();
        if (!saved) state.SkipWithError("Save failed");
    }
    file->DisableSave();
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(FileBytes().size()));
}
BENCHMARK(Exit_Save100k)->ArgName("keepVersion")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// Peer of the save: the same bytes written to a new file, fsync'd and renamed
// into place, with no cipher work.
void Exit_WriteFsyncRename100k(benchmark::State& state)
{
    const auto& bytes = FileBytes();
    if (bytes.empty()) return state.SkipWithError("no file");
    const fs::path temp = g_tmp / "plain.tmp", target = g_tmp / "plain.bin";
    for (auto _ : state) {
        kd::fileio::unique_file f(std::fopen(temp.c_str(), "wb"));
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size() ||
            !kd::fileio::FlushToDisk(f.get()))
            state.SkipWithError("write failed");
        f.reset();
        if (std::rename(temp.c_str(), target.c_str()) != 0) state.SkipWithError("rename failed");
        const int dir = ::open(g_tmp.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            (void)::fsync(dir);
            ::close(dir);
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(Exit_WriteFsyncRename100k)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    // The store works in the current folder: give it one of its own.
    namespace fs = std::filesystem;
    const fs::path previous = fs::current_path();
    const fs::path work = previous / "store_bench_work";
    fs::create_directories(work);
    fs::current_path(work);
    // The recovery benchmarks' files: a folder of their own, on a disk.
    const char* tmpRoot = std::getenv("KD_BENCH_TMP");
    std::string tmpl = std::string(tmpRoot != nullptr && *tmpRoot != '\0' ? tmpRoot : "/tmp") + "/kordane-bench.XXXXXX";
    if (::mkdtemp(tmpl.data()) == nullptr) return 1;
    g_tmp = tmpl;

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    fs::current_path(previous);
    std::error_code ec;
    fs::remove_all(work, ec);
    fs::remove_all(g_tmp, ec);
    return 0;
}

// Find over 100,000 entries, the match in the last row only, so one search
// reads every text: against glibc's strcasestr on the same fields.
namespace {

std::vector<AccountRecord> FindRows()
{
    std::vector<AccountRecord> rows(kFileRecords);
    for (int i = 0; i < kFileRecords; ++i) {
        const std::string n = std::to_string(i);
        kd::SetText(rows[i].account, "user" + n + "@example.org");
        kd::SetText(rows[i].password, "Pa55-" + n + "-word");
        kd::SetText(rows[i].comment, "Mail account number " + n + " of the office");
    }
    kd::SetText(rows.back().comment, "the one Needle here");
    return rows;
}

void Find_100kEntries(benchmark::State& state)
{
    const std::vector<AccountRecord> rows = FindRows();
    const kd::TextFolding folding = kd::TextFolding::Ascii();
    for (auto _ : state) {
        const kd::CEntryFinder finder("NEEDLE", folding);
        benchmark::DoNotOptimize(finder.FindFrom(rows, 0));
    }
}
BENCHMARK(Find_100kEntries)->Unit(benchmark::kMillisecond);

void Strcasestr_100kEntries(benchmark::State& state)
{
    const std::vector<AccountRecord> rows = FindRows();
    for (auto _ : state) {
        std::size_t found = rows.size();
        for (std::size_t i = 0; i < rows.size() && found == rows.size(); ++i)
            if (strcasestr(rows[i].account, "NEEDLE") || strcasestr(rows[i].password, "NEEDLE") ||
                strcasestr(rows[i].comment, "NEEDLE"))
                found = i;
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(Strcasestr_100kEntries)->Unit(benchmark::kMillisecond);

} // namespace
