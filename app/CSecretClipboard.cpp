#include "CSecretClipboard.h"

#include <cstring>
#include <new>
#include <string>

#include "unique_any.h"
#include "win32_text.h"

namespace {

// Another program (a clipboard viewer, a remote-desktop client) may hold the
// clipboard open for a moment: try a little longer than one attempt.
bool OpenClipboardSoon(HWND owner) noexcept
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (::OpenClipboard(owner)) return true;
        ::Sleep(10);
    }
    return false;
}

class clipboard_scope {
public:
    explicit clipboard_scope(HWND owner) noexcept : m_open(OpenClipboardSoon(owner)) {}
    clipboard_scope(const clipboard_scope&) = delete;
    clipboard_scope& operator=(const clipboard_scope&) = delete;
    ~clipboard_scope()
    {
        if (m_open) ::CloseClipboard();
    }
    explicit operator bool() const noexcept { return m_open; }

private:
    bool m_open;
};

kd::unique_hglobal GlobalCopy(const void* data, std::size_t size) noexcept
{
    kd::unique_hglobal memory(::GlobalAlloc(GMEM_MOVEABLE, size));
    if (!memory) return memory;
    void* target = ::GlobalLock(memory.get());
    if (!target) return kd::unique_hglobal();
    std::memcpy(target, data, size);
    ::GlobalUnlock(memory.get());
    return memory;
}

// The system takes the memory only when SetClipboardData succeeds.
bool Put(UINT format, const void* data, std::size_t size) noexcept
{
    if (format == 0) return false;
    kd::unique_hglobal memory = GlobalCopy(data, size);
    if (!memory || !::SetClipboardData(format, memory.get())) return false;
    (void)memory.release();
    return true;
}

// The formats by which Windows 10 and later leave a copy out of the
// clipboard history, the cloud clipboard and clipboard monitors.
bool MarkPrivate() noexcept
{
    const DWORD no = 0;
    return Put(::RegisterClipboardFormatA("ExcludeClipboardContentFromMonitorProcessing"), &no, sizeof no) &&
           Put(::RegisterClipboardFormatA("CanIncludeInClipboardHistory"), &no, sizeof no) &&
           Put(::RegisterClipboardFormatA("CanUploadToCloudClipboard"), &no, sizeof no);
}

} // namespace

bool CSecretClipboard::Copy(HWND owner, std::string_view text)
{
    std::wstring wide = kd::Widen(text);
    if (wide.empty() && !text.empty()) return false;
    wide.push_back(L'\0');
    {
        clipboard_scope clipboard(owner);
        if (!clipboard || !::EmptyClipboard()) return false;
        // Marked first: a monitor woken by the text already sees the marks.
        const bool marked = MarkPrivate();
        if (!marked || !Put(CF_UNICODETEXT, wide.data(), wide.size() * sizeof(wchar_t))) {
            ::EmptyClipboard();
            m_sequence = 0;
            return false;
        }
    }
    m_sequence = ::GetClipboardSequenceNumber();
    if (m_sequence == 0) m_sequence = 1; // 0 means "nothing copied" here
    ::SetTimer(owner, m_timerId, m_clearDelayMs, nullptr);
    return true;
}

bool CSecretClipboard::OnTimer(HWND owner, UINT_PTR timerId) noexcept
{
    if (timerId != m_timerId) return false;
    ClearIfStillOurs(owner);
    return true;
}

void CSecretClipboard::ClearIfStillOurs(HWND owner) noexcept
{
    if (owner) ::KillTimer(owner, m_timerId);
    if (m_sequence == 0) return;
    const DWORD copied = m_sequence;
    m_sequence = 0;
    if (::GetClipboardSequenceNumber() != copied) return; // something else was copied since
    clipboard_scope clipboard(owner);
    // Checked again inside: another copy may have come between.
    if (clipboard && ::GetClipboardSequenceNumber() == copied) ::EmptyClipboard();
}
