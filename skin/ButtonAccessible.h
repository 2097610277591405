// What a skinned push button tells accessibility clients. The skin takes the
// button's mouse and focus handling, and some platforms' standard object
// answers only "client" for it; this object wraps that standard object and
// answers role, name, state, shortcut and default action of the button
// itself, for CHILDID_SELF. It holds only the window handle: once the window
// is gone every call fails with CO_E_OBJNOTCONNECTED.
#pragma once

#include "unique_any.h"

#include <windows.h>
#include <oleacc.h>

#include <atomic>
#include <string>

class ButtonAccessible final : public IAccessible, public IOleWindow {
public:
    // Answers WM_GETOBJECT(OBJID_CLIENT) of a push button: the LresultFromObject
    // value, or 0 when no object could be made (pass the message on then).
    static LRESULT AnswerGetObject(HWND button, WPARAM wParam);

    // The message a skinned push button answers with 1 while the skin shows it
    // pressed (0 from a window the skin has left).
    static UINT PressedQueryMessage() noexcept;

    // The text as read out: each '&' that marks a mnemonic dropped, "&&" one '&'.
    static std::wstring WithoutMnemonic(const std::wstring& text);
    // The mnemonic character (upper case), or 0.
    static wchar_t Mnemonic(const std::wstring& text) noexcept;

    ButtonAccessible(const ButtonAccessible&) = delete;
    ButtonAccessible& operator=(const ButtonAccessible&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT* argError) override;

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* helpFile, VARIANT child, LONG* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

    // IOleWindow: lets WindowFromAccessibleObject find the button.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* wnd) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enterMode) override;

private:
    ButtonAccessible(HWND button, kd::com_ptr<IAccessible> standard) noexcept;
    ~ButtonAccessible() = default; // only Release deletes

    [[nodiscard]] bool Gone() const noexcept { return !::IsWindow(m_button); }
    [[nodiscard]] std::wstring Text() const;
    [[nodiscard]] LONG State() const;

    std::atomic<ULONG> m_refs{1};
    HWND m_button;
    kd::com_ptr<IAccessible> m_standard;
};
