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
    m_known.clear();
    m_tookCopy = false;
    m_mustNotWrite = false;
    // From here on the file, its lock and every save of the session keep the
    // folder that is current now.
    if (!m_accountFile.Bind(account.c_str())) return refuse(Refusal::AccountError);
    // Another Kordane working on this administrator would overwrite, at its
    // exit, whatever this one saves (or the other way round).
    CAccountLock lock;
    CAccountLock::Result locked{};
    if (const auto refusal = Lock(lock, m_accountFile.GetPath(), locked)) return refuse(*refusal);

    // Until the password has been checked, nothing in the folder changes and
    // nothing is asked.
    const bool missing = !m_accountFile.Exists();
    const bool fileHasContent = !missing && !m_accountFile.IsMissingOrEmpty();
    if (fileHasContent) {
        if (!m_accountFile.LoadExisting()) return refuse(Refusal::OpenFailed);
        if (!m_accountFile.IsAdministrator(account, password)) return refuse(Refusal::PasswordError);
    } else {
        // The file's entries may live on only in a copy: a killed save, a
        // session ended unsaved, a crash. The copy names the administrator.
        if (!missing) (void)m_accountFile.LoadExisting(); // an empty file: nothing, but its fingerprint
        const auto copies = CAccountCopies(m_accountFile).Find();
        const CAccountCopies::Copy* proof = nullptr;
        for (const auto& copy : copies) {
            if (kd::TextEquals(copy.header.adminAccount, account) &&
                kd::TextEquals(copy.header.adminPassword, password)) {
                proof = &copy;
                break;
            }
        }
        if (proof == nullptr) return refuse(missing ? Refusal::AccountError : Refusal::PasswordError);
        m_accountFile.SetHeader(proof->header);
    }
    m_lock = std::move(lock);

    const auto& report = m_accountFile.GetLoadReport();
    if (fileHasContent && report.damaged) {
        const auto kept = CAccountCopies(m_accountFile).KeepDamaged();
        m_mustNotWrite = kept.IsEmpty();
        prompt.FileDamaged(report, kept.IsEmpty() ? std::string()
                                                  : std::string(CAccountCopies::kVersionsFolder) + "\\" + kept.Name());
    }
    try {
        OfferCopies(prompt, fileHasContent && !report.damaged);
    } catch (const std::bad_alloc&) {
        // The copies stay where they are, to be offered again.
    }
    return true;
}

// Each copy whose entries differ from the file's is offered, newest first. A
// copy that holds the file's entries is no longer needed, unless the file is
// not whole, when it may be all there is.
void CAdminSession::OfferCopies(Prompt& prompt, bool fileIsWhole)
{
    const CAccountCopies copies(m_accountFile);
    std::vector<kd::fileio::FilePath> incomplete;
    const auto found = copies.Find(&incomplete);
    CAccountCopies::Remove(incomplete);
    const std::vector<AccountRecord> fileRecords = m_accountFile.GetRecords();
    std::optional<std::uint64_t> takenDigest;
    for (const auto& copy : found) {
        const std::uint64_t digest = copy.digest;
        const auto difference = CAccountCopies::Compare(fileRecords, copy.records);
        if (difference.Same()) {
            if (fileIsWhole) (void)copies.Discard(copy.path);
            continue;
        }
        // The same list as one already taken: nothing more to ask.
        if (takenDigest == digest) {
            m_known.push_back({copy.path, digest, true});
            continue;
        }
        for (;;) {
            const CopyChoice choice = prompt.OfferCopy(copy, CAccountCopies::Describe(difference));
            if (choice == CopyChoice::Take) {
                try {
                    m_accountFile.SetRecords(copy.records);
                } catch (const std::bad_alloc&) {
                    prompt.CopyNotHandled(copy, choice);
                    m_known.push_back({copy.path, digest, false});
                    break;
                }
                m_tookCopy = true;
                takenDigest = digest;
                m_known.push_back({copy.path, digest, true});
            } else if (choice == CopyChoice::Discard) {
                if (!prompt.ConfirmDiscard(copy)) continue; // asked again
                if (!copies.Discard(copy.path)) prompt.CopyNotHandled(copy, choice);
            } else {
                m_known.push_back({copy.path, digest, false});
            }
            break;
        }
    }
}

