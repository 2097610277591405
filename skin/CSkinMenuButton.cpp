#include "CSkinMenuButton.h"

#include <vector>

namespace {

// An item's text, whatever its length; empty for separators and bitmaps.
std::string ItemString(HMENU menu, int position)
{
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    if (!::GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info) || info.cch == 0) return {};
    std::vector<char> buffer(info.cch + 1, '\0');
    info.dwTypeData = buffer.data();
    info.cch = static_cast<UINT>(buffer.size());
    if (!::GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info)) return {};
    return std::string(buffer.data());
}

} // namespace

CSkinMenuButton::CSkinMenuButton(HMENU menu, int index, const RECT& rect)
    : m_rect(rect), m_dropDown(::GetSubMenu(menu, index)), m_text(ItemString(menu, index))
{
    if (!m_dropDown) return;
    try {
        Convert(m_dropDown, 0);
    } catch (...) {
        Restore(m_dropDown, 0); // no item may keep data that dies with this object
        throw;
    }
}

CSkinMenuButton::~CSkinMenuButton()
{
    if (m_dropDown && ::IsMenu(m_dropDown)) Restore(m_dropDown, 0);
}

const CSkinMenuButton::OwnerDrawItem* CSkinMenuButton::Find(ULONG_PTR itemData) const noexcept
{
    if (!itemData) return nullptr;
    for (const auto& item : m_items) {
        if (item->ItemData() == itemData) return item.get();
    }
    return nullptr;
}

const char* CSkinMenuButton::ItemText(ULONG_PTR itemData) const noexcept
{
    const OwnerDrawItem* item = Find(itemData);
    return item ? item->text.c_str() : nullptr;
}

void CSkinMenuButton::Convert(HMENU menu, int depth)
{
    if (depth >= kMaxDepth) return;
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_SUBMENU;
        if (!::GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) continue;
        if (Find(info.dwItemData)) continue; // a submenu reached twice
        // Contents first, then the item that opens them. The item keeps its
        // identifier, state and submenu: only its type and data change.
        if (info.hSubMenu) Convert(info.hSubMenu, depth + 1);

        auto record = std::make_unique<OwnerDrawItem>();
        record->text = ItemString(menu, i);
        record->type = info.fType;
        record->data = info.dwItemData;

        MENUITEMINFOA drawn{};
        drawn.cbSize = sizeof(drawn);
        drawn.fMask = MIIM_FTYPE | MIIM_DATA;
        drawn.fType = MFT_OWNERDRAW;
        drawn.dwItemData = record->ItemData();
        m_items.reserve(m_items.size() + 1); // the push below cannot throw once the item is changed
        if (::SetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &drawn)) m_items.push_back(std::move(record));
    }
}

void CSkinMenuButton::Restore(HMENU menu, int depth) noexcept
{
    if (depth >= kMaxDepth) return;
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_DATA | MIIM_SUBMENU;
        if (!::GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) continue;
        if (info.hSubMenu) Restore(info.hSubMenu, depth + 1);
        // Items are found by the data they carry, not by position: the host
        // may have inserted or removed items in the meantime.
        const OwnerDrawItem* record = Find(info.dwItemData);
        if (!record) continue;
        MENUITEMINFOA original{};
        original.cbSize = sizeof(original);
        original.fMask = MIIM_FTYPE | MIIM_DATA;
        original.fType = record->type;
        original.dwItemData = record->data;
        if (!(record->type & (MFT_SEPARATOR | MFT_BITMAP | MFT_OWNERDRAW))) {
            original.fMask |= MIIM_STRING;
            original.dwTypeData = const_cast<char*>(record->text.c_str());
            original.cch = static_cast<UINT>(record->text.size());
        }
        ::SetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &original);
    }
}
