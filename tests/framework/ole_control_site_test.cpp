// The OLE container: activation protocol, teardown and reference counts, the
// frame and ambient properties, and the window class that creates its control.
#include "COleControlSite.h"
#include "COleControlWnd.h"
#include "FakeInPlaceControl.h"

#include <gtest/gtest.h>

#include <olectl.h>

#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;

// {6A3C1E25-9F0B-4C7D-8E2A-5B1F0D9C3E71}: a class only this test process knows.
const CLSID kFakeClsid = {0x6A3C1E25, 0x9F0B, 0x4C7D, {0x8E, 0x2A, 0x5B, 0x1F, 0x0D, 0x9C, 0x3E, 0x71}};
// {0E7D9A41-2B6C-4F3E-9D81-7C5A4B3E2F10}: a class nobody registers.
const CLSID kMissingClsid = {0x0E7D9A41, 0x2B6C, 0x4F3E, {0x9D, 0x81, 0x7C, 0x5A, 0x4B, 0x3E, 0x2F, 0x10}};

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Drops the caller's reference and answers what is left.
template <typename I>
ULONG ReleaseLast(kd::com_ptr<I>& p)
{
    I* raw = p.detach();
    return raw ? raw->Release() : 0;
}

class OleHost : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
        m_top.reset(::CreateWindowExA(0, "STATIC", "top", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                                      nullptr, nullptr, nullptr));
        ASSERT_TRUE(m_top);
        m_host = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 5, 5, 300, 200, m_top.get(), nullptr,
                                   nullptr, nullptr);
        ASSERT_NE(m_host, nullptr);
        m_fake = new FakeInPlaceControl; // the test's reference
    }
    void TearDown() override
    {
        m_top.reset();
        if (m_fake) m_fake->Release();
        ::OleUninitialize();
    }

    kd::unique_hwnd m_top;
    HWND m_host = nullptr;
    FakeInPlaceControl* m_fake = nullptr;
    const RECT m_area{10, 20, 210, 120};
};

TEST_F(OleHost, ActivatesInPlaceInTheOrderTheControlAsksFor)
{
    struct Case {
        DWORD misc;
        bool persist;
        Calls expected;
    };
    const Case cases[] = {
        {OLEMISC_SETCLIENTSITEFIRST, true, {"SetClientSite", "InitNew", "DoVerb -5"}},
        {0, true, {"InitNew", "SetClientSite", "DoVerb -5"}},
        {OLEMISC_SETCLIENTSITEFIRST, false, {"SetClientSite", "DoVerb -5"}},
    };
    for (const Case& c : cases) {
        auto* fake = new FakeInPlaceControl;
        fake->miscStatus = c.misc;
        fake->supportsPersist = c.persist;
        kd::com_ptr<kd::COleControlSite> site;
        ASSERT_EQ(kd::COleControlSite::Embed(m_host, m_area, static_cast<IOleObject*>(fake), site), S_OK);
        EXPECT_EQ(fake->calls, c.expected);
        EXPECT_TRUE(site->IsInPlaceActive());
        site->Close();
        EXPECT_EQ(ReleaseLast(site), 0u);
        EXPECT_EQ(fake->Release(), 0u);
    }
}

TEST_F(OleHost, GivesTheControlItsPlaceAndTheTopLevelFrame)
{
    kd::com_ptr<kd::COleControlSite> site;
    ASSERT_EQ(kd::COleControlSite::Embed(m_host, m_area, static_cast<IOleObject*>(m_fake), site), S_OK);
    EXPECT_EQ(m_fake->verbParent, m_host);
    EXPECT_TRUE(SameRect(m_fake->verbRect, m_area));
    EXPECT_TRUE(SameRect(m_fake->contextPos, m_area));
    EXPECT_TRUE(SameRect(m_fake->contextClip, m_area));
    EXPECT_EQ(m_fake->contextFrameWindow, m_top.get());
    ASSERT_NE(m_fake->window, nullptr);
    EXPECT_EQ(::GetParent(m_fake->window), m_host);

    HWND siteWindow = nullptr;
    EXPECT_EQ(site->GetWindow(&siteWindow), S_OK);
    EXPECT_EQ(siteWindow, m_host);

    // The frame is part of the site's object: same identity, same count.
    kd::com_ptr<IOleInPlaceFrame> frame;
    ASSERT_EQ(site->QueryInterface(IID_IOleInPlaceFrame, frame.put_void()), S_OK);
    kd::com_ptr<IUnknown> fromFrame, fromSite;
    ASSERT_EQ(frame->QueryInterface(IID_IUnknown, fromFrame.put_void()), S_OK);
    ASSERT_EQ(site->QueryInterface(IID_IUnknown, fromSite.put_void()), S_OK);
    EXPECT_EQ(fromFrame.get(), fromSite.get());
    RECT border{};
    EXPECT_EQ(frame->GetBorder(&border), INPLACE_E_NOTOOLSPACE);
    EXPECT_EQ(frame->SetBorderSpace(nullptr), S_OK);

    // Moving the area moves the control.
    const RECT moved{0, 0, 150, 90};
    site->SetArea(moved);
    EXPECT_TRUE(SameRect(m_fake->objectRects, moved));
    RECT shown{};
    ::GetWindowRect(m_fake->window, &shown);
    EXPECT_EQ(shown.right - shown.left, 150);
    EXPECT_EQ(shown.bottom - shown.top, 90);

    frame.reset();
    fromFrame.reset();
    fromSite.reset();
    site->Close();
    EXPECT_EQ(ReleaseLast(site), 0u);
}

