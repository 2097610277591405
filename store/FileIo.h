// Portable binary file access for the store: stdio streams in binary mode,
// 64-bit sizes, flushing to the disk and replacing a file in one step. Names
// are the store's single-byte names; Windows builds open them through the wide
// API so that every operation here converts a name the same way.
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

// `mode` is an fopen mode; "b" is added. Null when the file does not open.
[[nodiscard]] unique_file Open(const std::string& name, const char* mode) noexcept;

enum class Kind { Missing, File, Directory, Other, Unknown };
[[nodiscard]] Kind KindOf(const std::string& name) noexcept;

// Size from the end position; -1 when there is none. Leaves the position at 0.
[[nodiscard]] std::int64_t SizeOf(std::FILE* file) noexcept;

// fflush and then ask the system to put the data on the disk.
[[nodiscard]] bool FlushToDisk(std::FILE* file) noexcept;

// Renames `from` to `to`, replacing `to` in one step if it exists.
[[nodiscard]] bool Replace(const std::string& from, const std::string& to) noexcept;

void Remove(const std::string& name) noexcept;

// Gives `to` the permissions of `from`, if `from` exists (errors ignored).
void CopyPermissions(const std::string& from, const std::string& to) noexcept;

// Makes a completed rename durable where the system needs that (POSIX).
void SyncFolderOf(const std::string& name) noexcept;

}  // namespace kd::fileio
