// One administrator's session: the account store, the lock on its file, the
// file's path (bound once, at login or creation), the edit journal that keeps
// every edit on the disk until the entries are saved, and the copies beside
// the file that were offered at login. The main dialog owns it; the login and
// create-administrator dialogs are handed it when they are constructed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "CAccountCopies.h"
#include "CAccountFile.h"
#include "CAccountLock.h"
#include "CEditJournal.h"

class CAdminSession {
public:
    static constexpr int kMaxFieldChars = static_cast<int>(kMaxTextLength); // what a 128-byte text field keeps
    // The exit code of a process that ends without saving entries it had.
    static constexpr int kExitEntriesNotSaved = 2;

    // Why a login or creation was refused.
    enum class Refusal {
        AccountError,  // login: no file for this name, or a name no file can have
        PasswordError, // login
        OpenFailed,    // login: the file exists but cannot be loaded
        Exists,        // creation: the administrator's file is there already
        CreateFailed,  // creation: a name no file can have, or a file that cannot be made
        InUse,         // another Kordane holds the lock
        LockFailed     // no lock can be taken here
    };

    // What the user does with a copy whose entries differ from the file's.
    enum class CopyChoice {
        Take,   // its entries go into the editor, saved at Exit as usual
        Keep,   // the file's entries now, the copy for later
        Discard // deleted, once the user has confirmed it
    };

    // The user of a login or creation: told why an attempt was refused while
    // the lock it took, if any, is still held (another Kordane is kept out
    // until the user has read the reason), and, once the password has been
    // checked, asked about the copies beside the file.
    class Prompt {
    public:
        virtual void Refused(Refusal reason) = 0;
        // A copy whose entries differ from the file's: `difference` says how
        // ("2 entries more, 1 changed").
        [[nodiscard]] virtual CopyChoice OfferCopy(const CAccountCopies::Copy&, const std::string& /*difference*/)
        {
            return CopyChoice::Keep;
        }
        // Before a copy is deleted at the user's word.
        [[nodiscard]] virtual bool ConfirmDiscard(const CAccountCopies::Copy&) { return false; }
        // The copy could not be deleted or taken; nothing was deleted.
        virtual void CopyNotHandled(const CAccountCopies::Copy&, CopyChoice) {}
        // The file holds more than could be read. `kept` names its original
        // bytes, kept before anything is written over them; empty when they
        // could not be kept, and the session then changes nothing.
        virtual void FileDamaged(const CAccountFile::LoadReport&, const std::string& /*kept*/) {}
        // Creation: whole copies of this administrator's file lie beside the
        // new one; they are kept and offered at the next login.
        virtual void CopiesKept(std::size_t /*count*/) {}

    protected:
        ~Prompt() = default;
    };

    CAdminSession() noexcept = default;
    CAdminSession(const CAdminSession&) = delete;
    CAdminSession& operator=(const CAdminSession&) = delete;

    // Binds the store to "<account>.qrd" in the current folder, takes its lock
    // (first, so that no other Kordane saves meanwhile), loads the file and
    // compares the administrator, without creating, changing or deleting a
    // file. A missing or empty file is logged in to through a whole copy
    // of it, whose header then must hold the administrator. Once the password
    // is right: keeps a damaged file's bytes, cleans what killed writes left,
    // and offers each copy whose entries differ from the file's. True, keeping
    // the lock, when logged in.
    [[nodiscard]] bool LogIn(const std::string& account, const std::string& password, Prompt& prompt);
    // Binds the store to "<account>.qrd" and creates it, exclusively and under
    // the lock, with the administrator and no entries. Copies beside it are
    // left as they are, and told. True, keeping the lock, when created.
    [[nodiscard]] bool Create(const std::string& account, const std::string& password, Prompt& prompt);
    // Drops the lock of a login or creation that was cancelled.
    void Abandon() noexcept { m_lock.Release(); }