bool CAdminSession::Create(const std::string& account, const std::string& password, Prompt& prompt)
{
    const auto refuse = [&prompt](Refusal reason) {
        prompt.Refused(reason);
        return false;
    };
    m_known.clear();
    m_tookCopy = false;
    m_mustNotWrite = false;
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
    // Copies of an earlier administrator of this name are neither deleted
    // nor overwritten: the first login offers them.
    try {
        if (const auto found = CAccountCopies(m_accountFile).Find(); !found.empty()) prompt.CopiesKept(found.size());
    } catch (const std::bad_alloc&) {
    }
    return true;
}

bool CAdminSession::BeginSaving()
{
    m_accountFile.EnableSave();
    m_savePending = true;
    m_restartJournal = false;
    return StartJournal(!m_tookCopy);
}

bool CAdminSession::StartJournal(bool rowsAreTheFile)
{
    return m_journal.Begin(CAccountCopies(m_accountFile).NewJournalPath(), m_accountFile, m_accountFile.GetRecords(),
                           rowsAreTheFile);
}

// After a save for the end of the desktop session the editing may go on: the
// first edit after it starts a journal from the list as saved, which is the
// store's list until the next save.
bool CAdminSession::JournalOpen()
{
    if (m_journal.IsOpen()) return true;
    if (!m_savePending || !std::exchange(m_restartJournal, false)) return false;
    return StartJournal(true);
}

bool CAdminSession::JournalInsert(const AccountRecord& record)
{
    return JournalOpen() && m_journal.Insert(record);
}

bool CAdminSession::JournalUpdate(std::size_t row, const AccountRecord& record)
{
    return JournalOpen() && m_journal.Update(row, record);
}

bool CAdminSession::JournalDelete(std::size_t row)
{
    return JournalOpen() && m_journal.Delete(row);
}

CAdminSession::OtherChange CAdminSession::KeepOtherProgramsVersion()
{
    OtherChange change;
    const CAccountCopies copies(m_accountFile);
    // A file deleted or emptied meanwhile holds nothing to lose.
    if (kd::fileio::SizeOf(m_accountFile.GetPath()) <= 0 || !copies.ChangedSinceLoaded()) return change;
    change.changed = true;
    const auto kept = copies.KeepOtherVersion();
    if (!kept.IsEmpty()) {
        change.keptAs = kept.Name();
        // That version is safe now: the file may be written over.
        m_accountFile.SetFingerprint(CAccountFile::FingerprintOf(m_accountFile.GetPath()));
    }
    return change;
}

bool CAdminSession::Save()
{
    if (m_mustNotWrite) return false;
    const CAccountCopies copies(m_accountFile);
    if (!m_accountFile.Save([&copies] { (void)copies.KeepVersion(); })) return false;
    m_journal.Remove();
    m_restartJournal = true;
    DropRecoveryCopy();
    // The file holds these entries now: copies holding the same, and those
    // the user took, have nothing more to give.
    const std::uint64_t saved = CAccountCopies::Digest(m_accountFile.GetRecords());
    for (const auto& known : m_known)
        if (known.taken || known.digest == saved) (void)copies.Discard(known.path);
    m_known.clear();
    return true;
}

void CAdminSession::EndSaving() noexcept
{
    m_savePending = false;
    m_accountFile.DisableSave();
    m_journal.Close();
    m_lock.Release();
}

bool CAdminSession::KeepRecoveryCopy()
{
    if (m_recoveryCopy.IsEmpty()) m_recoveryCopy = CAccountCopies(m_accountFile).NewRecoveryPath();
    if (!m_accountFile.SaveCopy(m_recoveryCopy)) return false;
    m_recoveryKept = true;
    return true;
}

void CAdminSession::EndUnsaved() noexcept
{
    m_savePending = false;
    if (m_recoveryKept || m_mustNotWrite) m_accountFile.DisableSave();
    m_journal.Close();
}

void CAdminSession::DropRecoveryCopy() noexcept
{
    if (!std::exchange(m_recoveryKept, false)) return;
    (void)kd::fileio::Remove(m_recoveryCopy);
}
