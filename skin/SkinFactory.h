// Where the hook gets its skin objects from.
//
// CreateSkinObject makes a new, unattached object for a window kind (the
// caller has already checked the mask). The control and menu-bar skins plug
// in by file: a class CEditSubclass, CButtonSubclass or CStaticSubclass,
// default-constructible and derived from CWndSubclass, declared in
// skin/<Class>.h and defined in skin/<Class>.cpp, is created for its kind as
// soon as both files exist (skin/CMakeLists.txt compiles every .cpp of the
// folder and tells this factory which classes are there). Until then that
// kind gets no object. The same holds for CSkinMenuBar (skin/CSkinMenuBar.h
// and .cpp), which implements ISkinMenuBar.
#pragma once

#include "CWndSubclass.h"
#include "ISkinMenuBar.h"
#include "SkinClassifier.h"

#include <memory>

[[nodiscard]] std::unique_ptr<CWndSubclass> CreateSkinObject(SkinKind kind);
[[nodiscard]] std::unique_ptr<ISkinMenuBar> CreateSkinMenuBar();
