// The subclassing framework, the class-name classifier and the creation hook.
#include "CDialogSubclass.h"
#include "CSkinManager.h"
#include "CWndSubclass.h"
#include "SkinClassifier.h"
#include "SkinFactory.h"
#include "SubclassMap.h"
#include "TestArtwork.h"
#include "TestWindows.h"
#include "UiDriver.h"
#include "Vellaris.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace skintest;

namespace {

constexpr UINT kProbe = WM_APP + 1;
constexpr UINT kNested = WM_APP + 2;
// The mask Kordane sets: dialogs and static texts.
constexpr std::uint32_t kHostMask = kSkinDialogBit | kSkinStaticBit;
// Controls of the in-memory test dialog.
constexpr WORD kStaticId = 100, kButtonId = 101, kEditId = 102;
std::vector<std::string> g_log;
bool g_ownProcAtNcDestroy = false;
WPARAM g_ownWParam = 0;
LPARAM g_ownLParam = 0;

LRESULT CALLBACK OwnProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kProbe) {
        g_log.push_back("own");
        g_ownWParam = wParam;
        g_ownLParam = lParam;
        return 42;
    }
    if (message == WM_NCDESTROY)
        g_ownProcAtNcDestroy = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(wnd, GWLP_WNDPROC)) == &OwnProc;
    return ::DefWindowProcA(wnd, message, wParam, lParam);
}

HWND CreatePlainWindow()
{
    static const ATOM atom = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &OwnProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "VellarisTestPlain";
        return ::RegisterClassA(&wc);
    }();
    (void)atom;
    return ::CreateWindowExA(0, "VellarisTestPlain", "plain", WS_OVERLAPPEDWINDOW, 0, 0, 200, 150, nullptr, nullptr,
                             ::GetModuleHandleA(nullptr), nullptr);
}

class Recorder : public CWndSubclass {
public:
    explicit Recorder(std::string name, bool useDefault = false) : m_name(std::move(name)), m_useDefault(useDefault) {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kProbe) {
            g_log.push_back(m_name);
            if (m_useDefault) {
                // A nested message must not disturb the record Default uses.
                ::SendMessageA(m_hWnd, kNested, 7, 8);
                return Default();
            }
            return CWndSubclass::WindowProc(message, 1000 + wParam, lParam);
        }
        if (message == kNested) nestedSeen = CurrentMessage().message == kNested && CurrentMessage().wParam == 7;
        return CWndSubclass::WindowProc(message, wParam, lParam);
    }
    bool nestedSeen = false;

private:
    std::string m_name;
    bool m_useDefault;
};

WNDPROC ProcOf(HWND wnd)
{
    return reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(wnd, GWLP_WNDPROC));
}

std::vector<std::string> Probe(HWND wnd, LRESULT* result = nullptr)
{
    g_log.clear();
    const LRESULT r = ::SendMessageA(wnd, kProbe, 1, 2);
    if (result) *result = r;
    return g_log;
}

using Log = std::vector<std::string>;

TEST(Classifier, EightTestsInOrderWithTheTwentyOneCharacterRules)
{
    struct Case {
        const char* name;
        SkinKind kind;
    };
    const Case cases[] = {
        {"#32770", SkinKind::Dialog},
        {"#327700", SkinKind::None},
        {"Afx:400000:b:10008:6:", SkinKind::None},
        {"Afx:400000:b:10008:6:1234abcd", SkinKind::None},
        {"Afx:400000:b:10008:5:", SkinKind::None},
        {"TFrmMain", SkinKind::None},
        {"TFrmMainX", SkinKind::None},
        {"Button", SkinKind::Button},
        {"button", SkinKind::None},
        {"TButton", SkinKind::Button},
        {"TButtonX", SkinKind::None},
        {"Edit", SkinKind::Edit},
        {"TEdit", SkinKind::Edit},
        {"EditX", SkinKind::None},
        {"SysListView32", SkinKind::None},
        {"TListView", SkinKind::None},
        {"ComboBox", SkinKind::None},
        {"TComboBox", SkinKind::None},
        {"Static", SkinKind::Static},
        {"TStatic", SkinKind::None},
        {"Static ", SkinKind::None},
        {"SysTreeView32", SkinKind::None},
        {"TTreeView", SkinKind::None},
        {"#32768", SkinKind::None},
        {"", SkinKind::None},
    };
    for (const Case& c : cases) EXPECT_EQ(ClassifyClassName(c.name), c.kind) << "class \"" << c.name << "\"";
}

