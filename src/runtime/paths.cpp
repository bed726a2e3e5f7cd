#include "runtime/paths.h"

#include "runtime/sjis.h"

namespace ravok {

namespace {

// Path operations run for every file the kernel and a game open: they scan
// without building lists or copies.

// The byte offset of the first separator of p at or after `from` (which must
// start a character), double-byte characters stepped over; npos when none.
size_t nextSeparator(std::string_view p, size_t from) {
    for (size_t i = from; i < p.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(p[i]);
        if (isLeadByte(c) && i + 1 < p.size())
            ++i;
        else if (c == '\\')
            return i;
    }
    return std::string_view::npos;
}

size_t lastSeparator(std::string_view p) {
    size_t last = std::string_view::npos;
    for (size_t at = nextSeparator(p, 0); at != std::string_view::npos;
         at = nextSeparator(p, at + 1))
        last = at;
    return last;
}

// The path without one trailing separator, as a view (stripSlash without a copy).
std::string_view withoutSlash(std::string_view p) {
    size_t last = lastSeparator(p);
    return last != std::string_view::npos && last + 1 == p.size() ? p.substr(0, last) : p;
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

std::string stripSlash(std::string_view p) { return std::string(withoutSlash(p)); }

std::string parentDir(std::string_view p) {
    std::string_view s = withoutSlash(p);
    size_t last = lastSeparator(s);
    return last == std::string_view::npos ? std::string()
                                          : std::string(withoutSlash(s.substr(0, last + 1)));
}

std::string fileName(std::string_view p) {
    size_t last = lastSeparator(p);
    return std::string(last == std::string_view::npos ? p : p.substr(last + 1));
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
    for (size_t at = nextSeparator(p, 0); at != std::string_view::npos;
         at = nextSeparator(p, at + 1)) {
        pieces.emplace_back(p.substr(start, at - start));
        start = at + 1;
    }
    pieces.emplace_back(p.substr(start));
    return pieces;
}

std::string resolve(std::string_view p, std::string_view base) {
    if (isAbsolute(p)) return std::string(p);
    if (p.empty() || base.empty()) return {};
    std::string out(withoutSlash(base));
    for (size_t start = 0;;) {
        size_t end = nextSeparator(p, start);
        std::string_view piece =
            p.substr(start, end == std::string_view::npos ? p.size() - start : end - start);
        if (piece == "..") {
            out = parentDir(out);
        } else if (piece != "." && !piece.empty()) {
            out += '\\';
            out += piece;
        }
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return out;
}

bool startsWithCI(std::string_view a, std::string_view b) {
    return a.size() >= b.size() && equalsNoCase(a.substr(0, b.size()), b);
}

namespace {
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
