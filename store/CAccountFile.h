// The in-memory store of one administrator's account file ("<name>.qrd" in the
// current directory): the header with the administrator's name and password,
// the managed accounts in insertion order, and the file name.
//
// How the administrator's session uses it:
//   Login:  Bind(name); take the lock of GetPath(); LoadExisting();
//           IsAdministrator(account, password); on success EnableSave(). The
//           copies beside the file are CAccountCopies' business.
//   Create: Bind(name); take the lock; Create(account, password); EnableSave().
//   List:   GetRecords() in order (index is the item data).
//   Close:  SetRecords(rows), or ClearRecords() and AddRecord(row) per row;
//           the destructor saves.
//
// The file's full path is fixed by Bind: the file, its lock and every save of
// the session stay in the folder that was current then.
//
// Nothing reaches the disk (but the new file Create writes) until EnableSave()
// has been called after the last Bind: a login that loads a file and then
// fails or is cancelled leaves the file exactly as it was, whatever list the
// main window hands back.
#pragma once

#include "AccountRecord.h"
#include "ContentHash.h"
#include "FileIo.h"
#include "RecordIndex.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <string>
#include <vector>

class CAccountFile {
public:
    CAccountFile() noexcept = default;
    // Saves (result ignored) when saving is enabled.
    ~CAccountFile();

    CAccountFile(const CAccountFile&) = delete;
    CAccountFile& operator=(const CAccountFile&) = delete;

    // True when "<name>.qrd" can be opened for reading. False for a null or
    // empty name and for a name the file system cannot accept (IsValidName).
    [[nodiscard]] bool Exists(const char* name) const;
    // The same for the bound file.
    [[nodiscard]] bool Exists() const;

    // Binds the store to "<name>.qrd" in the current folder, whose full path
    // is resolved now, once, and resets it: no header, no records, saving
    // disabled. False for a null, empty or invalid name, or a path that cannot
    // be resolved; the store is then left as it was.
    [[nodiscard]] bool Bind(const char* name);

    // Bind(name), then Open().
    [[nodiscard]] bool Open(const char* name);

    // Loads the bound file into the reset store, creating the file empty when
    // it does not exist. An empty file loads nothing. False when the file can
    // be neither opened nor created, or when a file with content cannot be
    // loaded (a read error, too large for memory): the store is then reset,
    // and nothing of an earlier load is left to be taken for this file's.
    [[nodiscard]] bool Open();

    enum class CreateResult { Created, Exists, Failed };
    // Creates the bound file for a new administrator, exclusively: the file
    // is written whole at once, the administrator in its header and no
    // records, so that a crash right after leaves a file one can log in to.
    // Exists (nothing touched) when a file with content or anything that is no
    // file holds the name; an empty file there, which an older version left
    // after a crash, holds nothing and is taken over. Failed when the file
    // cannot be made; nothing is left then. Call it with the lock held.
    [[nodiscard]] CreateResult Create(std::string_view account, std::string_view password);

    // Loads the bound file into the reset store without creating anything:
    // false when it is missing, cannot be read or has no content.
    [[nodiscard]] bool LoadExisting();
    // Loads the account file at `path` (any name: a copy beside the file)
    // into this store, which is reset and left unbound. False when it cannot
    // be read or has no content.
    [[nodiscard]] bool LoadFrom(const kd::fileio::FilePath& path);

    // True when the bound file is missing or empty: a new administrator may
    // take the name, and a copy beside it may be all there is of the list.
    [[nodiscard]] bool IsMissingOrEmpty() const;

    // What the last load found, beside the records it took.
    struct LoadReport {
        std::size_t recordsRead = 0;
        std::int32_t recordsCounted = 0; // the header's count
        // Header, counts and length are exactly what Save writes.
        bool whole = false;
        // The header's count or the length says the file holds more than the
        // stop rules took: the rest is lost unless its bytes are kept.
        bool damaged = false;
    };
    [[nodiscard]] const LoadReport& GetLoadReport() const noexcept { return m_report; }

    // The stored bytes of the bound file as this store last read or wrote
    // them: another program's change shows as a different hash or size.
    struct Fingerprint {
        std::int64_t size = -1; // -1: nothing read or written yet
        std::uint64_t hash = 0;
        friend bool operator==(const Fingerprint&, const Fingerprint&) = default;
    };
    [[nodiscard]] const Fingerprint& GetFingerprint() const noexcept { return m_fingerprint; }
    // Takes `fingerprint` as the file's known state: another program's
    // version has been kept, and may now be written over.
    void SetFingerprint(const Fingerprint& fingerprint) noexcept { m_fingerprint = fingerprint; }
    // The fingerprint of the file at `path` now; size -1 when it cannot be read.
    [[nodiscard]] static Fingerprint FingerprintOf(const kd::fileio::FilePath& path);

    // Reads a whole binary-mode stream, undoes the line-end translation and
    // parses it. False, with the store unchanged, for a null stream, an empty
    // file, a file without a size, a read error or a file too large for memory;
    // otherwise true whatever Parse gives. The stream stays open.
    [[nodiscard]] bool Load(std::FILE* file);

    // Replaces header and records from the logical (translated back) content.
    // False, with nothing changed, for no data or fewer than kHeaderSize bytes.
    [[nodiscard]] bool Parse(const void* data, std::size_t count);