TEST(Subclassing, ChainedObjectsSeeMessagesLastAttachedFirstAndDetachInAnyOrder)
{
    HWND wnd = CreatePlainWindow();
    ASSERT_NE(wnd, nullptr);
    Recorder a("a"), b("b"), c("c");
    ASSERT_EQ(a.Subclass(wnd), 1);
    ASSERT_EQ(b.Subclass(wnd), 1);
    ASSERT_EQ(c.Subclass(wnd), 1);
    EXPECT_EQ(a.Subclass(wnd), 0) << "an attached object does not attach twice";
    EXPECT_EQ(ProcOf(wnd), &CWndSubclass::SharedSubclassProc);
    EXPECT_EQ(b.PreviousProc(), &OwnProc);
    EXPECT_EQ(c.StyleType(), LOWORD(c.StyleAtAttach()));

    LRESULT result = 0;
    EXPECT_EQ(Probe(wnd, &result), (Log{"c", "b", "a", "own"}));
    EXPECT_EQ(result, 42);
    EXPECT_EQ(g_ownWParam, 1000u + 1000u + 1000u + 1u); // each layer passed its own wParam on

    // The middle one leaves, then the first-attached one, then the last.
    EXPECT_EQ(b.Unsubclass(), 1);
    EXPECT_EQ(Probe(wnd), (Log{"c", "a", "own"}));
    EXPECT_EQ(a.Unsubclass(), 1);
    EXPECT_EQ(Probe(wnd), (Log{"c", "own"}));
    EXPECT_EQ(ProcOf(wnd), &CWndSubclass::SharedSubclassProc) << "own procedure back only with the last";
    EXPECT_EQ(c.Unsubclass(), 1);
    EXPECT_EQ(ProcOf(wnd), &OwnProc);
    EXPECT_EQ(SubclassMap::Instance().Lookup(wnd), nullptr);
    EXPECT_EQ(Probe(wnd), (Log{"own"}));
    EXPECT_EQ(c.Unsubclass(), 0) << "detaching twice does nothing";

    // Last-attached leaves first.
    ASSERT_EQ(a.Subclass(wnd), 1);
    ASSERT_EQ(b.Subclass(wnd), 1);
    EXPECT_EQ(b.Unsubclass(), 1);
    EXPECT_EQ(Probe(wnd), (Log{"a", "own"}));
    EXPECT_EQ(a.Unsubclass(), 1);
    EXPECT_EQ(ProcOf(wnd), &OwnProc);
    ::DestroyWindow(wnd);
}

TEST(Subclassing, DefaultPassesTheCurrentMessageOnAndNestingRestoresIt)
{
    HWND wnd = CreatePlainWindow();
    Recorder inner("inner"), outer("outer", true);
    ASSERT_EQ(inner.Subclass(wnd), 1);
    ASSERT_EQ(outer.Subclass(wnd), 1);
    LRESULT result = 0;
    EXPECT_EQ(Probe(wnd, &result), (Log{"outer", "inner", "own"}));
    EXPECT_EQ(result, 42);
    EXPECT_EQ(g_ownWParam, 1001u) << "Default used the probe's own wParam after a nested message";
    EXPECT_EQ(g_ownLParam, 2);
    EXPECT_TRUE(inner.nestedSeen);
    EXPECT_EQ(CWndSubclass::CurrentMessage().hwnd, nullptr) << "record restored after the outermost message";
    ::DestroyWindow(wnd);
}

