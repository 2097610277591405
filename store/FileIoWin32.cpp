// FileIo on Windows: names are converted as the narrow-character file API
// converts them, then opened through the wide API.
#include "FileIo.h"

#include <windows.h>
#include <aclapi.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <climits>
#include <cstring>
#include <new>

#include "unique_any.h"
#include "win32_text.h"

namespace kd::fileio {

namespace {

UINT FileApiCodePage() noexcept
{
    return AreFileApisANSI() ? CP_ACP : CP_OEMCP;
}

// False for a name that is no text in the code page: mapping its bytes to a
// replacement character could make two names one file. Throws std::bad_alloc.
bool ToWide(const std::string& name, std::wstring& out)
{
    out = kd::Widen(name, FileApiCodePage(), MB_ERR_INVALID_CHARS);
    return !out.empty();
}

bool ToFullPath(const std::wstring& name, std::wstring& out)
{
    DWORD size = MAX_PATH;
    for (;;) {
        out.assign(size, L'\0');
        const DWORD used = GetFullPathNameW(name.c_str(), size, out.data(), nullptr);
        if (used == 0) return false;
        if (used < size) {
            out.resize(used);
            return true;
        }
        size = used;
    }
}

struct LocalFreer {
    void operator()(void* p) const noexcept { LocalFree(p); }
};

struct SavedDacl {
    std::unique_ptr<void, LocalFreer> descriptor;
    PACL dacl = nullptr;
    bool isProtected = false;
    bool valid = false;
};

SavedDacl ReadDacl(const std::wstring& name) noexcept
{
    SavedDacl saved;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(name.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &saved.dacl,
                              nullptr, &descriptor) != ERROR_SUCCESS)
        return saved;
    saved.descriptor.reset(descriptor);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    saved.isProtected = GetSecurityDescriptorControl(descriptor, &control, &revision) && (control & SE_DACL_PROTECTED);
    saved.valid = true;
    return saved;
}

bool SameDacl(const SavedDacl& a, const SavedDacl& b) noexcept
{
    if (a.isProtected != b.isProtected) return false;
    if (a.dacl == nullptr || b.dacl == nullptr) return a.dacl == b.dacl;
    return a.dacl->AclSize == b.dacl->AclSize && std::memcmp(a.dacl, b.dacl, a.dacl->AclSize) == 0;
}

// What a replaced file keeps on Windows: its attributes (but read-only, which
// refuses the replace) and its DACL, put on the new file before the rename.
void CopyAttributes(const std::wstring& to, DWORD old) noexcept
{
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    constexpr DWORD kSettable =
        kKept | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY;
    const DWORD now = GetFileAttributesW(to.c_str());
    if (now == INVALID_FILE_ATTRIBUTES || (now & kKept) == (old & kKept)) return;
    const DWORD wanted = (now & kSettable & ~kKept) | (old & kKept);
    (void)SetFileAttributesW(to.c_str(), wanted ? wanted : FILE_ATTRIBUTE_NORMAL);
}

void CopyDacl(const std::wstring& to, const SavedDacl& old) noexcept
{
    if (!old.valid) return;
    const SavedDacl now = ReadDacl(to);
    if (now.valid && SameDacl(now, old)) return;
    const SECURITY_INFORMATION what =
        DACL_SECURITY_INFORMATION |
        (old.isProtected ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
    (void)SetNamedSecurityInfoW(const_cast<LPWSTR>(to.c_str()), SE_FILE_OBJECT, what, nullptr, nullptr, old.dacl,
                                nullptr);
}

std::wstring FolderOf(const std::wstring& path)
{
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

} // namespace

bool FilePath::Resolve(const std::string& name, FilePath& out)
{
    try {
        std::wstring wide, full;
        if (!ToWide(name, wide) || !ToFullPath(wide, full)) return false;
        out = FilePath(std::move(full));
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

FilePath FilePath::WithSuffix(std::string_view suffix) const
{
    std::wstring native = m_native;
    for (const char c : suffix) native += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return FilePath(std::move(native));
}

FilePath FilePath::Folder() const
{
    return FilePath(FolderOf(m_native));
}

FilePath FilePath::Child(const std::string& name) const
{
    std::wstring wide;
    if (m_native.empty() || !ToWide(name, wide)) return {};
    return FilePath(m_native + L"\\" + wide);
}

std::string FilePath::Name() const
{
    const auto slash = m_native.find_last_of(L"\\/");
    const std::wstring name = slash == std::wstring::npos ? m_native : m_native.substr(slash + 1);
    if (name.empty() || name.size() > INT_MAX) return {};
    const int size = static_cast<int>(name.size());
    const UINT codePage = FileApiCodePage();
    const int count = WideCharToMultiByte(codePage, 0, name.data(), size, nullptr, 0, nullptr, nullptr);
    if (count <= 0) return {};
    std::string narrow(static_cast<std::size_t>(count), '\0');
    (void)WideCharToMultiByte(codePage, 0, name.data(), size, narrow.data(), count, nullptr, nullptr);
    return narrow;
}

unique_file Open(const FilePath& path, const char* mode) noexcept
{
    if (path.IsEmpty()) return nullptr;
    try {
        std::wstring wideMode;
        for (const char* p = mode; *p; ++p) wideMode += static_cast<wchar_t>(*p);
        wideMode += L'b';
        return unique_file(_wfopen(path.Native().c_str(), wideMode.c_str()));
    } catch (...) {
        return nullptr;
    }
}

Kind KindOf(const FilePath& path) noexcept
{
    if (path.IsEmpty()) return Kind::Unknown;
    const DWORD attributes = GetFileAttributesW(path.Native().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Kind::Missing : Kind::Unknown;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Kind::Directory;
    if (attributes & FILE_ATTRIBUTE_DEVICE) return Kind::Other;
    return Kind::File;
}

std::int64_t SizeOf(std::FILE* file) noexcept
{
    if (_fseeki64(file, 0, SEEK_END) != 0) return -1;
    const std::int64_t size = _ftelli64(file);
    if (_fseeki64(file, 0, SEEK_SET) != 0) return -1;
    return size;
}

std::int64_t SizeOf(const FilePath& path) noexcept
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path.IsEmpty() || !GetFileAttributesExW(path.Native().c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
        return -1;
    return static_cast<std::int64_t>((std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow);
}

std::optional<std::int64_t> ModifiedTime(const FilePath& path) noexcept
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path.IsEmpty() || !GetFileAttributesExW(path.Native().c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    return static_cast<std::int64_t>((std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) |
                                     data.ftLastWriteTime.dwLowDateTime);
}

bool FlushToDisk(std::FILE* file) noexcept
{
    return std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
}

bool IsLeadByte(unsigned char byte) noexcept
{
    return IsDBCSLeadByteEx(FileApiCodePage(), byte) != FALSE;
}

Created CreateNew(const FilePath& path) noexcept
{
    if (path.IsEmpty()) return Created::Failed;
    const kd::unique_hfile file(CreateFileW(path.Native().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? Created::Exists : Created::Failed;
    }
    return Created::New;
}

bool Remove(const FilePath& path) noexcept
{
    return DeleteFileW(path.Native().c_str()) != FALSE;
}

struct SiblingLister {
    static std::vector<Sibling> List(const FilePath& target)
    {
        std::vector<Sibling> found;
        const std::wstring& full = target.Native();
        const std::wstring folder = FolderOf(full);
        const std::size_t prefix = full.size() - folder.size(); // the file name and its dot
        WIN32_FIND_DATAW data;
        const kd::unique_hfind find(FindFirstFileW((full + L".*").c_str(), &data));
        if (!find) return found;
        do {
            const std::wstring_view name = data.cFileName;
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name.size() <= prefix) continue;
            std::string rest;
            for (const wchar_t c : name.substr(prefix)) {
                if (c >= 0x80) {
                    rest.clear();
                    break;
                }
                rest += static_cast<char>(c);
            }
            if (rest.empty()) continue;
            found.push_back({FilePath(folder + L"\\" + std::wstring(name)), std::move(rest)});
        } while (FindNextFileW(find.get(), &data));
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
    if (CreateDirectoryW(folder.Native().c_str(), nullptr)) return true;
    const DWORD attributes = GetFileAttributesW(folder.Native().c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool LinkOrCopy(const FilePath& from, const FilePath& to) noexcept
{
    if (from.IsEmpty() || to.IsEmpty()) return false;
    if (CreateHardLinkW(to.Native().c_str(), from.Native().c_str(), nullptr)) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS || error == ERROR_FILE_NOT_FOUND) return false;
    // FAT and some network shares have no links.
    if (!CopyFileW(from.Native().c_str(), to.Native().c_str(), TRUE)) return false;
    CopyPermissions(from, to);
    return true;
}

void CopyPermissions(const FilePath& from, const FilePath& to) noexcept
{
    if (from.IsEmpty() || to.IsEmpty()) return;
    CopyDacl(to.Native(), ReadDacl(from.Native()));
}

std::string ModifiedText(const FilePath& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    FILETIME local{};
    SYSTEMTIME time{};
    if (path.IsEmpty() || !GetFileAttributesExW(path.Native().c_str(), GetFileExInfoStandard, &data) ||
        !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &time))
        return {};
    char text[40];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u at %02u:%02u:%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute, time.wSecond);
    return text;
}

std::string NowStamp()
{
    SYSTEMTIME time{};
    GetLocalTime(&time);
    char text[24];
    std::snprintf(text, sizeof text, "%04u%02u%02u-%02u%02u%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute, time.wSecond);
    return text;
}

unsigned long LastSystemError() noexcept
{
    const DWORD error = GetLastError();
    // The C runtime's write reports a full disk through errno; the system's
    // own error may have been overwritten since.
    if (error == ERROR_SUCCESS && errno == ENOSPC) return ERROR_DISK_FULL;
    return error;
}

bool IsDiskFull(unsigned long error) noexcept
{
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

ReplacementFile::~ReplacementFile()
{
    m_file.reset();
    if (m_bPending) (void)DeleteFileW(m_temp.c_str());
}

bool ReplacementFile::Create(const FilePath& target, const FilePath& permissionsFrom)
{
    if (m_bPending || target.IsEmpty()) return false;
    m_target = target.Native();
    m_permissionsFrom = permissionsFrom.IsEmpty() ? m_target : permissionsFrom.Native();
    const auto stamp = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count() ^
                                                       reinterpret_cast<std::uintptr_t>(this));
    for (unsigned attempt = 0; attempt <= 100; ++attempt) {
        std::wstring temp = m_target + L"." + std::to_wstring((stamp + attempt) % 1000000007u) + L".tmp";
        kd::unique_hfile handle(CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!handle) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            NoteFailure();
            return false;
        }
        m_temp.swap(temp);
        m_bPending = true;
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle.get()), _O_WRONLY | _O_BINARY);
        if (fd == -1) return false;
        // The descriptor owns the handle now: _close closes both.
        (void)handle.release();
        m_file.reset(_fdopen(fd, "wb"));
        if (!m_file) {
            _close(fd);
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
    ok = std::fclose(m_file.release()) == 0 && ok;
    if (!ok) {
        NoteFailure();
        return false;
    }
    const auto fail = [this] {
        NoteFailure();
        return false;
    };

    const DWORD attributes = GetFileAttributesW(m_target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND) return fail();
        if (m_permissionsFrom != m_target) CopyDacl(m_temp, ReadDacl(m_permissionsFrom));
        m_bPending = false;
        return MoveFileExW(m_temp.c_str(), m_target.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE || fail();
    }
    // Windows refuses to replace a read-only file; Wine run as root would not.
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return fail();
    }
    // A handle that does not share deletion makes the rename fail: find out
    // while the file may still be deleted.
    const bool deletable =
        kd::unique_hfile(CreateFileW(m_target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr))
            .is_valid();
    if (!deletable) return fail();

    CopyAttributes(m_temp, attributes);
    CopyDacl(m_temp, ReadDacl(m_permissionsFrom));
    // ReplaceFileW is no single step (Wine's moves the old file away, deletes
    // it, then moves the new one in): a rename over the old name is.
    m_bPending = false;
    return MoveFileExW(m_temp.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE ||
           fail();
}

} // namespace kd::fileio
