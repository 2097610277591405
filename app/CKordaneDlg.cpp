#include "CKordaneDlg.h"

#include <commctrl.h>

#include <windowsx.h>

#include <algorithm>
#include <memory>
#include <new>
#include <utility>

#include "CAboutBox.h"
#include "CCreateAdminDlg.h"
#include "CHelpDlg.h"
#include "CLoginDlg.h"
#include "CMessageBox.h"
#include "CSaveFailedDlg.h"
#include "RecoveryTexts.h"
#include "Trace.h"
#include "resource.h"
#include "unique_any.h"
#include "win32_text.h"

namespace {

constexpr int kColumnWidth = 150;
constexpr const char* kColumnHeadings[] = {"ID(Account)", "Password", "Comment"};
constexpr const char* kIncompleteListText = "The list is incomplete: changes will not be saved.";
constexpr int kEditorFields[] = {IDC_EDIT_ID, IDC_EDIT_PASSWORD, IDC_EDIT_COMMENT};
constexpr const char* kListRefusedText = "The list did not take the change: nothing was changed.";
constexpr const char* kClipboardBusyText = "The clipboard is in use by another program: nothing was copied.";

// How the ANSI code page folds letter case and which bytes lead a
// double-byte character, as CharLower and the system see them.
kd::TextFolding AnsiFolding() noexcept
{
    kd::TextFolding folding = kd::TextFolding::Ascii();
    for (unsigned b = 0x80; b < 0x100; ++b) {
        if (::IsDBCSLeadByte(static_cast<BYTE>(b))) {
            folding.lead[b] = true;
            continue;
        }
        char c = static_cast<char>(b);
        ::CharLowerBuffA(&c, 1);
        folding.lower[b] = static_cast<unsigned char>(c);
    }
    return folding;
}

bool KeyDown(int key) noexcept
{
    return ::GetKeyState(key) < 0;
}

} // namespace

