// A report-mode list view control (single-byte texts).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "CControl.h"

namespace kd {

class CListView : public CControl {
public:
    [[nodiscard]] DWORD GetExtendedStyle() const noexcept;
    void SetExtendedStyle(DWORD style) const noexcept;

    // Answers the new column's index, -1 on failure.
    [[nodiscard]] int InsertColumn(int column, const char* heading, int format, int width) const noexcept;
    [[nodiscard]] int GetColumnCount() const noexcept;

    [[nodiscard]] int GetItemCount() const noexcept;
    // Inserts a row with its first column and item data; answers its index, -1 on failure.
    [[nodiscard]] int InsertItem(int row, const std::string& text, LPARAM data = 0) const noexcept;
    [[nodiscard]] bool SetItemText(int row, int column, const std::string& text) const noexcept;
    [[nodiscard]] std::string GetItemText(int row, int column) const;
    [[nodiscard]] bool SetItemData(int row, LPARAM data) const noexcept;
    [[nodiscard]] LPARAM GetItemData(int row) const noexcept;
    [[nodiscard]] bool SetItemState(int row, UINT state, UINT mask) const noexcept;
    [[nodiscard]] UINT GetItemState(int row, UINT mask) const noexcept;
    // The next row after `after` (-1: from the top) with the LVNI_* state; -1 for none.
    [[nodiscard]] int GetNextItem(int after, UINT flags) const noexcept;
    [[nodiscard]] bool EnsureVisible(int row) const noexcept;
    // The row's label in client coordinates; false when there is no such row.
    [[nodiscard]] bool GetItemLabelRect(int row, RECT& rect) const noexcept;
    [[nodiscard]] bool DeleteItem(int row) const noexcept;
    [[nodiscard]] bool DeleteAllItems() const noexcept;
    // A list that keeps its rows: reserves room for `count` rows before a bulk
    // fill. A list whose parent keeps the rows (LVS_OWNERDATA): the number of
    // rows it shows. False when the list refused.
    [[nodiscard]] bool SetItemCount(int count) const noexcept;
    // Has the rows `first` to `last` drawn anew, as for texts their owner changed.
    [[nodiscard]] bool RedrawItems(int first, int last) const noexcept;

    // Suspends repainting for a bulk change; the list repaints once when it ends.
    class RedrawLock {
    public:
        explicit RedrawLock(const CListView& list) noexcept;
        RedrawLock(const RedrawLock&) = delete;
        RedrawLock& operator=(const RedrawLock&) = delete;
        ~RedrawLock();

    private:
        HWND m_wnd;
    };
};

} // namespace kd