TEST(Subclassing, DestroyDetachesEveryObjectBeforeTheOwnProcedureSeesNcDestroy)
{
    HWND wnd = CreatePlainWindow();
    Recorder a("a"), b("b");
    ASSERT_EQ(a.Subclass(wnd), 1);
    ASSERT_EQ(b.Subclass(wnd), 1);
    g_ownProcAtNcDestroy = false;
    ASSERT_TRUE(::DestroyWindow(wnd));
    EXPECT_TRUE(g_ownProcAtNcDestroy);
    EXPECT_FALSE(a.IsAttached());
    EXPECT_FALSE(b.IsAttached());
    EXPECT_EQ(SubclassMap::Instance().Lookup(wnd), nullptr);
}

// ---------------------------------------------------------------- the hook

INT_PTR CALLBACK QuietDlgProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

bool g_boxSkinned = false;
int g_boxStatics = 0;
int g_boxStaticsSkinned = 0;

BOOL CALLBACK CountStatics(HWND child, LPARAM)
{
    if (ClassNameOf(child) == "Static") {
        ++g_boxStatics;
        if (SubclassMap::Instance().Lookup(child)) ++g_boxStaticsSkinned;
    }
    return TRUE;
}

void CALLBACK CloseBoxTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    // The box's caption arrives by SetWindowText, which the skin keeps for
    // itself: find the box by class and check the skin's caption instead.
    if (HWND box = kdtest::FindTopWindow(
            kdtest::WindowQuery().OfClass("#32770").OfThread(::GetCurrentThreadId()).IncludingHidden())) {
        auto* skin = dynamic_cast<CDialogSubclass*>(SubclassMap::Instance().Lookup(box));
        g_boxSkinned = skin && skin->Caption() == "Vellaris box";
        ::EnumChildWindows(box, &CountStatics, 0);
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        ::KillTimer(nullptr, id);
    }
}

class Hook : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_path = TempPath("hook");
        ASSERT_TRUE(Artwork().Save(m_path));
    }
    void TearDown() override
    {
        for (HWND w : m_windows)
            if (::IsWindow(w)) ::DestroyWindow(w);
        (void)SkinUnload(); // nothing to check after a test
        SkinSetMask(0);
        ::DeleteFileA(m_path.c_str());
        ::DeleteFileA(m_path2.c_str());
    }
    HWND Dialog(bool controls = false)
    {
        DialogTemplate t(WS_POPUP | WS_CAPTION | WS_SYSMENU, 160, 80, "hooked");
        if (controls) {
            t.Add(kStaticAtom, SS_LEFT, 5, 5, 60, 10, kStaticId, "static");
            t.Add(kButtonAtom, BS_PUSHBUTTON, 5, 20, 60, 14, kButtonId, "button");
            t.Add(kEditAtom, ES_AUTOHSCROLL, 5, 40, 60, 12, kEditId, "edit");
        }
        HWND wnd = ::CreateDialogIndirectParamA(::GetModuleHandleA(nullptr), t.get(), nullptr, &QuietDlgProc, 0);
        m_windows.push_back(wnd);
        return wnd;
    }
    static bool Skinned(HWND wnd) { return SubclassMap::Instance().Lookup(wnd) != nullptr; }
    std::string m_path;
    std::string m_path2;
    std::vector<HWND> m_windows;
};

