// The fonts text is drawn in: the names games ask for (the common Windows
// ones among them, in English or Japanese) map to the IPA fonts, read from
// font files by FreeType, the same on every platform's build.
#pragma once

#include <string>
#include <string_view>
#include <vector>

typedef struct FT_FaceRec_* FT_Face;

namespace ravok {

// The file names of the fonts the player knows and their families.
struct TFontFamily {
    const char* family;
    const char* file;
};
const std::vector<TFontFamily>& knownFontFamilies();

// Where font files are looked for, first folder first. By default the
// folders Debian's IPA font packages install to; the player puts the fonts
// it ships (its program directory's Kernel/fonts) in front.
void setFontFolders(std::vector<std::string> folders);
const std::vector<std::string>& fontFolders();

// The face of a family as a game names it (UTF-8; empty for the default),
// falling back to the default font's file when the family's own is missing;
// nullptr when no font file can be read at all (said once as a problem).
FT_Face fontFace(std::string_view family);

// The file a family name resolves to ("ipag.ttf"), before any fallback.
const char* fontFileFor(std::string_view family);

} // namespace ravok
