// Where the hook gets its skin objects from.
//
// CreateSkinObject makes a new, unattached object for a window kind (the
// caller has already checked the mask); kinds without a skin get none.
#pragma once

#include "CWndSubclass.h"
#include "SkinClassifier.h"

#include <memory>

[[nodiscard]] std::unique_ptr<CWndSubclass> CreateSkinObject(SkinKind kind);
