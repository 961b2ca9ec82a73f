#pragma once
// The drawing resources of the rain's glyphs, made once at start-up and released at shutdown.

// Creates the glyph drawing resources together with the composition's two brushes.
void createGlyphResources();

// Deletes everything createGlyphResources made.
void releaseGlyphAtlas();
