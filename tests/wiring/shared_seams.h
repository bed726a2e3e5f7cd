// What every player's wiring must leave in the seams it shares.
#pragma once

#include "base/reporter.h"
#include "base/sound_ticker.h"
#include "compiler/class_compiler.h"
#include "compiler/evaluator.h"
#include "kernel/message_table.h"
#include "resources/resource_reader.h"
#include "runtime/messages.h"
#include "runtime/native_api.h"
#include "runtime/resource.h"
#include "sound/sorvald.h"

#include <gtest/gtest.h>

namespace ravok {

inline void expectSharedServices() {
    EXPECT_EQ(&resourceServices(), &compilingResourceServices());
    EXPECT_EQ(&native::globalScope(), &treeGlobalScope());
    EXPECT_EQ(&native::scriptEvaluator(), &compilingEvaluator());
    EXPECT_EQ(&translator(), &TMessageTable::instance());
    EXPECT_EQ(&soundTicker(), &soundEngineTicker());
}

// The reporter installed now (setReporter tells it by handing it back).
inline TReporter* installedReporter() {
    TReporter* current = setReporter(nullptr);
    setReporter(current);
    return current;
}

} // namespace ravok
