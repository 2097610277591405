#include "CAccountLock.h"

#include "CAccountFile.h"

CAccountLock::Result CAccountLock::Acquire(const std::string& name)
{
    Release();
    if (!CAccountFile::IsValidName(name.c_str())) return Result::Unavailable;
    // The narrow-character call turns the name into a file name exactly as the
    // account file's own name is made, so both agree on every code page.
    const std::string path = name + ".qrd.lock";
    m_file.reset(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (m_file) return Result::Held;
    // Only a held lock refuses sharing. Any other failure (a folder that takes
    // no new files, say) leaves the program working as it would without locks.
    return ::GetLastError() == ERROR_SHARING_VIOLATION ? Result::InUse : Result::Unavailable;
}
