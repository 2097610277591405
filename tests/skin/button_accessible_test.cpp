// What an accessibility client finds on skinned buttons through oleacc, as a
// screen reader asks: role, name, state, shortcut and default action of push
// buttons, the platform's own answer for the other button kinds, and an
// object that neither leaks nor outlives its window dangerously.
#include "ControlSkinHarness.h"

#include <gtest/gtest.h>

#include <oleacc.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>

using namespace skintest;

namespace {

VARIANT Self()
{
    VARIANT v{};
    v.vt = VT_I4;
    v.lVal = CHILDID_SELF;
    return v;
}

kd::com_ptr<IAccessible> ObjectOf(HWND wnd)
{
    kd::com_ptr<IAccessible> object;
    const HRESULT hr =
        ::AccessibleObjectFromWindow(wnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible), object.put_void());
    EXPECT_EQ(hr, S_OK);
    return object;
}

// The platform's standard object, which the skin's object stands in front of.
kd::com_ptr<IAccessible> StandardObjectOf(HWND wnd)
{
    kd::com_ptr<IAccessible> object;
    EXPECT_EQ(::CreateStdAccessibleObject(wnd, OBJID_CLIENT, __uuidof(IAccessible), object.put_void()), S_OK);
    return object;
}

LONG Role(IAccessible* object)
{
    VARIANT role{};
    if (object->get_accRole(Self(), &role) != S_OK || role.vt != VT_I4) return -1;
    return role.lVal;
}

LONG State(IAccessible* object)
{
    VARIANT state{};
    if (object->get_accState(Self(), &state) != S_OK || state.vt != VT_I4) return -1;
    return state.lVal;
}

// A BSTR answer: hr and text ("" for none).
struct Text {
    HRESULT hr;
    std::wstring text;
};

template <typename Getter>
Text TextOf(Getter get)
{
    kd::unique_bstr value;
    const HRESULT hr = get(value.put());
    return Text{hr, value ? std::wstring(value.get(), ::SysStringLen(value.get())) : std::wstring()};
}

Text Name(IAccessible* object)
{
    return TextOf([object](BSTR* out) { return object->get_accName(Self(), out); });
}

Text Shortcut(IAccessible* object)
{
    return TextOf([object](BSTR* out) { return object->get_accKeyboardShortcut(Self(), out); });
}

// Open handles of this process, found by probing (GetProcessHandleCount fails under Wine).
std::size_t HandleCount()
{
    std::size_t count = 0;
    DWORD flags = 0;
    for (std::uintptr_t value = 4; value < 0x10000; value += 4)
        count += ::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0;
    return count;
}

class ButtonAccessibility : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        m_comInitialized = true;
        m_dlg = std::make_unique<SkinnedDialog>(kMaskAllControls);
        ASSERT_TRUE(m_dlg->Loaded());
        ASSERT_NE(m_dlg->Wnd(), nullptr);
        ::SetFocus(Item(IDC_SPARE_FOCUS));
        Pump(20);
    }
    void TearDown() override
    {
        MouseTo(POINT{5, 1000});
        m_dlg.reset();
        if (m_comInitialized) ::CoUninitialize();
    }
    HWND Item(int id) const { return m_dlg->Item(id); }

    std::unique_ptr<SkinnedDialog> m_dlg;
    bool m_comInitialized = false;
};

TEST_F(ButtonAccessibility, PushButtonsAreReportedAsPushButtonsByTheirText)
{
    struct Case {
        int id;
        const wchar_t* name;
    };
    // IDC_CENTERED has BS_CENTER: the skin leaves its look but takes its input.
    for (const Case& c : {Case{IDC_PUSH, L"Push"}, Case{IDC_DEFPUSH, L"Default"}, Case{IDC_CENTERED, L"Centred"}}) {
        SCOPED_TRACE(::testing::Message() << "button " << c.id);
        auto object = ObjectOf(Item(c.id));
        ASSERT_TRUE(object);
        EXPECT_EQ(Role(object.get()), ROLE_SYSTEM_PUSHBUTTON);
        const Text name = Name(object.get());
        EXPECT_EQ(name.hr, S_OK);
        EXPECT_EQ(name.text, c.name);
        const Text action = TextOf([&](BSTR* out) { return object->get_accDefaultAction(Self(), out); });
        EXPECT_EQ(action.hr, S_OK);
        EXPECT_EQ(action.text, L"Press");

        // The window is found back from the object.
        HWND found = nullptr;
        EXPECT_EQ(::WindowFromAccessibleObject(object.get(), &found), S_OK);
        EXPECT_EQ(found, Item(c.id));

        // Other child ids get the standard object's answer.
        VARIANT child{};
        child.vt = VT_I4;
        child.lVal = 1;
        auto standard = StandardObjectOf(Item(c.id));
        ASSERT_TRUE(standard);
        VARIANT ours{}, theirs{};
        EXPECT_EQ(object->get_accRole(child, &ours), standard->get_accRole(child, &theirs));
        EXPECT_EQ(ours.vt, theirs.vt);
        ::VariantClear(&ours);
        ::VariantClear(&theirs);
    }
}