CKordaneDlg::CKordaneDlg(std::function<void()> entriesNotSaved)
    : kd::CDialog(IDD_KORDANE_DIALOG),
      m_hIcon(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      m_entriesNotSaved(std::move(entriesNotSaved)), m_folding(AnsiFolding())
{
    MapMessage(WM_SYSCOMMAND, &CKordaneDlg::OnSysCommand);
    MapMessage(WM_PAINT, &CKordaneDlg::OnPaint);
    MapMessage(WM_QUERYDRAGICON, &CKordaneDlg::OnQueryDragIcon);
    MapMessage(WM_DESTROY, &CKordaneDlg::OnDestroy);
    MapMessage(WM_CLOSE, &CKordaneDlg::OnClose);
    MapMessage(WM_TIMER, &CKordaneDlg::OnTimer);
    MapMessage(WM_QUERYENDSESSION, &CKordaneDlg::OnQueryEndSession);
    MapMessage(WM_ENDSESSION, &CKordaneDlg::OnEndSession);
    MapCommand(IDOK, &CKordaneDlg::OnBnClickedExit);
    MapCommand(IDC_BUTTON_LOGIN, &CKordaneDlg::OnBnClickedLogin);
    MapCommand(IDC_BUTTON_CREATEADMIN, &CKordaneDlg::OnBnClickedCreateAdmin);
    MapCommand(IDC_BUTTON_HELP, &CKordaneDlg::OnBnClickedHelp);
    MapCommand(IDC_BUTTON_INSERT, &CKordaneDlg::OnBnClickedInsert);
    MapCommand(IDC_BUTTON_UPDATE, &CKordaneDlg::OnBnClickedUpdate);
    MapCommand(IDC_BUTTON_DELETE, &CKordaneDlg::OnBnClickedDelete);
    // The list keeps no rows of its own (LVS_OWNERDATA): it asks for their
    // texts and, for its type-ahead, where a name begins; and, keeping no
    // rows, tells of a selection once it is made.
    MapNotify(IDC_LIST_ACCOUNTS, LVN_ITEMCHANGED, &CKordaneDlg::OnItemChangingList);
    MapNotify(IDC_LIST_ACCOUNTS, LVN_GETDISPINFOA, &CKordaneDlg::OnGetDispInfoList);
    MapNotify(IDC_LIST_ACCOUNTS, LVN_GETDISPINFOW, &CKordaneDlg::OnGetDispInfoList);
    MapNotify(IDC_LIST_ACCOUNTS, LVN_ODFINDITEMA, &CKordaneDlg::OnFindItemList);
    MapNotify(IDC_LIST_ACCOUNTS, LVN_ODFINDITEMW, &CKordaneDlg::OnFindItemList);
    MapMessage(WM_CONTEXTMENU, &CKordaneDlg::OnContextMenu);
}

CKordaneDlg::~CKordaneDlg() = default;

void CKordaneDlg::DoDataExchange(kd::CDataExchange& dx)
{
    dx.Control(IDC_LIST_ACCOUNTS, m_list);
    dx.Control(IDC_BUTTON_LOGIN, m_btnLogin);
    dx.Control(IDC_BUTTON_CREATEADMIN, m_btnCreateAdmin);
    dx.Control(IDC_BUTTON_INSERT, m_btnInsert);
    dx.Control(IDC_BUTTON_UPDATE, m_btnUpdate);
    dx.Control(IDC_BUTTON_DELETE, m_btnDelete);
    dx.Text(IDC_EDIT_ID, m_strId, kMaxFieldChars);
    dx.Text(IDC_EDIT_PASSWORD, m_strPassword, kMaxFieldChars);
    dx.Text(IDC_EDIT_COMMENT, m_strComment, kMaxFieldChars);
}

bool CKordaneDlg::PreTranslateMessage(MSG& msg)
{
    // Escape and Return would close the dialog or press Exit: swallow them.
    if (msg.message == WM_KEYDOWN && (msg.wParam == VK_ESCAPE || msg.wParam == VK_RETURN)) return true;
    if (HandleKey(msg)) return true;
    return kd::CDialog::PreTranslateMessage(msg);
}

bool CKordaneDlg::HandleKey(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN || KeyDown(VK_MENU)) return false;
    const bool control = KeyDown(VK_CONTROL);
    const bool shift = KeyDown(VK_SHIFT);
    if (msg.wParam == VK_F3 && !control && !shift) {
        FindNextRow();
        return true;
    }
    if (!control || shift) return false;
    if (msg.wParam == 'F') {
        OpenFind();
        return true;
    }
    // Ctrl+C in a field copies the field's selection, as everywhere.
    if (msg.hwnd != m_list.GetSafeHwnd()) return false;
    if (msg.wParam == 'C') {
        (void)CopyCell(1);
        return true;
    }
    if (msg.wParam == 'B') {
        (void)CopyCell(0);
        return true;
    }
    return false;
}

