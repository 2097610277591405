// Keeps one administrator's account file to this process while it works on it:
// a lock file "<account file>.qrd.lock" beside the account file, opened so that
// no other program of this system may read or write it, with its first byte
// locked (which also holds against programs that share no Wine server with
// this one), and deleted when this process lets go. The system closes the
// handles and drops the byte lock of a process that ends in any way, so a
// crashed program never locks its administrator out; a leftover file that
// nobody holds is simply taken again.
#pragma once

#include "FileIo.h"
#include "unique_any.h"

class CAccountLock {
public:
    enum class Result {
        Held,       // this process holds the lock now
        InUse,      // another program holds it
        Failed,     // no lock can be taken here (a folder or a file that may not be opened in its place)
        Unavailable // the folder takes no new files at all: go on without a lock
    };

    // Told by the login and create-administrator dialogs when the lock is InUse.
    static constexpr const char* kInUseText = "The account is in use by another Kordane.";
    // Told when it is Failed.
    static constexpr const char* kFailedText = "The account cannot be locked.";

    CAccountLock() noexcept = default;

    // Takes the lock of the account file at `accountFile` (a full path),
    // dropping any lock held before.
    [[nodiscard]] Result Acquire(const kd::fileio::FilePath& accountFile);
    void Release() noexcept
    {
        m_deleteOnClose.reset();
        m_file.reset();
    }

private:
    kd::unique_hfile m_file;          // holds the byte lock; shares nothing but deletion
    kd::unique_hfile m_deleteOnClose; // opened only once the byte lock is ours
};