TEST_F(OleHost, CloseBreaksTheReferenceCycleBothWays)
{
    kd::com_ptr<kd::COleControlSite> site;
    ASSERT_EQ(kd::COleControlSite::Embed(m_host, m_area, static_cast<IOleObject*>(m_fake), site), S_OK);
    EXPECT_GT(m_fake->RefCount(), 1u);
    EXPECT_TRUE(m_fake->HasSite());
    HWND controlWindow = m_fake->window;

    m_fake->calls.clear();
    site->Close();
    EXPECT_EQ(m_fake->calls, (Calls{"InPlaceDeactivate", "Close(nosave)", "SetClientSite(null)"}));
    EXPECT_FALSE(m_fake->HasSite());
    EXPECT_FALSE(::IsWindow(controlWindow));
    EXPECT_EQ(m_fake->RefCount(), 1u); // only the test's own reference is left
    EXPECT_FALSE(site->IsOpen());
    EXPECT_FALSE(site->IsInPlaceActive());

    // Closing again does nothing; the control is gone for good.
    site->Close();
    EXPECT_EQ(m_fake->calls.size(), 3u);
    kd::com_ptr<IDispatch> dispatch;
    EXPECT_EQ(site->QueryControl(IID_IDispatch, dispatch.put_void()), E_UNEXPECTED);
    EXPECT_EQ(ReleaseLast(site), 0u);
}

TEST_F(OleHost, FailedEmbeddingLeavesNothingBehind)
{
    m_fake->doVerbResult = E_FAIL;
    kd::com_ptr<kd::COleControlSite> site;
    EXPECT_EQ(kd::COleControlSite::Embed(m_host, m_area, static_cast<IOleObject*>(m_fake), site), E_FAIL);
    EXPECT_FALSE(site);
    EXPECT_FALSE(m_fake->HasSite());
    EXPECT_EQ(m_fake->RefCount(), 1u);
    ASSERT_FALSE(m_fake->calls.empty());
    EXPECT_EQ(m_fake->calls.back(), "SetClientSite(null)");

    // An object that is no OLE object, a missing object, a window that is gone.
    FakeClassFactory notAControl(nullptr);
    EXPECT_EQ(kd::COleControlSite::Embed(m_host, m_area, &notAControl, site), E_NOINTERFACE);
    EXPECT_EQ(kd::COleControlSite::Embed(m_host, m_area, nullptr, site), E_INVALIDARG);
    m_fake->doVerbResult = S_OK;
    HWND gone = ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ::DestroyWindow(gone);
    EXPECT_EQ(kd::COleControlSite::Embed(gone, m_area, static_cast<IOleObject*>(m_fake), site), E_INVALIDARG);
    EXPECT_FALSE(site);
    EXPECT_EQ(m_fake->RefCount(), 1u);

    // A class nobody registered.
    EXPECT_TRUE(FAILED(kd::COleControlSite::CreateControl(m_host, m_area, kMissingClsid, site)));
    EXPECT_FALSE(site);
}

