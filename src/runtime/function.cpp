#include "runtime/function.h"

#include "runtime/errors.h"
#include "runtime/messages.h"
#include "runtime/stats.h"
#include "runtime/symbols.h"

namespace ravok {

namespace {
// Ids are never reused, so a code image that outlives its method cannot reach
// an unrelated one.
std::vector<TFunction*>& functionTable() {
    if (!gFunctionTable)
        gFunctionTable = new std::vector<TFunction*>{nullptr}; // outlives static destruction
    return *gFunctionTable;
}
} // namespace

TFunction::TFunction(TFunctionKind kind, TRTTI* ownerClass, uint32_t nameSymbol)
    : owner(ownerClass), name(nameSymbol), kind_(kind) {
    auto& table = functionTable();
    id_ = uint32_t(table.size());
    table.push_back(this);
    ++gStats.functions;
}

TFunction::~TFunction() {
    functionTable()[id_] = nullptr;
    ++gFunctionsFreed;
    --gStats.functions;
}

std::string TFunction::nameText() const { return symbolName(name); }

void unboundNativeRoutine(TValue*, int, int) {
    throw ERunError(translate("native Method is not implemented."));
}

} // namespace ravok
