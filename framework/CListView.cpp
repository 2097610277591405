#include "CListView.h"

namespace kd {

DWORD CListView::GetExtendedStyle() const noexcept
{
    return static_cast<DWORD>(::SendMessageA(m_hWnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
}

void CListView::SetExtendedStyle(DWORD style) const noexcept
{
    ::SendMessageA(m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style));
}

int CListView::InsertColumn(int column, const char* heading, int format, int width) const noexcept
{
    LVCOLUMNA col{};
    col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    col.fmt = format;
    col.cx = width;
    col.pszText = const_cast<char*>(heading);
    col.iSubItem = column;
    return static_cast<int>(
        ::SendMessageA(m_hWnd, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&col)));
}

int CListView::GetColumnCount() const noexcept
{
    HWND header = reinterpret_cast<HWND>(::SendMessageA(m_hWnd, LVM_GETHEADER, 0, 0));
    return header ? static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

int CListView::GetItemCount() const noexcept
{
    return m_hWnd ? static_cast<int>(::SendMessageA(m_hWnd, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

int CListView::InsertItem(int row, const std::string& text, LPARAM data) const noexcept
{
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = row;
    item.pszText = const_cast<char*>(text.c_str());
    item.lParam = data;
    return static_cast<int>(::SendMessageA(m_hWnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListView::SetItemText(int row, int column, const std::string& text) const noexcept
{
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    return ::SendMessageA(m_hWnd, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)) != 0;
}

std::string CListView::GetItemText(int row, int column) const
{
    std::string text(256, '\0');
    for (;;) {
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(text.size());
        const auto length = static_cast<size_t>(
            ::SendMessageA(m_hWnd, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < text.size()) {
            text.resize(length);
            return text;
        }
        text.resize(text.size() * 2);
    }
}

bool CListView::SetItemData(int row, LPARAM data) const noexcept
{
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = data;
    return ::SendMessageA(m_hWnd, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

LPARAM CListView::GetItemData(int row) const noexcept
{
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    return ::SendMessageA(m_hWnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
}

bool CListView::SetItemState(int row, UINT state, UINT mask) const noexcept
{
    LVITEMA item{};
    item.state = state;
    item.stateMask = mask;
    return ::SendMessageA(m_hWnd, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)) != 0;
}

UINT CListView::GetItemState(int row, UINT mask) const noexcept
{
    return static_cast<UINT>(::SendMessageA(m_hWnd, LVM_GETITEMSTATE, static_cast<WPARAM>(row), mask));
}

int CListView::GetNextItem(int after, UINT flags) const noexcept
{
    return static_cast<int>(::SendMessageA(m_hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(after), MAKELPARAM(flags, 0)));
}

bool CListView::EnsureVisible(int row) const noexcept
{
    return ::SendMessageA(m_hWnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE) != 0;
}

bool CListView::GetItemLabelRect(int row, RECT& rect) const noexcept
{
    rect = RECT{};
    rect.left = LVIR_LABEL;
    return ::SendMessageA(m_hWnd, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect)) != 0;
}

bool CListView::DeleteItem(int row) const noexcept
{
    return ::SendMessageA(m_hWnd, LVM_DELETEITEM, static_cast<WPARAM>(row), 0) != 0;
}

bool CListView::DeleteAllItems() const noexcept
{
    return ::SendMessageA(m_hWnd, LVM_DELETEALLITEMS, 0, 0) != 0;
}

bool CListView::SetItemCount(int count) const noexcept
{
    return ::SendMessageA(m_hWnd, LVM_SETITEMCOUNT, static_cast<WPARAM>(count),
                          LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL) != 0;
}

bool CListView::RedrawItems(int first, int last) const noexcept
{
    return ::SendMessageA(m_hWnd, LVM_REDRAWITEMS, static_cast<WPARAM>(first), static_cast<LPARAM>(last)) != 0;
}

CListView::RedrawLock::RedrawLock(const CListView& list) noexcept : m_wnd(list.GetSafeHwnd())
{
    if (m_wnd) ::SendMessageA(m_wnd, WM_SETREDRAW, FALSE, 0);
}

CListView::RedrawLock::~RedrawLock()
{
    if (!m_wnd) return;
    ::SendMessageA(m_wnd, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(m_wnd, nullptr, TRUE);
}

} // namespace kd
