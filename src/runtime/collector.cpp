#include "runtime/collector.h"

#include "runtime/mark.h"
#include "runtime/pool.h"
#include "runtime/process.h"
#include "runtime/resource.h"
#include "runtime/root_process.h"
#include "runtime/rtti.h"
#include "runtime/tf_object.h"

#include <unordered_map>

namespace ravok {

std::vector<std::string>& collectorObjectList() {
    static auto* list = new std::vector<std::string>();
    return *list;
}

namespace {

// The order destructors run in: an object's destructor runs before those of
// the objects its fields hold (a holder reads what it holds, the other way
// round is rare), cycles in sweep order; and objects that keep a host body in
// a field (strings, arrays, hash tables, processes: their destructors free
// it) come after all the others, so no destructor reads a freed body.
std::vector<uint32_t> destructionOrder(const std::vector<uint32_t>& doomed) {
    std::unordered_map<uint32_t, size_t> at;
    for (size_t i = 0; i < doomed.size(); ++i)
        at.emplace(doomed[i], i);
    auto fieldsOf = [](uint32_t rec, auto&& visit) {
        TfObject* o = objectAt(rec);
        const TRTTI* cls = classById(o->classId);
        int32_t n = cls ? cls->laidOutFields() : 0;
        for (int32_t f = 0; f < n; ++f)
            visit(o->field(f));
    };
    std::vector<bool> late(doomed.size(), false);
    std::vector<int> referrers(doomed.size(), 0);
    for (size_t i = 0; i < doomed.size(); ++i) {
        fieldsOf(doomed[i], [&](const TValue& v) {
            if (v.kind == vtNative) late[i] = true;
            if (v.kind != vtObject) return;
            auto it = at.find(v.u);
            if (it != at.end() && it->second != i) ++referrers[it->second];
        });
    }
    std::vector<uint32_t> order;
    order.reserve(doomed.size());
    std::vector<bool> placed(doomed.size(), false);
    for (bool lateGroup : {false, true}) {
        std::vector<size_t> ready;
        for (size_t i = doomed.size(); i-- > 0;)
            if (late[i] == lateGroup && referrers[i] == 0) ready.push_back(i);
        size_t next = 0; // for cycles: the first not placed, in sweep order
        for (;;) {
            size_t i;
            if (!ready.empty()) {
                i = ready.back();
                ready.pop_back();
                if (placed[i]) continue;
            } else {
                while (next < doomed.size() && (placed[next] || late[next] != lateGroup))
                    ++next;
                if (next == doomed.size()) break;
                i = next;
            }
            placed[i] = true;
            order.push_back(doomed[i]);
            fieldsOf(doomed[i], [&](const TValue& v) {
                if (v.kind != vtObject) return;
                auto it = at.find(v.u);
                if (it == at.end() || placed[it->second]) return;
                if (--referrers[it->second] <= 0 && late[it->second] == lateGroup)
                    ready.push_back(it->second);
            });
        }
    }
    return order;
}

void pass(bool checkMode) {
    gCheckMode = checkMode;
    TResource* root = resourceRoot();
    if (root) root->markValues();
    markProcessStack(TRootProcess::instance().process());
    if (root) root->sweepValues();
    gCheckMode = false;
    // Every destructor runs while all the doomed records still hold what they
    // held, strings and arrays included; only then is any of them released.
    std::vector<uint32_t> doomed;
    doomed.swap(doomedInstances());
    for (uint32_t rec : destructionOrder(doomed))
        runDestructor(rec);
    for (uint32_t rec : doomed)
        releaseInstance(rec);
}
} // namespace

void collect() {
    pass(true);
    pass(false);
}

} // namespace ravok
