#include "ControlSkinHarness.h"

namespace skintest {

namespace {

std::vector<std::string> FileMenuTexts(HMENU file, std::vector<UINT>* types)
{
    std::vector<std::string> texts;
    const int count = ::GetMenuItemCount(file);
    for (int i = 0; i < count; ++i) {
        char text[64] = {};
        ::GetMenuStringA(file, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION);
        texts.emplace_back(text);
        if (types) {
            MENUITEMINFOA info{};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_FTYPE;
            ::GetMenuItemInfoA(file, static_cast<UINT>(i), TRUE, &info);
            types->push_back(info.fType);
        }
    }
    return texts;
}

} // namespace

SkinnedDialog::SkinnedDialog(std::uint32_t mask, bool loadSkin)
{
    if (loadSkin) {
        static int serial = 0;
        m_skinFile = TempPath("controls" + std::to_string(++serial));
        if (Artwork().Save(m_skinFile)) m_loaded = SkinLoad(m_skinFile.c_str());
        if (m_loaded) SkinSetMask(mask);
    }
    m_dialog = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONTROLS), nullptr,
                                    &SkinnedDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    if (!m_dialog) return;
    ::SetWindowPos(m_dialog, HWND_TOP, kLeft, kTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::ShowWindow(m_dialog, SW_SHOW);
    ::SetForegroundWindow(m_dialog);
    Pump(200);
}

SkinnedDialog::~SkinnedDialog()
{
    Destroy();
    if (m_loaded) (void)SkinUnload();
    Pump(20);
    if (m_image) ::DeleteObject(m_image);
    if (!m_skinFile.empty()) ::DeleteFileA(m_skinFile.c_str());
}

void SkinnedDialog::Destroy()
{
    if (m_dialog) {
        ::DestroyWindow(m_dialog);
        m_dialog = nullptr;
        Pump(20);
    }
}

RECT SkinnedDialog::MenuStrip() const
{
    RECT window{};
    RECT client{};
    ::GetWindowRect(m_dialog, &window);
    ::GetClientRect(m_dialog, &client);
    POINT origin{0, 0};
    ::ClientToScreen(m_dialog, &origin);
    const LONG left = origin.x - window.left;
    const LONG top = origin.y - window.top;
    return RECT{left, 34, left + client.right, top};
}

POINT SkinnedDialog::ToScreen(POINT p) const
{
    RECT window{};
    ::GetWindowRect(m_dialog, &window);
    return POINT{window.left + p.x, window.top + p.y};
}

INT_PTR CALLBACK SkinnedDialog::DialogProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<SkinnedDialog*>(::GetWindowLongPtrA(wnd, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        self = reinterpret_cast<SkinnedDialog*>(lParam);
        ::SetWindowLongPtrA(wnd, DWLP_USER, lParam);
        ::SetDlgItemTextA(wnd, IDC_EDIT, "Hello");
        ::SetDlgItemTextA(wnd, IDC_READONLY, "Read");
        ::SetDlgItemTextA(wnd, IDC_PASSWORD1, "secret");
        ::SetDlgItemTextA(wnd, IDC_PASSWORD2, "abcdef");
        ::SetDlgItemTextA(wnd, IDC_PLAIN_SECRET, "secret");
        ::SetDlgItemTextA(wnd, IDC_DISABLED_EDIT, "Off");
        // A solid image for the SS_BITMAP control.
        HDC screen = ::GetDC(nullptr);
        self->m_image = ::CreateCompatibleBitmap(screen, 40, 30);
        HDC memory = ::CreateCompatibleDC(screen);
        HGDIOBJ old = ::SelectObject(memory, self->m_image);
        const RECT all{0, 0, 40, 30};
        HBRUSH fill = ::CreateSolidBrush(kBitmapFill);
        ::FillRect(memory, &all, fill);
        ::DeleteObject(fill);
        ::SelectObject(memory, old);
        ::DeleteDC(memory);
        ::ReleaseDC(nullptr, screen);
        ::SendDlgItemMessageA(wnd, IDC_BITMAP, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(self->m_image));
        return FALSE; // no initial focus: the tests give it where they need it
    }
    case WM_TIMER:
        if (wParam == kDestroyTimer) {
            ::KillTimer(wnd, kDestroyTimer);
            ::DestroyWindow(wnd);
            return TRUE;
        }
        return FALSE;
    case WM_COMMAND:
        if (self) self->m_log.commands.push_back({LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)});
        return TRUE;
    case WM_NCDESTROY:
        if (self) {
            if (HMENU menu = ::GetMenu(wnd)) {
                self->m_log.fileTypesAtDestroy.clear();
                self->m_log.fileTextsAtDestroy = FileMenuTexts(::GetSubMenu(menu, 0), &self->m_log.fileTypesAtDestroy);
            }
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace skintest
