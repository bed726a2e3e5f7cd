#include "screen/patterns.h"

#include "resources/host_files.h"
#include "runtime/messages.h"
#include "runtime/paths.h"
#include "runtime/sjis.h"

#include "base/clock.h"
#include "base/regex.h"
#include "base/reporter.h"
#include "base/sound_ticker.h"

#include <cstdlib>

namespace ravok {

namespace {

int distance(uint32_t a, uint32_t b) {
    return std::abs(int(a & 0xFF) - int(b & 0xFF)) +
           std::abs(int((a >> 8) & 0xFF) - int((b >> 8) & 0xFF)) +
           std::abs(int((a >> 16) & 0xFF) - int((b >> 16) & 0xFF));
}

class TCutter {
public:
    explicit TCutter(TPatRects& set)
        : set_(set), s_(*set.surface), w_(s_.width()), h_(s_.height()), bg_(s_.rawPixel(0, 0)) {}

    void run() {
        set_.cells.clear();
        set_.cut = true;
        long double rowStart = NowMs();
        for (int y = 0; y < h_; ++y) {
            if (NowMs() - rowStart > 100) {
                soundTicker().tick(); // music keeps playing through a large cut
                rowStart = NowMs();
            }
            for (int x = 0; x < w_; ++x) {
                if (background(x, y)) continue;
                if (const TPatElem* inside = foundAround(x, y)) {
                    x = inside->right + 1;
                    continue;
                }
                if (!trace(x, y)) {
                    Notice("fail to q");
                    set_.cells.clear();
                    set_.cut = false;
                    set_.cells.push_back({1, 1, w_, h_, s_.rawPixel(0, 0)});
                    return;
                }
            }
        }
    }

private:
    // The surface was flushed when the cutter read its first pixel; rows are
    // read directly from then on.
    bool background(int x, int y) const { return distance(s_.row(y)[x] & 0xFFFFFF, bg_) <= 32; }

    const TPatElem* foundAround(int x, int y) const {
        for (const TPatElem& c : set_.cells)
            if (c.left - 1 <= x && x <= c.right + 1 && c.top - 1 <= y && y <= c.bottom + 1)
                return &c;
        return nullptr;
    }

    bool fail(int x, int y) {
        set_.failure = {x, y};
        return false;
    }

    bool trace(int x0, int y0) {
        int x = x0;
        while (x < w_ - 1 && !background(x, y0))
            ++x;
        if (x >= w_ - 1) return fail(x, y0);
        int xr = x - 1;
        int y = y0;
        while (y < h_ - 1 && !background(xr, y)) {
            if (!background(xr + 1, y)) return fail(xr, y);
            ++y;
        }
        int yb = y - 1;
        int w = xr - x0 - 1, h = yb - y0 - 1;
        if (w < 1 || h < 1) {
            Notice("(" + std::to_string(x0) + "," + std::to_string(y0) + ")-(" + std::to_string(w) +
                   "," + std::to_string(h) + ")");
            return false;
        }
        set_.cells.push_back({x0 + 1, y0 + 1, xr, yb, s_.row(y0)[x0] & 0xFFFFFF});
        return true;
    }

    TPatRects& set_;
    const TSurface& s_;
    int w_, h_;
    uint32_t bg_;
};

} // namespace

void cutIntoCells(TPatRects& set) {
    if (set.surface) TCutter(set).run();
}

TPatRects* TPatCache::getWithoutReload(const std::string& file, bool& upToDate) {
    auto found = sets_.find(lowerPath(file));
    if (found == sets_.end()) {
        upToDate = false;
        return nullptr;
    }
    upToDate = found->second->age == fileStamp(file);
    return found->second.get();
}

TPatRects* TPatCache::make(const std::string& file) {
    std::string key = lowerPath(file);
    bool upToDate = false;
    if (TPatRects* cached = getWithoutReload(file, upToDate)) {
        if (upToDate) return cached;
        sets_.erase(key);
    }
    auto set = std::make_unique<TPatRects>();
    set->age = fileStamp(file);
    std::string error;
    set->surface = TSurface::load(toHostPath(file), &error);
    if (!set->surface) return nullptr;
    cutIntoCells(*set);
    TPatRects* raw = set.get();
    sets_[key] = std::move(set);
    return raw;
}

void TPatternList::lookup(int64_t number, int& set, int& cell) const {
    set = -1;
    cell = -1;
    if (number < 0) return;
    int64_t sum = 0;
    for (size_t i = 0; i < sets_.size(); ++i) {
        int64_t count = int64_t(sets_[i]->cells.size());
        if (number < sum + count) {
            set = int(i);
            cell = int(number - sum);
            if (set > 200) ReportError(std::to_string(set) + "??");
            return;
        }
        sum += count;
    }
}

const TPatElem* TPatternList::cell(int64_t number, TPatRects** set) const {
    int s, c;
    lookup(number, s, c);
    if (s < 0) return nullptr;
    if (set) *set = sets_[size_t(s)];
    return &sets_[size_t(s)]->cells[size_t(c)];
}

TPoint TPatternList::cellSize(int64_t number) const {
    const TPatElem* c = cell(number);
    return c ? TPoint{c->width(), c->height()} : TPoint{0, 0};
}

void TPatternList::truncate(int64_t number) {
    int s, c;
    lookup(number, s, c);
    if (s >= 0) sets_.resize(size_t(s));
}

int TPatternList::total() const {
    int sum = 0;
    for (const TPatRects* s : sets_)
        sum += int(s->cells.size());
    return sum;
}

bool TPatternList::add(const std::string& file) {
    TPatRects* set = patternCache().make(file);
    if (!set) return false;
    sets_.push_back(set);
    return true;
}

TPatCache& patternCache() {
    static auto* cache = new TPatCache();
    return *cache;
}

TPatternList& patternList() {
    static TPatternList list;
    return list;
}

std::string patternGlobalName(std::string_view fileName) {
    std::string name(fileName);
    TBRegExp re;
    re.subst("s/\\.[^\\.]*$//", name);
    re.subst("s/[^\\_a-zA-Z0-9]//g", name);
    return "$pat_" + name;
}

} // namespace ravok
