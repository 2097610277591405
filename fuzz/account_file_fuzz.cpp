// Any bytes as an account file: Parse of the logical content, and Load of the
// stored form (line-end translation included) from a memory stream. Nothing
// here writes a file. Besides the sanitizers, the target checks what must hold
// for every input.
#include "CAccountFile.h"
#include "LineEnds.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

bool Terminated(const AccountRecord& r)
{
    return r.account[127] == 0 && r.password[127] == 0 && r.comment[127] == 0;
}

bool SameStore(const CAccountFile& a, const CAccountFile& b)
{
    if (std::memcmp(&a.GetHeader(), &b.GetHeader(), sizeof a.GetHeader()) != 0) return false;
    if (a.GetRecords().size() != b.GetRecords().size()) return false;
    for (std::size_t i = 0; i < a.GetRecords().size(); ++i)
        if (std::memcmp(&a.GetRecords()[i], &b.GetRecords()[i], sizeof(AccountRecord)) != 0) return false;
    return true;
}

void CheckParsed(CAccountFile& store, std::size_t count)
{
    const auto& records = store.GetRecords();
    const std::size_t most = count >= 800 ? (count - 800) / 772 : 0;
    Check(records.size() <= most);
    Check(store.GetHeader().adminAccount[127] == 0 && store.GetHeader().adminPassword[127] == 0);
    for (const auto& r : records) {
        Check(Terminated(r));
        // The stored form of a record reads back as the same record.
        std::uint8_t stored[772] = {};
        AccountRecord back{};
        Check(store.EncryptRecord(r, stored));
        Check(store.DecryptRecord(stored, back));
        Check(back.index == r.index && CAccountFile::IsSameRecord(back, r));
    }
    // The index knows every record the file brought, duplicates included.
    for (std::size_t i = 0; i < records.size() && i < 8; ++i) {
        AccountRecord copy = records[i];
        Check(!store.AddRecord(copy));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CAccountFile direct;
    const bool parsed = direct.Parse(data, size);
    Check(parsed == (size >= 284));
    if (parsed) CheckParsed(direct, size);

    std::FILE* stream = size > 0 ? fmemopen(const_cast<std::uint8_t*>(data), size, "rb") : nullptr;
    if (stream != nullptr) {
        CAccountFile loaded;
        Check(loaded.Load(stream));
        std::fclose(stream);
        const std::vector<std::uint8_t> logical = kd::DecodeLineEnds({data, size});
        CAccountFile expected;
        (void)expected.Parse(logical.data(), logical.size());
        Check(SameStore(loaded, expected));
    }
    return 0;
}
