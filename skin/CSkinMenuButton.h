// One top-level item of a skinned dialog's menu. While it exists, every item
// of its drop-down (submenus included) is owner-drawn, with the item's text
// as its item data; destroying the button gives every item its original
// type, text and item data back.
#pragma once

#include <windows.h>
#include <memory>
#include <string>
#include <vector>

class CSkinMenuButton {
public:
    enum State : int { kNormal = 1, kHot = 2, kOpen = 4 };

    CSkinMenuButton(HMENU menu, int index, const RECT& rect);
    ~CSkinMenuButton();
    CSkinMenuButton(const CSkinMenuButton&) = delete;
    CSkinMenuButton& operator=(const CSkinMenuButton&) = delete;

    int m_state = kNormal;
    RECT m_rect{};
    HMENU m_dropDown = nullptr;
    std::string m_text;

    // The text of an item this button made owner-drawn, found by the item
    // data the menu hands to WM_DRAWITEM; null for any other item data.
    [[nodiscard]] const char* ItemText(ULONG_PTR itemData) const noexcept;

    // Deepest submenu nesting that is converted and restored.
    static constexpr int kMaxDepth = 16;

private:
    // What an item was before it became owner-drawn. The item data points at
    // text, so a record never moves once made.
    struct OwnerDrawItem {
        std::string text;
        UINT type = 0;
        ULONG_PTR data = 0;
        [[nodiscard]] ULONG_PTR ItemData() const noexcept { return reinterpret_cast<ULONG_PTR>(text.c_str()); }
    };

    void Convert(HMENU menu, int depth);
    void Restore(HMENU menu, int depth) noexcept;
    [[nodiscard]] const OwnerDrawItem* Find(ULONG_PTR itemData) const noexcept;

    std::vector<std::unique_ptr<OwnerDrawItem>> m_items;
};
