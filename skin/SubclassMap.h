// For each subclassed window, the skin object attached to it last.
#pragma once

#include <windows.h>
#include <unordered_map>

class CWndSubclass;

class SubclassMap {
public:
    static SubclassMap& Instance();

    [[nodiscard]] CWndSubclass* Lookup(HWND wnd) const noexcept;
    void Set(HWND wnd, CWndSubclass* object);
    void Remove(HWND wnd) noexcept;
    [[nodiscard]] std::size_t Size() const noexcept { return m_map.size(); }

private:
    SubclassMap() = default;
    std::unordered_map<HWND, CWndSubclass*> m_map;
};
