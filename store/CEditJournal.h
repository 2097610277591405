// The edits of one session, written through to a file beside the account file
// as they are made ("<file>.<n>.journal"), so that a crash, a forced end or a
// power cut loses none of them. The account file itself is still written only
// at the end of the session; a good save there removes the journal.
//
// The journal starts from the list as the session began: a second name (a
// hard link, which costs nothing) of the account file as loaded,
// "<journal>.base", or where that cannot be had, the whole list written once.
// Each edit is then one entry: the row it touches and the record it puts
// there, enciphered with the account file's own key as the file's records are.
// An entry is on the disk before the call returns; one cut short by a kill
// fails its checksum, and reading stops before it.
#pragma once

#include "AccountRecord.h"
#include "CAccountFile.h"
#include "FileIo.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CEditJournal {
public:
    CEditJournal() noexcept = default;
    ~CEditJournal() = default; // closes, keeps the file: it is the crash copy
    CEditJournal(const CEditJournal&) = delete;
    CEditJournal& operator=(const CEditJournal&) = delete;

    // Starts the journal at `path` (a new name) for the list `rows` of the
    // account file bound to `store`, keyed with its header. `rowsAreTheFile`:
    // the rows are the file's records as loaded, so a link to the file can
    // stand for them. False when nothing could be written; no file is left.
    [[nodiscard]] bool Begin(const kd::fileio::FilePath& path, const CAccountFile& store,
                             const std::vector<AccountRecord>& rows, bool rowsAreTheFile);

    // One edit of the list each: on the disk when true is returned.
    [[nodiscard]] bool Insert(const AccountRecord& record);
    [[nodiscard]] bool Update(std::size_t row, const AccountRecord& record);
    [[nodiscard]] bool Delete(std::size_t row);

    [[nodiscard]] bool IsOpen() const noexcept { return m_file != nullptr; }
    [[nodiscard]] const kd::fileio::FilePath& GetPath() const noexcept { return m_path; }

    // The session's entries reached the account file: the journal and its
    // base go.
    void Remove() noexcept;
    // Stops writing, keeping the file.
    void Close() noexcept { m_file.reset(); }

    // The list the journal at `path` leads to, and the header of the file it
    // was kept for (its administrator and key). False when the file is no
    // journal or its start cannot be read.
    [[nodiscard]] static bool Replay(const kd::fileio::FilePath& path, std::vector<AccountRecord>& rows,
                                     AccountFileHeader& header);

    // The base that belongs to the journal at `path`.
    [[nodiscard]] static kd::fileio::FilePath BaseOf(const kd::fileio::FilePath& path)
    {
        return path.WithSuffix(".base");
    }

private:
    [[nodiscard]] bool Append(std::uint32_t kind, std::uint32_t row, const std::vector<AccountRecord>& records);

    kd::fileio::FilePath m_path;
    kd::fileio::unique_file m_file;
    CAccountFile m_codec; // enciphers with the account file's key
    std::uint32_t m_sequence = 0;
    std::vector<std::uint8_t> m_entry; // reused: no allocation per edit
};
