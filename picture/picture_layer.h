#pragma once
// PictureLayer: the embedded picture drawn once, very faintly, as the rain's hidden mask. A layer
// pixel is lit when its 32-bit word is not 0.
#include <cstdint>

#include "platform/gdiplus/gdiplus.h"

// The picture's alpha is multiplied by this when it is drawn into the layer (not 1/75).
inline constexpr REAL pictureAlphaScale = 0.0133333f;

// Decodes the embedded picture, creates PictureLayer and draws the picture into it. Needs GDI+
// started and the render surfaces created.
void buildPictureLayer();

// Creates PictureLayer and draws `picture` into it, left-aligned: a picture shorter than the
// layer sits on its bottom edge, a taller one is cut below the layer's height. Disposes of the
// picture. A null picture leaves the layer all 0.
void buildPictureLayerFrom(GpImage* picture);

// The picture decoded from the embedded block, or null.
GpImage* loadEmbeddedPicture();

// A GDI+ image of the picture file in `bytes`, or null when the bytes are not a picture GDI+
// reads. The bytes are copied into a global memory block that is kept until the process ends.
GpImage* imageFromMemory(const uint8_t* bytes, int32_t length);
