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
#include <string>

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

// `mode` is an fopen mode; "b" is added. Null when the file does not open or
// the name is no text in the code page.
[[nodiscard]] unique_file Open(const std::string& name, const char* mode) noexcept;

enum class Kind { Missing, File, Directory, Other, Unknown };
[[nodiscard]] Kind KindOf(const std::string& name) noexcept;

// Size from the end position; -1 when there is none. Leaves the position at 0.
[[nodiscard]] std::int64_t SizeOf(std::FILE* file) noexcept;

// fflush and then ask the system to put the data on the disk.
[[nodiscard]] bool FlushToDisk(std::FILE* file) noexcept;

// True when `byte` starts a two-byte character in the code page names are
// converted with (a double-byte ANSI code page); never true outside Windows.
[[nodiscard]] bool IsLeadByte(unsigned char byte) noexcept;

// A new file "<target>.<n>.tmp" beside `target` that takes the target's place
// on Commit and is deleted if it is dropped before, whatever the path out:
// a failed write, a failed replace or an exception unwinding its owner.
class ReplacementFile {
public:
    ReplacementFile() noexcept = default;
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Creates the file under a name nobody uses. All memory is taken before the
    // file exists, so a std::bad_alloc from here leaves nothing on the disk.
    [[nodiscard]] bool Create(const std::string& target);

    [[nodiscard]] std::FILE* Stream() const noexcept { return m_file.get(); }

    // Puts the data on the disk and the file in the target's place in one step,
    // keeping the target's attributes and permissions (a missing target is
    // simply created). False on failure: the target is then as it was and the
    // file is gone. On Windows a target that is read-only, or held open by
    // someone who does not share deletion, is not replaced; nowhere a folder.
    [[nodiscard]] bool Commit() noexcept;

private:
    NativeName m_target;
    NativeName m_temp;
    NativeName m_folder;  // POSIX: synced after the rename
    unique_file m_file;
    bool m_bPending = false;  // the file exists and is ours to delete
};

}  // namespace kd::fileio