    // From a login whose list holds every entry, or a creation: the entries
    // are saved once, at the end, and each edit reaches the journal first.
    // False (saving still begins) when the journal could not be started.
    [[nodiscard]] bool BeginSaving();
    [[nodiscard]] bool IsSavePending() const noexcept { return m_savePending; }
    // A damaged file whose bytes could not be kept: the session may not write.
    [[nodiscard]] bool MustNotWrite() const noexcept { return m_mustNotWrite; }

    // The edits of the list, each on the disk before it returns. False when
    // the journal could not take it (the edit itself stands).
    [[nodiscard]] bool JournalInsert(const AccountRecord& record);
    [[nodiscard]] bool JournalUpdate(std::size_t row, const AccountRecord& record);
    [[nodiscard]] bool JournalDelete(std::size_t row);

    // Another program changed the file since it was loaded or saved: its
    // version is kept as a copy beside it (offered at the next login) before
    // anything is written. Empty when nothing changed.
    struct OtherChange {
        bool changed = false;
        std::string keptAs; // the copy's name; empty when it could not be kept
    };
    [[nodiscard]] OtherChange KeepOtherProgramsVersion();

    // Writes the store's file, keeping the version it replaces; on success
    // the journal, this session's recovery copy and the copies whose entries
    // went into the file go. False with the system's error in SaveError().
    [[nodiscard]] bool Save();
    [[nodiscard]] unsigned long SaveError() const noexcept { return m_accountFile.GetSaveError(); }
    // After the one save that ends the session, or leaving without saving:
    // nothing more to write, and the administrator is free again. The
    // journal of entries left unsaved stays, to be offered at the next login.
    void EndSaving() noexcept;
    // Writes "<file>.<n>.recovery" for entries that cannot reach their file;
    // one name per session.
    [[nodiscard]] bool KeepRecoveryCopy();
    // The window goes unsaved: without a recovery copy, the store's destructor
    // still tries the file once more. The lock stays until then.
    void EndUnsaved() noexcept;

    [[nodiscard]] CAccountFile& Store() noexcept { return m_accountFile; }
    [[nodiscard]] const CAccountFile& Store() const noexcept { return m_accountFile; }
    [[nodiscard]] const std::string& FileName() const noexcept { return m_accountFile.GetFileName(); }

private:
    // Takes the lock of the bound file into `lock`: the refusal when another
    // program holds it or none can be taken here, Held or Unavailable otherwise.
    [[nodiscard]] static std::optional<Refusal> Lock(CAccountLock& lock, const kd::fileio::FilePath& file,
                                                     CAccountLock::Result& result);
    // After the password check, under the lock.
    void OfferCopies(Prompt& prompt, bool fileIsWhole);
    [[nodiscard]] bool JournalOpen();
    // A journal from the store's list; `rowsAreTheFile` when that list is the
    // file's as loaded or saved.
    [[nodiscard]] bool StartJournal(bool rowsAreTheFile);
    void DropRecoveryCopy() noexcept;

    // A copy seen at login: deleted by the save that puts its entries into
    // the file, or that follows its taking.
    struct KnownCopy {
        kd::fileio::FilePath path;
        std::uint64_t digest = 0;
        bool taken = false;
    };

    // Declared before the store so that it is released only after the store's
    // last chance to save.
    CAccountLock m_lock;
    CAccountFile m_accountFile;
    CEditJournal m_journal;
    std::vector<KnownCopy> m_known;
    // The list in the editor is not the file's as loaded: a copy was taken.
    bool m_tookCopy = false;
    bool m_mustNotWrite = false;
    // A save emptied the journal while the editing goes on.
    bool m_restartJournal = false;
    // Set by BeginSaving; cleared by the save that ends the session or by
    // leaving without saving. A save for the end of the desktop session leaves
    // it set: the process may go on, and so may the editing.
    bool m_savePending = false;
    // This session's recovery copy; a later successful save removes it.
    kd::fileio::FilePath m_recoveryCopy;
    bool m_recoveryKept = false;
};
