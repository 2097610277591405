// Keeps one administrator's account file to this process while it works on it:
// a lock file "<name>.qrd.lock" beside the account file, opened without sharing
// and deleted when closed. The system closes the handle of a process that
// ends in any way, so a crashed program never locks its administrator out;
// a leftover file that nobody holds is simply opened again.
#pragma once

#include <string>

#include "unique_any.h"

class CAccountLock {
public:
    enum class Result {
        Held,        // this process holds the lock now
        InUse,       // another process holds it
        Unavailable  // no lock could be made (e.g. an invalid name): go on without one
    };

    // Told by the login and create-administrator dialogs when the lock is InUse.
    static constexpr const char* kInUseText = "The account is in use by another Kordane.";

    CAccountLock() noexcept = default;

    // Takes the lock of `name` (the account name, as the account file is named
    // from it), dropping any lock held before.
    [[nodiscard]] Result Acquire(const std::string& name);
    void Release() noexcept { m_file.reset(); }
    [[nodiscard]] bool IsHeld() const noexcept { return m_file.is_valid(); }

private:
    kd::unique_hfile m_file;
};