TEST_F(ButtonAccessibility, OtherButtonKindsKeepThePlatformsAnswer)
{
    for (int id : {IDC_CHECK, IDC_GROUP, IDC_RADIO1}) {
        SCOPED_TRACE(::testing::Message() << "button " << id);
        auto object = ObjectOf(Item(id));
        auto standard = StandardObjectOf(Item(id));
        ASSERT_TRUE(object && standard);
        EXPECT_NE(Role(object.get()), ROLE_SYSTEM_PUSHBUTTON);
        EXPECT_EQ(Role(object.get()), Role(standard.get()));
        EXPECT_EQ(Name(object.get()).text, Name(standard.get()).text);
    }
}

TEST_F(ButtonAccessibility, NameDropsMnemonicMarksAndShortcutNamesTheKey)
{
    struct Case {
        const wchar_t* text;
        const wchar_t* name;     // nullptr: no name (S_FALSE)
        const wchar_t* shortcut; // nullptr: none (S_FALSE)
    };
    const Case cases[] = {
        {L"&Save", L"Save", L"Alt+S"},
        {L"Save && Close", L"Save & Close", nullptr},
        {L"Fish &&&chips", L"Fish &chips", L"Alt+C"},
        {L"&&Both &ways", L"&Both ways", L"Alt+W"},
        {L"Ends&", L"Ends", nullptr},
        {L"&", nullptr, nullptr},
        {L"", nullptr, nullptr},
    };
    HWND push = Item(IDC_PUSH);
    auto object = ObjectOf(push);
    ASSERT_TRUE(object);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(c.text)));
        ASSERT_TRUE(::SetWindowTextW(push, c.text));
        const Text name = Name(object.get());
        EXPECT_EQ(name.hr, c.name ? S_OK : S_FALSE);
        EXPECT_EQ(name.text, c.name ? c.name : L"");
        const Text shortcut = Shortcut(object.get());
        EXPECT_EQ(shortcut.hr, c.shortcut ? S_OK : S_FALSE);
        EXPECT_EQ(shortcut.text, c.shortcut ? c.shortcut : L"");
    }
}

TEST_F(ButtonAccessibility, StateFollowsFocusPressEnablingAndTheDefaultButton)
{
    HWND push = Item(IDC_PUSH);
    auto object = ObjectOf(push);
    ASSERT_TRUE(object);
    constexpr LONG kFocusable = STATE_SYSTEM_FOCUSABLE;
    {
        SCOPED_TRACE("resting");
        EXPECT_EQ(State(object.get()), kFocusable);
    }
    {
        SCOPED_TRACE("focused");
        ::SetFocus(push);
        Pump(20);
        EXPECT_EQ(State(object.get()), kFocusable | STATE_SYSTEM_FOCUSED);
    }
    {
        SCOPED_TRACE("pressed with the mouse");
        MouseTo(CentreOf(push));
        MouseButton(true);
        Pump();
        EXPECT_EQ(State(object.get()), kFocusable | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_PRESSED);
        MouseButton(false);
        Pump();
        EXPECT_EQ(State(object.get()), kFocusable | STATE_SYSTEM_FOCUSED);
        EXPECT_EQ(m_dlg->Log().clicks(IDC_PUSH), 1);
    }
    {
        SCOPED_TRACE("focus moved away");
        ::SetFocus(Item(IDC_SPARE_FOCUS));
        Pump(20);
        EXPECT_EQ(State(object.get()), kFocusable);
    }
    {
        SCOPED_TRACE("disabled, then enabled again");
        ::EnableWindow(push, FALSE);
        EXPECT_EQ(State(object.get()), STATE_SYSTEM_UNAVAILABLE);
        ::EnableWindow(push, TRUE);
        EXPECT_EQ(State(object.get()), kFocusable);
    }
    {
        SCOPED_TRACE("the default button");
        auto def = ObjectOf(Item(IDC_DEFPUSH));
        ASSERT_TRUE(def);
        EXPECT_EQ(State(def.get()), kFocusable | STATE_SYSTEM_DEFAULT);
        ::EnableWindow(Item(IDC_DEFPUSH), FALSE);
        EXPECT_EQ(State(def.get()), STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_DEFAULT);
    }
    {
        SCOPED_TRACE("hidden");
        ::ShowWindow(push, SW_HIDE);
        EXPECT_EQ(State(object.get()) & STATE_SYSTEM_INVISIBLE, STATE_SYSTEM_INVISIBLE);
    }
}

