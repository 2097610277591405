#include "CAccountFile.h"

#include "DesProcess.h"
#include "FileIo.h"
#include "LineEnds.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace {

constexpr char kMagic[11] = "ConfigFile";
constexpr std::size_t kCipherLength = kTextFieldSize; // one field per cipher call
constexpr std::size_t kKeyLength = kTextFieldSize;    // the whole adminAccount field

// Offsets inside a stored record.
constexpr std::size_t kStoredAccount = 4;
constexpr std::size_t kStoredPassword = 260;
constexpr std::size_t kStoredComment = 516;
// Offset of the enciphered password inside the header block.
constexpr std::size_t kBlockPassword = offsetof(AccountFileHeader, adminPassword);

std::int32_t ReadLE32(const std::uint8_t* p) noexcept
{
    return static_cast<std::int32_t>(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                                     std::uint32_t{p[3]} << 24);
}

void WriteLE32(std::uint8_t* p, std::int32_t value) noexcept
{
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void Terminate(char (&field)[kTextFieldSize]) noexcept
{
    field[kMaxTextLength] = '\0';
}

void TerminateTexts(AccountRecord& record) noexcept
{
    Terminate(record.account);
    Terminate(record.password);
    Terminate(record.comment);
}

// Hash of the three texts, consistent with IsSameRecord (all 384 bytes).
std::uint64_t HashTexts(const AccountRecord& record) noexcept
{
    const unsigned char* p = kd::RecordTexts(record);
    std::uint64_t h = 0x243F6A8885A308D3u;
    for (std::size_t i = 0; i < kd::kRecordTextBytes; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        h = (((h << 5) | (h >> 59)) ^ w) * 0x9E3779B97F4A7C15u;
    }
    // Final mix so that the low bits, which pick the index slot, depend on all bits.
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDu;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53u;
    return h ^ (h >> 33);
}

// Writes logical content to a stream in its stored form, in large pieces.
class StoredWriter {
public:
    StoredWriter(std::FILE* file, kd::ContentHash& written) : m_file(file), m_written(written)
    {
        m_buffer.reserve(2 * kPiece + 2);
    }

    void Write(const std::uint8_t* data, std::size_t count)
    {
        while (count > 0 && m_ok) {
            const void* lf = std::memchr(data, 0x0A, count);
            const std::size_t run = lf ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(lf) - data) : count;
            m_buffer.insert(m_buffer.end(), data, data + run);
            if (lf) {
                m_buffer.push_back(0x0D);
                m_buffer.push_back(0x0A);
            }
            const std::size_t used = lf ? run + 1 : run;
            data += used;
            count -= used;
            if (m_buffer.size() >= kPiece) Flush();
        }
    }

    [[nodiscard]] bool Finish()
    {
        Flush();
        return m_ok;
    }

private:
    static constexpr std::size_t kPiece = 1 << 16;

    void Flush()
    {
        if (m_ok && !m_buffer.empty()) {
            m_written.Add(m_buffer.data(), m_buffer.size());
            if (std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file) != m_buffer.size()) m_ok = false;
        }
        m_buffer.clear();
    }

    std::FILE* m_file;
    kd::ContentHash& m_written;
    std::vector<std::uint8_t> m_buffer;
    bool m_ok = true;
};

struct FreeDeleter {
    void operator()(std::uint8_t* p) const noexcept { std::free(p); }
};

} // namespace

namespace kd {

void SetText(char (&field)[kTextFieldSize], std::string_view text) noexcept
{
    const std::string_view kept = FitText(text);
    std::memset(field, 0, kTextFieldSize);
    std::memcpy(field, kept.data(), kept.size());
}

std::string_view GetText(const char (&field)[kTextFieldSize]) noexcept
{
    const void* nul = std::memchr(field, 0, kTextFieldSize);
    return {field, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : kTextFieldSize};
}

bool TextEquals(const char (&field)[kTextFieldSize], std::string_view text) noexcept
{
    return GetText(field) == FitText(text);
}

} // namespace kd

CAccountFile::~CAccountFile()
{
    if (m_bSaveEnabled) (void)Save();
}

void CAccountFile::SetAdministrator(std::string_view account, std::string_view password) noexcept
{
    kd::SetText(m_header.adminAccount, account);
    kd::SetText(m_header.adminPassword, password);
}

bool CAccountFile::IsAdministrator(std::string_view account, std::string_view password) const noexcept
{
    return kd::TextEquals(m_header.adminAccount, account) && kd::TextEquals(m_header.adminPassword, password);
}

