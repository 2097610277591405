// Window helpers for the skin tests: message pumping, in-memory dialog
// templates, and the shared test support.
#pragma once

#include "WindowTestSupport.h"
#include "unique_any.h"

#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

namespace skintest {

using kdtest::Capture;
using kdtest::GdiObjectCount;
using kdtest::Pump;

// The predefined control classes by atom, for DialogTemplate::Add.
inline constexpr WORD kButtonAtom = 0x0080;
inline constexpr WORD kEditAtom = 0x0081;
inline constexpr WORD kStaticAtom = 0x0082;

// A dialog template built in memory (DLGTEMPLATE + items, WORD aligned).
class DialogTemplate {
public:
    DialogTemplate(DWORD style, short cx, short cy, const char* caption, DWORD exStyle = 0)
    {
        Align(4);
        Put32(style | DS_SETFONT);
        Put32(exStyle);
        m_countAt = m_data.size();
        Put16(0); // item count
        Put16(0);
        Put16(0);
        Put16(static_cast<WORD>(cx));
        Put16(static_cast<WORD>(cy));
        Put16(0); // no menu
        Put16(0); // standard class
        PutText(caption);
        Put16(8);
        PutText("MS Shell Dlg");
    }

    // classAtom: kButtonAtom, kEditAtom or kStaticAtom.
    DialogTemplate& Add(WORD classAtom, DWORD style, short x, short y, short cx, short cy, WORD id, const char* text)
    {
        Align(4);
        Put32(style | WS_CHILD | WS_VISIBLE);
        Put32(0);
        Put16(static_cast<WORD>(x));
        Put16(static_cast<WORD>(y));
        Put16(static_cast<WORD>(cx));
        Put16(static_cast<WORD>(cy));
        Put16(id);
        Put16(0xFFFF);
        Put16(classAtom);
        PutText(text);
        Put16(0); // no creation data
        auto* count = reinterpret_cast<WORD*>(m_data.data() + m_countAt);
        ++*count;
        return *this;
    }

    [[nodiscard]] const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_data.data()); }

private:
    void Align(std::size_t n)
    {
        while (m_data.size() % n) m_data.push_back(0);
    }
    void Put16(WORD v)
    {
        m_data.push_back(static_cast<unsigned char>(v & 0xFF));
        m_data.push_back(static_cast<unsigned char>(v >> 8));
    }
    void Put32(DWORD v)
    {
        Put16(LOWORD(v));
        Put16(HIWORD(v));
    }
    void PutText(const char* s)
    {
        for (; *s; ++s) Put16(static_cast<unsigned char>(*s));
        Put16(0);
    }
    std::vector<unsigned char> m_data;
    std::size_t m_countAt = 0;
};

inline std::string ClassNameOf(HWND wnd)
{
    char name[260] = {};
    ::GetClassNameA(wnd, name, sizeof name);
    return name;
}

} // namespace skintest
