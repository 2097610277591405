#include "SubclassMap.h"

SubclassMap& SubclassMap::Instance()
{
    static SubclassMap map;
    return map;
}

CWndSubclass* SubclassMap::Lookup(HWND wnd) const noexcept
{
    auto it = m_map.find(wnd);
    return it == m_map.end() ? nullptr : it->second;
}

void SubclassMap::Set(HWND wnd, CWndSubclass* object)
{
    m_map[wnd] = object;
}

void SubclassMap::Remove(HWND wnd) noexcept
{
    m_map.erase(wnd);
}
