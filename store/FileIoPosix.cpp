// FileIo outside Windows: names are bytes, passed to the system as they are.
#include "FileIo.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <chrono>
#include <cstdint>
#include <filesystem>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kd::fileio {

namespace {

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

void SyncFolder(const std::string& folder) noexcept
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool FilePath::Resolve(const std::string& name, FilePath& out)
{
    if (name.empty()) return false;
    if (name.front() == '/') {
        out = FilePath(name);
        return true;
    }
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::current_path(ec);
    if (ec) return false;
    std::string full = folder.native();
    if (full.empty() || full.back() != '/') full += '/';
    out = FilePath(full + name);
    return true;
}

FilePath FilePath::WithSuffix(std::string_view suffix) const
{
    return FilePath(m_native + std::string(suffix));
}

FilePath FilePath::Folder() const
{
    return FilePath(FolderOf(m_native));
}

FilePath FilePath::Child(const std::string& name) const
{
    if (m_native.empty() || name.empty()) return {};
    return FilePath(m_native + "/" + name);
}

std::string FilePath::Name() const
{
    const auto slash = m_native.rfind('/');
    return slash == std::string::npos ? m_native : m_native.substr(slash + 1);
}

unique_file Open(const FilePath& path, const char* mode) noexcept
{
    if (path.IsEmpty()) return nullptr;
    try {
        return unique_file(std::fopen(path.Native().c_str(), (std::string(mode) + 'b').c_str()));
    } catch (...) {
        return nullptr;
    }
}

Kind KindOf(const FilePath& path) noexcept
{
    struct stat st {};
    if (::stat(path.Native().c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Kind::Missing : Kind::Unknown;
    if (S_ISREG(st.st_mode)) return Kind::File;
    if (S_ISDIR(st.st_mode)) return Kind::Directory;
    return Kind::Other;
}

std::int64_t SizeOf(std::FILE* file) noexcept
{
    if (fseeko(file, 0, SEEK_END) != 0) return -1;
    const std::int64_t size = ftello(file);
    if (fseeko(file, 0, SEEK_SET) != 0) return -1;
    return size;
}

std::int64_t SizeOf(const FilePath& path) noexcept
{
    struct stat st {};
    if (::stat(path.Native().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return st.st_size;
}

std::optional<std::int64_t> ModifiedTime(const FilePath& path) noexcept
{
    struct stat st {};
    if (::stat(path.Native().c_str(), &st) != 0) return std::nullopt;
    return std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
}

bool FlushToDisk(std::FILE* file) noexcept
{
    return std::fflush(file) == 0 && fsync(fileno(file)) == 0;
}

bool IsLeadByte(unsigned char) noexcept
{
    return false;
}

Created CreateNew(const FilePath& path) noexcept
{
    const int fd = ::open(path.Native().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errno == EEXIST ? Created::Exists : Created::Failed;
    ::close(fd);
    return Created::New;
}

bool Remove(const FilePath& path) noexcept
{
    return ::unlink(path.Native().c_str()) == 0;
}

struct SiblingLister {
    static std::vector<Sibling> List(const FilePath& target)
    {
        std::vector<Sibling> found;
        const std::string& full = target.Native();
        const auto slash = full.rfind('/');
        const std::string folder = FolderOf(full);
        const std::string prefix = (slash == std::string::npos ? full : full.substr(slash + 1)) + ".";
        DIR* dir = ::opendir(folder.c_str());
        if (dir == nullptr) return found;
        const std::unique_ptr<DIR, int (*)(DIR*)> closer(dir, ::closedir);
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name = entry->d_name;
            if (name.size() <= prefix.size() || !name.starts_with(prefix)) continue;
            const std::string_view rest = name.substr(prefix.size());
            if (std::any_of(rest.begin(), rest.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
                continue;
            FilePath path(folder + "/" + std::string(name));
            if (KindOf(path) != Kind::File) continue;
            found.push_back({std::move(path), std::string(rest)});
        }
        return found;
    }
};

std::vector<Sibling> SiblingsOf(const FilePath& target)
{
    return SiblingLister::List(target);
}

bool CreateFolder(const FilePath& folder) noexcept
{
    if (folder.IsEmpty()) return false;
    if (::mkdir(folder.Native().c_str(), 0777) == 0) return true;
    return KindOf(folder) == Kind::Directory;
}

bool LinkOrCopy(const FilePath& from, const FilePath& to) noexcept
{
    if (from.IsEmpty() || to.IsEmpty()) return false;
    if (::link(from.Native().c_str(), to.Native().c_str()) == 0) return true;
    if (errno == EEXIST || errno == ENOENT) return false;
    std::error_code ec;
    if (!std::filesystem::copy_file(from.Native(), to.Native(), std::filesystem::copy_options::none, ec)) return false;
    CopyPermissions(from, to);
    return true;
}

void CopyPermissions(const FilePath& from, const FilePath& to) noexcept
{
    struct stat st {};
    if (::stat(from.Native().c_str(), &st) == 0) (void)::chmod(to.Native().c_str(), st.st_mode & 07777);
}

namespace {

std::string LocalText(std::time_t when, const char* format)
{
    std::tm local{};
    if (::localtime_r(&when, &local) == nullptr) return {};
    char text[40];
    return std::strftime(text, sizeof text, format, &local) ? std::string(text) : std::string();
}

} // namespace

std::string ModifiedText(const FilePath& path)
{
    struct stat st {};
    if (::stat(path.Native().c_str(), &st) != 0) return {};
    return LocalText(st.st_mtim.tv_sec, "%Y-%m-%d at %H:%M:%S");
}

std::string NowStamp()
{
    return LocalText(std::time(nullptr), "%Y%m%d-%H%M%S");
}

unsigned long LastSystemError() noexcept
{
    return static_cast<unsigned long>(errno);
}

bool IsDiskFull(unsigned long error) noexcept
{
    return error == ENOSPC;
}

ReplacementFile::~ReplacementFile()
{
    m_file.reset();
    if (m_bPending) ::unlink(m_temp.c_str());
}

bool ReplacementFile::Create(const FilePath& target, const FilePath& permissionsFrom)
{
    if (m_bPending || target.IsEmpty()) return false;
    m_target = target.Native();
    m_permissionsFrom = permissionsFrom.IsEmpty() ? m_target : permissionsFrom.Native();
    m_folder = FolderOf(m_target);
    const auto stamp = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count() ^
                                                       reinterpret_cast<std::uintptr_t>(this));
    for (unsigned attempt = 0; attempt <= 100; ++attempt) {
        std::string temp = m_target + "." + std::to_string((stamp + attempt) % 1000000007u) + ".tmp";
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            NoteFailure();
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

bool ReplacementFile::Commit() noexcept
{
    if (!m_bPending || !m_file) return false;
    bool ok = FlushToDisk(m_file.get());
    if (!ok) NoteFailure();
    struct stat st {};
    if (ok && ::stat(m_permissionsFrom.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        (void)::fchmod(fileno(m_file.get()), st.st_mode & 07777);
    if (ok && ::stat(m_target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        NoteFailure();
        ok = false;
    }
    ok = std::fclose(m_file.release()) == 0 && ok;
    if (!ok) {
        NoteFailure();
        return false;
    }
    m_bPending = false;
    if (std::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        NoteFailure();
        return false;
    }
    // The rename is durable only once the folder is on the disk too.
    SyncFolder(m_folder);
    return true;
}

} // namespace kd::fileio
