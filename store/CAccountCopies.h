// The copies of one account file that Kordane keeps beside it, and the one
// place that knows them: finding, comparing, offering (through its caller),
// discarding, the edit journal's name, another program's version, and the
// earlier versions kept in a folder of their own.
//
// Beside "<name>.qrd", each a whole account file of the same format and key:
//   <name>.qrd.<n>.tmp             a save killed before its rename
//   <name>.qrd.recovery            a session ended unsaved (older versions)
//   <name>.qrd.<n>.recovery        the same, one per session
//   <name>.qrd[.<n>].recovery.<m>.tmp  a killed write of such a copy
//   <name>.qrd.<n>.journal         the edits of a session that did not save
//                                  (with its base, "<...>.journal.base")
//   <name>.qrd.<n>.other           the file as another program left it
// In "Versions" beside the file, never offered:
//   <name>.<yyyymmdd-hhmmss>.qrd   the file as each good save replaced it
//   <name>.damaged-<yyyymmdd-hhmmss>.qrd  a damaged file's original bytes
//
// A copy is deleted only when it holds the same entries as the file, or when
// the user chose to discard it. Call everything but the versions with the
// file's lock held, and only once the password has been checked.
#pragma once

#include "AccountRecord.h"
#include "CAccountFile.h"
#include "FileIo.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CAccountCopies {
public:
    static constexpr std::size_t kKeptVersions = 3;
    static constexpr const char* kVersionsFolder = "Versions";

    enum class Kind {
        KilledSave,  // "<n>.tmp"
        Recovery,    // "recovery", "<n>.recovery" and their killed writes
        Journal,     // "<n>.journal"
        OtherVersion // "<n>.other"
    };

    struct Copy {
        kd::fileio::FilePath path;
        Kind kind = Kind::KilledSave;
        std::string name;      // the file's name, for the user
        std::string writtenAt; // "2026-12-08 at 11:15:03"
        std::int64_t time = 0; // of the last write, for the order
        AccountFileHeader header{};
        std::vector<AccountRecord> records;
        std::uint64_t digest = 0; // Digest(records)
    };

    // How a copy's entries differ from the file's, entries compared by their
    // three texts: entries the copy has that the file has not pair up with
    // entries the file has that the copy has not as changed ones.
    struct Difference {
        std::size_t more = 0;
        std::size_t fewer = 0;
        std::size_t changed = 0;
        bool reordered = false; // the same entries, in another order
        [[nodiscard]] bool Same() const noexcept { return more == 0 && fewer == 0 && changed == 0 && !reordered; }
    };

    // `file` must be bound; it is read, never changed.
    explicit CAccountCopies(const CAccountFile& file) noexcept : m_file(file) {}

    // Every copy beside the file that can be read whole (journals replayed),
    // newest first; copies whose times tie, by content: more entries first.
    // `incomplete` gets what killed writes left that holds no whole list:
    // cut-short temporaries, journals without a readable start, bases without
    // a journal. Nothing is changed.
    [[nodiscard]] std::vector<Copy> Find(std::vector<kd::fileio::FilePath>* incomplete = nullptr) const;
    // Deletes those remains.
    static void Remove(const std::vector<kd::fileio::FilePath>& incomplete) noexcept;
    void RemoveIncomplete() const;
    // Deletes a copy (a journal with its base).
    [[nodiscard]] bool Discard(const kd::fileio::FilePath& copy) const;

    [[nodiscard]] static Difference Compare(const std::vector<AccountRecord>& file,
                                            const std::vector<AccountRecord>& copy);
    // "2 entries more, 1 changed"; "the same entries in another order".
    [[nodiscard]] static std::string Describe(const Difference& difference);
    // The entries' texts in their order, as one number.
    [[nodiscard]] static std::uint64_t Digest(const std::vector<AccountRecord>& records) noexcept;

    // New names, unused, for this session's journal and recovery copy.
    [[nodiscard]] kd::fileio::FilePath NewJournalPath() const;
    [[nodiscard]] kd::fileio::FilePath NewRecoveryPath() const;

    // True when the file no longer holds the bytes the store loaded or last
    // saved: another program wrote, replaced or deleted it.
    [[nodiscard]] bool ChangedSinceLoaded() const;
    // Keeps the file as it is now as "<file>.<n>.other" (a link, or a copy);
    // the new name, or empty when it could not be kept.
    [[nodiscard]] kd::fileio::FilePath KeepOtherVersion() const;

    // The folder of the kept versions.
    [[nodiscard]] kd::fileio::FilePath VersionsFolder() const;
    // Before a save replaces the file: keeps it in the versions folder and
    // deletes all but the newest kKeptVersions there. False when it could not
    // be kept (the save goes on).
    [[nodiscard]] bool KeepVersion() const;
    // A damaged file's original bytes, kept before anything is written over
    // them: the name they are kept under, or empty when they could not be.
    [[nodiscard]] kd::fileio::FilePath KeepDamaged() const;
    // The kept versions of the file, newest first.
    [[nodiscard]] std::vector<kd::fileio::FilePath> Versions() const;

private:
    [[nodiscard]] kd::fileio::FilePath NewNumbered(const char* kind) const;
    // "<stem>.<what>.qrd" in the versions folder, made unique with "-2", "-3"...
    [[nodiscard]] kd::fileio::FilePath LinkIntoVersions(const std::string& what) const;
    [[nodiscard]] std::string Stem() const;

    const CAccountFile& m_file;
};
