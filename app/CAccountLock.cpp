#include "CAccountLock.h"

#include <string>

namespace {

bool SameFile(HANDLE a, HANDLE b) noexcept
{
    BY_HANDLE_FILE_INFORMATION x{}, y{};
    return ::GetFileInformationByHandle(a, &x) && ::GetFileInformationByHandle(b, &y) &&
           x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
}

// True when a new file can be made in the folder of `path`.
bool FolderTakesFiles(const std::wstring& path)
{
    const auto slash = path.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
    std::wstring probe(MAX_PATH, L'\0');
    if (!::GetTempFileNameW(folder.c_str(), L"kd", 0, probe.data())) return false;
    ::DeleteFileW(probe.c_str());
    return true;
}

} // namespace

CAccountLock::Result CAccountLock::Acquire(const kd::fileio::FilePath& accountFile)
{
    Release();
    if (accountFile.IsEmpty()) return Result::Failed;
    const std::wstring path = accountFile.WithSuffix(".lock").Native();
    // A holder that ends deletes the file after dropping its byte lock: whoever
    // took the byte lock of that file in between holds nothing and tries again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        // Not deleted on close yet: a program that does not get the byte lock
        // must not delete the file of the one that holds it.
        kd::unique_hfile file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                            OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr));
        if (!file) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_SHARING_VIOLATION) return Result::InUse;
            // Something that is there but may not be opened (a folder, another
            // user's file) refuses; so does anything in a folder that otherwise
            // takes files. Where no file can be made, the save at the end would
            // fail anyway, and says so.
            if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return Result::Failed;
            return FolderTakesFiles(path) ? Result::Failed : Result::Unavailable;
        }
        OVERLAPPED first{};
        if (!::LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &first))
            return ::GetLastError() == ERROR_LOCK_VIOLATION ? Result::InUse : Result::Failed;
        kd::unique_hfile deleteOnClose(::CreateFileW(path.c_str(), DELETE,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                     OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (!deleteOnClose) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) continue;
            // May not be deleted: held all the same, and left behind at the end.
            m_file = std::move(file);
            return Result::Held;
        }
        if (!SameFile(file.get(), deleteOnClose.get())) continue;
        m_file = std::move(file);
        m_deleteOnClose = std::move(deleteOnClose);
        return Result::Held;
    }
    return Result::Failed;
}
