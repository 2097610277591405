// CMessageBox: one question beep when it opens, its text centred on one line,
// and the ways it ends (OK button, Return, Escape, close box).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "AppTestSupport.h"
#include "CMessageBox.h"
#include "resource.h"

using namespace kdtest;

namespace {

// Counts MessageBeep calls of this program by replacing its import entry.
class BeepCounter {
public:
    BeepCounter()
    {
        s_counter = this;
        m_slot = FindImport("user32.dll", "MessageBeep");
        if (m_slot) Swap(reinterpret_cast<void*>(&Beep));
    }
    BeepCounter(const BeepCounter&) = delete;
    BeepCounter& operator=(const BeepCounter&) = delete;
    ~BeepCounter()
    {
        if (m_slot) Swap(m_original);
        s_counter = nullptr;
    }
    [[nodiscard]] bool hooked() const noexcept { return m_slot != nullptr; }

    int questions = 0;
    int others = 0;

private:
    static BOOL WINAPI Beep(UINT type)
    {
        if (s_counter) ++(type == MB_ICONQUESTION ? s_counter->questions : s_counter->others);
        return TRUE;
    }
    void Swap(void* function)
    {
        DWORD old = 0;
        ::VirtualProtect(m_slot, sizeof(void*), PAGE_READWRITE, &old);
        void* previous = *m_slot;
        *m_slot = function;
        ::VirtualProtect(m_slot, sizeof(void*), old, &old);
        if (!m_original) m_original = previous;
    }
    static void** FindImport(const char* dll, const char* function)
    {
        auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleA(nullptr));
        auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name; ++imp) {
            if (_stricmp(reinterpret_cast<char*>(base + imp->Name), dll) != 0) continue;
            auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
            for (; names->u1.AddressOfData; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
                auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<char*>(byName->Name), function) == 0)
                    return reinterpret_cast<void**>(&slots->u1.Function);
            }
        }
        return nullptr;
    }

    static inline BeepCounter* s_counter = nullptr;
    void** m_slot = nullptr;
    void* m_original = nullptr;
};

} // namespace

TEST(MessageBox, BeepsOnceAndShowsItsTextCentredOnOneLine)
{
    BeepCounter beeps;
    ASSERT_TRUE(beeps.hooked());
    DialogResponder responder;
    std::string caption;
    LONG_PTR style = 0;
    int staticHeight = 0, lineHeight = 0;
    responder.Expect(kMessageCaption, [&](HWND box) {
        caption = WindowText(box);
        HWND text = ::GetDlgItem(box, IDC_STATIC_MESSAGE);
        style = ::GetWindowLongPtrA(text, GWL_STYLE);
        RECT r{};
        ::GetClientRect(text, &r);
        staticHeight = r.bottom;
        HDC dc = ::GetDC(text);
        HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(text, WM_GETFONT, 0, 0)));
        TEXTMETRICA tm{};
        ::GetTextMetricsA(dc, &tm);
        lineHeight = tm.tmHeight;
        ::SelectObject(dc, old);
        ::ReleaseDC(text, dc);
        PostClick(box, IDC_BUTTON_MESSAGE_OK);
    });
    CMessageBox box("Please input the account.", nullptr);
    EXPECT_EQ(box.DoModal(), IDOK);
    EXPECT_EQ(responder.Messages().size(), 0u);
    EXPECT_EQ(beeps.questions, 1);
    EXPECT_EQ(beeps.others, 0);
    EXPECT_EQ(caption, "Message Box");
    EXPECT_EQ(style & SS_TYPEMASK, SS_CENTER);
    EXPECT_GE(staticHeight, lineHeight);
    EXPECT_LT(staticHeight, 2 * lineHeight);
}

TEST(MessageBox, ReturnConfirmsWhileEscapeAndTheCloseBoxCancel)
{
    DialogResponder responder;
    auto key = [](WPARAM vk) {
        return [vk](HWND box) {
            HWND focus = ::GetDlgItem(box, IDC_BUTTON_MESSAGE_OK);
            ::PostMessageA(focus, WM_KEYDOWN, vk, 1);
            ::PostMessageA(focus, WM_KEYUP, vk, 0xC0000001);
        };
    };
    responder.Expect(kMessageCaption, key(VK_RETURN));
    responder.Expect(kMessageCaption, key(VK_ESCAPE));
    responder.Expect(kMessageCaption, [](HWND box) { ::PostMessageA(box, WM_CLOSE, 0, 0); });
    CMessageBox first("one", nullptr), second("two", nullptr), third("three", nullptr);
    EXPECT_EQ(first.DoModal(), IDOK);
    EXPECT_EQ(second.DoModal(), IDCANCEL);
    EXPECT_EQ(third.DoModal(), IDCANCEL);
    EXPECT_TRUE(responder.Unexpected().empty());
}
