// FileIo on Windows: names are converted as the narrow-character file API
// converts them, then opened through the wide API.
#include "FileIo.h"

#include <windows.h>
#include <aclapi.h>
#include <fcntl.h>
#include <io.h>

#include <chrono>
#include <climits>
#include <cstring>

namespace kd::fileio {

namespace {

UINT FileApiCodePage() noexcept { return AreFileApisANSI() ? CP_ACP : CP_OEMCP; }

// False for a name that is no text in the code page: mapping its bytes to a
// replacement character could make two names one file. Throws std::bad_alloc.
bool ToWide(const std::string& name, std::wstring& out) {
    if (name.empty() || name.size() > INT_MAX) return false;
    const UINT codePage = FileApiCodePage();
    const int size = static_cast<int>(name.size());
    const int count = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, name.data(), size, nullptr, 0);
    if (count <= 0) return false;
    out.assign(static_cast<std::size_t>(count), L'\0');
    return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, name.data(), size, out.data(), count) == count;
}

// Wine's ReplaceFileW needs the folder in the names it is given.
bool ToFullPath(const std::wstring& name, std::wstring& out) {
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

SavedDacl ReadDacl(const std::wstring& name) noexcept {
    SavedDacl saved;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(name.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              &saved.dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return saved;
    saved.descriptor.reset(descriptor);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    saved.isProtected = GetSecurityDescriptorControl(descriptor, &control, &revision) && (control & SE_DACL_PROTECTED);
    saved.valid = true;
    return saved;
}

bool SameDacl(const SavedDacl& a, const SavedDacl& b) noexcept {
    if (a.isProtected != b.isProtected) return false;
    if (a.dacl == nullptr || b.dacl == nullptr) return a.dacl == b.dacl;
    return a.dacl->AclSize == b.dacl->AclSize && std::memcmp(a.dacl, b.dacl, a.dacl->AclSize) == 0;
}

// ReplaceFileW keeps the replaced file's attributes and DACL on Windows; Wine's
// is a plain rename that loses both. Put back what differs (nothing on Windows).
void RestoreAttributes(const std::wstring& name, DWORD old) noexcept {
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    constexpr DWORD kSettable = kKept | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE |
                                FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY;
    const DWORD now = GetFileAttributesW(name.c_str());
    if (now == INVALID_FILE_ATTRIBUTES || (now & kKept) == (old & kKept)) return;
    const DWORD wanted = (now & kSettable & ~kKept) | (old & kKept);
    (void)SetFileAttributesW(name.c_str(), wanted ? wanted : FILE_ATTRIBUTE_NORMAL);
}

void RestoreDacl(const std::wstring& name, const SavedDacl& old) noexcept {
    if (!old.valid) return;
    const SavedDacl now = ReadDacl(name);
    if (now.valid && SameDacl(now, old)) return;
    const SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION | (old.isProtected ? PROTECTED_DACL_SECURITY_INFORMATION
                                                                                   : UNPROTECTED_DACL_SECURITY_INFORMATION);
    (void)SetNamedSecurityInfoW(const_cast<LPWSTR>(name.c_str()), SE_FILE_OBJECT, what, nullptr, nullptr, old.dacl,
                                nullptr);
}

}  // namespace

unique_file Open(const std::string& name, const char* mode) noexcept {
    try {
        std::wstring wide;
        if (!ToWide(name, wide)) return nullptr;
        std::wstring wideMode;
        for (const char* p = mode; *p; ++p) wideMode += static_cast<wchar_t>(*p);
        wideMode += L'b';
        return unique_file(_wfopen(wide.c_str(), wideMode.c_str()));
    } catch (...) {
        return nullptr;
    }
}

Kind KindOf(const std::string& name) noexcept {
    try {
        std::wstring wide;
        if (!ToWide(name, wide)) return Kind::Unknown;
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            const DWORD error = GetLastError();
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Kind::Missing : Kind::Unknown;
        }
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Kind::Directory;
        if (attributes & FILE_ATTRIBUTE_DEVICE) return Kind::Other;
        return Kind::File;
    } catch (...) {
        return Kind::Unknown;
    }
}

std::int64_t SizeOf(std::FILE* file) noexcept {
    if (_fseeki64(file, 0, SEEK_END) != 0) return -1;
    const std::int64_t size = _ftelli64(file);
    if (_fseeki64(file, 0, SEEK_SET) != 0) return -1;
    return size;
}

bool FlushToDisk(std::FILE* file) noexcept { return std::fflush(file) == 0 && _commit(_fileno(file)) == 0; }

bool IsLeadByte(unsigned char byte) noexcept { return IsDBCSLeadByteEx(FileApiCodePage(), byte) != FALSE; }

ReplacementFile::~ReplacementFile() {
    m_file.reset();
    if (m_bPending) (void)DeleteFileW(m_temp.c_str());
}

bool ReplacementFile::Create(const std::string& target) {
    if (m_bPending) return false;
    std::wstring wide;
    if (!ToWide(target, wide) || !ToFullPath(wide, m_target)) return false;
    const auto stamp = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count() ^ reinterpret_cast<std::uintptr_t>(this));
    for (unsigned attempt = 0; attempt <= 100; ++attempt) {
        std::wstring temp = m_target + L"." + std::to_wstring((stamp + attempt) % 1000000007u) + L".tmp";
        const HANDLE handle = CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            return false;
        }
        m_temp.swap(temp);
        m_bPending = true;
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
        if (fd == -1) {
            CloseHandle(handle);
            return false;
        }
        m_file.reset(_fdopen(fd, "wb"));
        if (!m_file) {
            _close(fd);
            return false;
        }
        return true;
    }
    return false;
}

bool ReplacementFile::Commit() noexcept {
    if (!m_bPending || !m_file) return false;
    bool ok = FlushToDisk(m_file.get());
    ok = std::fclose(m_file.release()) == 0 && ok;
    if (!ok) return false;

    const DWORD attributes = GetFileAttributesW(m_target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND) return false;
        if (!MoveFileExW(m_temp.c_str(), m_target.c_str(), MOVEFILE_WRITE_THROUGH)) return false;
        m_bPending = false;
        return true;
    }
    // Windows refuses to replace a read-only file; Wine run as root would not.
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return false;
    // A handle that does not share deletion makes ReplaceFileW fail, and Wine's
    // then leaves a file "rf<n>.tmp" of its own behind: find out first.
    const HANDLE probe = CreateFileW(m_target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return false;
    CloseHandle(probe);

    const SavedDacl dacl = ReadDacl(m_target);
    if (!ReplaceFileW(m_target.c_str(), m_temp.c_str(), nullptr, 0, nullptr, nullptr)) {
        if (GetLastError() != ERROR_UNABLE_TO_MOVE_REPLACEMENT ||
            GetFileAttributesW(m_target.c_str()) != INVALID_FILE_ATTRIBUTES)
            return false;
        // The old file is gone and the new one kept its own name: it is the only
        // copy now and must not be deleted, whatever happens next.
        m_bPending = false;
        return MoveFileExW(m_temp.c_str(), m_target.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
    }
    m_bPending = false;
    RestoreAttributes(m_target, attributes);
    RestoreDacl(m_target, dacl);
    return true;
}

}  // namespace kd::fileio