TEST_F(ButtonAccessibility, DefaultActionClicksOnceAndNotWhenDisabled)
{
    HWND push = Item(IDC_PUSH);
    auto object = ObjectOf(push);
    ASSERT_TRUE(object);
    EXPECT_EQ(object->accDoDefaultAction(Self()), S_OK);
    PumpUntil([&] { return m_dlg->Log().clicks(IDC_PUSH) > 0; }, 1000);
    Pump(50);
    ASSERT_EQ(m_dlg->Log().clicks(IDC_PUSH), 1);
    for (const auto& c : m_dlg->Log().commands) {
        if (c.id == IDC_PUSH) {
            EXPECT_EQ(c.control, push);
        }
    }
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(State(object.get()) & STATE_SYSTEM_PRESSED, 0) << "not left shown pressed";

    ::EnableWindow(push, FALSE);
    EXPECT_TRUE(FAILED(object->accDoDefaultAction(Self())));
    Pump(100);
    EXPECT_EQ(m_dlg->Log().clicks(IDC_PUSH), 1);
}

TEST_F(ButtonAccessibility, ObjectAnswersNotConnectedOnceItsWindowIsGone)
{
    auto object = ObjectOf(Item(IDC_PUSH));
    ASSERT_TRUE(object);
    ASSERT_EQ(Role(object.get()), ROLE_SYSTEM_PUSHBUTTON);
    m_dlg->Destroy();

    VARIANT value{};
    EXPECT_EQ(object->get_accRole(Self(), &value), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(object->get_accState(Self(), &value), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(Name(object.get()).hr, CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(object->accDoDefaultAction(Self()), CO_E_OBJNOTCONNECTED);
    LONG children = 0;
    EXPECT_EQ(object->get_accChildCount(&children), CO_E_OBJNOTCONNECTED);
    kd::com_ptr<IDispatch> parent;
    EXPECT_EQ(object->get_accParent(parent.put()), CO_E_OBJNOTCONNECTED);
    HWND found = nullptr;
    EXPECT_TRUE(FAILED(::WindowFromAccessibleObject(object.get(), &found)));
    // The client's reference is the last one.
    EXPECT_EQ(object.detach()->Release(), 0u);
}

TEST_F(ButtonAccessibility, ManyQueriesLeaveNoObjectHandleOrMemoryBehind)
{
    HWND push = Item(IDC_PUSH);
    auto query = [push] {
        kd::com_ptr<IAccessible> object = ObjectOf(push);
        ASSERT_TRUE(object);
        EXPECT_EQ(Role(object.get()), ROLE_SYSTEM_PUSHBUTTON);
        EXPECT_EQ(Name(object.get()).text, L"Push");
        EXPECT_EQ(Shortcut(object.get()).hr, S_FALSE);
        EXPECT_NE(State(object.get()), -1);
        // Nothing but the client holds the object, and its last Release frees it.
        IAccessible* raw = object.detach();
        EXPECT_EQ(raw->AddRef(), 2u);
        EXPECT_EQ(raw->Release(), 1u);
        EXPECT_EQ(raw->Release(), 0u);
    };
    // What passing any object through LresultFromObject and ObjectFromLresult
    // costs by itself (Wine 8 keeps about 2 KB of each round trip).
    HWND check = Item(IDC_CHECK);
    auto roundTrip = [check] {
        kd::com_ptr<IAccessible> standard = StandardObjectOf(check);
        ASSERT_TRUE(standard);
        const LRESULT result = ::LresultFromObject(__uuidof(IAccessible), 0, standard.get());
        ASSERT_GT(result, 0);
        standard.reset();
        kd::com_ptr<IAccessible> back;
        EXPECT_EQ(::ObjectFromLresult(result, __uuidof(IAccessible), 0, back.put_void()), S_OK);
    };
    struct Growth {
        std::int64_t heap;
        std::int64_t gdi;
        std::int64_t handles;
    };
    constexpr int kCycles = 300;
    auto growthOver = [](const std::function<void()>& cycle) {
        for (int i = 0; i < 20; ++i) cycle(); // caches of COM and oleacc settle
        const std::uint64_t heap = HeapBytesInUse();
        const std::size_t gdi = GdiObjectCount();
        const std::size_t handles = HandleCount();
        for (int i = 0; i < kCycles; ++i) cycle();
        return Growth{static_cast<std::int64_t>(HeapBytesInUse() - heap),
                      static_cast<std::int64_t>(GdiObjectCount()) - static_cast<std::int64_t>(gdi),
                      static_cast<std::int64_t>(HandleCount()) - static_cast<std::int64_t>(handles)};
    };
    const Growth platform = growthOver(roundTrip);
    const Growth ours = growthOver(query);
    std::printf("over %d queries: heap +%lld bytes (round trips alone +%lld), GDI objects %+lld, handles %+lld\n",
                kCycles, static_cast<long long>(ours.heap), static_cast<long long>(platform.heap),
                static_cast<long long>(ours.gdi), static_cast<long long>(ours.handles));
    EXPECT_LE(ours.gdi, 0);
    EXPECT_LE(ours.handles, 0);
    // An object (or its standard object) kept per query would add over 30 bytes a query.
    EXPECT_LT(ours.heap, platform.heap + 4096);
}

} // namespace
