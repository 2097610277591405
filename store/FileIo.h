// Binary file access for the store: stdio streams in binary mode, 64-bit
// sizes, and a replacement file that takes an old file's place in one step.
// Names are the store's single-byte names. On Windows they mean what they mean
// to the narrow-character file API (the ANSI code page, or the OEM one after
// SetFileApisToOEM), so that the store and every other program name the same
// file; elsewhere they are passed through as bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kd::fileio {

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using unique_file = std::unique_ptr<std::FILE, FileCloser>;

#ifdef _WIN32
using NativeName = std::wstring;
#else
using NativeName = std::string;
#endif

// A file's full path, resolved once: a later change of the current folder
// does not move it.
class FilePath {
public:
    FilePath() = default;

    // `name` taken relative to the current folder now. False when the name is
    // no text in the code page or the current folder cannot be told.
    [[nodiscard]] static bool Resolve(const std::string& name, FilePath& out);

    // The same path with `suffix` (ASCII) added to its file name: "<path>.lock".
    [[nodiscard]] FilePath WithSuffix(std::string_view suffix) const;
    // The folder that holds the file.
    [[nodiscard]] FilePath Folder() const;
    // `name` (a store name, as Resolve takes it) inside this folder; empty when
    // the name is no text in the code page.
    [[nodiscard]] FilePath Child(const std::string& name) const;
    // The file's name without its folder, in the store's single-byte text.
    [[nodiscard]] std::string Name() const;

    [[nodiscard]] const NativeName& Native() const noexcept { return m_native; }
    [[nodiscard]] bool IsEmpty() const noexcept { return m_native.empty(); }
    friend bool operator==(const FilePath&, const FilePath&) = default;

private:
    explicit FilePath(NativeName native) : m_native(std::move(native)) {}
    friend struct SiblingLister;

    NativeName m_native;
};

// `mode` is an fopen mode; "b" is added. Null when the file does not open.
[[nodiscard]] unique_file Open(const FilePath& path, const char* mode) noexcept;

enum class Kind { Missing, File, Directory, Other, Unknown };
[[nodiscard]] Kind KindOf(const FilePath& path) noexcept;

// Size from the end position; -1 when there is none. Leaves the position at 0.
[[nodiscard]] std::int64_t SizeOf(std::FILE* file) noexcept;
// Size of a regular file; -1 when it is missing, no file, or cannot be told.
[[nodiscard]] std::int64_t SizeOf(const FilePath& path) noexcept;
// Time of the last write, comparable between files of one folder.
[[nodiscard]] std::optional<std::int64_t> ModifiedTime(const FilePath& path) noexcept;

// fflush and then ask the system to put the data on the disk.
[[nodiscard]] bool FlushToDisk(std::FILE* file) noexcept;

// True when `byte` starts a two-byte character in the code page names are
// converted with (a double-byte ANSI code page); never true outside Windows.
[[nodiscard]] bool IsLeadByte(unsigned char byte) noexcept;

enum class Created { New, Exists, Failed };
// Creates an empty file, only where nothing of that name exists.
[[nodiscard]] Created CreateNew(const FilePath& path) noexcept;

[[nodiscard]] bool Remove(const FilePath& path) noexcept;

// A file beside a target whose name is "<target's name>.<rest>".
struct Sibling {
    FilePath path;
    std::string rest; // ASCII; names whose rest is not are left out
};
// Every such file (no folders). The system matches names without regard to
// case on Windows; `rest` keeps the case the file has.
[[nodiscard]] std::vector<Sibling> SiblingsOf(const FilePath& target);

// Creates the folder; true when it is there afterwards.
[[nodiscard]] bool CreateFolder(const FilePath& folder) noexcept;

// Gives the file at `from` the name `to` as well (a hard link: nothing is
// copied), or where the volume has no links, copies it there with the file's
// permissions. Never replaces an existing `to`.
[[nodiscard]] bool LinkOrCopy(const FilePath& from, const FilePath& to) noexcept;

// Puts `from`'s permissions (on Windows its DACL) on `to`.
void CopyPermissions(const FilePath& from, const FilePath& to) noexcept;

// The local time of the last write to `path` as "2026-12-08 at 11:15:03";
// empty when it cannot be told.
[[nodiscard]] std::string ModifiedText(const FilePath& path);
// The local time now as "20261208-111503", for names that sort by time.
[[nodiscard]] std::string NowStamp();

// The system's error code of the last failed call on this thread
// (GetLastError on Windows, errno elsewhere); for messages.
[[nodiscard]] unsigned long LastSystemError() noexcept;
// True when `error` (from LastSystemError) means the volume is full.
[[nodiscard]] bool IsDiskFull(unsigned long error) noexcept;

// A new file "<target>.<n>.tmp" beside `target` that takes the target's place
// on Commit and is deleted if it is dropped before, whatever the path out:
// a failed write, a refused replace or an exception unwinding its owner.
class ReplacementFile {
public:
    ReplacementFile() noexcept = default;
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Creates the file under a name nobody uses. All memory is taken before the
    // file exists, so a std::bad_alloc from here leaves nothing on the disk.
    // `permissionsFrom` names the file whose permissions a new target takes
    // (a copy beside an account file takes the account file's); by default
    // the target's own, where it exists.
    [[nodiscard]] bool Create(const FilePath& target, const FilePath& permissionsFrom = {});

    [[nodiscard]] std::FILE* Stream() const noexcept { return m_file.get(); }

    // Puts the data on the disk, gives the file the target's attributes and
    // permissions, and renames it over the target in one step (a missing
    // target is simply created). False on failure, the target then as it was.
    // A replace that was refused before it began (on Windows: a read-only
    // target, or one held open by someone who does not share deletion; nowhere
    // a folder) deletes the file; once the rename has been asked for, the file
    // is never deleted: should the rename fail, it may be the only whole copy.
    [[nodiscard]] bool Commit() noexcept;

    // The system's error of the first step that failed (0 if none did): a
    // write the caller made to Stream() is noted with NoteFailure.
    [[nodiscard]] unsigned long Error() const noexcept { return m_error; }
    void NoteFailure() noexcept
    {
        if (m_error == 0) m_error = LastSystemError();
    }

private:
    NativeName m_target;
    NativeName m_permissionsFrom;
    unsigned long m_error = 0;
    NativeName m_temp;
    NativeName m_folder; // POSIX: synced after the rename
    unique_file m_file;
    bool m_bPending = false; // the file exists and is ours to delete
};

} // namespace kd::fileio
