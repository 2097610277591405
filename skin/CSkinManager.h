// Library-wide state of Vellaris: mask, option, skin bitmap, creation hook and
// the list that owns every skin object until SkinUnload. One per process.
#pragma once

#include "SkinArt.h"
#include "unique_any.h"

#include <windows.h>
#include <cstdint>
#include <list>
#include <memory>

class CWndSubclass;

class CSkinManager {
public:
    static CSkinManager& Instance();

    CSkinManager(const CSkinManager&) = delete;
    CSkinManager& operator=(const CSkinManager&) = delete;

    // The entry points.
    [[nodiscard]] bool Load(const char* path);
    [[nodiscard]] bool Unload() noexcept;
    void SetMask(std::uint32_t mask) noexcept { m_mask = mask; }
    [[nodiscard]] bool SetOption(std::int32_t option) noexcept;

    [[nodiscard]] std::uint32_t Mask() const noexcept { return m_mask; }
    [[nodiscard]] HBITMAP Bitmap() const noexcept { return m_art.bitmap.get(); }
    [[nodiscard]] HHOOK Hook() const noexcept { return m_hook.get(); }
    [[nodiscard]] const SkinArt& Art() const noexcept { return m_art; }

    // Skin objects, newest first. The list owns them until Unload.
    using ObjectList = std::list<std::unique_ptr<CWndSubclass>>;
    [[nodiscard]] const ObjectList& Objects() const noexcept { return m_objects; }
    void Adopt(std::unique_ptr<CWndSubclass> object);

    // Classifies a window that is being created and, when its kind is enabled
    // in the mask, attaches a new skin object to it.
    void AttachSkin(HWND wnd);

private:
    CSkinManager() = default;
    ~CSkinManager();

    static LRESULT CALLBACK CallWndHookProc(int code, WPARAM wParam, LPARAM lParam);

    std::uint32_t m_mask = 0;
    std::int32_t m_option = 0; // stored by SkinSetOption; nothing in the library reads it
    SkinArt m_art;
    kd::unique_hhook m_hook;
    ObjectList m_objects;
};
