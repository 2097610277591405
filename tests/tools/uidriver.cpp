// uidriver: operates another process's dialogs from the command line, as a user
// would, for end-to-end scripts (release package test, `make run`).
//
//   uidriver wait <caption> [ms]             wait for a visible top-level window
//   uidriver waitgone <caption> [ms]         wait until no such window is left
//   uidriver settext <caption> <id> <text>   set a control's text
//   uidriver gettext <caption> <id>          print a control's text (id 0: the window)
//   uidriver click <caption> <id>            press a button (posted: never blocks on a modal loop)
//   uidriver enabled <caption> <id>          print 1 or 0
//   uidriver listcount <caption> <id>        print the list view's row count
//   uidriver listtext <caption> <id> <row> <col>   print one cell
//   uidriver select <caption> <id> <row>     select and focus one row
//   uidriver close <caption>                 post WM_CLOSE
//   uidriver hastext <caption> <text>        succeed when some child window shows the text
//   uidriver hold <file> <ms>                keep a file open without sharing deletion for a
//                                            while, as backup and sync tools do
//   uidriver modules <caption>               print "<process id> <path>" for each module of
//                                            each process that shows such a visible window
//   uidriver key <caption> <id> <key> [ctrl|shift|alt]
//                                            type a key (a letter, or F1-F12) into the control,
//                                            with the window in front, as the keyboard does
//   uidriver clipboard                       print the clipboard's text ("text=..." or "no text")
//                                            and each privacy format it holds as "<name>=<DWORD>"
//   uidriver copy <text>                     put text on the clipboard, as another program
//   uidriver desktop [file]                  join the desktop, with no window, until killed;
//                                            the file is made once the desktop is there
//
// Exit code 0 on success, 1 when the window or control is missing or a wait timed out.
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "UiDriver.h"
#include "unique_any.h"

