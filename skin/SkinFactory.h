// Where the hook gets its skin objects from.
//
// CreateSkinObject makes a new, unattached object for a window kind (the
// caller has already checked the mask); kinds without a skin get none. Objects
// that paint from the skin bitmap keep a reference to art, which must outlive
// them.
#pragma once

#include "CWndSubclass.h"
#include "SkinArt.h"
#include "SkinClassifier.h"

#include <memory>

[[nodiscard]] std::unique_ptr<CWndSubclass> CreateSkinObject(SkinKind kind, const SkinArt& art);
