#include "CSkinManager.h"

#include "CWndSubclass.h"
#include "SkinClassifier.h"
#include "SkinFactory.h"
#include "Vellaris.h"

#include <new>
#include <string>

namespace {

HINSTANCE ThisModule() noexcept
{
    HMODULE module = nullptr;
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

bool KindEnabled(SkinKind kind, std::uint32_t mask) noexcept
{
    switch (kind) {
    case SkinKind::Dialog:
        return (mask & kSkinDialogBits) != 0;
    case SkinKind::Edit:
        return (mask & kSkinEditBit) != 0;
    case SkinKind::Button:
        return (mask & kSkinButtonBit) != 0;
    case SkinKind::Static:
        return (mask & kSkinStaticBit) != 0;
    default:
        return false;
    }
}

} // namespace

CSkinManager& CSkinManager::Instance()
{
    static CSkinManager manager;
    return manager;
}

CSkinManager::~CSkinManager()
{
    // At process exit the windows may already be gone: the list's nodes go,
    // the objects (and a hook left by a host that never unloaded) are left to
    // the system.
    for (auto& object : m_objects) (void)object.release();
    (void)m_hook.release();
}

bool CSkinManager::Load(const char* path)
{
    if (!path) return false;
    const std::string file(path);
    HBITMAP bitmap =
        static_cast<HBITMAP>(::LoadImageA(ThisModule(), file.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    if (!bitmap) return false;  // the earlier bitmap, geometry and hook stay as they were
    m_art.bitmap.reset(bitmap); // a reload replaces (and deletes) the earlier bitmap
    m_art.geometry = SkinGeometry::Standard();
    if (!m_hook) {
        m_hook.reset(
            ::SetWindowsHookExA(WH_CALLWNDPROC, &CSkinManager::CallWndHookProc, nullptr, ::GetCurrentThreadId()));
    }
    return true;
}

bool CSkinManager::Unload() noexcept
{
    m_hook.reset();
    for (auto& object : m_objects) {
        if (object && object->IsAttached()) object->Unsubclass();
    }
    while (!m_objects.empty()) m_objects.pop_front();
    m_art.bitmap.reset();
    return true;
}

bool CSkinManager::SetOption(std::int32_t option) noexcept
{
    if (option == 0) return false;
    m_option = option;
    return true;
}

void CSkinManager::Adopt(std::unique_ptr<CWndSubclass> object)
{
    if (object) m_objects.push_front(std::move(object));
}

void CSkinManager::AttachSkin(HWND wnd)
{
    const SkinKind kind = ClassifyWindow(wnd);
    if (!KindEnabled(kind, m_mask)) return;
    try {
        std::unique_ptr<CWndSubclass> object = CreateSkinObject(kind, m_art);
        if (!object) return;
        // The list takes the object first so that it is owned whatever
        // Subclass does.
        CWndSubclass* raw = object.get();
        Adopt(std::move(object));
        raw->Subclass(wnd);
    } catch (const std::bad_alloc&) {
        // No memory for a skin: the window keeps its own look.
    }
}

LRESULT CALLBACK CSkinManager::CallWndHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    auto& manager = Instance();
    if (code >= 0) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (sent && sent->message == WM_CREATE) manager.AttachSkin(sent->hwnd);
    }
    return ::CallNextHookEx(manager.m_hook.get(), code, wParam, lParam);
}