bool CKordaneDlg::OnInitDialog()
{
    const bool defaultFocus = kd::CDialog::OnInitDialog();

    if (HMENU sysMenu = ::GetSystemMenu(m_hWnd, FALSE)) {
        char text[256] = {};
        if (::LoadStringA(::GetModuleHandleA(nullptr), IDS_ABOUTBOX, text, sizeof text) > 0) {
            ::AppendMenuA(sysMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuA(sysMenu, MF_STRING, IDM_ABOUTBOX, text);
        }
    }
    ResetEditor();
    ::SetTimer(m_hWnd, kShowTimer, kShowDelayMs, nullptr);
    return defaultFocus;
}

void CKordaneDlg::OnCancel()
{
    // The main dialog ends only through Exit or its close box.
}

void CKordaneDlg::InitList()
{
    if (!m_list) return;
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    // A column the list refused only hides its texts: the rows keep them, and
    // so does the file.
    for (int column = 0; column < 3; ++column)
        (void)m_list.InsertColumn(column, kColumnHeadings[column], LVCFMT_LEFT, kColumnWidth);
}

void CKordaneDlg::EnableField(int id, bool enable) const noexcept
{
    if (HWND field = GetDlgItem(id)) ::EnableWindow(field, enable ? TRUE : FALSE);
}

void CKordaneDlg::ResetEditor()
{
    InitList();
    m_nCurrentRow = -1;
    EnableField(IDC_EDIT_ID, false);
    EnableField(IDC_EDIT_PASSWORD, false);
    EnableField(IDC_EDIT_COMMENT, false);
    m_btnInsert.EnableWindow(false);
    m_btnUpdate.EnableWindow(false);
    m_btnDelete.EnableWindow(false);
}

bool CKordaneDlg::FillList()
{
    // The rows first: the list asks for the texts of the rows it is told of.
    if (!m_list.DeleteAllItems()) return false;
    m_rows = m_session.Store().GetRecords();
    if (m_list.SetItemCount(static_cast<int>(m_rows.size()))) return true;
    m_rows.clear();
    (void)m_list.SetItemCount(0); // as it was: the list had no rows
    return false;
}

std::string_view CKordaneDlg::CellText(std::size_t row, int column) const noexcept
{
    if (row >= m_rows.size()) return {};
    const AccountRecord& record = m_rows[row];
    switch (column) {
    case 0:
        return kd::GetText(record.account);
    case 1:
        return kd::GetText(record.password);
    case 2:
        return kd::GetText(record.comment);
    default:
        return {};
    }
}

bool CKordaneDlg::HasRow(const std::string& account, const std::string& password, const std::string& comment) const
{
    for (const AccountRecord& row : m_rows) {
        if (kd::GetText(row.account) == account && kd::GetText(row.password) == password &&
            kd::GetText(row.comment) == comment)
            return true;
    }
    return false;
}

AccountRecord CKordaneDlg::RecordOf(const std::string& account, const std::string& password,
                                    const std::string& comment) noexcept
{
    AccountRecord record{};
    kd::SetText(record.account, account);
    kd::SetText(record.password, password);
    kd::SetText(record.comment, comment);
    return record;
}

bool CKordaneDlg::AddRow(const std::string& account, const std::string& password, const std::string& comment)
{
    if (HasRow(account, password, comment)) return false;
    m_rows.push_back(RecordOf(account, password, comment));
    if (!m_list.SetItemCount(static_cast<int>(m_rows.size()))) {
        // A row the list does not show would be saved unseen: none is added.
        m_rows.pop_back();
        ListRefused();
        return true; // not an equal row: the refusal is told here, not as one
    }
    Journaled(m_session.JournalInsert(m_rows.back()));
    return true;
}

void CKordaneDlg::ListRefused()
{
    WriteTraceLine(tracepoint::kListRefusedEdit);
    CMessageBox::Show(m_hWnd, kListRefusedText);
}

void CKordaneDlg::Journaled(bool written) noexcept
{
    if (written || !m_session.IsSavePending() || std::exchange(m_bJournalFailed, true)) return;
    WriteTraceLine(tracepoint::kJournalFailed);
}

void CKordaneDlg::SaveList()
{
    m_session.Store().SetRecords(m_rows);
}

LRESULT CKordaneDlg::OnSysCommand(WPARAM wParam, LPARAM)
{
    if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutBox about;
        about.DoModal();
    } else {
        Default();
    }
    return 0;
}

LRESULT CKordaneDlg::OnPaint(WPARAM, LPARAM)
{
    if (!::IsIconic(m_hWnd)) {
        Default();
        return 0;
    }
    kd::paint_scope paint(m_hWnd);
    ::SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.get()), 0);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(paint.get(), x, y, m_hIcon);
    return 0;
}

LRESULT CKordaneDlg::OnQueryDragIcon(WPARAM, LPARAM)
{
    return reinterpret_cast<LRESULT>(m_hIcon);
}

LRESULT CKordaneDlg::OnDestroy(WPARAM, LPARAM)
{
    // A password left on the clipboard outlives the program.
    m_clipboard.ClearIfStillOurs(m_hWnd);
    Default();
    SaveSession();
    return 0;
}

