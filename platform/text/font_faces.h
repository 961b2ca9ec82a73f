#pragma once
// Finding installed font faces by family name through fontconfig, and opening them with
// FreeType. Shared by GDI text and GDI+ text.
#include <ft2build.h>
#include FT_FREETYPE_H

// The process's FreeType library, made on first use; null if FreeType cannot start.
FT_Library freetypeLibrary();

// Opens the face that fontconfig ranks first for the family, weight (100 to 900, as in
// CreateFontA; 0 means normal) and slant, or null when none can be opened. When `character` is
// not 0 the face must also have that character. The caller closes it with FT_Done_Face.
// `embolden`, when given, tells whether fontconfig asks for a synthetic bold (a bold weight
// was asked for and the face has none).
FT_Face openMatchingFace(const char* family, int weight, bool italic, unsigned character = 0,
                         bool* embolden = nullptr);
