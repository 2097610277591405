#include "CQuestionDlg.h"

#include <algorithm>
#include <utility>

#include "resource.h"
#include "unique_any.h"

namespace {

constexpr int kFirstLineId = IDC_STATIC_QUESTION_1;
constexpr int kFirstButtonId = IDC_BUTTON_QUESTION_1;
constexpr const char* kEllipsis = "...";
// Kept free at a line's right end: a glyph's overhang must not touch the edge.
constexpr int kLineEndMargin = 2;

// The skin draws static texts in a face of its own and ignores SS_ENDELLIPSIS,
// so a line is shortened here to fit that face as well as the dialog's.
kd::unique_hfont CreateSkinTextFont() noexcept
{
    return kd::unique_hfont(::CreateFontA(15, 0, 0, 0, 500, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, "Arial"));
}

std::size_t Clamp(std::size_t index, std::size_t count) noexcept
{
    return std::min(index, count - 1);
}

RECT ClientRectOf(HWND child, HWND dialog) noexcept
{
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

} // namespace

CQuestionDlg::CQuestionDlg(std::string caption, std::vector<std::string> lines, std::vector<std::string> buttons,
                           HWND owner, std::size_t defaultIndex, std::size_t cancelIndex)
    : kd::CDialog(IDD_QUESTION, owner), m_strCaption(std::move(caption)), m_lines(std::move(lines)),
      m_buttons(std::move(buttons))
{
    if (m_lines.size() > kMaxLines) m_lines.resize(kMaxLines);
    if (m_buttons.empty()) m_buttons.emplace_back("OK");
    if (m_buttons.size() > kMaxButtons) m_buttons.resize(kMaxButtons);
    m_default = Clamp(defaultIndex, m_buttons.size());
    m_cancel = Clamp(cancelIndex, m_buttons.size());
    MapCommand(kFirstButtonId, &CQuestionDlg::OnButton1);
    MapCommand(kFirstButtonId + 1, &CQuestionDlg::OnButton2);
    MapCommand(kFirstButtonId + 2, &CQuestionDlg::OnButton3);
}

std::size_t CQuestionDlg::Ask()
{
    // Anything but one of our buttons (-1: not shown, 0: a bad owner) is the
    // cancel answer, so a question that cannot be asked changes nothing.
    const INT_PTR result = DoModal();
    const INT_PTR index = result - kFirstButtonId;
    if (index >= 0 && static_cast<std::size_t>(index) < m_buttons.size()) return static_cast<std::size_t>(index);
    return m_cancel;
}

std::string CQuestionDlg::FitLine(HDC dc, const std::vector<HFONT>& fonts, const std::string& text, int width)
{
    auto fits = [&](const std::string& candidate) {
        for (HFONT font : fonts) {
            kd::select_scope selected(dc, font);
            SIZE size{};
            if (!::GetTextExtentPoint32A(dc, candidate.c_str(), static_cast<int>(candidate.size()), &size) ||
                size.cx > width)
                return false;
        }
        return true;
    };
    if (fits(text)) return text;

    // Cut only between characters: a double-byte character split in two
    // would show as something else.
    std::vector<std::size_t> ends;
    for (std::size_t i = 0; i < text.size();) {
        i += ::IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size() ? 2 : 1;
        ends.push_back(i);
    }
    // The longest start that fits with the ellipsis (the width grows with the
    // length, so a binary search finds it).
    std::size_t lo = 0, hi = ends.size();
    while (lo < hi) {
        const std::size_t mid = (lo + hi + 1) / 2;
        if (fits(text.substr(0, ends[mid - 1]) + kEllipsis))
            lo = mid;
        else
            hi = mid - 1;
    }
    std::string head = text.substr(0, lo ? ends[lo - 1] : 0);
    while (!head.empty() && head.back() == ' ') head.pop_back();
    return head + kEllipsis;
}

bool CQuestionDlg::OnInitDialog()
{
    (void)kd::CDialog::OnInitDialog(); // the focus is set below, whatever the default
    ::MessageBeep(MB_ICONQUESTION);
    // The skin keeps a caption set after creation to itself and leaves the
    // template's as the window's text, which is what finds the question from
    // outside: set the window's own text first, then let the skin show it.
    ::DefWindowProcA(m_hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(m_strCaption.c_str()));
    ::SetWindowTextA(m_hWnd, m_strCaption.c_str());
    ShowLines();
    ShowButtons();
    Compact();
    GotoDlgCtrl(kFirstButtonId + static_cast<int>(m_default));
    return false; // the focus is set
}

void CQuestionDlg::ShowLines()
{
    const kd::unique_hfont skinFont = CreateSkinTextFont();
    for (std::size_t i = 0; i < kMaxLines; ++i) {
        HWND line = GetDlgItem(kFirstLineId + static_cast<int>(i));
        if (!line) continue;
        if (i >= m_lines.size()) {
            ::SetWindowTextA(line, "");
            ::ShowWindow(line, SW_HIDE);
            ::EnableWindow(line, FALSE);
            continue;
        }
        std::vector<HFONT> fonts{reinterpret_cast<HFONT>(::SendMessageA(line, WM_GETFONT, 0, 0))};
        if (skinFont) fonts.push_back(skinFont.get());
        RECT client{};
        ::GetClientRect(line, &client);
        const kd::unique_window_dc dc(line);
        const std::string text = dc ? FitLine(dc.get(), fonts, m_lines[i], client.right - kLineEndMargin) : m_lines[i];
        ::SetWindowTextA(line, text.c_str());
    }
}

void CQuestionDlg::ShowButtons()
{
    HWND first = GetDlgItem(kFirstButtonId);
    HWND second = GetDlgItem(kFirstButtonId + 1);
    if (!first || !second) return;
    const RECT a = ClientRectOf(first, m_hWnd);
    const RECT b = ClientRectOf(second, m_hWnd);
    const int width = a.right - a.left;
    const int gap = b.left - a.right;
    const int count = static_cast<int>(m_buttons.size());
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const int left = (client.right - (count * width + (count - 1) * gap)) / 2;

    for (int i = 0; i < static_cast<int>(kMaxButtons); ++i) {
        HWND button = GetDlgItem(kFirstButtonId + i);
        if (!button) continue;
        if (i >= count) {
            ::ShowWindow(button, SW_HIDE);
            ::EnableWindow(button, FALSE);
            continue;
        }
        ::SetWindowTextA(button, m_buttons[static_cast<std::size_t>(i)].c_str());
        ::SetWindowPos(button, nullptr, left + i * (width + gap), a.top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::SendMessageA(m_hWnd, DM_SETDEFID, static_cast<WPARAM>(kFirstButtonId + static_cast<int>(m_default)), 0);
}

// The template has room for every line; the buttons move up under the last
// line used and the dialog loses the height left empty, keeping its centre.
void CQuestionDlg::Compact()
{
    const std::size_t used = std::max<std::size_t>(m_lines.size(), 1);
    HWND lastUsed = GetDlgItem(kFirstLineId + static_cast<int>(used) - 1);
    HWND lastLine = GetDlgItem(kFirstLineId + static_cast<int>(kMaxLines) - 1);
    if (!lastUsed || !lastLine || lastUsed == lastLine) return;
    const int shift = ClientRectOf(lastLine, m_hWnd).top - ClientRectOf(lastUsed, m_hWnd).top;
    if (shift <= 0) return;

    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        HWND button = GetDlgItem(kFirstButtonId + static_cast<int>(i));
        const RECT r = ClientRectOf(button, m_hWnd);
        ::SetWindowPos(button, nullptr, r.left, r.top - shift, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    ::SetWindowPos(m_hWnd, nullptr, window.left, window.top + shift / 2, window.right - window.left,
                   window.bottom - window.top - shift, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CQuestionDlg::OnButton1()
{
    EndDialog(kFirstButtonId);
}

void CQuestionDlg::OnButton2()
{
    EndDialog(kFirstButtonId + 1);
}

void CQuestionDlg::OnButton3()
{
    EndDialog(kFirstButtonId + 2);
}

// Return with no button focused: the default button's answer.
void CQuestionDlg::OnOK()
{
    EndDialog(kFirstButtonId + static_cast<INT_PTR>(m_default));
}

// Escape and the close box.
void CQuestionDlg::OnCancel()
{
    EndDialog(kFirstButtonId + static_cast<INT_PTR>(m_cancel));
}
