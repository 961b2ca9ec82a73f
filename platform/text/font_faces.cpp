#include "platform/text/font_faces.h"

#include <fontconfig/fontconfig.h>

FT_Library freetypeLibrary() {
    static FT_Library library = [] {
        FT_Library made = nullptr;
        return FT_Init_FreeType(&made) == 0 ? made : nullptr;
    }();
    return library;
}

FT_Face openMatchingFace(const char* family, int weight, bool italic, unsigned character, bool* embolden) {
    if (embolden) *embolden = false;
    FT_Library library = freetypeLibrary();
    if (!library || !FcInit()) return nullptr;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return nullptr;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family ? family : ""));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight > 0 ? weight : 400));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcCharSet* characters = nullptr;
    if (character) {
        characters = FcCharSetCreate();
        FcCharSetAddChar(characters, character);
        FcPatternAddCharSet(pattern, FC_CHARSET, characters);
    }
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);

    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FT_Face face = nullptr;
    FcChar8* file = nullptr;
    int index = 0;
    if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        if (FT_New_Face(library, reinterpret_cast<const char*>(file), index, &face) != 0) face = nullptr;
    }
    FcBool synthetic = FcFalse;
    if (face && embolden && FcPatternGetBool(match, FC_EMBOLDEN, 0, &synthetic) == FcResultMatch)
        *embolden = synthetic == FcTrue;
    if (face && character && FT_Get_Char_Index(face, character) == 0) {
        FT_Done_Face(face);
        face = nullptr;
    }
    if (match) FcPatternDestroy(match);
    if (characters) FcCharSetDestroy(characters);
    FcPatternDestroy(pattern);
    return face;
}