namespace {

HWND WaitTop(const char* caption, DWORD ms)
{
    return kdtest::WaitTopWindow(kdtest::WindowQuery().Titled(caption), ms, nullptr, 50);
}

HWND Control(const char* caption, int id)
{
    HWND top = WaitTop(caption, 5000);
    if (!top) return nullptr;
    return id == 0 ? top : ::GetDlgItem(top, id);
}

// Memory in the target process, for list-view messages that carry pointers.
class RemoteBuffer {
public:
    RemoteBuffer(HWND wnd, size_t size) : m_size(size)
    {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(wnd, &pid);
        m_process.reset(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
        if (m_process)
            m_remote = ::VirtualAllocEx(m_process.get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    ~RemoteBuffer()
    {
        if (m_remote) ::VirtualFreeEx(m_process.get(), m_remote, 0, MEM_RELEASE);
    }
    [[nodiscard]] bool ok() const { return m_remote != nullptr; }
    [[nodiscard]] char* remote() const { return static_cast<char*>(m_remote); }
    bool write(size_t offset, const void* data, size_t size) const
    {
        return offset + size <= m_size && ::WriteProcessMemory(m_process.get(), remote() + offset, data, size, nullptr);
    }
    bool read(size_t offset, void* data, size_t size) const
    {
        return offset + size <= m_size && ::ReadProcessMemory(m_process.get(), remote() + offset, data, size, nullptr);
    }

private:
    kd::unique_handle m_process;
    void* m_remote = nullptr;
    size_t m_size;
};

int Fail(const char* what)
{
    std::fprintf(stderr, "uidriver: %s\n", what);
    return 1;
}

int ListText(HWND list, int row, int col)
{
    constexpr size_t kText = 1024;
    RemoteBuffer buf(list, sizeof(LVITEMA) + kText);
    if (!buf.ok()) return Fail("no memory in the target process");
    LVITEMA item{};
    item.iSubItem = col;
    item.pszText = buf.remote() + sizeof(LVITEMA);
    item.cchTextMax = static_cast<int>(kText);
    buf.write(0, &item, sizeof item);
    ::SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(buf.remote()));
    std::vector<char> text(kText + 1, '\0');
    buf.read(sizeof(LVITEMA), text.data(), kText);
    std::printf("%s\n", text.data());
    return 0;
}

int Select(HWND list, int row)
{
    RemoteBuffer buf(list, sizeof(LVITEMA));
    if (!buf.ok()) return Fail("no memory in the target process");
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    buf.write(0, &item, sizeof item);
    ::SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(buf.remote()));
    return 0;
}

bool HasChildText(HWND top, const std::string& wanted)
{
    for (HWND child = ::GetWindow(top, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (kdtest::WindowText(child) == wanted || HasChildText(child, wanted)) return true;
    return false;
}

// Which files each program that shows the window has loaded: a copy of Kordane
// must use the DLLs beside it, not another copy's.
int Modules(const char* caption)
{
    std::set<DWORD> pids;
    for (HWND wnd : kdtest::FindWindows(kdtest::WindowQuery().Titled(caption))) {
        DWORD pid = 0;
        if (::GetWindowThreadProcessId(wnd, &pid)) pids.insert(pid);
    }
    if (pids.empty()) return Fail("no such window");
    for (const DWORD pid : pids) {
        const kd::unique_hfile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, pid));
        if (!snapshot) return Fail("no module snapshot");
        MODULEENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = ::Module32First(snapshot.get(), &entry); more; more = ::Module32Next(snapshot.get(), &entry))
            std::printf("%lu %s\n", static_cast<unsigned long>(pid), entry.szExePath);
    }
    return 0;
}

class ClipboardOpen {
public:
    ClipboardOpen()
    {
        for (int attempt = 0; attempt < 50 && !m_open; ++attempt) {
            m_open = ::OpenClipboard(nullptr) != FALSE;
            if (!m_open) ::Sleep(20);
        }
    }
    ClipboardOpen(const ClipboardOpen&) = delete;
    ClipboardOpen& operator=(const ClipboardOpen&) = delete;
    ~ClipboardOpen()
    {
        if (m_open) ::CloseClipboard();
    }
    explicit operator bool() const { return m_open; }

private:
    bool m_open = false;
};

// Keys as the keyboard types them: shortcuts read the keyboard state, which a
// posted message does not set. The window comes to the front with the focus
// on the control first, through the input state its thread shares with ours.
int TypeKey(HWND control, const std::string& key, const char* modifier)
{
    WORD vk = 0;
    if (key.size() == 1)
        vk = static_cast<WORD>(std::toupper(static_cast<unsigned char>(key[0])));
    else if (key.size() >= 2 && (key[0] == 'F' || key[0] == 'f'))
        vk = static_cast<WORD>(VK_F1 + std::atoi(key.c_str() + 1) - 1);
    if (!vk) return Fail("unknown key");
    WORD mod = 0;
    if (modifier) {
        const std::string m = modifier;
        mod = m == "ctrl" ? VK_CONTROL : m == "shift" ? VK_SHIFT : m == "alt" ? VK_MENU : 0;
        if (!mod) return Fail("unknown modifier");
    }
    HWND top = ::GetAncestor(control, GA_ROOT);
    const DWORD target = ::GetWindowThreadProcessId(top, nullptr);
    const DWORD self = ::GetCurrentThreadId();
    ::AttachThreadInput(self, target, TRUE);
    ::SetForegroundWindow(top);
    ::SetFocus(control);
    ::AttachThreadInput(self, target, FALSE);
    ::Sleep(200);
    return kdtest::SendKey(vk, mod) ? 0 : Fail("the keys were not taken");
}

int PrintClipboard()
{
    const ClipboardOpen open;
    if (!open) return Fail("the clipboard cannot be opened");
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        const auto* wide = static_cast<const wchar_t*>(::GlobalLock(data));
        if (!wide) return Fail("the clipboard's text cannot be read");
        const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<size_t>(size > 0 ? size : 1), '\0');
        ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
        ::GlobalUnlock(data);
        std::printf("text=%s\n", text.c_str());
    } else {
        std::printf("no text\n");
    }
    for (const char* name : {"ExcludeClipboardContentFromMonitorProcessing", "CanIncludeInClipboardHistory",
                             "CanUploadToCloudClipboard"}) {
        HANDLE data = ::GetClipboardData(::RegisterClipboardFormatA(name));
        if (!data) continue;
        DWORD value = 0xFFFFFFFF;
        if (::GlobalSize(data) >= sizeof value) {
            if (const void* bytes = ::GlobalLock(data)) {
                std::memcpy(&value, bytes, sizeof value);
                ::GlobalUnlock(data);
            }
        }
        std::printf("%s=%lu\n", name, static_cast<unsigned long>(value));
    }
    return 0;
}