bool CAccountFile::IsValidName(const char* name, LeadBytePredicate isLeadByte) noexcept
{
    if (name == nullptr || *name == '\0') return false;
    if (isLeadByte == nullptr) isLeadByte = kd::fileio::IsLeadByte;
    const std::string_view s(name);
    std::size_t lastStart = 0;
    std::size_t firstDot = std::string_view::npos;
    for (std::size_t i = 0; i < s.size();) {
        lastStart = i;
        const auto c = static_cast<unsigned char>(s[i]);
        if (isLeadByte(c)) {
            if (i + 1 == s.size()) return false;
            i += 2;
            continue;
        }
        if (c < 0x20) return false;
        if (std::string_view("<>:\"/\\|?*").find(s[i]) != std::string_view::npos) return false;
        if (c == '.' && firstDot == std::string_view::npos) firstDot = i;
        ++i;
    }
    if (s.size() - lastStart == 1 && (s.back() == '.' || s.back() == ' ')) return false;

    // Windows takes the part before the first dot (trailing spaces dropped) as a
    // device name, whatever follows it.
    std::string_view base = s.substr(0, firstDot);
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    if (base.size() > 7) return true;
    char upper[8] = {};
    for (std::size_t i = 0; i < base.size(); ++i)
        upper[i] = base[i] >= 'a' && base[i] <= 'z' ? static_cast<char>(base[i] - 'a' + 'A') : base[i];
    const std::string_view u(upper, base.size());
    if (u == "CON" || u == "PRN" || u == "AUX" || u == "NUL" || u == "CONIN$" || u == "CONOUT$") return false;
    if (u.size() == 4 && (u.starts_with("COM") || u.starts_with("LPT"))) {
        // Digits 1-9, and the superscripts 1, 2 and 3 of the Windows Latin code page.
        const auto d = static_cast<unsigned char>(u[3]);
        if ((d >= '1' && d <= '9') || d == 0xB9 || d == 0xB2 || d == 0xB3) return false;
    }
    return true;
}

namespace {

bool CanRead(const kd::fileio::FilePath& path)
{
    if (kd::fileio::KindOf(path) == kd::fileio::Kind::Directory) return false;
    return kd::fileio::Open(path, "r") != nullptr;
}

} // namespace

bool CAccountFile::Exists(const char* name) const
{
    if (!IsValidName(name)) return false;
    kd::fileio::FilePath path;
    return kd::fileio::FilePath::Resolve(std::string(name) + ".qrd", path) && CanRead(path);
}

bool CAccountFile::Exists() const
{
    return !m_path.IsEmpty() && CanRead(m_path);
}

bool CAccountFile::Bind(const char* name)
{
    if (!IsValidName(name)) return false;
    std::string fileName = std::string(name) + ".qrd";
    kd::fileio::FilePath path;
    if (!kd::fileio::FilePath::Resolve(fileName, path)) return false;
    m_strFileName.swap(fileName);
    m_path = std::move(path);
    Reset();
    return true;
}

void CAccountFile::Reset() noexcept
{
    m_header = AccountFileHeader{};
    ClearRecords();
    m_bSaveEnabled = false;
    m_report = {};
    m_fingerprint = {};
    m_saveError = 0;
}

bool CAccountFile::Open(const char* name)
{
    return Bind(name) && Open();
}

bool CAccountFile::Open()
{
    return LoadFile(m_path, true);
}

bool CAccountFile::LoadExisting()
{
    return LoadFile(m_path, false) && m_fingerprint.size > 0;
}

bool CAccountFile::LoadFrom(const kd::fileio::FilePath& path)
{
    return LoadFile(path, false) && m_fingerprint.size > 0;
}

bool CAccountFile::LoadFile(const kd::fileio::FilePath& path, bool createMissing)
{
    if (path.IsEmpty()) return false;
    Reset();
    const auto kind = kd::fileio::KindOf(path);
    if (kind == kd::fileio::Kind::Directory) return false;
    auto file = kd::fileio::Open(path, "r");
    if (!file) {
        // Create only what is missing: a file that is there but cannot be read
        // must not be truncated.
        if (!createMissing || kind != kd::fileio::Kind::Missing) return false;
        file = kd::fileio::Open(path, "w+");
        if (!file) return false;
    }
    if (kd::fileio::SizeOf(file.get()) == 0) {
        m_fingerprint = {0, kd::ContentHash().Value()};
        return true;
    }
    if (!Load(file.get())) {
        Reset();
        return false;
    }
    return true;
}

