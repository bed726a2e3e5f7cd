#include "player/method_report.h"

#include "base/encoding.h"
#include "compiler/source_position.h"
#include "resources/host_files.h"
#include "resources/source_files.h"
#include "runtime/function.h"
#include "runtime/method_profile.h"
#include "runtime/rtti.h"

#include <algorithm>
#include <map>

namespace ravok {

namespace {
// Where a method is written: the line of its `function` keyword, found
// back from its first statement; a main body's first statement.
std::string placeOf(const TCompiledInfo* code, bool method,
                    std::map<std::string, std::string>& sources) {
    if (!code || !code->owner || code->owner->sourceFile.empty()) return "";
    const std::string& file = code->owner->sourceFile;
    auto found = sources.find(file);
    if (found == sources.end()) found = sources.emplace(file, sourceTextOf(file)).first;
    const std::string& text = found->second;
    int32_t offset = code->points.empty() ? 0 : code->points.front().sourceOffset;
    if (method && offset > 0) {
        size_t keyword = text.rfind("function", size_t(offset));
        if (keyword != std::string::npos) offset = int32_t(keyword);
    }
    return toHostPath(file) + ":" + std::to_string(sourcePosition(text, offset).line);
}
} // namespace

std::vector<TMethodRow> methodRows() {
    std::vector<TMethodRow> rows;
    std::map<std::string, std::string> sources;
    uint64_t allSelf = 0;
    for (const auto& [key, s] : TMethodProfile::instance().stats())
        allSelf += s.selfNs;
    for (const auto& [key, s] : TMethodProfile::instance().stats()) {
        if (s.calls == 0 && s.selfNs == 0) continue;
        TMethodRow row;
        const TCompiledInfo* code = nullptr;
        if (key & kMainBodyKey) {
            TRTTI* cls = classById(key & ~kMainBodyKey);
            if (!cls) continue;
            row.method = cp932ToUtf8(cls->name);
            code = cls->initCode.get();
        } else {
            TFunction* fn = functionById(key);
            if (!fn) continue;
            row.method =
                cp932ToUtf8((fn->owner ? fn->owner->name + "." : std::string()) + fn->nameText());
            if (fn->hasCode()) code = &static_cast<TNormalFunction*>(fn)->code;
        }
        row.place = placeOf(code, !(key & kMainBodyKey), sources);
        row.calls = s.calls;
        row.selfMs = double(s.selfNs) / 1e6;
        row.totalMs = double(std::max(s.totalNs, s.selfNs)) / 1e6;
        row.selfPercent = allSelf ? 100.0 * double(s.selfNs) / double(allSelf) : 0;
        row.instructions = s.instructions;
        rows.push_back(std::move(row));
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const TMethodRow& a, const TMethodRow& b) { return a.selfMs > b.selfMs; });
    return rows;
}

void setMethodProfiling(bool on) {
    if (on && !MethodProfiling) TMethodProfile::instance().reset();
    MethodProfiling = on;
}

void resetMethodProfile() { TMethodProfile::instance().reset(); }

} // namespace ravok
