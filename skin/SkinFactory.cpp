#include "SkinFactory.h"

#include "CDialogSubclass.h"

#ifdef VELLARIS_EDIT_SKIN
#include "CEditSubclass.h"
#endif
#ifdef VELLARIS_BUTTON_SKIN
#include "CButtonSubclass.h"
#endif
#ifdef VELLARIS_STATIC_SKIN
#include "CStaticSubclass.h"
#endif
#ifdef VELLARIS_MENU_BAR
#include "CSkinMenuBar.h"
#endif

std::unique_ptr<CWndSubclass> CreateSkinObject(SkinKind kind)
{
    switch (kind) {
    case SkinKind::Dialog:
        return std::make_unique<CDialogSubclass>();
#ifdef VELLARIS_EDIT_SKIN
    case SkinKind::Edit:
        return std::make_unique<CEditSubclass>();
#endif
#ifdef VELLARIS_BUTTON_SKIN
    case SkinKind::Button:
        return std::make_unique<CButtonSubclass>();
#endif
#ifdef VELLARIS_STATIC_SKIN
    case SkinKind::Static:
        return std::make_unique<CStaticSubclass>();
#endif
    default:
        return nullptr;
    }
}

std::unique_ptr<ISkinMenuBar> CreateSkinMenuBar()
{
#ifdef VELLARIS_MENU_BAR
    return std::make_unique<CSkinMenuBar>();
#else
    return nullptr;
#endif
}
