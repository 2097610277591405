#include "CAdminSession.h"

#include <new>
#include <utility>

std::optional<CAdminSession::Refusal> CAdminSession::Lock(CAccountLock& lock, const kd::fileio::FilePath& file,
                                                          CAccountLock::Result& result)
{
    result = lock.Acquire(file);
    switch (result) {
    case CAccountLock::Result::InUse:
        return Refusal::InUse;
    case CAccountLock::Result::Failed:
        return Refusal::LockFailed;
    case CAccountLock::Result::Held:
    case CAccountLock::Result::Unavailable:
        break;
    }
    return std::nullopt;
}

bool CAdminSession::LogIn(const std::string& account, const std::string& password, Prompt& prompt)
{
    // Told while the lock taken here is still held.
    const auto refuse = [&prompt](Refusal reason) {
        prompt.Refused(reason);
        return false;
    };
    // From here on the file, its lock and every save of the session keep the
    // folder that is current now.
    if (!m_accountFile.Bind(account.c_str())) return refuse(Refusal::AccountError);
    // Another Kordane working on this administrator would overwrite, at its
    // exit, whatever this one saves (or the other way round).
    CAccountLock lock;
    CAccountLock::Result locked{};
    if (const auto refusal = Lock(lock, m_accountFile.GetPath(), locked)) return refuse(*refusal);
    if (locked == CAccountLock::Result::Held) RecoverLeftovers(prompt);
    if (!m_accountFile.Exists()) return refuse(Refusal::AccountError);
    if (!m_accountFile.Open()) return refuse(Refusal::OpenFailed);
    if (!m_accountFile.IsAdministrator(account, password)) return refuse(Refusal::PasswordError);
    m_lock = std::move(lock);
    return true;
}

// A save killed before its rename leaves the whole list in "<file>.<n>.tmp";
// a session that ended unsaved leaves "<file>.recovery". With the lock held no
// save of this file is under way: a file that is missing or empty gets the
// newest whole copy back if the user wants it, and the temporaries go.
void CAdminSession::RecoverLeftovers(Prompt& prompt)
{
    if (m_accountFile.IsMissingOrEmpty()) {
        if (const auto copy = m_accountFile.FindRestorableCopy()) {
            if (prompt.ShouldRestore() && !m_accountFile.RestoreCopy(*copy)) prompt.RestoreFailed();
        }
    }
    m_accountFile.RemoveTemporaries();
}

bool CAdminSession::Create(const std::string& account, const std::string& password, Prompt& prompt)
{
    const auto refuse = [&prompt](Refusal reason) {
        prompt.Refused(reason);
        return false;
    };
    if (!m_accountFile.Bind(account.c_str())) return refuse(Refusal::CreateFailed);
    if (!m_accountFile.IsMissingOrEmpty() && m_accountFile.Exists()) return refuse(Refusal::Exists);
    // Taken before the file is created, so that another Kordane can neither
    // create the same administrator nor log in to it meanwhile. What was
    // checked above is decided again under the lock.
    CAccountLock lock;
    CAccountLock::Result locked{};
    if (const auto refusal = Lock(lock, m_accountFile.GetPath(), locked)) return refuse(*refusal);
    switch (m_accountFile.Create(account, password)) {
    case CAccountFile::CreateResult::Exists:
        return refuse(Refusal::Exists);
    case CAccountFile::CreateResult::Failed:
        return refuse(Refusal::CreateFailed);
    case CAccountFile::CreateResult::Created:
        break;
    }
    m_lock = std::move(lock);
    return true;
}

void CAdminSession::BeginSaving() noexcept
{
    m_accountFile.EnableSave();
    m_savePending = true;
}

bool CAdminSession::Save()
{
    if (!m_accountFile.Save()) return false;
    DropRecoveryCopy();
    return true;
}

void CAdminSession::EndSaving() noexcept
{
    m_savePending = false;
    m_accountFile.DisableSave();
    m_lock.Release();
}

bool CAdminSession::KeepRecoveryCopy()
{
    if (!m_accountFile.SaveRecoveryCopy()) return false;
    m_recoveryKept = true;
    return true;
}

void CAdminSession::EndUnsaved() noexcept
{
    m_savePending = false;
    if (m_recoveryKept) m_accountFile.DisableSave();
}

void CAdminSession::DropRecoveryCopy() noexcept
{
    if (!std::exchange(m_recoveryKept, false)) return;
    try {
        (void)m_accountFile.RemoveRecoveryCopy();
    } catch (const std::bad_alloc&) {
    }
}
