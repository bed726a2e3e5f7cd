// The state one class compilation passes to every Emit: the writer, the
// class and the current method, the pass, the address mode of the name chain
// being compiled, what the last class or resource name resolved to, the
// current statement's source offset and the break jumps of the innermost loop.
#pragma once

#include "compiler/prog_writer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ravok {

class TRTTI;
class TResource;
class TNormalFunction;

enum class TChainState : uint8_t { Start, Value, AfterSuper, AfterThis };

class TCompileContext {
public:
    TProgWriter* writer = nullptr;
    TResource* tree = nullptr;
    TRTTI* cls = nullptr;
    TNormalFunction* function = nullptr;
    int pass = 1;
    bool addressMode = false;
    TChainState chain = TChainState::Start;
    TResource* found = nullptr;
    std::string foundName;
    const char* source = nullptr;
    int32_t statementOffset = 0;
    std::vector<uint32_t>* breaks = nullptr;
    bool declaringLocals = false; // a VArgList inside var names locals
    // Used when the program has no extends: the class a file passed to
    // --run extends without saying so.
    TRTTI* defaultSuperclass = nullptr;
    // Whether the program names its superclass (a missing one is the usual
    // cause of a kernel method that is "undefined").
    bool extendsGiven = false;

    // Raises the compile error class name + ":" + text.
    [[noreturn]] void fail(const std::string& text) const;
    // Looks a (dotted) name up in the tree, or among the classes when there
    // is no tree.
    TResource* lookup(const std::string& name) const;
};

} // namespace ravok