DWORD CKordaneDlg::SaveEntries(bool tell)
{
    // Before anything is written: a version another program left is kept
    // beside the file, to be offered at the next login.
    const auto other = m_session.KeepOtherProgramsVersion();
    if (other.changed && other.keptAs.empty()) {
        // Neither version may be lost: the file is not written over.
        WriteTraceLine(tracepoint::kOtherVersionNotKept);
        const DWORD error = ::GetLastError();
        return error != ERROR_SUCCESS ? error : ERROR_ACCESS_DENIED;
    }
    if (other.changed && tell)
        (void)recoverytext::Ask(recoverytext::OtherChange(m_session.FileName(), other.keptAs), m_hWnd);
    try {
        SaveList();
    } catch (const std::bad_alloc&) {
        WriteTraceLine(tracepoint::kSaveFailed);
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    if (m_session.Save()) {
        UnblockSessionEnd();
        return ERROR_SUCCESS;
    }
    // The store refuses a read-only file, as Windows would, without a system
    // error of its own: Windows would say access denied.
    const DWORD error = m_session.SaveError();
    WriteTraceLine(tracepoint::kSaveFailed);
    return error != ERROR_SUCCESS ? error : ERROR_ACCESS_DENIED;
}

bool CKordaneDlg::SaveBeforeExit(int& exitCode)
{
    exitCode = 0;
    while (m_session.IsSavePending()) {
        const DWORD error = SaveEntries(true);
        if (error == ERROR_SUCCESS) {
            m_session.EndSaving();
            break;
        }
        CSaveFailedDlg ask(m_session.FileName(), error, m_hWnd);
        switch (ask.Ask()) {
        case CSaveFailedDlg::Retry:
            continue;
        case CSaveFailedDlg::ExitWithoutSaving:
            m_session.EndSaving();
            exitCode = CAdminSession::kExitEntriesNotSaved;
            return true;
        case CSaveFailedDlg::Cancel:
            return false;
        }
    }
    return true;
}

void CKordaneDlg::SaveSession()
{
    // Only a logged-in editor hands its list back: after a failed or cancelled
    // login the store may be bound to a file whose entries were never listed.
    if (!m_session.IsSavePending()) return;
    if (SaveEntries(false) == ERROR_SUCCESS) {
        m_session.EndSaving();
        return;
    }
    // Nobody is left to ask: the entries go beside the file. Without that
    // copy the store's destructor tries the file once more, still locked.
    KeepRecoveryCopy();
    m_session.EndUnsaved();
    if (m_entriesNotSaved) m_entriesNotSaved();
}

void CKordaneDlg::KeepRecoveryCopy()
{
    if (!m_session.KeepRecoveryCopy()) WriteTraceLine(tracepoint::kRecoveryCopyFailed);
}

void CKordaneDlg::BlockSessionEnd(DWORD error)
{
    const std::string text = CSaveFailedDlg::FileLine(m_session.FileName()) + " " + CSaveFailedDlg::ReasonLine(error);
    const std::wstring wide = kd::Widen(text);
    if (wide.empty()) return;
    m_bSessionEndBlocked = ::ShutdownBlockReasonCreate(m_hWnd, wide.c_str()) != FALSE;
}

void CKordaneDlg::UnblockSessionEnd() noexcept
{
    if (std::exchange(m_bSessionEndBlocked, false)) (void)::ShutdownBlockReasonDestroy(m_hWnd);
}

// Logging off or shutting down: the entries are saved before the session may
// end. If they cannot be, the session waits, and says why; the system may end
// the process all the same, so the entries go beside the file first.
LRESULT CKordaneDlg::OnQueryEndSession(WPARAM, LPARAM)
{
    if (!m_session.IsSavePending()) return TRUE;
    const DWORD error = SaveEntries(false);
    if (error == ERROR_SUCCESS) return TRUE;
    KeepRecoveryCopy();
    BlockSessionEnd(error);
    return FALSE;
}

// The system ends the process soon after WM_ENDSESSION(TRUE), without the
// message loop's own end; or, as the Restart Manager may, lets it go on. So
// the entries are written now, and the lock and the save at Exit are kept.
LRESULT CKordaneDlg::OnEndSession(WPARAM ending, LPARAM)
{
    if (ending) m_clipboard.ClearIfStillOurs(m_hWnd);
    if (ending && m_session.IsSavePending() && SaveEntries(false) != ERROR_SUCCESS) KeepRecoveryCopy();
    return 0;
}

LRESULT CKordaneDlg::OnClose(WPARAM, LPARAM)
{
    OnBnClickedExit();
    return 0;
}

LRESULT CKordaneDlg::OnTimer(WPARAM wParam, LPARAM)
{
    if (wParam == kShowTimer) {
        ::KillTimer(m_hWnd, kShowTimer);
        ::ShowWindow(m_hWnd, SW_SHOW);
    }
    (void)m_clipboard.OnTimer(m_hWnd, wParam);
    Default();
    return 0;
}

void CKordaneDlg::OnBnClickedExit()
{
    // A close request sent while the user is being asked (the Restart Manager
    // sends one) must not ask a second time.
    if (m_bExiting) return;
    m_bExiting = true;
    int exitCode = 0;
    const bool leave = SaveBeforeExit(exitCode);
    m_bExiting = false;
    if (leave) ::PostMessageA(m_hWnd, WM_QUIT, static_cast<WPARAM>(exitCode), 0);
}

// The account and the password are required for Insert and Update.
bool CKordaneDlg::EditorFieldsFilled()
{
    return CMessageBox::Require(m_hWnd, m_strId, "Please input the account.", IDC_EDIT_ID) &&
           CMessageBox::Require(m_hWnd, m_strPassword, "Please input the password.", IDC_EDIT_PASSWORD);
}

void CKordaneDlg::EnterLoggedIn()
{
    for (const int id : kEditorFields) EnableField(id, true);
    m_btnInsert.EnableWindow(true);
    m_btnCreateAdmin.EnableWindow(false);
    m_btnLogin.EnableWindow(false);
}

void CKordaneDlg::EnterReadOnly()
{
    m_bReadOnly = true;
    // The texts of a selected row can still be read and copied.
    for (const int id : kEditorFields)
        if (HWND field = GetDlgItem(id)) ::SendMessageA(field, EM_SETREADONLY, TRUE, 0);
    m_btnInsert.EnableWindow(false);
    m_btnUpdate.EnableWindow(false);
    m_btnDelete.EnableWindow(false);
}

void CKordaneDlg::OnBnClickedLogin()
{
    CLoginDlg login(m_session);
    if (login.DoModal() != IDOK) {
        m_session.Abandon();
        return;
    }
    CMessageBox::Show(m_hWnd, "Login success.");
    if (FillList()) {
        // A damaged file whose bytes could not be kept has been told as such.
        if (!m_session.MustNotWrite()) Journaled(m_session.BeginSaving());
    } else {
        // Saving a shorter list would drop the entries it lacks from the file:
        // this session writes nothing, and says so.
        WriteTraceLine(tracepoint::kListIncomplete);
        CMessageBox::Show(m_hWnd, kIncompleteListText);
    }
    EnterLoggedIn();
    // Edits that could not be saved are not taken in the first place.
    if (!m_session.IsSavePending()) EnterReadOnly();
}

void CKordaneDlg::OnBnClickedCreateAdmin()
{
    CCreateAdminDlg create(m_session);
    if (create.DoModal() != IDOK) {
        m_session.Abandon();
        return;
    }
    m_rows.clear();
    Journaled(m_session.BeginSaving());
    EnterLoggedIn();
}

void CKordaneDlg::OnBnClickedHelp()
{
    CHelpDlg help;
    help.DoModal();
}

// A row becoming current. A list without rows of its own tells of a change
// once it is made (LVN_ITEMCHANGED); it sends no LVN_ITEMCHANGING.
LRESULT CKordaneDlg::OnItemChangingList(NMHDR* hdr)
{
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(hdr);
    if (change->iItem >= 0 && (change->uChanged & LVIF_STATE) && change->uNewState == (LVIS_SELECTED | LVIS_FOCUSED))
        LoadRow(change->iItem);
    return 0;
}

LRESULT CKordaneDlg::OnGetDispInfoList(NMHDR* hdr)
{
    // The A and W notices differ only in the text's type.
    auto* info = reinterpret_cast<NMLVDISPINFOA*>(hdr);
    LVITEMA& item = info->item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0 || item.iItem < 0) return 0;
    const std::string_view text = CellText(static_cast<std::size_t>(item.iItem), item.iSubItem);
    if (hdr->code == LVN_GETDISPINFOW) {
        // Straight into the list's buffer: a field's 127 bytes are at most 127
        // characters, and a buffer too short for them is left empty.
        auto* wide = reinterpret_cast<wchar_t*>(item.pszText);
        const int converted = text.empty()
                                  ? 0
                                  : ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide,
                                                          item.cchTextMax - 1);
        wide[converted > 0 ? converted : 0] = L'\0';
        return 0;
    }
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(item.cchTextMax) - 1);
    std::copy_n(text.data(), length, item.pszText);
    item.pszText[length] = '\0';
    return 0;
}

