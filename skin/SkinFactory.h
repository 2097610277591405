// Where the hook gets its skin objects from.
//
// CreateSkinObject makes a new, unattached object for a window kind (the
// caller has already checked the mask); kinds without a skin get none.
// CreateSkinMenuBar makes the menu bar of a skinned dialog that has a menu
// (the dialog frame knows it only through ISkinMenuBar).
#pragma once

#include "CWndSubclass.h"
#include "ISkinMenuBar.h"
#include "SkinClassifier.h"

#include <memory>

[[nodiscard]] std::unique_ptr<CWndSubclass> CreateSkinObject(SkinKind kind);
[[nodiscard]] std::unique_ptr<ISkinMenuBar> CreateSkinMenuBar();