CAccountFile::CreateResult CAccountFile::Create(std::string_view account, std::string_view password)
{
    if (m_path.IsEmpty()) return CreateResult::Failed;
    Reset();
    const auto kind = kd::fileio::KindOf(m_path);
    if (kind != kd::fileio::Kind::Missing && kind != kd::fileio::Kind::File) return CreateResult::Failed;
    const auto created = kd::fileio::CreateNew(m_path);
    if (created == kd::fileio::Created::Failed) return CreateResult::Failed;
    if (created == kd::fileio::Created::Exists && kd::fileio::SizeOf(m_path) != 0) return CreateResult::Exists;

    SetAdministrator(account, password);
    Fingerprint written;
    if (!SaveTo(m_path, m_path, {}, written)) {
        if (created == kd::fileio::Created::New) (void)kd::fileio::Remove(m_path);
        Reset();
        return CreateResult::Failed;
    }
    m_fingerprint = written;
    return CreateResult::Created;
}

bool CAccountFile::IsMissingOrEmpty() const
{
    if (m_path.IsEmpty()) return false;
    const auto kind = kd::fileio::KindOf(m_path);
    return kind == kd::fileio::Kind::Missing || (kind == kd::fileio::Kind::File && kd::fileio::SizeOf(m_path) == 0);
}

CAccountFile::Fingerprint CAccountFile::FingerprintOf(const kd::fileio::FilePath& path)
{
    auto file = kd::fileio::Open(path, "r");
    if (!file) return {};
    try {
        std::vector<std::uint8_t> piece(std::size_t{1} << 20);
        kd::ContentHash hash;
        for (;;) {
            const std::size_t got = std::fread(piece.data(), 1, piece.size(), file.get());
            hash.Add(piece.data(), got);
            if (got < piece.size()) break;
        }
        if (std::ferror(file.get())) return {};
        return {static_cast<std::int64_t>(hash.Size()), hash.Value()};
    } catch (const std::bad_alloc&) {
        return {};
    }
}

bool CAccountFile::Load(std::FILE* file)
{
    if (file == nullptr) return false;
    const std::int64_t size = kd::fileio::SizeOf(file);
    if (size <= 0) return false;
    if (static_cast<std::uint64_t>(size) > std::numeric_limits<std::size_t>::max()) return false;
    const auto capacity = static_cast<std::size_t>(size);
    std::unique_ptr<std::uint8_t, FreeDeleter> buffer(static_cast<std::uint8_t*>(std::malloc(capacity)));
    if (!buffer) return false;

    std::size_t total = 0;
    while (total < capacity) {
        const std::size_t want = std::min<std::size_t>(capacity - total, std::size_t{1} << 20);
        const std::size_t got = std::fread(buffer.get() + total, 1, want, file);
        total += got;
        if (got < want) break;
    }
    if (std::ferror(file)) return false;
    const Fingerprint read{static_cast<std::int64_t>(total), kd::ContentHash::Of(buffer.get(), total)};

    kd::LineEndDecoder decoder;
    std::size_t count = decoder.Decode(buffer.get(), total, buffer.get());
    count += decoder.Finish(buffer.get() + count);
    (void)Parse(buffer.get(), count);
    m_fingerprint = read;
    return true;
}

