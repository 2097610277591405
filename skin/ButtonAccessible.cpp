#include "ButtonAccessible.h"

#include <new>
#include <utility>

namespace {

constexpr HRESULT kGone = CO_E_OBJNOTCONNECTED;

bool IsSelf(const VARIANT& child) noexcept
{
    return child.vt == VT_EMPTY || (child.vt == VT_I4 && child.lVal == CHILDID_SELF);
}

// The focus of the button's own thread: GetFocus answers only for the
// caller's thread, and a client's call may arrive on another one.
HWND FocusOfThreadOf(HWND wnd) noexcept
{
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    const DWORD thread = ::GetWindowThreadProcessId(wnd, nullptr);
    return thread && ::GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

HRESULT NewBstr(const std::wstring& text, BSTR* out) noexcept
{
    *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

} // namespace

ButtonAccessible::ButtonAccessible(HWND button, kd::com_ptr<IAccessible> standard) noexcept
    : m_button(button), m_standard(std::move(standard))
{
}

LRESULT ButtonAccessible::AnswerGetObject(HWND button, WPARAM wParam)
{
    kd::com_ptr<IAccessible> standard;
    if (FAILED(::CreateStdAccessibleObject(button, OBJID_CLIENT, __uuidof(IAccessible), standard.put_void())) ||
        !standard)
        return 0;
    // Born with one reference, released once LresultFromObject holds its own.
    auto* object = new (std::nothrow) ButtonAccessible(button, std::move(standard));
    if (!object) return 0;
    const LRESULT result = ::LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(object));
    object->Release();
    // A failure is a negative HRESULT: the window's own answer is better than none.
    return result > 0 ? result : 0;
}

UINT ButtonAccessible::PressedQueryMessage() noexcept
{
    static const UINT message = ::RegisterWindowMessageW(L"Vellaris.PushButtonPressed");
    return message;
}

std::wstring ButtonAccessible::WithoutMnemonic(const std::wstring& text)
{
    std::wstring plain;
    plain.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'&') {
            plain.push_back(text[i]);
        } else if (i + 1 < text.size() && text[i + 1] == L'&') {
            plain.push_back(L'&');
            ++i;
        }
    }
    return plain;
}

wchar_t ButtonAccessible::Mnemonic(const std::wstring& text) noexcept
{
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&') continue;
        if (text[i + 1] == L'&') {
            ++i;
            continue;
        }
        // CharUpperW takes a single character in the low word of its argument.
        const auto upper =
            reinterpret_cast<ULONG_PTR>(::CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(text[i + 1]))));
        return static_cast<wchar_t>(upper & 0xFFFF);
    }
    return 0;
}

std::wstring ButtonAccessible::Text() const
{
    const int length = ::GetWindowTextLengthW(m_button);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(m_button, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

LONG ButtonAccessible::State() const
{
    const LONG_PTR style = ::GetWindowLongPtrW(m_button, GWL_STYLE);
    LONG state = 0;
    if (style & WS_DISABLED) {
        state |= STATE_SYSTEM_UNAVAILABLE;
    } else {
        state |= STATE_SYSTEM_FOCUSABLE;
        if (FocusOfThreadOf(m_button) == m_button) state |= STATE_SYSTEM_FOCUSED;
        // The skin keeps the button's own pressed state (BM_GETSTATE) unset.
        if (::SendMessageW(m_button, PressedQueryMessage(), 0, 0) == 1) state |= STATE_SYSTEM_PRESSED;
    }
    if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) state |= STATE_SYSTEM_DEFAULT;
    if (!::IsWindowVisible(m_button)) state |= STATE_SYSTEM_INVISIBLE;
    return state;
}

// IUnknown

HRESULT ButtonAccessible::QueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IAccessible)) {
        *object = static_cast<IAccessible*>(this);
    } else if (riid == __uuidof(IOleWindow)) {
        *object = static_cast<IOleWindow*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG ButtonAccessible::AddRef()
{
    return ++m_refs;
}

ULONG ButtonAccessible::Release()
{
    const ULONG refs = --m_refs;
    if (refs == 0) delete this;
    return refs;
}

// IDispatch: the standard object's.

HRESULT ButtonAccessible::GetTypeInfoCount(UINT* count)
{
    if (Gone()) return kGone;
    return m_standard->GetTypeInfoCount(count);
}

HRESULT ButtonAccessible::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info)
{
    if (Gone()) return kGone;
    return m_standard->GetTypeInfo(index, lcid, info);
}

HRESULT ButtonAccessible::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids)
{
    if (Gone()) return kGone;
    return m_standard->GetIDsOfNames(riid, names, count, lcid, ids);
}

HRESULT ButtonAccessible::Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                 EXCEPINFO* exception, UINT* argError)
{
    if (Gone()) return kGone;
    return m_standard->Invoke(id, riid, lcid, flags, params, result, exception, argError);
}

// IAccessible

HRESULT ButtonAccessible::get_accParent(IDispatch** parent)
{
    if (Gone()) return kGone;
    return m_standard->get_accParent(parent);
}

HRESULT ButtonAccessible::get_accChildCount(LONG* count)
{
    if (Gone()) return kGone;
    return m_standard->get_accChildCount(count);
}

