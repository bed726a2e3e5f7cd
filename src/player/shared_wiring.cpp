#include "player/shared_wiring.h"

#include "base/sound_ticker.h"
#include "compiler/class_compiler.h"
#include "compiler/evaluator.h"
#include "kernel/message_table.h"
#include "player/debugger.h"
#include "resources/resource_reader.h"
#include "runtime/messages.h"
#include "runtime/native_api.h"
#include "runtime/resource.h"
#include "sound/sorvald.h"

namespace ravok {

void wireSharedServices() {
    setResourceServices(&compilingResourceServices());
    native::setGlobalScope(&treeGlobalScope());
    native::setScriptEvaluator(&compilingEvaluator());
    setTranslator(&TMessageTable::instance());
    setSoundTicker(&soundEngineTicker());
    // Without a debug window the hold gives the budget straight back.
    setDebugHold(&TDebugger::instance());
}

} // namespace ravok
