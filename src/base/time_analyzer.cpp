#include "base/time_analyzer.h"

#include "base/clock.h"

namespace ravok {

TTimeAnalyzer& TTimeAnalyzer::instance() {
    static TTimeAnalyzer analyzer;
    return analyzer;
}

void TTimeAnalyzer::beginSection(int section) {
    if (!valid(section)) return;
    Section& s = sections_[size_t(section)];
    if (s.depth == 0) s.start = TickMs();
    ++s.depth;
}

void TTimeAnalyzer::endSection(int section) {
    if (!valid(section)) return;
    Section& s = sections_[size_t(section)];
    --s.depth;
    if (s.depth == 0) {
        s.total += int32_t(TickMs() - s.start);
        ++s.passes;
    }
}

void TTimeAnalyzer::resetSections() {
    for (Section& s : sections_)
        s = Section{};
    beginSection(0);
}

double TTimeAnalyzer::sectionValue(int section, int column) const {
    if (!valid(section)) return 0;
    const Section& s = sections_[size_t(section)];
    if (s.passes == 0) return 0;
    switch (column) {
    case 0:
        return section;
    case 1:
        return s.passes;
    case 2:
        return s.total;
    case 3: {
        int32_t whole = sections_[0].total;
        return whole < 1 ? 0 : 100.0 * s.total / whole;
    }
    case 4:
        return double(s.total) / s.passes;
    default:
        return 0;
    }
}

} // namespace ravok
