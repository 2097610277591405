#include "CWndSubclass.h"

#include "SubclassMap.h"

namespace {

thread_local MSG t_currentMessage{};

// Puts the thread's current-message record back when a nested or finished
// message leaves SharedSubclassProc.
class CurrentMessageScope {
public:
    CurrentMessageScope(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept : m_saved(t_currentMessage)
    {
        t_currentMessage.hwnd = wnd;
        t_currentMessage.message = message;
        t_currentMessage.wParam = wParam;
        t_currentMessage.lParam = lParam;
    }
    CurrentMessageScope(const CurrentMessageScope&) = delete;
    CurrentMessageScope& operator=(const CurrentMessageScope&) = delete;
    ~CurrentMessageScope() { t_currentMessage = m_saved; }

private:
    MSG m_saved;
};

void Refresh(HWND wnd) noexcept
{
    ::SendMessageA(wnd, WM_NCPAINT, 1, 0);
    ::InvalidateRect(wnd, nullptr, TRUE);
}

} // namespace

CWndSubclass::~CWndSubclass()
{
    if (IsAttached()) (void)CWndSubclass::Unsubclass(); // a destructor cannot report
}

int CWndSubclass::Subclass(HWND wnd)
{
    if (!wnd || IsAttached()) return 0;
    auto& map = SubclassMap::Instance();
    m_next = map.Lookup(wnd);
    map.Set(wnd, this);
    if (m_next) {
        m_prevProc = m_next->m_prevProc;
    } else {
        m_prevProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWndSubclass::SharedSubclassProc)));
    }
    m_hWnd = wnd;
    Refresh(wnd);
    m_styleAtAttach = static_cast<DWORD>(::GetWindowLongPtrA(wnd, GWL_STYLE));
    m_styleType = LOWORD(m_styleAtAttach);
    return 1;
}

int CWndSubclass::Unsubclass()
{
    if (!IsAttached()) return 0;
    auto& map = SubclassMap::Instance();
    CWndSubclass* entry = map.Lookup(m_hWnd);
    if (entry == this) {
        if (m_next) {
            map.Set(m_hWnd, m_next);
        } else {
            map.Remove(m_hWnd);
            ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_prevProc));
        }
    } else {
        for (CWndSubclass* p = entry; p; p = p->m_next) {
            if (p->m_next == this) {
                p->m_next = m_next;
                break;
            }
        }
    }
    m_prevProc = nullptr;
    m_next = nullptr;
    HWND wnd = m_hWnd;
    Refresh(wnd);
    m_hWnd = nullptr;
    return 1;
}

LRESULT CWndSubclass::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_next) return m_next->WindowProc(message, wParam, lParam);
    return ::CallWindowProcA(m_prevProc, m_hWnd, message, wParam, lParam);
}

LRESULT CWndSubclass::Default()
{
    const MSG& msg = t_currentMessage;
    return CWndSubclass::WindowProc(msg.message, msg.wParam, msg.lParam);
}

const MSG& CWndSubclass::CurrentMessage() noexcept
{
    return t_currentMessage;
}

LRESULT CALLBACK CWndSubclass::SharedSubclassProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CurrentMessageScope scope(wnd, message, wParam, lParam);
    auto& map = SubclassMap::Instance();
    CWndSubclass* entry = map.Lookup(wnd);
    if (!entry) {
        // Only reachable when a procedure installed over ours forwards to it
        // after our objects left; there is no procedure of ours to go to.
        return ::DefWindowProcA(wnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        // Every object detaches (the last one restoring the window's own
        // procedure) before that procedure sees WM_NCDESTROY.
        const WNDPROC own = entry->m_prevProc;
        while (CWndSubclass* current = map.Lookup(wnd)) {
            current->Unsubclass();
            if (map.Lookup(wnd) == current) map.Remove(wnd); // an override that did not detach
        }
        return ::CallWindowProcA(own, wnd, WM_NCDESTROY, wParam, lParam);
    }
    return entry->WindowProc(message, wParam, lParam);
}