TEST_F(Hook, MaskSixtySixSkinsDialogsAndStaticsButNotButtonsOrEdits)
{
    ASSERT_TRUE(SkinLoad(m_path.c_str()));
    SkinSetMask(kHostMask);
    HWND dlg = Dialog(true);
    ASSERT_NE(dlg, nullptr);
    EXPECT_NE(dynamic_cast<CDialogSubclass*>(SubclassMap::Instance().Lookup(dlg)), nullptr);
    EXPECT_FALSE(Skinned(::GetDlgItem(dlg, kButtonId)));
    EXPECT_FALSE(Skinned(::GetDlgItem(dlg, kEditId)));
    // Statics get their skin object once that class is built in.
    EXPECT_EQ(Skinned(::GetDlgItem(dlg, kStaticId)),
              CreateSkinObject(SkinKind::Static, CSkinManager::Instance().Art()) != nullptr);

    // Bits without a kind enable nothing; the mask is read at each creation.
    SkinSetMask(0xFF & ~(kSkinDialogBits | kSkinEditBit | kSkinButtonBit | kSkinStaticBit));
    HWND later = Dialog();
    EXPECT_FALSE(Skinned(later));
    EXPECT_TRUE(Skinned(dlg));
    SkinSetMask(kSkinDialogAltBit);
    EXPECT_TRUE(Skinned(Dialog()));
    EXPECT_FALSE(Skinned(later)) << "a window is never skinned later";
}

TEST_F(Hook, WindowsCreatedBeforeLoadOrByAnotherThreadAreLeftAlone)
{
    SkinSetMask(kHostMask);
    HWND before = Dialog();
    ASSERT_TRUE(SkinLoad(m_path.c_str()));
    EXPECT_FALSE(Skinned(before));

    bool otherSkinned = true;
    std::thread other([&] {
        HWND w = Dialog();
        otherSkinned = Skinned(w);
        ::DestroyWindow(w);
    });
    other.join();
    EXPECT_FALSE(otherSkinned);
    EXPECT_TRUE(Skinned(Dialog()));
}

TEST_F(Hook, MessageBoxGetsTheDialogSkin)
{
    ASSERT_TRUE(SkinLoad(m_path.c_str()));
    SkinSetMask(kHostMask);
    g_boxSkinned = false;
    g_boxStatics = g_boxStaticsSkinned = 0;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 150, &CloseBoxTimer);
    ::MessageBoxA(nullptr, "text", "Vellaris box", MB_OK);
    ::KillTimer(nullptr, timer);
    EXPECT_TRUE(g_boxSkinned);
    EXPECT_GT(g_boxStatics, 0);
    EXPECT_EQ(g_boxStaticsSkinned,
              CreateSkinObject(SkinKind::Static, CSkinManager::Instance().Art()) ? g_boxStatics : 0);
}

TEST_F(Hook, SecondLoadReplacesTheBitmapAndKeepsOneHook)
{
    ASSERT_TRUE(SkinLoad(m_path.c_str()));
    auto& manager = CSkinManager::Instance();
    const HBITMAP first = manager.Bitmap();
    const HHOOK hook = manager.Hook();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(hook, nullptr);

    m_path2 = TempPath("hook2");
    ASSERT_TRUE(Artwork(200, 180).Save(m_path2));
    ASSERT_TRUE(SkinLoad(m_path2.c_str()));
    EXPECT_NE(manager.Bitmap(), first);
    EXPECT_EQ(::GetObjectType(first), 0u) << "the earlier bitmap is deleted";
    EXPECT_EQ(manager.Hook(), hook);

    // A failed load leaves the loaded skin in place.
    const HBITMAP second = manager.Bitmap();
    EXPECT_FALSE(SkinLoad("Z:\\missing\\MainWindow.bmp"));
    EXPECT_EQ(manager.Bitmap(), second);
    EXPECT_EQ(::GetObjectType(second), static_cast<DWORD>(OBJ_BITMAP));

    SkinSetMask(kSkinDialogBits);
    const auto before = manager.Objects().size();
    HWND dlg = Dialog();
    EXPECT_EQ(manager.Objects().size(), before + 1) << "one hook, one skin object per window";
    ASSERT_TRUE(Skinned(dlg));
    EXPECT_EQ(SubclassMap::Instance().Lookup(dlg)->Next(), nullptr);

    EXPECT_TRUE(SkinUnload());
    EXPECT_EQ(manager.Bitmap(), nullptr);
    EXPECT_EQ(::GetObjectType(second), 0u);
    EXPECT_EQ(manager.Hook(), nullptr);
}

