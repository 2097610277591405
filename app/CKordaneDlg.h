// The main dialog (template 102): Login, Create Admin, Help and Exit, and the
// account editor over a list view that is the working copy of the
// administrator's entries while the program runs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "CAdminSession.h"
#include "CDialog.h"
#include "CFindDlg.h"
#include "CListView.h"
#include "CSecretClipboard.h"
#include "EntryFinder.h"

class CKordaneDlg : public kd::CDialog {
public:
    static constexpr int kMaxFieldChars = CAdminSession::kMaxFieldChars;
    static constexpr UINT_PTR kShowTimer = 100;
    static constexpr UINT kShowDelayMs = 100;
    static constexpr UINT_PTR kClipboardTimer = 101;

    // `entriesNotSaved` is told when the window goes without having saved the
    // entries it had, so that the process can end with kExitEntriesNotSaved.
    explicit CKordaneDlg(std::function<void()> entriesNotSaved = {});
    ~CKordaneDlg() override;

    [[nodiscard]] bool PreTranslateMessage(MSG& msg) override;

    void InitList();
    void ResetEditor();
    // The list shows the store's records, which the dialog keeps (m_rows): the
    // list view keeps no rows of its own (LVS_OWNERDATA). False when the list
    // refused their number: it then shows none.
    [[nodiscard]] bool FillList();
    // False only for a row equal to one listed; a row the list view refuses is
    // told by ListRefused and not added.
    [[nodiscard]] bool AddRow(const std::string& account, const std::string& password, const std::string& comment);
    [[nodiscard]] bool HasRow(const std::string& account, const std::string& password,
                              const std::string& comment) const;
    // Into the store, row by row: every row, as typed for a row that was
    // edited, byte for byte as loaded for a row nobody touched.
    void SaveList();

    // Copies a text of the selected row (0 account, 1 password, 2 comment)
    // without showing it. False when no row is selected or the clipboard refused.
    [[nodiscard]] bool CopyCell(int column);
    // Selects and loads the row that contains `text` (any column, any case),
    // from the current row on, or from the row after it (`next`).
    CFindDlg::Outcome FindRow(const std::string& text, bool next);
    // Ctrl+F: the Find window, made or brought back.
    void OpenFind();
    // F3: the next row with the last text looked for.
    void FindNextRow();
    // The Find window while it is open, else null.
    [[nodiscard]] CFindDlg* FindDialog() const noexcept;

    // The administrator's account file, its lock and its one save.
    CAdminSession m_session;

protected:
    [[nodiscard]] bool OnInitDialog() override;
    void DoDataExchange(kd::CDataExchange& dx) override;
    void OnCancel() override;

private:
    LRESULT OnSysCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryDragIcon(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
    LRESULT OnClose(WPARAM wParam, LPARAM lParam);
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryEndSession(WPARAM wParam, LPARAM lParam);
    LRESULT OnEndSession(WPARAM wParam, LPARAM lParam);
    LRESULT OnItemChangingList(NMHDR* hdr);
    LRESULT OnGetDispInfoList(NMHDR* hdr);
    LRESULT OnFindItemList(NMHDR* hdr);
    LRESULT OnContextMenu(WPARAM wParam, LPARAM lParam);
    void OnBnClickedExit();
    void OnBnClickedLogin();
    void OnBnClickedCreateAdmin();
    void OnBnClickedHelp();
    void OnBnClickedInsert();
    void OnBnClickedUpdate();
    void OnBnClickedDelete();

    void EnterLoggedIn();
    // The row the commands of the list act on: the focused row if selected,
    // else the first selected one; -1 for none.
    [[nodiscard]] int SelectedRow() const noexcept;
    // A row's text (0 account, 1 password, 2 comment) as the list shows it;
    // empty past the last row.
    [[nodiscard]] std::string_view CellText(std::size_t row, int column) const noexcept;
    // A row into the editor as a click makes it current.
    void LoadRow(int row);
    void SelectAndLoad(int row);
    // The list's shortcuts and the dialog's own keys; true consumes the message.
    [[nodiscard]] bool HandleKey(const MSG& msg);
    // Fields that show but take no typing, and no Insert, Update or Delete:
    // for a session whose changes could not be saved.
    void EnterReadOnly();
    // Hands the list back and writes the file: ERROR_SUCCESS, or the error that
    // stopped it (a log line is left). Another program's version of the file
    // is kept first; `tell` says so to the user.
    [[nodiscard]] DWORD SaveEntries(bool tell);
    // The list view refused an Insert, Update or Delete: logged and told; what
    // the list shows is what is saved. A list that could not be put back is read-only.
    void ListRefused();
    // An edit of the list reached the journal, or is logged once as not having.
    void Journaled(bool written) noexcept;
    [[nodiscard]] static AccountRecord RecordOf(const std::string& account, const std::string& password,
                                                const std::string& comment) noexcept;
    // Exit and the close box: the entries are saved before the window may go;
    // a failure is told, and the user retries, leaves without saving, or stays.
    // False when the user stays. `exitCode` tells whether entries went unsaved.
    [[nodiscard]] bool SaveBeforeExit(int& exitCode);
    // The window's destruction: the last chance to save, without asking.
    void SaveSession();
    // For entries that cannot reach their file before the process ends.
    void KeepRecoveryCopy();
    void BlockSessionEnd(DWORD error);
    void UnblockSessionEnd() noexcept;
    [[nodiscard]] bool EditorFieldsFilled();
    void EnableField(int id, bool enable) const noexcept;

    HICON m_hIcon;
    std::string m_strId;
    std::string m_strPassword;
    std::string m_strComment;
    kd::CListView m_list;
    kd::CControl m_btnLogin;
    kd::CControl m_btnCreateAdmin;
    kd::CControl m_btnInsert;
    kd::CControl m_btnUpdate;
    kd::CControl m_btnDelete;
    std::int32_t m_nCurrentRow = -1;
    std::function<void()> m_entriesNotSaved;
    // After "The list is incomplete": nothing of this session can be saved.
    bool m_bReadOnly = false;
    bool m_bExiting = false; // Exit is saving or asking what to do
    bool m_bSessionEndBlocked = false;
    bool m_bJournalFailed = false; // told once in the log

    // The entries the list shows, row for row, and the only copy of them: the
    // list asks for their texts as it draws (a list of 100,000 rows of its own
    // took seconds to fill and to destroy). Loaded records stay as they were
    // read, byte for byte.
    std::vector<AccountRecord> m_rows;

    CSecretClipboard m_clipboard{kClipboardTimer};
    kd::TextFolding m_folding; // of the ANSI code page the texts are in
    std::string m_findText;
    HWND m_findWnd = nullptr;
};