int CopyText(const char* utf8)
{
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (size <= 0) return Fail("the text is no UTF-8");
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size) * sizeof(wchar_t));
    if (!memory) return Fail("no memory");
    if (void* target = ::GlobalLock(memory)) {
        ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, static_cast<wchar_t*>(target), size);
        ::GlobalUnlock(memory);
    }
    const ClipboardOpen open;
    if (!open || !::EmptyClipboard() || !::SetClipboardData(CF_UNICODETEXT, memory)) {
        ::GlobalFree(memory);
        return Fail("the clipboard did not take the text");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) == "clipboard") return PrintClipboard();
    if (argc == 3 && std::string(argv[1]) == "copy") return CopyText(argv[2]);
    if ((argc == 2 || argc == 3) && std::string(argv[1]) == "desktop") {
        // Wine starts the desktop's process (explorer.exe) from the first
        // program to need it, with that program's output, and ends it when no
        // program uses the desktop. A session that holds the desktop from its
        // start keeps it from a test program, whose output it would keep open.
        // GetDesktopWindow returns once that process has made the desktop.
        if (!::GetDesktopWindow()) return Fail("no desktop");
        if (argc == 3) {
            const kd::unique_hfile ready(::CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            if (!ready) return Fail("the ready file could not be made");
        }
        ::Sleep(INFINITE);
        return 0;
    }
    if (argc < 3) return Fail("usage: uidriver <command> <caption> [args]");
    const std::string cmd = argv[1];
    const char* caption = argv[2];
    auto arg = [&](int i) -> const char* { return i < argc ? argv[i] : nullptr; };
    auto num = [&](int i, long fallback) { return arg(i) ? std::strtol(arg(i), nullptr, 10) : fallback; };

    if (cmd == "wait") return WaitTop(caption, static_cast<DWORD>(num(3, 10000))) ? 0 : Fail("window did not appear");
    if (cmd == "waitgone") {
        return kdtest::WaitGone(kdtest::WindowQuery().Titled(caption), static_cast<DWORD>(num(3, 10000)))
                   ? 0
                   : Fail("window did not go away");
    }
    if (cmd == "close") {
        HWND top = WaitTop(caption, 5000);
        if (!top) return Fail("no such window");
        ::PostMessageA(top, WM_CLOSE, 0, 0);
        return 0;
    }
    if (cmd == "hastext") {
        HWND top = WaitTop(caption, 5000);
        if (!top || !arg(3)) return Fail("no such window");
        return HasChildText(top, arg(3)) ? 0 : Fail("text not shown");
    }
    if (cmd == "modules") return Modules(caption);
    if (cmd == "hold") {
        const kd::unique_hfile held(::CreateFileA(caption, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                  OPEN_EXISTING, 0, nullptr));
        if (!held) return Fail("cannot open the file");
        ::Sleep(static_cast<DWORD>(num(3, 10000)));
        return 0;
    }
    if (argc < 4) return Fail("missing control id");
    const int id = static_cast<int>(num(3, 0));
    HWND ctl = Control(caption, id);
    if (!ctl) return Fail("no such window or control");

    if (cmd == "settext") {
        if (!arg(4)) return Fail("missing text");
        ::SendMessageA(ctl, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(arg(4)));
        return 0;
    }
    if (cmd == "gettext") {
        std::printf("%s\n", kdtest::WindowText(ctl).c_str());
        return 0;
    }
    if (cmd == "click") {
        kdtest::PostClick(::GetParent(ctl), id);
        return 0;
    }
    if (cmd == "enabled") {
        std::printf("%d\n", ::IsWindowEnabled(ctl) ? 1 : 0);
        return 0;
    }
    if (cmd == "listcount") {
        std::printf("%d\n", kdtest::ListRowCount(ctl));
        return 0;
    }
    if (cmd == "listtext") return ListText(ctl, static_cast<int>(num(4, 0)), static_cast<int>(num(5, 0)));
    if (cmd == "select") return Select(ctl, static_cast<int>(num(4, 0)));
    if (cmd == "key") return arg(4) ? TypeKey(ctl, arg(4), arg(5)) : Fail("missing key");
    return Fail("unknown command");
}