LRESULT CKordaneDlg::OnFindItemList(NMHDR* hdr)
{
    const auto* find = reinterpret_cast<const NMLVFINDITEMA*>(hdr);
    const UINT flags = find->lvfi.flags;
    // The rows carry no data of their own to be found by, and no place.
    if (!(flags & (LVFI_STRING | LVFI_PARTIAL)) || (flags & LVFI_PARAM) || !find->lvfi.psz) return -1;
    try {
        const std::string text = hdr->code == LVN_ODFINDITEMW
                                     ? kd::Narrow(reinterpret_cast<const NMLVFINDITEMW*>(hdr)->lvfi.psz)
                                     : std::string(find->lvfi.psz);
        const kd::CEntryFinder finder(text, m_folding);
        const auto from = static_cast<std::size_t>(std::max(find->iStart, 0));
        const auto row = finder.FindAccountFrom(m_rows, from, !(flags & LVFI_PARTIAL), (flags & LVFI_WRAP) != 0);
        return row ? static_cast<LRESULT>(*row) : -1;
    } catch (const std::bad_alloc&) {
        return -1; // a key typed into the list finds nothing
    }
}

void CKordaneDlg::LoadRow(int row)
{
    m_nCurrentRow = row;
    const auto at = static_cast<std::size_t>(row);
    m_strId = CellText(at, 0);
    m_strPassword = CellText(at, 1);
    m_strComment = CellText(at, 2);
    (void)UpdateData(false); // filling the fields validates nothing
    m_btnUpdate.EnableWindow(!m_bReadOnly);
    m_btnDelete.EnableWindow(!m_bReadOnly);
}

