#include "SkinFactory.h"

#include "CButtonSubclass.h"
#include "CDialogSubclass.h"
#include "CEditSubclass.h"
#include "CStaticSubclass.h"

std::unique_ptr<CWndSubclass> CreateSkinObject(SkinKind kind, const SkinArt& art)
{
    switch (kind) {
    case SkinKind::Dialog:
        return std::make_unique<CDialogSubclass>(art);
    case SkinKind::Edit:
        return std::make_unique<CEditSubclass>();
    case SkinKind::Button:
        return std::make_unique<CButtonSubclass>();
    case SkinKind::Static:
        return std::make_unique<CStaticSubclass>();
    default:
        return nullptr;
    }
}
