#include "base/time_analyzer.h"

#include "base/clock.h"
#include "base/seam.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace ravok {

namespace {
int64_t monotonicUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

TTimeAnalyzer& TTimeAnalyzer::instance() {
    static TTimeAnalyzer analyzer;
    return analyzer;
}

void TTimeAnalyzer::beginSection(int section) {
    if (!valid(section)) return;
    Section& s = sections_[size_t(section)];
    if (s.depth == 0) {
        s.start = TickMs();
        s.startUs = monotonicUs();
    }
    ++s.depth;
}

void TTimeAnalyzer::endSection(int section) {
    if (!valid(section)) return;
    Section& s = sections_[size_t(section)];
    --s.depth;
    if (s.depth == 0) {
        s.total += int32_t(TickMs() - s.start);
        s.totalUs += monotonicUs() - s.startUs;
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

double TTimeAnalyzer::preciseValue(int section, int column) const {
    if (!valid(section)) return 0;
    const Section& s = sections_[size_t(section)];
    if (s.passes == 0 || column < 2) return sectionValue(section, column);
    double total = s.totalUs / 1000.0, whole = sections_[0].totalUs / 1000.0;
    if (column == 2) return total;
    if (column == 3) return whole <= 0 ? 0 : 100.0 * total / whole;
    if (column == 4) return total / s.passes;
    return 0;
}

std::vector<TTimeAnalyzer::TRow> TTimeAnalyzer::listing(int sortColumn, bool precise) const {
    auto value = [&](int section, int column) {
        return precise ? preciseValue(section, column) : sectionValue(section, column);
    };
    std::array<int, 256> order;
    for (int i = 0; i < 256; ++i)
        order[size_t(i)] = i;
    if (sortColumn >= 0)
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return value(a, sortColumn) > value(b, sortColumn); });
    std::vector<TRow> rows;
    for (int section : order) {
        if (sections_[size_t(section)].passes == 0) continue;
        TRow row;
        for (int column = 0; column < 5; ++column)
            row[size_t(column)] = defaultFloatText(value(section, column));
        rows.push_back(row);
    }
    return rows;
}

void TTimeAnalyzer::showResults() {
    endSection(0);
    timeResultsView().show(*this);
}

namespace {
TTimeResultsView gNoView;
constinit TSeam<TTimeResultsView> gView(gNoView);
} // namespace

TTimeResultsView& timeResultsView() { return gView.get(); }
void setTimeResultsView(TTimeResultsView* view) { gView.install(view); }

const TTimeAnalyzer::TRow& timeAnalyzerHeader() {
    // "No.", passes, total ms, "%", average ms a pass (CP932).
    static const TTimeAnalyzer::TRow header = {"No.", "\x92\xca\x89\xdf\x89\xf1\x90\x94",
                                               "\x8d\x87\x8cvms", "%",
                                               "1\x89\xf1\x95\xbd\x8b\xcfms"};
    return header;
}

std::string defaultFloatText(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", v);
    return buffer;
}

} // namespace ravok
