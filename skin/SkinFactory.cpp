#include "SkinFactory.h"

#if __has_include("CDialogSubclass.h")
#include "CDialogSubclass.h"
#define VELLARIS_DIALOG_SKIN 1
#endif

#if __has_include("CEditSubclass.h")
#include "CEditSubclass.h"
#define VELLARIS_EDIT_SKIN 1
#endif
#if __has_include("CButtonSubclass.h")
#include "CButtonSubclass.h"
#define VELLARIS_BUTTON_SKIN 1
#endif
#if __has_include("CStaticSubclass.h")
#include "CStaticSubclass.h"
#define VELLARIS_STATIC_SKIN 1
#endif
#if __has_include("CSkinMenuBar.h")
#include "CSkinMenuBar.h"
#define VELLARIS_MENU_BAR 1
#endif

std::unique_ptr<CWndSubclass> CreateSkinObject(SkinKind kind)
{
    switch (kind) {
#ifdef VELLARIS_DIALOG_SKIN
    case SkinKind::Dialog:
        return std::make_unique<CDialogSubclass>();
#endif
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
