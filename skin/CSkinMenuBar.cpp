#include "CSkinMenuBar.h"

#include "ControlPaint.h"
#include "unique_any.h"

#include <array>

namespace {

// Set only while a drop-down of some bar is open.
kd::unique_hhook g_filterHook;
CSkinMenuBar* g_filterBar = nullptr;

// Installs the message-filter hook for one TrackPopupMenu and removes it on
// every way out.
class FilterHookScope {
public:
    FilterHookScope(CSkinMenuBar* bar, HOOKPROC proc) noexcept
    {
        g_filterHook.reset(::SetWindowsHookExA(WH_MSGFILTER, proc, nullptr, ::GetCurrentThreadId()));
        g_filterBar = bar;
    }
    FilterHookScope(const FilterHookScope&) = delete;
    FilterHookScope& operator=(const FilterHookScope&) = delete;
    ~FilterHookScope()
    {
        g_filterHook.reset();
        g_filterBar = nullptr;
    }
};

} // namespace

CSkinMenuBar::~CSkinMenuBar()
{
    *m_alive = false;
    if (g_filterBar == this) g_filterBar = nullptr;
    Teardown();
}

COLORREF CSkinMenuBar::GradientColor(int step) noexcept
{
    const int redGreen = 240 - step / 3;
    const int blue = 255 - step / 5;
    return RGB(redGreen, redGreen, blue);
}

void CSkinMenuBar::Setup(HWND dialog, const RECT& bar)
{
    HMENU menu = dialog ? ::GetMenu(dialog) : nullptr;
    if (!menu) return;
    m_window = dialog;
    m_menu = menu;
    m_bar = bar;
    m_hot = -1;
    Teardown();
    const int count = ::GetMenuItemCount(menu);
    m_buttons.reserve(count > 0 ? static_cast<std::size_t>(count) : 0);
    for (int i = 0; i < count; ++i) m_buttons.push_back(std::make_unique<CSkinMenuButton>(menu, i, ButtonRect(i)));
}

void CSkinMenuBar::Place(const RECT& bar)
{
    m_bar = bar;
    // The buttons follow the bar: the strip the frame reserves for the menu
    // is known only after the dialog's frame change, so the rectangles made
    // at attach may be shorter than the strip the pointer moves over.
    for (std::size_t i = 0; i < m_buttons.size(); ++i) m_buttons[i]->m_rect = ButtonRect(static_cast<int>(i));
    Repaint();
}

RECT CSkinMenuBar::ButtonRect(int index) const noexcept
{
    return RECT{m_bar.left + kButtonWidth * index, m_bar.top, m_bar.left + kButtonWidth * (index + 1), m_bar.bottom};
}

void CSkinMenuBar::Teardown()
{
    // Each button gives its drop-down's items back as it goes.
    m_buttons.clear();
    m_hot = -1;
}

bool CSkinMenuBar::Contains(POINT point) const
{
    return ::PtInRect(&m_bar, point) != FALSE;
}

int CSkinMenuBar::HitTest(POINT point) const noexcept
{
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        if (::PtInRect(&m_buttons[i]->m_rect, point)) return static_cast<int>(i);
    }
    return -1;
}

void CSkinMenuBar::Paint(HDC target)
{
    if (!target || !m_window) return;
    const int height = m_bar.bottom - m_bar.top;
    if (height > 0) {
        std::array<kd::unique_hbrush, kGradientSteps> brushes;
        for (int i = 0; i < kGradientSteps; ++i) brushes[i].reset(::CreateSolidBrush(GradientColor(i)));
        for (int j = 0; j < height; ++j) {
            const RECT row{m_bar.left, m_bar.top + j, m_bar.right, m_bar.top + j + 1};
            ::FillRect(target, &row, brushes[((kGradientSteps - 1) * j) / height].get());
        }
    }
    bk_mode_scope transparent(target, TRANSPARENT);
    for (const auto& button : m_buttons) {
        if (button->m_state == CSkinMenuButton::kHot)
            FillSolid(target, button->m_rect, skin_color::kMenuHot);
        else if (button->m_state == CSkinMenuButton::kOpen)
            FillSolid(target, button->m_rect, skin_color::kMenuOpen);
        RECT box = button->m_rect;
        ::DrawTextA(target, button->m_text.c_str(), static_cast<int>(button->m_text.size()), &box, kCentredLine);
    }
}

void CSkinMenuBar::Repaint()
{
    if (!m_window || !::IsWindow(m_window)) return;
    kd::unique_window_dc window(m_window, true);
    Paint(window.get());
}

