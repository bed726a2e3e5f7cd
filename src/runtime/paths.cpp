#include "runtime/paths.h"

#include "runtime/sjis.h"

namespace ravok {

namespace {

// Byte offsets of the separators of p, double-byte characters stepped over.
std::vector<size_t> separators(std::string_view p) {
    std::vector<size_t> at;
    for (size_t i = 0; i < p.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(p[i]);
        if (isLeadByte(c) && i + 1 < p.size())
            ++i;
        else if (c == '\\')
            at.push_back(i);
    }
    return at;
}

bool endsWithSlash(std::string_view p) {
    std::vector<size_t> s = separators(p);
    return !s.empty() && s.back() + 1 == p.size();
}

} // namespace

std::string lowerPath(std::string_view p) { return foldCase(p); }

bool isAbsolute(std::string_view p) {
    // A leading '/' is a host path given on this host's terms; both separators
    // separate here.
    if (!p.empty() && (p[0] == '\\' || p[0] == '/')) return true;
    return p.size() >= 3 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':' &&
           p[2] == '\\';
}

std::string stripSlash(std::string_view p) {
    return std::string(endsWithSlash(p) ? p.substr(0, p.size() - 1) : p);
}

std::string parentDir(std::string_view p) {
    std::string s = stripSlash(p);
    std::vector<size_t> seps = separators(s);
    std::string parent = seps.empty() ? std::string() : s.substr(0, seps.back() + 1);
    return stripSlash(parent);
}

std::string fileName(std::string_view p) {
    std::vector<size_t> seps = separators(p);
    return std::string(seps.empty() ? p : p.substr(seps.back() + 1));
}

std::string baseName(std::string_view p) {
    std::string name = fileName(p);
    size_t dot = name.rfind('.'); // '.' is never a second byte
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string extension(std::string_view p) {
    std::string name = fileName(p);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::vector<std::string> splitPath(std::string_view p) {
    std::vector<std::string> pieces;
    size_t start = 0;
    for (size_t s : separators(p)) {
        pieces.emplace_back(p.substr(start, s - start));
        start = s + 1;
    }
    pieces.emplace_back(p.substr(start));
    return pieces;
}

std::string resolve(std::string_view p, std::string_view base) {
    if (isAbsolute(p)) return std::string(p);
    if (p.empty() || base.empty()) return {};
    std::string out = stripSlash(base);
    for (const std::string& piece : splitPath(p)) {
        if (piece == "..")
            out = parentDir(out);
        else if (piece == "." || piece.empty())
            continue;
        else
            out += "\\" + piece;
    }
    return out;
}

bool startsWithCI(std::string_view a, std::string_view b) {
    return a.size() >= b.size() && equalsNoCase(a.substr(0, b.size()), b);
}

namespace {
// The path without one trailing separator, as a view (stripSlash without a copy).
std::string_view withoutSlash(std::string_view p) {
    size_t last = std::string_view::npos;
    for (size_t i = 0; i < p.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(p[i]);
        if (isLeadByte(c) && i + 1 < p.size())
            ++i;
        else if (c == '\\')
            last = i;
    }
    return last != std::string_view::npos && last + 1 == p.size() ? p.substr(0, last) : p;
}

// Whether a character starts at byte `at` of p (not the second byte of one).
bool startsCharacter(std::string_view p, size_t at) {
    size_t i = 0;
    while (i < at)
        i += isLeadByte(static_cast<unsigned char>(p[i])) && i + 1 < p.size() ? 2 : 1;
    return i == at;
}
} // namespace

bool isInside(std::string_view p, std::string_view dir) {
    // Compared without regard to case and without copies: this runs for
    // every class a game loads.
    std::string_view a = withoutSlash(p), d = withoutSlash(dir);
    if (equalsNoCase(a, d)) return true;
    if (a.size() <= d.size() || a[d.size()] != '\\') return false;
    // The '\' after the folder must be a separator, not the second byte of a
    // character that ends the folder name's look-alike.
    return startsCharacter(a, d.size()) && equalsNoCase(a.substr(0, d.size()), d);
}

bool samePath(std::string_view a, std::string_view b) {
    return lowerPath(stripSlash(a)) == lowerPath(stripSlash(b));
}

std::string commonDir(std::string_view a, std::string_view b) {
    std::string x(a);
    while (!x.empty() && !b.empty()) {
        if (isInside(x, b)) return std::string(b);
        if (isInside(b, x)) return x;
        std::string up = parentDir(x);
        if (up == x) break;
        x = up;
    }
    return {};
}

std::string relativePath(std::string_view p, std::string_view base) {
    if (!isAbsolute(p)) return std::string(p);
    std::string dir = stripSlash(base);
    std::string up;
    while (!dir.empty()) {
        if (isInside(p, dir)) {
            size_t skip = std::min(p.size(), dir.size() + 1);
            return up + std::string(p.substr(skip));
        }
        up += "..\\";
        std::string parent = parentDir(dir);
        if (parent == dir) break;
        dir = parent;
    }
    return std::string(p);
}

} // namespace ravok
