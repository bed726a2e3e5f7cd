// The built-in time analyzer: code anywhere brackets a stretch of work with a
// numbered section (0-255); the analyzer counts the outermost passes of each
// section and the milliseconds they took.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ravok {

class TTimeAnalyzer {
public:
    static TTimeAnalyzer& instance();

    void beginSection(int section);
    void endSection(int section);
    // Clears every section, then opens section 0 (the whole measurement).
    void resetSections();
    // Column 0 number, 1 passes, 2 total ms, 3 percentage of section 0's total,
    // 4 average ms per pass; 0 for an unknown section or one without passes.
    double sectionValue(int section, int column) const;
    double preciseValue(int section, int column) const;

    int32_t depth(int section) const {
        return valid(section) ? sections_[size_t(section)].depth : 0;
    }

    // The result table's rows: every section with a pass, in number order
    // (sortColumn < 0) or in descending order of that column, each as the
    // texts of its five values in the default float formatting.
    // With `precise`, the times come from the host's monotonic clock in
    // fractions of a millisecond instead of the millisecond tick (which a
    // headless run's virtual clock drives): what a profiler wants.
    using TRow = std::array<std::string, 5>;
    std::vector<TRow> listing(int sortColumn = -1, bool precise = false) const;
    // Closes section 0 and shows the results where the player shows them.
    void showResults();

private:
    struct Section {
        uint32_t start = 0;
        int32_t passes = 0;
        int32_t total = 0;
        int32_t depth = 0;
        int64_t startUs = 0, totalUs = 0;
    };
    static bool valid(int section) { return section >= 0 && section < 256; }
    std::array<Section, 256> sections_{};
};

// Where ShowResults puts the table. The default shows it nowhere; the
// desktop's result window and the --profile report are the real ones.
class TTimeResultsView {
public:
    virtual ~TTimeResultsView() = default;
    virtual void show(TTimeAnalyzer& /*analyzer*/) {}
};
TTimeResultsView& timeResultsView();
// nullptr restores the default.
void setTimeResultsView(TTimeResultsView* view);

// The result table's header row.
const TTimeAnalyzer::TRow& timeAnalyzerHeader();
// A value as the default float printer writes it: up to 15 significant
// digits, no exponent for ordinary sizes, no trailing zeros ("2.5", "10").
std::string defaultFloatText(double v);

inline void BeginSection(int section) { TTimeAnalyzer::instance().beginSection(section); }
inline void EndSection(int section) { TTimeAnalyzer::instance().endSection(section); }

// A section open for a scope, closed however the scope is left.
struct TScopedSection {
    explicit TScopedSection(int n) : section(n) { BeginSection(n); }
    ~TScopedSection() { EndSection(section); }
    TScopedSection(const TScopedSection&) = delete;
    TScopedSection& operator=(const TScopedSection&) = delete;
    int section;
};

} // namespace ravok
