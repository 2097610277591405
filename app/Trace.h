// Kordane's diagnostic lines, "Line:<number>,Fun:<function>", handed to the
// log object (Components.h).
#pragma once

#include <cstddef>
#include <iterator>

struct TracePoint {
    int number;
    const char* function;
};

// Every point a diagnostic line can come from. Readers of old logs know them
// by these numbers, so a number never changes and is never given to another
// point: the first four are the program's own, the others the source lines at
// which they were first written, each naming the function that writes it.
// Taken once and not to be given again: 82 (a restore of a leftover copy),
// 89 (the create-administrator dialog without a main window).
namespace tracepoint {

inline constexpr TracePoint kLogNotOpened{105, "CKordaneApp::InitInstance"};
inline constexpr TracePoint kSkinNotInstalled{112, "CKordaneApp::InitInstance"};
inline constexpr TracePoint kLoginOpenFailed{83, "CLoginDlg::OnBnClickedOk"};
inline constexpr TracePoint kCreateFailed{101, "CCreateAdminDlg::OnBnClickedOk"};

inline constexpr TracePoint kLoginInUse{42, "CLoginDlg::OnBnClickedOk"};
inline constexpr TracePoint kLoginLockFailed{46, "CLoginDlg::OnBnClickedOk"};
inline constexpr TracePoint kCopyNotHandled{66, "CLoginDlg::CopyNotHandled"};
inline constexpr TracePoint kFileDamaged{72, "CLoginDlg::FileDamaged"};
inline constexpr TracePoint kJournalFailed{350, "CKordaneDlg::Journaled"};
inline constexpr TracePoint kOtherVersionNotKept{360, "CKordaneDlg::SaveEntries"};
inline constexpr TracePoint kCreateInUse{53, "CCreateAdminDlg::OnBnClickedOk"};
inline constexpr TracePoint kCreateLockFailed{57, "CCreateAdminDlg::OnBnClickedOk"};
inline constexpr TracePoint kSaveFailed{263, "CKordaneDlg::SaveEntries"};
inline constexpr TracePoint kRecoveryCopyFailed{320, "CKordaneDlg::KeepRecoveryCopy"};
inline constexpr TracePoint kListIncomplete{438, "CKordaneDlg::OnBnClickedLogin"};
inline constexpr TracePoint kListRefusedEdit{235, "CKordaneDlg::ListRefused"};
inline constexpr TracePoint kHelpPageFailed{143, "CHelpDlg::ShowPageText"};
inline constexpr TracePoint kNavigateError{84, "CExplorer1::OnNavigateError"};
inline constexpr TracePoint kNavigateFailed{154, "CExplorer1::Navigate"};
inline constexpr TracePoint kNavigateCallFailed{159, "CExplorer1::Navigate"};

inline constexpr TracePoint kAll[] = {kLogNotOpened,   kSkinNotInstalled,    kLoginOpenFailed, kCreateFailed,
                                      kLoginInUse,     kLoginLockFailed,     kCopyNotHandled,  kFileDamaged,
                                      kJournalFailed,  kOtherVersionNotKept, kCreateInUse,     kCreateLockFailed,
                                      kSaveFailed,     kRecoveryCopyFailed,  kListIncomplete,  kListRefusedEdit,
                                      kHelpPageFailed, kNavigateError,       kNavigateFailed,  kNavigateCallFailed};

[[nodiscard]] constexpr bool NumbersUnique() noexcept
{
    for (std::size_t i = 0; i < std::size(kAll); ++i) {
        if (kAll[i].number == 82 || kAll[i].number == 89) return false;
        for (std::size_t j = i + 1; j < std::size(kAll); ++j)
            if (kAll[i].number == kAll[j].number) return false;
    }
    return true;
}
static_assert(NumbersUnique(), "a trace number is given to one point only, once");

} // namespace tracepoint

// Hands the point's line to the log object; nothing without one.
void WriteTraceLine(const TracePoint& point) noexcept;
