// FileIo outside Windows: names are bytes, passed to the system as they are.
#include "FileIo.h"

#include <cerrno>
#include <chrono>
#include <cstdint>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kd::fileio {

unique_file Open(const std::string& name, const char* mode) noexcept {
    try {
        return unique_file(std::fopen(name.c_str(), (std::string(mode) + 'b').c_str()));
    } catch (...) {
        return nullptr;
    }
}

Kind KindOf(const std::string& name) noexcept {
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) return errno == ENOENT || errno == ENOTDIR ? Kind::Missing : Kind::Unknown;
    if (S_ISREG(st.st_mode)) return Kind::File;
    if (S_ISDIR(st.st_mode)) return Kind::Directory;
    return Kind::Other;
}

std::int64_t SizeOf(std::FILE* file) noexcept {
    if (fseeko(file, 0, SEEK_END) != 0) return -1;
    const std::int64_t size = ftello(file);
    if (fseeko(file, 0, SEEK_SET) != 0) return -1;
    return size;
}

bool FlushToDisk(std::FILE* file) noexcept { return std::fflush(file) == 0 && fsync(fileno(file)) == 0; }

bool IsLeadByte(unsigned char) noexcept { return false; }

ReplacementFile::~ReplacementFile() {
    m_file.reset();
    if (m_bPending) ::unlink(m_temp.c_str());
}

bool ReplacementFile::Create(const std::string& target) {
    if (m_bPending || target.empty()) return false;
    m_target = target;
    const auto slash = target.rfind('/');
    m_folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const auto stamp = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count() ^ reinterpret_cast<std::uintptr_t>(this));
    for (unsigned attempt = 0; attempt <= 100; ++attempt) {
        std::string temp = target + "." + std::to_string((stamp + attempt) % 1000000007u) + ".tmp";
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        m_temp.swap(temp);
        m_bPending = true;
        m_file.reset(::fdopen(fd, "wb"));
        if (!m_file) {
            ::close(fd);
            return false;
        }
        return true;
    }
    return false;
}

bool ReplacementFile::Commit() noexcept {
    if (!m_bPending || !m_file) return false;
    bool ok = FlushToDisk(m_file.get());
    struct stat st {};
    if (ok && ::stat(m_target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) ok = false;
        else if (S_ISREG(st.st_mode)) (void)::fchmod(fileno(m_file.get()), st.st_mode & 07777);
    }
    ok = std::fclose(m_file.release()) == 0 && ok;
    if (!ok || std::rename(m_temp.c_str(), m_target.c_str()) != 0) return false;
    m_bPending = false;
    // The rename is durable only once the folder is on the disk too.
    const int folder = ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        (void)fsync(folder);
        ::close(folder);
    }
    return true;
}

}  // namespace kd::fileio
