// The in-memory store of one administrator's account file ("<name>.qrd" in the
// current directory): the header with the administrator's name and password,
// the managed accounts in insertion order, and the file name.
//
// How the dialogs use it:
//   Login:  Exists(name); Open(name); compare with kd::TextEquals against
//           m_header.adminAccount / adminPassword; on success EnableSave().
//   Create: !Exists(name); Open(name); kd::SetText the typed account and
//           password into m_header.adminAccount / adminPassword; EnableSave().
//   List:   GetRecords() in order (index is the item data).
//   Close:  ClearRecords(); AddRecord(row) per list row, top to bottom; the
//           destructor saves.
//
// Nothing reaches the disk until EnableSave() has been called after the last
// Open: a login that loads a file and then fails or is cancelled leaves the
// file exactly as it was, whatever list the main window hands back.
#pragma once

#include "AccountRecord.h"
#include "RecordIndex.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

class CAccountFile {
public:
    CAccountFile() noexcept;
    // Saves (result ignored) when saving is enabled.
    virtual ~CAccountFile();

    CAccountFile(const CAccountFile&) = delete;
    CAccountFile& operator=(const CAccountFile&) = delete;

    // True when "<name>.qrd" can be opened for reading. False for a null or
    // empty name and for a name the file system cannot accept (IsValidName).
    [[nodiscard]] bool Exists(const char* name) const;

    // Binds the store to "<name>.qrd" and loads it, creating the file empty when
    // it does not exist. False for a null, empty or invalid name (the store is
    // then left unbound as it was) or when the file can be neither opened nor
    // created. Disables saving until the next EnableSave().
    [[nodiscard]] bool Open(const char* name);

    // Reads a whole binary-mode stream, undoes the line-end translation and
    // parses it. False, with the store unchanged, for a null stream, an empty
    // file, a file without a size, a read error or a file too large for memory;
    // otherwise true whatever Parse gives. The stream stays open.
    bool Load(std::FILE* file);

    // Replaces header and records from the logical (translated back) content.
    // False, with nothing changed, for no data or fewer than headerSize bytes.
    bool Parse(const void* data, std::size_t count);

    // Writes the whole file: to a temporary file in the same folder, flushed
    // to the disk, which then replaces the old file in one step and keeps its
    // attributes and permissions. False, with the old file untouched and no
    // temporary file left, when saving is not enabled, no file name is set, or
    // anything fails (running out of memory included).
    [[nodiscard]] bool Save();
    // Writes what Save would write to "<file name>.recovery" beside the file, in
    // the same way, for entries that could not be saved before the process ends.
    // Needs only the folder: works while the account file itself is held or
    // read-only. False when saving is not enabled, no file name is set, or
    // anything fails.
    [[nodiscard]] bool SaveRecoveryCopy();

    // Allows Save (and the save at destruction) for the file bound by the last
    // Open: call it once the administrator has logged in or been created.
    void EnableSave() noexcept { m_bSaveEnabled = true; }
    // After an explicit Save that succeeded: nothing is left for the destructor to write.
    void DisableSave() noexcept { m_bSaveEnabled = false; }
    [[nodiscard]] bool IsSaveEnabled() const noexcept { return m_bSaveEnabled; }

    // Appends a copy numbered with the current record count (record.index is
    // overwritten with it); false, changing nothing, when an equal record
    // (IsSameRecord) is present. Texts are cut to 127 characters.
    bool AddRecord(AccountRecord& record);

    void ClearRecords() noexcept;

    // Stored form of one record (storedRecordSize bytes); bytes outside the
    // index and the three enciphered fields are left as the caller set them.
    bool EncryptRecord(const AccountRecord& record, std::uint8_t* out) const noexcept;
    // Record from its stored form (storedRecordSize bytes).
    bool DecryptRecord(const std::uint8_t* in, AccountRecord& record) const noexcept;

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

    [[nodiscard]] const std::vector<AccountRecord>& GetRecords() const noexcept { return m_records; }
    [[nodiscard]] const std::string& GetFileName() const noexcept { return m_strFileName; }

private:
    std::vector<AccountRecord> m_records;

public:
    // Read and written directly by the dialogs (adminAccount, adminPassword).
    AccountFileHeader m_header;

private:
    std::string m_strFileName;

public:
    const std::size_t headerSize;        // 284
    const std::size_t headerBlockSize;   // 412
    const std::size_t recordSize;        // 388
    const std::size_t storedRecordSize;  // 772

private:
    void AppendRecord(const AccountRecord& record);
    [[nodiscard]] bool FindRecord(const AccountRecord& record, std::uint64_t hash) const;
    [[nodiscard]] bool WriteTo(std::FILE* file);

    // Positions of the records by a hash of their three texts, so that AddRecord
    // need not walk the array.
    RecordIndex m_index;
    bool m_bSaveEnabled = false;
};