TEST_F(Hook, DestroyedWindowsObjectStaysDetachedUntilUnload)
{
    ASSERT_TRUE(SkinLoad(m_path.c_str()));
    SkinSetMask(kSkinDialogBits);
    auto& manager = CSkinManager::Instance();
    HWND gone = Dialog();
    HWND alive = Dialog();
    const DWORD aliveStyle = static_cast<DWORD>(::GetWindowLongPtrA(alive, GWL_STYLE));
    EXPECT_EQ(aliveStyle & WS_SYSMENU, 0u) << "the skin draws its own caption buttons";
    ::ShowWindow(alive, SW_SHOWNOACTIVATE);
    ASSERT_EQ(manager.Objects().size(), 2u);
    CWndSubclass* newest = manager.Objects().front().get();
    EXPECT_EQ(newest->GetSafeHwnd(), alive) << "new objects go to the head";

    ::DestroyWindow(gone);
    ASSERT_EQ(manager.Objects().size(), 2u);
    EXPECT_FALSE(manager.Objects().back()->IsAttached());
    EXPECT_TRUE(newest->IsAttached());

    EXPECT_TRUE(SkinUnload());
    EXPECT_TRUE(manager.Objects().empty());
    // The live window is back to itself: its own procedure, its system menu,
    // no region, and still shown.
    EXPECT_NE(ProcOf(alive), &CWndSubclass::SharedSubclassProc);
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(alive, GWL_STYLE));
    EXPECT_NE(style & WS_SYSMENU, 0u);
    EXPECT_NE(style & WS_VISIBLE, 0u);
    kd::unique_hrgn rgn(::CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(::GetWindowRgn(alive, rgn.get()), ERROR);
}

TEST_F(Hook, DialogSkinAndAnotherObjectShareOneWindowInEitherDetachOrder)
{
    ASSERT_TRUE(SkinLoad(m_path.c_str()));
    SkinSetMask(kSkinDialogBits);
    for (bool dialogSkinFirst : {true, false}) {
        HWND dlg = Dialog();
        auto* skin = dynamic_cast<CDialogSubclass*>(SubclassMap::Instance().Lookup(dlg));
        ASSERT_NE(skin, nullptr);
        const WNDPROC own = skin->PreviousProc();
        Recorder extra("extra");
        ASSERT_EQ(extra.Subclass(dlg), 1);
        EXPECT_EQ(extra.Next(), skin);
        EXPECT_EQ(Probe(dlg), (Log{"extra"})) << "the extra object sees the message first";
        // WM_SETTEXT passes through the extra object to the skin, which keeps it.
        EXPECT_FALSE(::SetWindowTextA(dlg, "chained"));
        EXPECT_EQ(skin->Caption(), "chained");

        if (dialogSkinFirst) {
            EXPECT_EQ(skin->Unsubclass(), 1);
            EXPECT_TRUE(::SetWindowTextA(dlg, "own text again")) << "no skin left to keep the text";
            EXPECT_EQ(ProcOf(dlg), &CWndSubclass::SharedSubclassProc);
            EXPECT_EQ(extra.Unsubclass(), 1);
        } else {
            EXPECT_EQ(extra.Unsubclass(), 1);
            EXPECT_EQ(SubclassMap::Instance().Lookup(dlg), skin);
            EXPECT_FALSE(::SetWindowTextA(dlg, "still skinned"));
            EXPECT_EQ(skin->Unsubclass(), 1);
        }
        EXPECT_EQ(ProcOf(dlg), own);
        EXPECT_EQ(SubclassMap::Instance().Lookup(dlg), nullptr);
    }
}

} // namespace
