#include "base/font_faces.h"

#include "base/reporter.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cctype>
#include <map>
#include <sys/stat.h>

namespace ravok {

namespace {

constexpr const char* kDefaultFile = "ipag.ttf";
constexpr const char* kProportionalFile = "ipagp.ttf";

const char* const kIpaGothic = "ipag.ttf";
const char* const kIpaPGothic = "ipagp.ttf";
const char* const kIpaMincho = "ipam.ttf";
const char* const kIpaPMincho = "ipamp.ttf";

// Names compared without case and spaces, as font matching usually does
// ("MS PGothic" and "ms pgothic" are one name).
std::string folded(std::string_view name) {
    std::string out;
    for (unsigned char c : name)
        if (c != ' ' && c != '\t') out += char(std::tolower(c));
    return out;
}

const std::map<std::string, const char*>& familyFiles() {
    static const std::map<std::string, const char*> files = [] {
        const TFontFamily names[] = {
            {"IPAGothic", kIpaGothic},     {"IPAゴシック", kIpaGothic},
            {"IPAPGothic", kIpaPGothic},   {"IPAPゴシック", kIpaPGothic},
            {"IPAMincho", kIpaMincho},     {"IPA明朝", kIpaMincho},
            {"IPAPMincho", kIpaPMincho},   {"IPAP明朝", kIpaPMincho},
            {"IPAexGothic", "ipaexg.ttf"}, {"IPAexゴシック", "ipaexg.ttf"},
            {"IPAexMincho", "ipaexm.ttf"}, {"IPAex明朝", "ipaexm.ttf"},
            {"MS Gothic", kIpaGothic},     {"ＭＳ ゴシック", kIpaGothic},
            {"MS PGothic", kIpaPGothic},   {"ＭＳ Ｐゴシック", kIpaPGothic},
            {"MS UI Gothic", kIpaPGothic}, {"MS Mincho", kIpaMincho},
            {"ＭＳ 明朝", kIpaMincho},     {"MS PMincho", kIpaPMincho},
            {"ＭＳ Ｐ明朝", kIpaPMincho},  {"MS Sans Serif", kIpaPGothic},
            {"Tahoma", kIpaPGothic},       {"monospace", kIpaGothic},
            {"Courier", kIpaGothic},       {"Courier New", kIpaGothic},
            {"serif", kIpaPMincho},        {"Times New Roman", kIpaPMincho},
            {"Century", kIpaPMincho},
        };
        std::map<std::string, const char*> m;
        for (const TFontFamily& n : names)
            m[folded(n.family)] = n.file;
        return m;
    }();
    return files;
}

std::vector<std::string>& folders() {
    static std::vector<std::string> list = {
        "/usr/share/fonts/opentype/ipafont-gothic",
        "/usr/share/fonts/opentype/ipafont-mincho",
        "/usr/share/fonts/opentype/ipaexfont-gothic",
        "/usr/share/fonts/opentype/ipaexfont-mincho",
    };
    return list;
}

bool isFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

struct TFaces {
    FT_Library library = nullptr;
    bool tried = false;
    std::map<std::string, FT_Face> byFile; // nullptr: the file is not there
};

TFaces& faces() {
    static auto* f = new TFaces();
    return *f;
}

FT_Face openFile(const char* file) {
    TFaces& f = faces();
    auto found = f.byFile.find(file);
    if (found != f.byFile.end()) return found->second;
    FT_Face face = nullptr;
    if (!f.tried) {
        f.tried = true;
        if (FT_Init_FreeType(&f.library) != 0) f.library = nullptr;
    }
    if (f.library)
        for (const std::string& folder : folders()) {
            std::string path = folder + "/" + file;
            if (isFile(path) && FT_New_Face(f.library, path.c_str(), 0, &face) == 0) break;
            face = nullptr;
        }
    f.byFile[file] = face;
    return face;
}

} // namespace

const std::vector<TFontFamily>& knownFontFamilies() {
    static const std::vector<TFontFamily> list = {
        {"IPAGothic", kIpaGothic},   {"IPAPGothic", kIpaPGothic},   {"IPAMincho", kIpaMincho},
        {"IPAPMincho", kIpaPMincho}, {"IPAexGothic", "ipaexg.ttf"}, {"IPAexMincho", "ipaexm.ttf"},
    };
    return list;
}

void setFontFolders(std::vector<std::string> list) {
    folders() = std::move(list);
    for (auto& [file, face] : faces().byFile)
        if (face) FT_Done_Face(face);
    faces().byFile.clear();
}

const std::vector<std::string>& fontFolders() { return folders(); }

const char* fontFileFor(std::string_view family) {
    if (family.empty()) return kDefaultFile;
    auto found = familyFiles().find(folded(family));
    return found != familyFiles().end() ? found->second : kProportionalFile;
}

FT_Face fontFace(std::string_view family) {
    const char* file = fontFileFor(family);
    if (FT_Face face = openFile(file)) return face;
    // The nearest of the fonts that are there: its own kind first.
    const char* fallbacks[] = {kDefaultFile, kProportionalFile, "ipaexg.ttf",
                               kIpaMincho,   kIpaPMincho,       "ipaexm.ttf"};
    for (const char* other : fallbacks)
        if (FT_Face face = openFile(other)) return face;
    std::string looked;
    for (const std::string& folder : folders())
        looked += (looked.empty() ? "" : ", ") + folder;
    ReportProblemOnce("font-files", std::string("No font file could be read, so text is not "
                                                "drawn. The player looks for ") +
                                        kDefaultFile + " in " + looked + ".");
    return nullptr;
}

} // namespace ravok
