// The cipher and the account store against OpenSSL's DES-EDE-ECB in the same
// run. DesProcess is measured as the store calls it: 128 bytes with a 128-byte
// key, set up afresh on every call; OpenSSL is re-keyed for every 128 bytes
// for the same work. The steady-state pair encrypts 64 KiB per key set-up.
#include "CAccountFile.h"
#include "DesProcess.h"

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
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

} // namespace

int main(int argc, char** argv)
{
    // The store works in the current folder: give it one of its own.
    namespace fs = std::filesystem;
    const fs::path previous = fs::current_path();
    const fs::path work = previous / "store_bench_work";
    fs::create_directories(work);
    fs::current_path(work);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    fs::current_path(previous);
    std::error_code ec;
    fs::remove_all(work, ec);
    return 0;
}
