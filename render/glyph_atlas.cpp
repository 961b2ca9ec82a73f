#include "render/glyph_atlas.h"

#include "render/frame_composition.h"

void createGlyphResources() {
    GdipCreateSolidFill(fadeColor, &fadeBrush);
    GdipCreateHatchBrush(HatchStyle25Percent, hatchForeground, hatchBackground, &hatchBrush);
}

void releaseGlyphAtlas() {
    GdipDeleteBrush(fadeBrush);
    GdipDeleteBrush(hatchBrush);
    fadeBrush = nullptr;
    hatchBrush = nullptr;
}
