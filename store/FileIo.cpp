#include "FileIo.h"

#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace kd::fileio {

namespace {

bool ToPath(const std::string& name, fs::path& path) noexcept {
    try {
        path = fs::path(name);
        return true;
    } catch (...) {  // a name the conversion cannot represent
        return false;
    }
}

}  // namespace

unique_file Open(const std::string& name, const char* mode) noexcept {
    std::string m = mode;
    m += 'b';
#ifdef _WIN32
    fs::path path;
    if (!ToPath(name, path)) return nullptr;
    std::wstring wmode(m.begin(), m.end());
    return unique_file(_wfopen(path.c_str(), wmode.c_str()));
#else
    return unique_file(std::fopen(name.c_str(), m.c_str()));
#endif
}

Kind KindOf(const std::string& name) noexcept {
    fs::path path;
    if (!ToPath(name, path)) return Kind::Unknown;
    std::error_code ec;
    const auto status = fs::status(path, ec);
    switch (status.type()) {
        case fs::file_type::not_found: return Kind::Missing;
        case fs::file_type::regular: return Kind::File;
        case fs::file_type::directory: return Kind::Directory;
        case fs::file_type::none:
        case fs::file_type::unknown: return Kind::Unknown;
        default: return Kind::Other;
    }
}

std::int64_t SizeOf(std::FILE* file) noexcept {
#ifdef _WIN32
    if (_fseeki64(file, 0, SEEK_END) != 0) return -1;
    const std::int64_t size = _ftelli64(file);
    if (_fseeki64(file, 0, SEEK_SET) != 0) return -1;
#else
    if (fseeko(file, 0, SEEK_END) != 0) return -1;
    const std::int64_t size = ftello(file);
    if (fseeko(file, 0, SEEK_SET) != 0) return -1;
#endif
    return size;
}

bool FlushToDisk(std::FILE* file) noexcept {
    if (std::fflush(file) != 0) return false;
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

bool Replace(const std::string& from, const std::string& to) noexcept {
    fs::path source, target;
    if (!ToPath(from, source) || !ToPath(to, target)) return false;
    // On Windows this is MoveFileEx with MOVEFILE_REPLACE_EXISTING, on POSIX rename(2).
    std::error_code ec;
    fs::rename(source, target, ec);
    return !ec;
}

void Remove(const std::string& name) noexcept {
    fs::path path;
    if (!ToPath(name, path)) return;
    std::error_code ec;
    fs::remove(path, ec);
}

void CopyPermissions(const std::string& from, const std::string& to) noexcept {
    fs::path source, target;
    if (!ToPath(from, source) || !ToPath(to, target)) return;
    std::error_code ec;
    const auto status = fs::status(source, ec);
    if (ec || status.type() != fs::file_type::regular) return;
    fs::permissions(target, status.permissions(), ec);
}

void SyncFolderOf(const std::string& name) noexcept {
#ifndef _WIN32
    fs::path path;
    if (!ToPath(name, path)) return;
    fs::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    (void)fsync(fd);
    ::close(fd);
#else
    (void)name;
#endif
}

}  // namespace kd::fileio