void CSkinMenuBar::TrackHot(POINT point)
{
    const int idx = HitTest(point);
    if (idx == -1) {
        if (ValidIndex(m_hot) && m_buttons[m_hot]->m_state == CSkinMenuButton::kHot) {
            m_buttons[m_hot]->m_state = CSkinMenuButton::kNormal;
            m_hot = -1;
            Repaint();
        }
        return;
    }
    if (idx != m_hot) {
        if (ValidIndex(m_hot)) m_buttons[m_hot]->m_state = CSkinMenuButton::kNormal;
        m_hot = idx;
    }
    m_buttons[idx]->m_state = CSkinMenuButton::kHot;
    Repaint();
}

void CSkinMenuBar::ButtonDown(POINT point)
{
    const int idx = HitTest(point);
    if (idx == -1) return;
    if (idx == m_hot && m_buttons[idx]->m_state != CSkinMenuButton::kHot) return;
    if (ValidIndex(m_hot) && m_hot != idx) m_buttons[m_hot]->m_state = CSkinMenuButton::kNormal;
    m_hot = idx;
    m_buttons[idx]->m_state = CSkinMenuButton::kOpen;
    Repaint();

    do {
        m_reopen = 0;
        m_cancelled = 1;
        RECT window{};
        ::GetWindowRect(m_window, &window);
        const CSkinMenuButton& button = *m_buttons[m_hot];
        const std::shared_ptr<bool> alive = m_alive;
        {
            FilterHookScope hook(this, &CSkinMenuBar::MenuFilterHookProc);
            ::TrackPopupMenu(button.m_dropDown, TPM_RIGHTBUTTON, window.left + button.m_rect.left,
                             window.top + button.m_rect.bottom, 0, m_window, nullptr);
        }
        // The bar or its dialog may have gone, or been torn down, meanwhile.
        if (!*alive || !::IsWindow(m_window) || !ValidIndex(m_hot)) return;
        if (m_cancelled) {
            m_buttons[m_hot]->m_state = CSkinMenuButton::kNormal;
            m_hot = -1;
            Repaint();
        }
    } while (m_reopen);
}

bool CSkinMenuBar::Filter(const MSG& message)
{
    if (message.message != WM_MOUSEMOVE && message.message != WM_LBUTTONDOWN) return false;
    RECT window{};
    ::GetWindowRect(m_window, &window);
    const POINT point{static_cast<short>(LOWORD(message.lParam)) - window.left,
                      static_cast<short>(HIWORD(message.lParam)) - window.top};
    const int idx = HitTest(point);
    if (idx == -1 || !ValidIndex(m_hot)) return false;

    if (message.message == WM_MOUSEMOVE && idx != m_hot) {
        ::PostMessageA(m_window, WM_CANCELMODE, 0, 0);
        m_buttons[m_hot]->m_state = CSkinMenuButton::kNormal;
        m_hot = idx;
        m_buttons[idx]->m_state = CSkinMenuButton::kOpen;
        Repaint();
        m_reopen = 1;
        m_cancelled = 0;
        return true;
    }
    if (message.message == WM_LBUTTONDOWN && idx == m_hot) {
        ::SendMessageA(m_window, WM_CANCELMODE, 0, 0);
        m_buttons[m_hot]->m_state = CSkinMenuButton::kNormal;
        Repaint();
        m_reopen = 0;
        m_cancelled = 0;
        return true;
    }
    return false;
}

LRESULT CALLBACK CSkinMenuBar::MenuFilterHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == MSGF_MENU && g_filterBar && lParam) {
        if (g_filterBar->Filter(*reinterpret_cast<const MSG*>(lParam))) return 1;
    }
    return ::CallNextHookEx(g_filterHook.get(), code, wParam, lParam);
}

LRESULT CSkinMenuBar::DrawItem(const DRAWITEMSTRUCT& item)
{
    if (item.CtlType != ODT_MENU || !item.hDC) return 0;
    FillSolid(item.hDC, item.rcItem, skin_color::kMenuItem);
    // Only item data this bar handed out is text; anything else is drawn blank.
    const char* text = nullptr;
    for (const auto& button : m_buttons) {
        if ((text = button->ItemText(item.itemData))) break;
    }
    if (text) {
        bk_mode_scope transparent(item.hDC, TRANSPARENT);
        RECT box = item.rcItem;
        ::DrawTextA(item.hDC, text, -1, &box, kCentredLine);
    }
    return 1;
}

LRESULT CSkinMenuBar::MeasureItem(MEASUREITEMSTRUCT& item)
{
    if (item.CtlType != ODT_MENU) return 0;
    item.itemWidth = kItemWidth;
    item.itemHeight = kItemHeight;
    return 1;
}