int CKordaneDlg::SelectedRow() const noexcept
{
    const int focused = m_list.GetNextItem(-1, LVNI_FOCUSED);
    if (focused >= 0 && m_list.GetItemState(focused, LVIS_SELECTED)) return focused;
    return m_list.GetNextItem(-1, LVNI_SELECTED);
}

void CKordaneDlg::SelectAndLoad(int row)
{
    // As a click: this row alone selected, focused and shown. Another row left
    // selected or a row not scrolled into view changes nothing that is saved.
    (void)m_list.SetItemState(-1, 0, LVIS_SELECTED);
    if (!m_list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED)) return;
    (void)m_list.EnsureVisible(row);
    // An already focused, selected row changes no state and so is not loaded by the list.
    if (m_nCurrentRow != row) LoadRow(row);
}

bool CKordaneDlg::CopyCell(int column)
{
    const int row = SelectedRow();
    if (row < 0) return false;
    if (m_clipboard.Copy(m_hWnd, std::string(CellText(static_cast<std::size_t>(row), column)))) return true;
    CMessageBox::Show(m_hWnd, kClipboardBusyText);
    return false;
}

LRESULT CKordaneDlg::OnContextMenu(WPARAM wParam, LPARAM lParam)
{
    if (reinterpret_cast<HWND>(wParam) != m_list.GetSafeHwnd()) {
        Default();
        return 0;
    }
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const int row = SelectedRow();
    if (lParam == -1) {
        // From the keyboard: under the selected row, else the list's corner.
        RECT r{};
        if (row >= 0 && m_list.GetItemLabelRect(row, r)) {
            at = {r.left, r.bottom};
        } else {
            at = {0, 0};
        }
        ::ClientToScreen(m_list.GetSafeHwnd(), &at);
    }
    const kd::unique_hmenu menu(::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_LIST_MENU)));
    HMENU popup = menu ? ::GetSubMenu(menu.get(), 0) : nullptr;
    if (!popup) return 0;
    const UINT state = row >= 0 ? MF_ENABLED : MF_GRAYED;
    for (const UINT id : {ID_COPY_ACCOUNT, ID_COPY_PASSWORD, ID_COPY_COMMENT})
        ::EnableMenuItem(popup, id, MF_BYCOMMAND | state);
    const auto command = static_cast<UINT>(::TrackPopupMenu(
        popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, 0, m_hWnd, nullptr));
    switch (command) {
    case ID_COPY_ACCOUNT:
        (void)CopyCell(0);
        break;
    case ID_COPY_PASSWORD:
        (void)CopyCell(1);
        break;
    case ID_COPY_COMMENT:
        (void)CopyCell(2);
        break;
    default:
        break;
    }
    return 0;
}