HRESULT ButtonAccessible::get_accChild(VARIANT child, IDispatch** object)
{
    if (Gone()) return kGone;
    return m_standard->get_accChild(child, object);
}

HRESULT ButtonAccessible::get_accName(VARIANT child, BSTR* name)
{
    if (Gone()) return kGone;
    if (!IsSelf(child)) return m_standard->get_accName(child, name);
    if (!name) return E_POINTER;
    *name = nullptr;
    const std::wstring plain = WithoutMnemonic(Text());
    if (plain.empty()) return S_FALSE;
    return NewBstr(plain, name);
}

HRESULT ButtonAccessible::get_accValue(VARIANT child, BSTR* value)
{
    if (Gone()) return kGone;
    return m_standard->get_accValue(child, value);
}

HRESULT ButtonAccessible::get_accDescription(VARIANT child, BSTR* description)
{
    if (Gone()) return kGone;
    return m_standard->get_accDescription(child, description);
}

HRESULT ButtonAccessible::get_accRole(VARIANT child, VARIANT* role)
{
    if (Gone()) return kGone;
    if (!IsSelf(child)) return m_standard->get_accRole(child, role);
    if (!role) return E_POINTER;
    ::VariantInit(role);
    role->vt = VT_I4;
    role->lVal = ROLE_SYSTEM_PUSHBUTTON;
    return S_OK;
}

HRESULT ButtonAccessible::get_accState(VARIANT child, VARIANT* state)
{
    if (Gone()) return kGone;
    if (!IsSelf(child)) return m_standard->get_accState(child, state);
    if (!state) return E_POINTER;
    ::VariantInit(state);
    state->vt = VT_I4;
    state->lVal = State();
    return S_OK;
}

HRESULT ButtonAccessible::get_accHelp(VARIANT child, BSTR* help)
{
    if (Gone()) return kGone;
    return m_standard->get_accHelp(child, help);
}

HRESULT ButtonAccessible::get_accHelpTopic(BSTR* helpFile, VARIANT child, LONG* topic)
{
    if (Gone()) return kGone;
    return m_standard->get_accHelpTopic(helpFile, child, topic);
}

HRESULT ButtonAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut)
{
    if (Gone()) return kGone;
    if (!IsSelf(child)) return m_standard->get_accKeyboardShortcut(child, shortcut);
    if (!shortcut) return E_POINTER;
    *shortcut = nullptr;
    const wchar_t key = Mnemonic(Text());
    if (!key) return S_FALSE;
    return NewBstr(std::wstring(L"Alt+") + key, shortcut);
}

HRESULT ButtonAccessible::get_accFocus(VARIANT* child)
{
    if (Gone()) return kGone;
    return m_standard->get_accFocus(child);
}

HRESULT ButtonAccessible::get_accSelection(VARIANT* children)
{
    if (Gone()) return kGone;
    return m_standard->get_accSelection(children);
}

HRESULT ButtonAccessible::get_accDefaultAction(VARIANT child, BSTR* action)
{
    if (Gone()) return kGone;
    if (!IsSelf(child)) return m_standard->get_accDefaultAction(child, action);
    if (!action) return E_POINTER;
    return NewBstr(L"Press", action);
}

HRESULT ButtonAccessible::accSelect(LONG flags, VARIANT child)
{
    if (Gone()) return kGone;
    return m_standard->accSelect(flags, child);
}

HRESULT ButtonAccessible::accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child)
{
    if (Gone()) return kGone;
    return m_standard->accLocation(left, top, width, height, child);
}

HRESULT ButtonAccessible::accNavigate(LONG direction, VARIANT start, VARIANT* end)
{
    if (Gone()) return kGone;
    return m_standard->accNavigate(direction, start, end);
}

HRESULT ButtonAccessible::accHitTest(LONG x, LONG y, VARIANT* child)
{
    if (Gone()) return kGone;
    return m_standard->accHitTest(x, y, child);
}

HRESULT ButtonAccessible::accDoDefaultAction(VARIANT child)
{
    if (Gone()) return kGone;
    if (!IsSelf(child)) return m_standard->accDoDefaultAction(child);
    if (!::IsWindowEnabled(m_button)) return E_FAIL;
    // Posted, as a click would come: the parent's handler may open a modal
    // window, which must not hold the client's call. BM_CLICK reaches the
    // skin as a press and a release, and so the parent the skin's BN_CLICKED.
    return ::PostMessageW(m_button, BM_CLICK, 0, 0) ? S_OK : E_FAIL;
}

HRESULT ButtonAccessible::put_accName(VARIANT child, BSTR name)
{
    if (Gone()) return kGone;
    return m_standard->put_accName(child, name);
}

HRESULT ButtonAccessible::put_accValue(VARIANT child, BSTR value)
{
    if (Gone()) return kGone;
    return m_standard->put_accValue(child, value);
}

// IOleWindow

HRESULT ButtonAccessible::GetWindow(HWND* wnd)
{
    if (!wnd) return E_POINTER;
    *wnd = nullptr;
    if (Gone()) return kGone;
    *wnd = m_button;
    return S_OK;
}

HRESULT ButtonAccessible::ContextSensitiveHelp(BOOL)
{
    return E_NOTIMPL;
}
