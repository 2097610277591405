#include "CSaveFailedDlg.h"

#include <cstdio>

#include "unique_any.h"

CSaveFailedDlg::CSaveFailedDlg(const std::string& fileName, DWORD error, HWND owner)
    : kd::CDialog(IDD_SAVE_FAILED, owner), m_strFile(FileLine(fileName)), m_strReason(ReasonLine(error))
{
    MapCommand(IDRETRY, &CSaveFailedDlg::OnBnClickedRetry);
    MapCommand(IDC_BUTTON_EXIT_UNSAVED, &CSaveFailedDlg::OnBnClickedExitWithoutSaving);
}

CSaveFailedDlg::Choice CSaveFailedDlg::Ask()
{
    switch (DoModal()) {
    case Retry:
        return Retry;
    case ExitWithoutSaving:
        return ExitWithoutSaving;
    default:
        return Cancel;
    }
}

std::string CSaveFailedDlg::FileLine(const std::string& fileName)
{
    return "The entries could not be saved to \"" + fileName + "\":";
}

std::string CSaveFailedDlg::ReasonLine(DWORD error)
{
    char* buffer = nullptr;
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    const kd::unique_hlocal owned(buffer);
    std::string text = length ? std::string(buffer, length) : std::string();
    // The system's texts end in a line break, and some hold one inside.
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (text.empty()) {
        char number[32];
        std::snprintf(number, sizeof number, "System error %lu.", static_cast<unsigned long>(error));
        text = number;
    }
    return text;
}

void CSaveFailedDlg::DoDataExchange(kd::CDataExchange& dx)
{
    dx.Control(IDC_STATIC_SAVE_FILE, m_staticFile);
    dx.Control(IDC_STATIC_SAVE_REASON, m_staticReason);
}

bool CSaveFailedDlg::OnInitDialog()
{
    const bool defaultFocus = kd::CDialog::OnInitDialog();
    ::MessageBeep(MB_ICONEXCLAMATION);
    m_staticFile.SetWindowText(m_strFile);
    m_staticReason.SetWindowText(m_strReason);
    return defaultFocus; // the default button, Retry, takes the focus
}

void CSaveFailedDlg::OnBnClickedRetry()
{
    EndDialog(Retry);
}

void CSaveFailedDlg::OnBnClickedExitWithoutSaving()
{
    EndDialog(ExitWithoutSaving);
}