    // Writes the whole file: to a temporary file in the same folder, flushed
    // to the disk, which then takes the old file's attributes and permissions
    // and is renamed over it in one step. False, with the old file untouched,
    // when saving is not enabled, no file is bound, or anything fails (running
    // out of memory included); no temporary file is left unless the rename
    // itself failed, when it may be the only whole copy. `beforeReplace` runs
    // once the new content is complete, just before it takes the file's place.
    [[nodiscard]] bool Save(const std::function<void()>& beforeReplace = {});
    // Writes what Save would write to `copy` (a new name beside the file), in
    // the same way, with the account file's permissions. Needs only the
    // folder: works while the account file itself is held or read-only.
    [[nodiscard]] bool SaveCopy(const kd::fileio::FilePath& copy);
    // The system's error of the last Save or SaveCopy that failed (0: none told).
    [[nodiscard]] unsigned long GetSaveError() const noexcept { return m_saveError; }

    // Allows Save (and the save at destruction) for the file bound by the last
    // Bind: call it once the administrator has logged in or been created.
    void EnableSave() noexcept { m_bSaveEnabled = true; }
    // After an explicit Save that succeeded: nothing is left for the destructor to write.
    void DisableSave() noexcept { m_bSaveEnabled = false; }
    [[nodiscard]] bool IsSaveEnabled() const noexcept { return m_bSaveEnabled; }

    // Appends a copy numbered with the current record count (record.index is
    // overwritten with it); false, changing nothing, when an equal record
    // (IsSameRecord) is present. Texts are cut to 127 characters.
    [[nodiscard]] bool AddRecord(AccountRecord& record);

    void ClearRecords() noexcept;
    // Replaces the records with `records` in their order, numbered 0, 1, 2...,
    // every one kept: the rows of a list, whose untouched entries are never
    // dropped, even where two are equal.
    void SetRecords(std::vector<AccountRecord> records);

    // Stored form of one record (kStoredRecordSize bytes); bytes outside the
    // index and the three enciphered fields are left as the caller set them.
    [[nodiscard]] bool EncryptRecord(const AccountRecord& record, std::uint8_t* out) const noexcept;
    // Record from its stored form (kStoredRecordSize bytes).
    [[nodiscard]] bool DecryptRecord(const std::uint8_t* in, AccountRecord& record) const noexcept;

    // account, password and comment byte-for-byte equal; index not compared.
    [[nodiscard]] static bool IsSameRecord(const AccountRecord& a, const AccountRecord& b) noexcept;

    // True when `byte` starts a two-byte character of the name's code page.
    using LeadBytePredicate = bool (*)(unsigned char byte) noexcept;

    // A name that can form "<name>.qrd" in the current folder: no path separator,
    // drive colon, character Windows forbids in file names (<>:"/\|?*) or control
    // character; not a device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$,
    // CONOUT$, in any case, also before an extension as in "con.txt"); not
    // ending in a dot or a space. Characters are walked as the code page defines
    // them (`isLeadByte`, the system's when null): the second byte of a
    // double-byte character is no separator even where it is 0x5C or 0x7C, and a
    // name may not end in half a character, which would swallow the dot of ".qrd".
    [[nodiscard]] static bool IsValidName(const char* name, LeadBytePredicate isLeadByte = nullptr) noexcept;

    // The header as loaded, created or set; the administrator's password in clear.
    [[nodiscard]] const AccountFileHeader& GetHeader() const noexcept { return m_header; }
    // Takes `header` as it stands, as if loaded: the key of a copy's records.
    void SetHeader(const AccountFileHeader& header) noexcept { m_header = header; }
    // Puts the administrator into the header, each text cut as a field keeps it.
    void SetAdministrator(std::string_view account, std::string_view password) noexcept;
    // True when the header holds exactly this account and password (kd::TextEquals).
    [[nodiscard]] bool IsAdministrator(std::string_view account, std::string_view password) const noexcept;

    [[nodiscard]] const std::vector<AccountRecord>& GetRecords() const noexcept { return m_records; }
    [[nodiscard]] const std::string& GetFileName() const noexcept { return m_strFileName; }
    // The bound file's full path; empty before Bind.
    [[nodiscard]] const kd::fileio::FilePath& GetPath() const noexcept { return m_path; }

private:
    void AppendRecord(const AccountRecord& record);
    [[nodiscard]] bool FindRecord(const AccountRecord& record, std::uint64_t hash);
    [[nodiscard]] bool WriteTo(std::FILE* file, kd::ContentHash& written);
    // The whole file written to `target` through a replacement file; the
    // fingerprint of what was written in `written`.
    [[nodiscard]] bool SaveTo(const kd::fileio::FilePath& target, const kd::fileio::FilePath& permissionsFrom,
                              const std::function<void()>& beforeReplace, Fingerprint& written);
    [[nodiscard]] bool LoadFile(const kd::fileio::FilePath& path, bool createMissing);
    // No header, no records, saving disabled.
    void Reset() noexcept;

    // Positions of the records by a hash of their three texts, so that AddRecord
    // need not walk the array.
    RecordIndex m_index;
    bool m_bIndexStale = false; // SetRecords leaves the index to the next AddRecord
    std::vector<AccountRecord> m_records;
    LoadReport m_report;
    Fingerprint m_fingerprint;
    unsigned long m_saveError = 0;
    AccountFileHeader m_header{};
    std::string m_strFileName;
    kd::fileio::FilePath m_path;
    bool m_bSaveEnabled = false;
};
