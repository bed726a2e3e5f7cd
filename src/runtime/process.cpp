#include "runtime/process.h"

#include "runtime/errors.h"
#include "runtime/function.h"
#include "runtime/messages.h"
#include "runtime/opcodes.h"
#include "runtime/rtti.h"
#include "runtime/sjis.h"
#include "runtime/stats.h"
#include "runtime/value_ops.h"

#include <algorithm>

namespace ravok {

namespace {
// A main body that was never compiled runs this image: it just ends.
uint8_t* emptyMainBody() {
    static TArenaOffset image = [] {
        TArenaOffset off = TArena::instance().allocate(4);
        uint32_t halt = Op_Halt;
        std::memcpy(arenaPtr<uint8_t>(off), &halt, 4);
        return off;
    }();
    return arenaPtr<uint8_t>(image);
}

TRTTI* receiverClass(const TValue& receiver) {
    return receiver.kind == vtObject ? classById(objectAt(receiver.u)->classId) : nullptr;
}
} // namespace

TProcess* createProcess(const TValue& receiver, const std::vector<TValue>& args,
                        std::string_view method) {
    TRTTI* cls = receiverClass(receiver);
    if (method.empty()) return createProcess(receiver, args, nullptr);
    TFunction* fn = nullptr;
    if (cls) {
        if (equalsNoCase(method, "constructor"))
            fn = cls->constructor();
        else if (equalsNoCase(method, "destructor"))
            fn = cls->destructor();
        else
            fn = cls->methodByName(method);
    }
    if (!fn || !fn->hasCode())
        throw ERunError(translate("Method") + std::string(method) + translate(" is undefined."));
    return createProcess(receiver, args, fn);
}

TProcess* createProcess(const TValue& receiver, const std::vector<TValue>& args,
                        TFunction* method) {
    auto* fn = static_cast<TNormalFunction*>(method && method->hasCode() ? method : nullptr);
    if (method && !fn)
        throw ERunError(translate("Method") + method->nameText() + translate(" is undefined."));
    int32_t argc = int32_t(args.size());
    int32_t locals = fn ? fn->localCount() : 0;
    int32_t size = DefaultStackSize;
    // _n_setStackSize does not check its value; a block that cannot hold the
    // first frame fails here instead of writing outside it.
    int64_t needed = 48 + 8 * int64_t(argc) + 8 * int64_t(locals);
    if (size < needed || size > (64 << 20)) throw ERunError(translate("Stack Overflow."));

    auto* p = new TProcess();
    ++gStats.processes;
    p->stackSize = size;
    p->block_ = TArena::instance().allocate(size_t(size));
    ++gStats.stackBlocks;
    p->stackBlock = arenaPtr<uint8_t>(p->block_);
    uint8_t* end = p->stackBlock + size;
    uint8_t* recv = end - 8;
    uint8_t* fp = end - 8 * argc - 48;
    frame::put(fp, frame::kMethod, fn ? fn->id() : 0);
    frame::put(fp, frame::kReturn, 0);
    frame::put(fp, frame::kArgc, uint32_t(argc));
    frame::put(fp, frame::kReceiver, arenaOffset(recv));
    frame::put(fp, frame::kCallerFp, 0);
    assign(*p->slot(recv), &receiver);
    for (int32_t i = 0; i < argc; ++i)
        assign(*p->slot(recv - 8 * (i + 1)), &args[size_t(i)]);
    p->fp = fp;
    p->thisSlot = recv;
    if (fn) {
        for (int32_t k = 0; k < locals; ++k)
            *p->slot(fp - 8 * k) = TValue::null();
        p->sp = fp - 8 * (locals - 1);
        p->ip = fn->code.codeStart() ? fn->code.codePtr() : emptyMainBody();
    } else {
        p->sp = fp + 8;
        TRTTI* cls = receiverClass(receiver);
        p->ip = cls && cls->initCode && cls->initCode->codeStart() ? cls->initCode->codePtr()
                                                                   : emptyMainBody();
    }
    return p;
}

void TProcess::kill() {
    if (released) return;
    finished = 1;
    sliceUsed -= budget;
    budget = 0;
    forEachSlot([](TValue& v) { decrementQuietly(v); });
    released = 1;
}

TProcess::~TProcess() {
    if (block_) {
        TArena::instance().release(block_, size_t(stackSize));
        --gStats.stackBlocks;
    }
    --gStats.processes;
}

void freeProcess(TProcess* p) {
    if (!p || p->freePending) return;
    p->kill();
    if (p->running || p->pins > 0) {
        p->freePending = true;
        // Scripts lose the handle at once; the host still holds the memory.
        p->withdrawHandle();
        return;
    }
    delete p;
}

void freeProcessFromScript(TProcess* p) {
    if (!p) return;
    if (!p->hostOwned) return freeProcess(p);
    p->kill();
    p->withdrawHandle();
}

void releaseIfFreed(TProcess* p) {
    if (p->freePending && !p->running && p->pins == 0) delete p;
}

TProcessPin::~TProcessPin() {
    if (p_ && --p_->pins == 0) releaseIfFreed(p_);
}

} // namespace ravok
