// Kordane's diagnostic lines, "Line:<number>,Fun:<function>", handed to the
// log object; and the two component references, held from start-up to shutdown.
#pragma once

#include "IHelper.h"
#include "IScrivet.h"
#include "unique_any.h"

extern kd::com_ptr<IScrivet> g_pLog;
extern kd::com_ptr<IHelper> g_pHelper;

struct TracePoint {
    int number;
    const char* function;
};

// Every point a diagnostic line can come from. Readers of old logs know them
// by these numbers, so a number never changes and is never given to another
// point: the first five are fixed for the program, the others are the source
// lines at which they were first written.
namespace tracepoint {

inline constexpr TracePoint kLogNotOpened{105, "CKordaneApp::InitInstance"};
inline constexpr TracePoint kSkinNotInstalled{112, "CKordaneApp::InitInstance"};
inline constexpr TracePoint kLoginOpenFailed{83, "CLoginDlg::OnBnClickedOk"};
// The create-administrator dialog without a main window; it is now handed its
// session and cannot be without one, but the number stays taken.
inline constexpr TracePoint kCreateNoMainWindow{89, "CCreateAdminDlg::OnBnClickedOk"};
inline constexpr TracePoint kCreateFailed{101, "CCreateAdminDlg::OnBnClickedOk"};

inline constexpr TracePoint kLoginInUse{42, "CLoginDlg::OnBnClickedOk"};
inline constexpr TracePoint kLoginLockFailed{46, "CLoginDlg::OnBnClickedOk"};
// Once the restore of a leftover copy; the number stays taken.
inline constexpr TracePoint kRestoreFailed{82, "CLoginDlg::RecoverLeftovers"};
inline constexpr TracePoint kCopyNotHandled{66, "CLoginDlg::CopyNotHandled"};
inline constexpr TracePoint kFileDamaged{72, "CLoginDlg::FileDamaged"};
inline constexpr TracePoint kJournalFailed{350, "CKordaneDlg::Journal"};
inline constexpr TracePoint kOtherVersionNotKept{360, "CKordaneDlg::KeepOtherProgramsVersion"};
inline constexpr TracePoint kCreateInUse{53, "CCreateAdminDlg::OnBnClickedOk"};
inline constexpr TracePoint kCreateLockFailed{57, "CCreateAdminDlg::OnBnClickedOk"};
// A refused save, under the name its line has always had.
inline constexpr TracePoint kSaveFailed{263, "CKordaneDlg::SaveList"};
inline constexpr TracePoint kRecoveryCopyFailed{320, "CKordaneDlg::KeepRecoveryCopy"};
inline constexpr TracePoint kListIncomplete{438, "CKordaneDlg::FillList"};
inline constexpr TracePoint kHelpPageFailed{143, "CHelpDlg::ShowPageText"};
inline constexpr TracePoint kNavigateError{83, "CExplorer1::OnNavigateError"};
inline constexpr TracePoint kNavigateFailed{154, "CExplorer1::Navigate"};
inline constexpr TracePoint kNavigateCallFailed{159, "CExplorer1::Navigate"};

}  // namespace tracepoint

// Hands the point's line to the log object; nothing without one.
void WriteTraceLine(const TracePoint& point) noexcept;
