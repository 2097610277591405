// What a skin object paints from: the loaded skin bitmap and where its pieces
// lie. The skin manager owns the one instance and hands it to each object it
// makes; a reload changes it in place, so objects already made follow it.
#pragma once

#include "SkinGeometry.h"
#include "unique_any.h"

struct SkinArt {
    kd::unique_hbitmap bitmap;
    SkinGeometry geometry{};
};
