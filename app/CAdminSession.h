// One administrator's session: the account store, the lock on its file, the
// file's path (bound once, at login or creation) and whether the entries are
// still to be saved. The main dialog owns it; the login and create-administrator
// dialogs are handed it when they are constructed.
#pragma once

#include <optional>
#include <string>

#include "CAccountFile.h"
#include "CAccountLock.h"

class CAdminSession {
public:
    static constexpr int kMaxFieldChars = static_cast<int>(kMaxTextLength);  // what a 128-byte text field keeps
    // The exit code of a process that ends without saving entries it had.
    static constexpr int kExitEntriesNotSaved = 2;

    // Why a login or creation was refused.
    enum class Refusal {
        AccountError,   // login: no file for this name, or a name no file can have
        PasswordError,  // login
        OpenFailed,     // login: the file exists but cannot be loaded
        Exists,         // creation: the administrator's file is there already
        CreateFailed,   // creation: a name no file can have, or a file that cannot be made
        InUse,          // another Kordane holds the lock
        LockFailed      // no lock can be taken here
    };

    // The user of a login or creation: asked about a leftover copy, and told
    // why an attempt was refused while the lock it took, if any, is still held
    // (another Kordane is kept out until the user has read the reason).
    class Prompt {
    public:
        // Whether to put back a whole copy of a missing or empty account file.
        [[nodiscard]] virtual bool ShouldRestore() { return false; }
        virtual void RestoreFailed() {}
        virtual void Refused(Refusal reason) = 0;

    protected:
        ~Prompt() = default;
    };

    CAdminSession() noexcept = default;
    CAdminSession(const CAdminSession&) = delete;
    CAdminSession& operator=(const CAdminSession&) = delete;

    // Binds the store to "<account>.qrd" in the current folder, takes its lock
    // (first, so that no other Kordane saves meanwhile), offers back a whole
    // leftover copy of a missing or empty file, loads the file and compares
    // the administrator. True, keeping the lock, when logged in.
    [[nodiscard]] bool LogIn(const std::string& account, const std::string& password, Prompt& prompt);
    // Binds the store to "<account>.qrd" and creates it, exclusively and under
    // the lock, with the administrator and no entries. True, keeping the lock,
    // when created.
    [[nodiscard]] bool Create(const std::string& account, const std::string& password, Prompt& prompt);
    // Drops the lock of a login or creation that was cancelled.
    void Abandon() noexcept { m_lock.Release(); }

    // From a login whose list holds every entry, or a creation: the entries
    // are saved once, at the end, and nowhere else.
    void BeginSaving() noexcept;
    [[nodiscard]] bool IsSavePending() const noexcept { return m_savePending; }
    // Writes the store's file; on success a recovery copy of this session goes.
    // False with the system's error left by the store.
    [[nodiscard]] bool Save();
    // After the one save that ends the session, or leaving without saving:
    // nothing more to write, and the administrator is free again.
    void EndSaving() noexcept;
    // Writes "<file>.recovery" for entries that cannot reach their file.
    [[nodiscard]] bool KeepRecoveryCopy();
    // The window goes unsaved: without a recovery copy, the store's destructor
    // still tries the file once more. The lock stays until then.
    void EndUnsaved() noexcept;

    [[nodiscard]] CAccountFile& Store() noexcept { return m_accountFile; }
    [[nodiscard]] const CAccountFile& Store() const noexcept { return m_accountFile; }
    [[nodiscard]] const std::string& FileName() const noexcept { return m_accountFile.GetFileName(); }

private:
    // Removes the file's temporaries and, with the user's consent, puts back
    // a whole copy of a missing or empty file. Only with the lock held.
    void RecoverLeftovers(Prompt& prompt);
    // Takes the lock of the bound file into `lock`: the refusal when another
    // program holds it or none can be taken here, Held or Unavailable otherwise.
    [[nodiscard]] static std::optional<Refusal> Lock(CAccountLock& lock, const kd::fileio::FilePath& file,
                                                     CAccountLock::Result& result);
    void DropRecoveryCopy() noexcept;

    // Declared before the store so that it is released only after the store's
    // last chance to save.
    CAccountLock m_lock;
    CAccountFile m_accountFile;
    // Set by BeginSaving; cleared by the save that ends the session or by
    // leaving without saving. A save for the end of the desktop session leaves
    // it set: the process may go on, and so may the editing.
    bool m_savePending = false;
    // This session wrote "<file>.recovery"; a later successful save removes it.
    bool m_recoveryKept = false;
};