TEST_F(OleHost, AnswersAmbientPropertiesForAQuietBrowser)
{
    kd::com_ptr<kd::COleControlSite> site;
    ASSERT_EQ(kd::COleControlSite::Embed(m_host, m_area, static_cast<IOleObject*>(m_fake), site), S_OK);
    kd::com_ptr<IDispatch> ambient;
    ASSERT_EQ(site->QueryInterface(IID_IDispatch, ambient.put_void()), S_OK);

    DISPPARAMS none{};
    // User mode, silent (no dialogs of the control's own), offline when not connected.
    for (DISPID id : {DISPID(DISPID_AMBIENT_USERMODE), DISPID(-5502), DISPID(-5501)}) {
        VARIANT value;
        ::VariantInit(&value);
        EXPECT_EQ(ambient->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr), S_OK);
        EXPECT_EQ(value.vt, VT_BOOL);
        EXPECT_EQ(value.boolVal, VARIANT_TRUE);
    }
    VARIANT value;
    ::VariantInit(&value);
    EXPECT_EQ(
        ambient->Invoke(DISPID_AMBIENT_BACKCOLOR, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr),
        DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(ambient->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, 0, DISPATCH_METHOD, &none, &value, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(value.vt, VT_EMPTY);

    ambient.reset();
    site->Close();
    EXPECT_EQ(ReleaseLast(site), 0u);
}

// The window class that names its control.

TEST_F(OleHost, WindowOfTheClassCreatesItsControlAndClosesItWithItself)
{
    const CLSID browser = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
    EXPECT_EQ(kd::COleControlWnd::ClassName(browser), "{8856F961-340A-11D0-A96B-00C04FD705A2}");
    // And back, at compile time, in either letter case; anything else is no identifier.
    static_assert(kd::COleControlWnd::ClassId("{8856F961-340A-11D0-A96B-00C04FD705A2}").Data4[7] == 0xA2);
    EXPECT_TRUE(::IsEqualGUID(kd::COleControlWnd::ClassId("{8856f961-340a-11d0-a96b-00c04fd705a2}"), browser));
    EXPECT_TRUE(::IsEqualGUID(kd::COleControlWnd::ClassId(kd::COleControlWnd::ClassName(browser)), browser));
    for (const char* wrong : {"", "{8856F961-340A-11D0-A96B-00C04FD705A2", "{8856F961-340A-11D0-A96B-00C04FD705AG}",
                              "(8856F961-340A-11D0-A96B-00C04FD705A2)", "{8856F961-340A-11D0-A96B+00C04FD705A2}"})
        EXPECT_TRUE(::IsEqualGUID(kd::COleControlWnd::ClassId(wrong), GUID_NULL)) << wrong;
    FakeClassFactory factory(static_cast<IOleObject*>(m_fake));
    ClassRegistration registration(kFakeClsid, &factory);
    ASSERT_EQ(registration.Result(), S_OK);
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    ASSERT_TRUE(kd::COleControlWnd::Register(instance, kFakeClsid));
    EXPECT_TRUE(kd::COleControlWnd::Register(instance, kFakeClsid)); // again: still fine

    HWND wnd = ::CreateWindowExA(0, kd::COleControlWnd::ClassName(kFakeClsid).c_str(), "", WS_CHILD | WS_VISIBLE, 4, 4,
                                 240, 160, m_top.get(), nullptr, instance, nullptr);
    ASSERT_NE(wnd, nullptr);
    EXPECT_EQ(kd::COleControlWnd::CreateResult(wnd), S_OK);
    EXPECT_EQ(factory.created, 1);
    EXPECT_TRUE(SameRect(m_fake->contextPos, RECT{0, 0, 240, 160}));
    EXPECT_EQ(::GetParent(m_fake->window), wnd);

    kd::com_ptr<IOleObject> object;
    EXPECT_EQ(kd::COleControlWnd::QueryControl(wnd, IID_IOleObject, object.put_void()), S_OK);
    EXPECT_EQ(object.get(), static_cast<IOleObject*>(m_fake));
    object.reset();

    ::MoveWindow(wnd, 0, 0, 100, 50, TRUE);
    EXPECT_TRUE(SameRect(m_fake->objectRects, RECT{0, 0, 100, 50}));

    kd::com_ptr<kd::COleControlSite> site = kd::COleControlWnd::Site(wnd);
    ASSERT_TRUE(site);
    m_fake->calls.clear();
    ::DestroyWindow(wnd);
    EXPECT_EQ(m_fake->calls, (Calls{"InPlaceDeactivate", "Close(nosave)", "SetClientSite(null)"}));
    EXPECT_EQ(m_fake->RefCount(), 1u);
    EXPECT_EQ(ReleaseLast(site), 0u);
}

TEST_F(OleHost, WindowWhoseControlCannotBeCreatedStaysEmpty)
{
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    ASSERT_TRUE(kd::COleControlWnd::Register(instance, kMissingClsid));
    HWND wnd = ::CreateWindowExA(0, kd::COleControlWnd::ClassName(kMissingClsid).c_str(), "", WS_CHILD | WS_VISIBLE, 0,
                                 0, 200, 100, m_top.get(), nullptr, instance, nullptr);
    ASSERT_NE(wnd, nullptr);
    EXPECT_TRUE(FAILED(kd::COleControlWnd::CreateResult(wnd)));
    EXPECT_FALSE(kd::COleControlWnd::Site(wnd));
    EXPECT_EQ(::GetWindow(wnd, GW_CHILD), nullptr);
    kd::com_ptr<IDispatch> dispatch;
    EXPECT_EQ(kd::COleControlWnd::QueryControl(wnd, IID_IDispatch, dispatch.put_void()), E_NOINTERFACE);
    EXPECT_TRUE(::DestroyWindow(wnd));
    EXPECT_EQ(kd::COleControlWnd::CreateResult(m_host), E_INVALIDARG); // not a window of the class
}

} // namespace