bool CAccountFile::Parse(const void* data, std::size_t count)
{
    if (data == nullptr || count < kHeaderSize) return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);

    std::uint8_t block[kHeaderBlockSize] = {};
    std::memcpy(block, bytes, std::min(count, kHeaderBlockSize));
    AccountFileHeader header{};
    std::memcpy(header.magic, block, sizeof header.magic);
    std::memcpy(header.reserved, block + offsetof(AccountFileHeader, reserved), sizeof header.reserved);
    header.headerSize = ReadLE32(block + offsetof(AccountFileHeader, headerSize));
    header.recordSize = ReadLE32(block + offsetof(AccountFileHeader, recordSize));
    header.recordCount = ReadLE32(block + offsetof(AccountFileHeader, recordCount));
    std::memcpy(header.adminAccount, block + offsetof(AccountFileHeader, adminAccount), kTextFieldSize);
    (void)DesProcess(header.adminPassword, block + kBlockPassword, kCipherLength, header.adminAccount, kKeyLength,
                     DES_DECRYPT);
    Terminate(header.adminAccount);
    Terminate(header.adminPassword);

    // Build the new contents aside and swap them in, so that a failed
    // allocation leaves the store as it was.
    try {
        CAccountFile parsed;
        std::memcpy(parsed.m_header.adminAccount, header.adminAccount, kTextFieldSize);
        if (count >= kHeaderBlockSize + kRecordSize) {
            const std::size_t most = (count - kHeaderBlockSize - kRecordSize) / kStoredRecordSize;
            parsed.m_records.reserve(most);
            parsed.m_index.Reserve(most);
        }
        std::size_t position = kHeaderBlockSize;
        for (;;) {
            // A record is taken only when its own bytes and an end marker's worth follow.
            if (count < position || count - position < kStoredRecordSize + kRecordSize) break;
            AccountRecord record;
            (void)parsed.DecryptRecord(bytes + position, record); // fails only for a null source
            if (record.index == 0 && record.account[0] == '\0' && record.password[0] == '\0' &&
                record.comment[0] == '\0')
                break;
            parsed.AppendRecord(record);
            position += kStoredRecordSize;
        }

        const std::size_t read = parsed.m_records.size();
        const std::size_t expected = kHeaderBlockSize + kStoredRecordSize * read + kRecordSize;
        LoadReport report;
        report.recordsRead = read;
        report.recordsCounted = header.recordCount;
        report.damaged =
            (header.recordCount > 0 && static_cast<std::size_t>(header.recordCount) > read) || count > expected;
        report.whole = !report.damaged && count == expected && std::memcmp(header.magic, kMagic, sizeof kMagic) == 0 &&
                       header.headerSize == static_cast<std::int32_t>(kHeaderSize) &&
                       header.recordSize == static_cast<std::int32_t>(kRecordSize) &&
                       header.recordCount == static_cast<std::int32_t>(read) &&
                       std::all_of(bytes + count - kRecordSize, bytes + count, [](std::uint8_t b) { return b == 0; });

        m_header = header;
        m_records.swap(parsed.m_records);
        std::swap(m_index, parsed.m_index);
        m_bIndexStale = false;
        m_report = report;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CAccountFile::Save(const std::function<void()>& beforeReplace)
{
    if (!m_bSaveEnabled || m_path.IsEmpty()) return false;
    Fingerprint written;
    if (!SaveTo(m_path, m_path, beforeReplace, written)) return false;
    m_fingerprint = written;
    return true;
}

bool CAccountFile::SaveCopy(const kd::fileio::FilePath& copy)
{
    if (m_path.IsEmpty() || copy.IsEmpty()) return false;
    Fingerprint written;
    return SaveTo(copy, m_path, {}, written);
}

bool CAccountFile::SaveTo(const kd::fileio::FilePath& target, const kd::fileio::FilePath& permissionsFrom,
                          const std::function<void()>& beforeReplace, Fingerprint& written)
{
    m_saveError = 0;
    kd::fileio::ReplacementFile file;
    try {
        // The old file is replaced only once the new one is complete on the
        // disk; until then `file` deletes what it created on every way out.
        kd::ContentHash hash;
        const bool ok = file.Create(target, permissionsFrom) && WriteTo(file.Stream(), hash) &&
                        (beforeReplace ? beforeReplace() : void(), file.Commit());
        if (!ok) {
            // The first failure's error: a write's, else the replacement's.
            if (m_saveError == 0) m_saveError = file.Error();
            return false;
        }
        written = {static_cast<std::int64_t>(hash.Size()), hash.Value()};
        return true;
    } catch (const std::bad_alloc&) {
        if (m_saveError == 0) m_saveError = file.Error();
        return false;
    }
}

bool CAccountFile::WriteTo(std::FILE* file, kd::ContentHash& written)
{
    std::memcpy(m_header.magic, kMagic, sizeof m_header.magic);
    m_header.headerSize = static_cast<std::int32_t>(kHeaderSize);
    m_header.recordSize = static_cast<std::int32_t>(kRecordSize);
    m_header.recordCount = static_cast<std::int32_t>(m_records.size());
    Terminate(m_header.adminAccount);
    Terminate(m_header.adminPassword);

    StoredWriter writer(file, written);
    std::uint8_t block[kHeaderBlockSize] = {};
    std::memcpy(block, m_header.magic, sizeof m_header.magic);
    std::memcpy(block + offsetof(AccountFileHeader, reserved), m_header.reserved, sizeof m_header.reserved);
    WriteLE32(block + offsetof(AccountFileHeader, headerSize), m_header.headerSize);
    WriteLE32(block + offsetof(AccountFileHeader, recordSize), m_header.recordSize);
    WriteLE32(block + offsetof(AccountFileHeader, recordCount), m_header.recordCount);
    std::memcpy(block + offsetof(AccountFileHeader, adminAccount), m_header.adminAccount, kTextFieldSize);
    (void)DesProcess(block + kBlockPassword, m_header.adminPassword, kCipherLength, m_header.adminAccount, kKeyLength,
                     DES_ENCRYPT);
    writer.Write(block, kHeaderBlockSize);

    std::uint8_t stored[kStoredRecordSize];
    for (const AccountRecord& record : m_records) {
        std::memset(stored, 0, kStoredRecordSize);
        (void)EncryptRecord(record, stored); // fails only for a null target
        writer.Write(stored, kStoredRecordSize);
    }
    const std::uint8_t endMarker[kRecordSize] = {};
    writer.Write(endMarker, kRecordSize);
    if (writer.Finish()) return true;
    // The write's own error, before anything else can overwrite it.
    m_saveError = kd::fileio::LastSystemError();
    return false;
}

bool CAccountFile::AddRecord(AccountRecord& record)
{
    AccountRecord copy = record;
    TerminateTexts(copy);
    const std::uint64_t hash = HashTexts(copy);
    if (FindRecord(copy, hash)) return false;
    if (m_records.size() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return false;
    copy.index = static_cast<std::int32_t>(m_records.size());
    AppendRecord(copy);
    record.index = copy.index;
    return true;
}

void CAccountFile::AppendRecord(const AccountRecord& record)
{
    m_records.push_back(record);
    try {
        m_index.Append(HashTexts(record));
    } catch (...) {
        m_records.pop_back();
        throw;
    }
}

bool CAccountFile::FindRecord(const AccountRecord& record, std::uint64_t hash)
{
    if (m_bIndexStale) {
        m_index.Clear();
        m_index.Reserve(m_records.size());
        for (const AccountRecord& present : m_records) m_index.Append(HashTexts(present));
        m_bIndexStale = false;
    }
    return m_index.Contains(hash, [&](std::size_t position) { return IsSameRecord(m_records[position], record); });
}

void CAccountFile::ClearRecords() noexcept
{
    std::vector<AccountRecord>().swap(m_records);
    m_index.Clear();
    m_bIndexStale = false;
}

void CAccountFile::SetRecords(std::vector<AccountRecord> records)
{
    if (records.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) throw std::bad_alloc();
    std::int32_t index = 0;
    for (AccountRecord& record : records) {
        TerminateTexts(record);
        record.index = index++;
    }
    m_records.swap(records);
    m_index.Clear();
    m_bIndexStale = true;
}

bool CAccountFile::EncryptRecord(const AccountRecord& record, std::uint8_t* out) const noexcept
{
    if (out == nullptr) return false;
    WriteLE32(out, record.index);
    const char* key = m_header.adminAccount;
    (void)DesProcess(out + kStoredAccount, record.account, kCipherLength, key, kKeyLength, DES_ENCRYPT);
    (void)DesProcess(out + kStoredPassword, record.password, kCipherLength, key, kKeyLength, DES_ENCRYPT);
    (void)DesProcess(out + kStoredComment, record.comment, kCipherLength, key, kKeyLength, DES_ENCRYPT);
    return true;
}

bool CAccountFile::DecryptRecord(const std::uint8_t* in, AccountRecord& record) const noexcept
{
    if (in == nullptr) return false;
    record.index = ReadLE32(in);
    const char* key = m_header.adminAccount;
    (void)DesProcess(record.account, in + kStoredAccount, kCipherLength, key, kKeyLength, DES_DECRYPT);
    (void)DesProcess(record.password, in + kStoredPassword, kCipherLength, key, kKeyLength, DES_DECRYPT);
    (void)DesProcess(record.comment, in + kStoredComment, kCipherLength, key, kKeyLength, DES_DECRYPT);
    TerminateTexts(record);
    return true;
}

bool CAccountFile::IsSameRecord(const AccountRecord& a, const AccountRecord& b) noexcept
{
    return std::memcmp(a.account, b.account, kTextFieldSize) == 0 &&
           std::memcmp(a.password, b.password, kTextFieldSize) == 0 &&
           std::memcmp(a.comment, b.comment, kTextFieldSize) == 0;
}