CFindDlg::Outcome CKordaneDlg::FindRow(const std::string& text, bool next)
{
    m_findText = text;
    const kd::CEntryFinder finder(text, m_folding);
    if (finder.Empty()) return CFindDlg::Outcome::NothingTyped;
    int current = SelectedRow();
    if (current < 0) current = m_nCurrentRow;
    std::size_t from = 0;
    if (current >= 0) from = static_cast<std::size_t>(current) + (next ? 1 : 0);
    bool wrapped = false;
    const auto row = finder.FindFrom(m_rows, from, &wrapped);
    if (!row) return CFindDlg::Outcome::NotFound;
    SelectAndLoad(static_cast<int>(*row));
    return wrapped ? CFindDlg::Outcome::FoundFromTop : CFindDlg::Outcome::Found;
}

CFindDlg* CKordaneDlg::FindDialog() const noexcept
{
    if (!m_findWnd || !::IsWindow(m_findWnd)) return nullptr;
    return dynamic_cast<CFindDlg*>(kd::CDialog::FromHandle(m_findWnd));
}

void CKordaneDlg::OpenFind()
{
    if (CFindDlg* open = FindDialog()) {
        open->Present();
        return;
    }
    m_findWnd = nullptr;
    auto find = std::make_unique<CFindDlg>(
        m_hWnd, [this](const std::string& text, bool next) { return FindRow(text, next); }, m_findText);
    if (!find->Create()) return;
    // The window owns the object from here and deletes it when it goes.
    m_findWnd = find.release()->GetSafeHwnd();
}

void CKordaneDlg::FindNextRow()
{
    if (CFindDlg* open = FindDialog()) {
        open->FindNext();
        return;
    }
    if (m_findText.empty()) {
        OpenFind();
        return;
    }
    const CFindDlg::Outcome outcome = FindRow(m_findText, true);
    if (outcome == CFindDlg::Outcome::Found) return;
    // Whatever is not a plain find is said in the Find window.
    OpenFind();
    if (CFindDlg* open = FindDialog()) open->Tell(outcome);
}

void CKordaneDlg::OnBnClickedInsert()
{
    if (m_bReadOnly) return;
    if (!UpdateData(true)) return;
    if (!EditorFieldsFilled()) return;
    if (!AddRow(m_strId, m_strPassword, m_strComment)) CMessageBox::Show(m_hWnd, "The same item have been existent.");
}

void CKordaneDlg::OnBnClickedUpdate()
{
    if (m_nCurrentRow == -1 || m_bReadOnly) return;
    if (!UpdateData(true)) return;
    if (!EditorFieldsFilled()) return;
    if (HasRow(m_strId, m_strPassword, m_strComment)) {
        CMessageBox::Show(m_hWnd, "The same item have been existent.", IDC_EDIT_PASSWORD);
        return;
    }
    const auto row = static_cast<std::size_t>(m_nCurrentRow);
    if (row >= m_rows.size()) return;
    m_rows[row] = RecordOf(m_strId, m_strPassword, m_strComment);
    // The list keeps no texts to refuse: it draws the row anew from m_rows.
    (void)m_list.RedrawItems(m_nCurrentRow, m_nCurrentRow);
    Journaled(m_session.JournalUpdate(row, m_rows[row]));
}

void CKordaneDlg::OnBnClickedDelete()
{
    if (m_nCurrentRow == -1 || m_bReadOnly) return;
    // A row the list keeps is kept in the file too.
    if (!m_list.DeleteItem(m_nCurrentRow)) {
        ListRefused();
        return;
    }
    const auto row = static_cast<std::size_t>(m_nCurrentRow);
    if (row < m_rows.size()) {
        m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(row));
        Journaled(m_session.JournalDelete(row));
    }
    m_nCurrentRow = -1;
    m_btnUpdate.EnableWindow(false);
    m_btnDelete.EnableWindow(false);
}
