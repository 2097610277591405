#include "FieldLabels.h"

#include <climits>

namespace kd {

namespace {

bool HasClass(HWND wnd, const char* wanted) noexcept
{
    char name[16] = {};
    return ::GetClassNameA(wnd, name, sizeof name) > 0 && ::lstrcmpiA(name, wanted) == 0;
}

bool IsTextLabel(HWND wnd) noexcept
{
    if (!HasClass(wnd, "Static") || ::GetWindowTextLengthA(wnd) == 0) return false;
    switch (::GetWindowLongPtrA(wnd, GWL_STYLE) & SS_TYPEMASK) {
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP:
        return true;
    default:
        return false;
    }
}

RECT RectIn(HWND dialog, HWND wnd) noexcept
{
    RECT r{};
    ::GetWindowRect(wnd, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

HWND LabelOf(HWND dialog, HWND field) noexcept
{
    const RECT f = RectIn(dialog, field);
    HWND best = nullptr;
    LONG bestRight = LONG_MIN;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!IsTextLabel(child)) continue;
        const RECT l = RectIn(dialog, child);
        const bool sameLine = l.top < f.bottom && l.bottom > f.top;
        if (sameLine && l.right <= f.left + 1 && l.right > bestRight) {
            best = child;
            bestRight = l.right;
        }
    }
    return best;
}

} // namespace

int PutLabelsBeforeFields(HWND dialog) noexcept
{
    int moved = 0;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!HasClass(child, "Edit")) continue;
        HWND label = LabelOf(dialog, child);
        HWND before = ::GetWindow(child, GW_HWNDPREV);
        if (!label || label == before) continue;
        // A template's static text starts a group; in front of its field it
        // would split the group the field and its neighbours share, and the
        // arrow keys would stop at it.
        const LONG_PTR style = ::GetWindowLongPtrA(label, GWL_STYLE);
        if (style & WS_GROUP) ::SetWindowLongPtrA(label, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_GROUP));
        ::SetWindowPos(label, before ? before : HWND_TOP, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
        ++moved;
    }
    return moved;
}

} // namespace kd
