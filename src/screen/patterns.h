// Patterns: the numbered cells of the game's image sheets. Each image is cut
// into cells automatically (every cell drawn inside a one-pixel frame on a
// plain background); the cut images are cached by file until the file
// changes, and every registered image's cells join one global numbering,
// kernel images first.
#pragma once

#include "base/surface.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ravok {

struct TPatElem {
    int left = 0, top = 0, right = 0, bottom = 0; // right and bottom excluded
    uint32_t key = 0;                             // the raw pixel of the frame's top-left corner
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

class TPatRects {
public:
    std::vector<TPatElem> cells;
    bool cut = false; // false: the whole image is one cell
    TPoint failure;   // where the last frame trace failed
    std::unique_ptr<TSurface> surface;
    uint32_t age = 0; // the file's stamp when it was read
};

// Cuts the surface into cells (the algorithm of the image author's frames);
// a frame that cannot be traced makes the whole image one cell.
void cutIntoCells(TPatRects& set);

class TPatCache {
public:
    // The cut image of a file (a program path): from the cache while the
    // file is unchanged, else read and cut again; nullptr when it cannot be read.
    TPatRects* make(const std::string& file);
    // The cached set, and whether the file is still the one that was read.
    TPatRects* getWithoutReload(const std::string& file, bool& upToDate);

private:
    std::map<std::string, std::unique_ptr<TPatRects>> sets_; // by lower-cased path
};

class TPatternList {
public:
    // The set and cell of a global number; (-1, -1) when there is none.
    void lookup(int64_t number, int& set, int& cell) const;
    // The cell of a number, or nullptr.
    const TPatElem* cell(int64_t number, TPatRects** set = nullptr) const;
    TPoint cellSize(int64_t number) const;
    // Drops the set holding the number and every later set.
    void truncate(int64_t number);
    void clear() { sets_.clear(); }
    int total() const;
    // Cuts (or takes from the cache) and appends; false when unreadable.
    bool add(const std::string& file);
    size_t setCount() const { return sets_.size(); }

private:
    std::vector<TPatRects*> sets_;
};

TPatCache& patternCache();
TPatternList& patternList();

// "$pat_" + the file name without its extension and without anything but
// letters, digits and underscores.
std::string patternGlobalName(std::string_view fileName);

} // namespace ravok
