// A minimal OLE container for one control activated in place inside a window:
// the client site, in-place site and in-place frame the control talks to, and
// the ambient properties it asks for.
#pragma once

#include <windows.h>
#include <ole2.h>

#include "unique_any.h"

namespace kd {

// Lifetime: the site is reference counted. While a control is embedded, the
// control holds references on the site and the site on the control; Close()
// breaks that cycle and must run before the host window goes away (the
// control's own window is a child of it). After Close() the control no longer
// refers to the site, and the last Release frees it.
class COleControlSite final : public IOleClientSite, public IOleInPlaceSite, public IDispatch {
public:
    // Creates the object of class `clsid` in process and activates it in place
    // over `area` (client coordinates of `host`). On failure nothing is left
    // behind and `site` stays empty.
    [[nodiscard]] static HRESULT CreateControl(HWND host, const RECT& area, REFCLSID clsid,
                                               com_ptr<COleControlSite>& site) noexcept;
    // The same for an object created elsewhere.
    [[nodiscard]] static HRESULT Embed(HWND host, const RECT& area, IUnknown* control,
                                       com_ptr<COleControlSite>& site) noexcept;

    COleControlSite(const COleControlSite&) = delete;
    COleControlSite& operator=(const COleControlSite&) = delete;

    // Deactivates and closes the control and drops every reference to it.
    // Safe to call more than once, and from within the control's callbacks.
    void Close() noexcept;
    [[nodiscard]] bool IsOpen() const noexcept { return static_cast<bool>(m_object); }
    [[nodiscard]] bool IsInPlaceActive() const noexcept { return static_cast<bool>(m_inPlace); }

    // Moves the control within the host (client coordinates).
    void SetArea(const RECT& area) noexcept;
    // Any interface of the embedded control (E_UNEXPECTED once closed).
    [[nodiscard]] HRESULT QueryControl(REFIID iid, void** out) const noexcept;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IOleClientSite
    STDMETHODIMP SaveObject() override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP GetContainer(IOleContainer** container) override;
    STDMETHODIMP ShowObject() override;
    STDMETHODIMP OnShowWindow(BOOL show) override;
    STDMETHODIMP RequestNewObjectLayout() override;

    // IOleWindow of the in-place site: the host window.
    STDMETHODIMP GetWindow(HWND* wnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override;
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override;
    STDMETHODIMP Scroll(SIZE extent) override;
    STDMETHODIMP OnUIDeactivate(BOOL undoable) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override;
    STDMETHODIMP DeactivateAndUndo() override;
    STDMETHODIMP OnPosRectChange(LPCRECT pos) override;

    // IDispatch: ambient properties only.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override;

private:
    // The in-place frame: the host's top-level window, without tool space or
    // menus to share. Part of the site's object; it shares its reference count.
    class Frame final : public IOleInPlaceFrame {
    public:
        explicit Frame(COleControlSite& site) noexcept : m_site(site) {}
        STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
        STDMETHODIMP_(ULONG) AddRef() override { return m_site.AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return m_site.Release(); }
        STDMETHODIMP GetWindow(HWND* wnd) override;
        STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
        STDMETHODIMP GetBorder(LPRECT border) override;
        STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS widths) override;
        STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override;
        STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) override;
        STDMETHODIMP InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override;
        STDMETHODIMP SetMenu(HMENU shared, HOLEMENU descriptor, HWND activeObject) override;
        STDMETHODIMP RemoveMenus(HMENU shared) override;
        STDMETHODIMP SetStatusText(LPCOLESTR text) override;
        STDMETHODIMP EnableModeless(BOOL enable) override;
        STDMETHODIMP TranslateAccelerator(LPMSG msg, WORD id) override;

    private:
        COleControlSite& m_site;
    };

    COleControlSite(HWND host, const RECT& area) noexcept : m_frame(*this), m_host(host), m_area(area) {}
    ~COleControlSite() = default;

    [[nodiscard]] HRESULT Activate(IUnknown* control) noexcept;

    LONG m_refs = 1;
    Frame m_frame;
    HWND m_host;
    RECT m_area;
    bool m_closing = false;
    com_ptr<IOleObject> m_object;
    com_ptr<IOleInPlaceObject> m_inPlace;
    com_ptr<IOleInPlaceActiveObject> m_active;
};

} // namespace kd
