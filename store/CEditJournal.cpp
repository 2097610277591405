#include "CEditJournal.h"

#include "ContentHash.h"
#include "DesProcess.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Layout of the journal's start.
constexpr char kMagic[16] = "Kordane journal";
constexpr std::uint32_t kVersion = 1;
// magic, version, flags, base size and hash, the administrator in clear, the
// administrator's password enciphered as in the file; then their checksum.
constexpr std::size_t kHeaderBytes = 16 + 4 + 4 + 8 + 8 + 2 * kTextFieldSize;
constexpr std::uint32_t kHasBase = 1;

// Kinds of entries.
constexpr std::uint32_t kSnapshot = 'S'; // row: the count; the records follow
constexpr std::uint32_t kInsert = 'I';   // one record, appended
constexpr std::uint32_t kUpdate = 'U';   // one record, at the row
constexpr std::uint32_t kDelete = 'D';   // no record
constexpr std::size_t kEntryHead = 12;   // kind, row, sequence

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void Put64(std::vector<std::uint8_t>& out, std::uint64_t v)
{
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint64_t Get(const std::uint8_t* p, int bytes) noexcept
{
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

} // namespace

bool CEditJournal::Begin(const kd::fileio::FilePath& path, const CAccountFile& store,
                         const std::vector<AccountRecord>& rows, bool rowsAreTheFile)
{
    Close();
    m_path = {};
    m_sequence = 0;
    if (path.IsEmpty() || store.GetPath().IsEmpty()) return false;
    try {
        m_codec.SetHeader(store.GetHeader());
        const auto& loaded = store.GetFingerprint();
        const kd::fileio::FilePath base = BaseOf(path);
        // A list as loaded is the file itself: a second name for it costs
        // nothing, where writing the list would cost as much as a save.
        const bool linked =
            rowsAreTheFile && !rows.empty() && loaded.size > 0 && kd::fileio::LinkOrCopy(store.GetPath(), base);

        std::vector<std::uint8_t> head;
        head.insert(head.end(), kMagic, kMagic + sizeof kMagic);
        Put32(head, kVersion);
        Put32(head, linked ? kHasBase : 0);
        Put64(head, static_cast<std::uint64_t>(linked ? loaded.size : 0));
        Put64(head, linked ? loaded.hash : 0);
        const AccountFileHeader& header = store.GetHeader();
        const auto* account = reinterpret_cast<const std::uint8_t*>(header.adminAccount);
        head.insert(head.end(), account, account + kTextFieldSize);
        std::uint8_t password[kTextFieldSize];
        (void)DesProcess(password, header.adminPassword, kTextFieldSize, header.adminAccount, kTextFieldSize,
                         DES_ENCRYPT);
        head.insert(head.end(), password, password + kTextFieldSize);
        Put64(head, kd::ContentHash::Of(head.data(), head.size()));

        const auto fail = [&] {
            m_file.reset();
            (void)kd::fileio::Remove(path);
            if (linked) (void)kd::fileio::Remove(base);
            return false;
        };
        if (kd::fileio::CreateNew(path) != kd::fileio::Created::New) {
            if (linked) (void)kd::fileio::Remove(base);
            return false;
        }
        // Before a byte is in it: the journal holds what the file holds, and
        // is kept from whom the file is kept from.
        kd::fileio::CopyPermissions(store.GetPath(), path);
        m_file = kd::fileio::Open(path, "a");
        if (!m_file || std::fwrite(head.data(), 1, head.size(), m_file.get()) != head.size()) return fail();
        m_path = path;
        if (!linked && !Append(kSnapshot, static_cast<std::uint32_t>(rows.size()), rows)) return fail();
        if (linked && !kd::fileio::FlushToDisk(m_file.get())) return fail();
        return true;
    } catch (const std::bad_alloc&) {
        m_file.reset();
        (void)kd::fileio::Remove(path);
        return false;
    }
}

bool CEditJournal::Append(std::uint32_t kind, std::uint32_t row, const std::vector<AccountRecord>& records)
{
    if (!m_file) return false;
    m_entry.clear();
    m_entry.reserve(kEntryHead + records.size() * kStoredRecordSize + 8);
    Put32(m_entry, kind);
    Put32(m_entry, row);
    Put32(m_entry, m_sequence);
    for (const AccountRecord& record : records) {
        const std::size_t at = m_entry.size();
        m_entry.resize(at + kStoredRecordSize, 0);
        (void)m_codec.EncryptRecord(record, m_entry.data() + at); // fails only for a null target
    }
    Put64(m_entry, kd::ContentHash::Of(m_entry.data(), m_entry.size()));
    if (std::fwrite(m_entry.data(), 1, m_entry.size(), m_file.get()) != m_entry.size() ||
        !kd::fileio::FlushToDisk(m_file.get())) {
        // A later entry after a torn one would never be read: stop here.
        m_file.reset();
        return false;
    }
    ++m_sequence;
    return true;
}

bool CEditJournal::Insert(const AccountRecord& record)
{
    try {
        return Append(kInsert, 0, {record});
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CEditJournal::Update(std::size_t row, const AccountRecord& record)
{
    try {
        return Append(kUpdate, static_cast<std::uint32_t>(row), {record});
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CEditJournal::Delete(std::size_t row)
{
    try {
        return Append(kDelete, static_cast<std::uint32_t>(row), {});
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void CEditJournal::Remove() noexcept
{
    m_file.reset();
    if (m_path.IsEmpty()) return;
    (void)kd::fileio::Remove(m_path);
    (void)kd::fileio::Remove(BaseOf(m_path));
    m_path = {};
}

bool CEditJournal::Replay(const kd::fileio::FilePath& path, std::vector<AccountRecord>& rows, AccountFileHeader& header)
{
    try {
        auto file = kd::fileio::Open(path, "r");
        if (!file) return false;
        const std::int64_t size = kd::fileio::SizeOf(file.get());
        if (size < static_cast<std::int64_t>(kHeaderBytes + 8) || size > (std::int64_t{1} << 32)) return false;
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
        if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return false;
        if (std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0 || Get(bytes.data() + 16, 4) != kVersion ||
            Get(bytes.data() + kHeaderBytes, 8) != kd::ContentHash::Of(bytes.data(), kHeaderBytes))
            return false;
        const bool hasBase = (Get(bytes.data() + 20, 4) & kHasBase) != 0;

        CAccountFile codec;
        AccountFileHeader key{};
        std::memcpy(key.adminAccount, bytes.data() + 40, kTextFieldSize);
        (void)DesProcess(key.adminPassword, bytes.data() + 40 + kTextFieldSize, kTextFieldSize, key.adminAccount,
                         kTextFieldSize, DES_DECRYPT);
        key.adminPassword[kMaxTextLength] = '\0';
        std::vector<AccountRecord> list;
        if (hasBase) {
            // The base is the file as the session loaded it: its header is the file's.
            CAccountFile base;
            if (!base.LoadFrom(BaseOf(path))) return false;
            key = base.GetHeader();
            list = base.GetRecords();
        }
        codec.SetHeader(key);

        std::size_t at = kHeaderBytes + 8;
        for (std::uint32_t sequence = 0;; ++sequence) {
            if (bytes.size() - at < kEntryHead + 8) break;
            const auto* entry = bytes.data() + at;
            const auto kind = static_cast<std::uint32_t>(Get(entry, 4));
            const auto row = static_cast<std::size_t>(Get(entry + 4, 4));
            if (Get(entry + 8, 4) != sequence) break;
            std::size_t records = 0;
            if (kind == kInsert || kind == kUpdate)
                records = 1;
            else if (kind == kSnapshot)
                records = row;
            else if (kind != kDelete)
                break;
            if (records > (bytes.size() - at - kEntryHead - 8) / kStoredRecordSize) break;
            const std::size_t length = kEntryHead + records * kStoredRecordSize;
            if (Get(entry + length, 8) != kd::ContentHash::Of(entry, length)) break;

            std::vector<AccountRecord> read(records);
            for (std::size_t i = 0; i < records; ++i)
                (void)codec.DecryptRecord(entry + kEntryHead + i * kStoredRecordSize, read[i]); // never null
            if (kind == kSnapshot) {
                list.swap(read);
            } else if (kind == kInsert) {
                list.push_back(read[0]);
            } else if (row < list.size()) {
                if (kind == kUpdate)
                    list[row] = read[0];
                else
                    list.erase(list.begin() + static_cast<std::ptrdiff_t>(row));
            }
            at += length + 8;
        }
        rows.swap(list);
        header = key;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
