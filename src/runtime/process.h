// TProcess: a script thread of control. It runs one method (or a class's main
// body) of one instance on a private value stack in the VM arena, and keeps its
// frames in the fixed layout below so that stack sizes, argument addressing and
// the "Stack Overflow." depth come out the same on every host.
//
// Frame layout around fp (byte offsets; the stack grows toward lower addresses):
//   fp + 40 + 8*argc        receiver slot ("this"); holds the result after return
//   fp + 40 + 8*(argc-1-i)  argument i (the last argument sits at fp + 40)
//   fp + 36, +32, +28       reserved: three words the frame's size counts, left
//                           unwritten (a frame's line comes from its return address)
//   fp + 24                 the caller's fp (0 in the outermost frame)
//   fp + 20                 the receiver slot
//   fp + 16                 argc
//   fp + 12                 return address
//   fp + 8                  the method's function id (0: a class's main body)
//   fp - 8*k                local k
// Addresses stored in frame words are arena offsets.
#pragma once

#include "runtime/arena.h"
#include "runtime/host_registry.h"
#include "runtime/value.h"

#include <cstring>
#include <string_view>
#include <vector>

namespace ravok {

class TFunction;
class TNormalFunction;

namespace frame {
constexpr int kMethod = 8, kReturn = 12, kArgc = 16, kReceiver = 20, kCallerFp = 24, kPosClass = 28,
              kPosLine = 32, kPosExtra = 36, kArgs = 40;
inline uint32_t get(const uint8_t* fp, int offset) {
    uint32_t w;
    std::memcpy(&w, fp + offset, 4);
    return w;
}
inline void put(uint8_t* fp, int offset, uint32_t w) { std::memcpy(fp + offset, &w, 4); }
} // namespace frame

// A frame the method profiler has seen entered (method_profile.h).
struct TProfiledFrame {
    uint32_t key;
    uint32_t fp;
    int64_t startNs; // on the profiler's clock
};

class TProcess : public THostObject {
public:
    static constexpr THostKind kHostKind = THostKind::Process;
    TProcess() : THostObject(kHostKind) {}
    ~TProcess() override;
    const char* hostClassName() const override { return "TProcess"; }

    int32_t stackSize = 0;
    int32_t budget = 0;
    int32_t sliceUsed = 0;
    uint8_t suspended = 0;
    uint8_t finished = 0;
    uint8_t released = 0;
    uint8_t exitState = 0;
    uint8_t* fp = nullptr; // nullptr: no frame
    uint8_t* sp = nullptr;
    uint8_t* thisSlot = nullptr;
    uint8_t* ip = nullptr;
    uint8_t* stackBlock = nullptr;
    TValue* result = nullptr;

    // True while a run operation of this process is executing: a native cannot
    // run the process it was called from, and freeing it waits until the run
    // has returned.
    bool running = false;
    bool freePending = false;
    // Host callers that read the process after running it (TProcessPin).
    int32_t pins = 0;
    // Made and freed by the host (the root process, a destructor's or
    // gc_mark's run, the --run script): a script's free only kills it and
    // withdraws its handle, and the host releases it.
    bool hostOwned = false;
    // The debugger steps this process one instruction a slice (statement
    // stepping), holding after each; other processes keep their budgets.
    bool stepping = false;
    // The method profiler's view of the frames, while it is on.
    std::vector<TProfiledFrame> profiled;
    uint64_t profiledGeneration = 0;

    TValue* slot(uint8_t* address) const { return reinterpret_cast<TValue*>(address); }

    // Finish and release every reference held on the stack (once).
    void kill();

    // Visits every value slot the stack holds, innermost frame first: from sp
    // up to fp, the receiver and argument slots, then the caller frames, and
    // last the result slot.
    template <class F> void forEachSlot(F&& visit);

private:
    friend TProcess* createProcess(const TValue&, const std::vector<TValue>&, TFunction*);
    TArenaOffset block_ = 0;
};

template <class F> void TProcess::forEachSlot(F&& visit) {
    uint8_t* f = fp;
    uint8_t* s = sp;
    while (f) {
        for (uint8_t* q = s; q <= f; q += 8)
            visit(*slot(q));
        uint32_t argc = frame::get(f, frame::kArgc);
        uint8_t* recv = arenaPtr<uint8_t>(frame::get(f, frame::kReceiver));
        visit(*slot(recv));
        for (uint32_t i = 1; i <= argc; ++i)
            visit(*slot(recv - 8 * i));
        s = recv + 8;
        uint32_t caller = frame::get(f, frame::kCallerFp);
        f = caller ? arenaPtr<uint8_t>(caller) : nullptr;
    }
    if (result) visit(*result);
}

// A process for the receiver running `method`: empty for the class's main
// body, "constructor", "destructor", or a method looked up by name. An unknown
// name raises "Method" + name + " is undefined.".
TProcess* createProcess(const TValue& receiver, const std::vector<TValue>& args,
                        std::string_view method);
// The same for a method already resolved; nullptr runs the main body.
TProcess* createProcess(const TValue& receiver, const std::vector<TValue>& args, TFunction* method);

// Kill, then release the stack block and the process; while the process runs
// or is pinned, only kill it and release it when the last of those ends.
void freeProcess(TProcess* p);

// Keeps a process's memory while a host caller still reads it after a run in
// which the script may have freed it: the handle is refused from the free on,
// and the memory goes when the pin does.
class TProcessPin {
public:
    explicit TProcessPin(TProcess* p) : p_(p) {
        if (p_) ++p_->pins;
    }
    ~TProcessPin();
    TProcessPin(const TProcessPin&) = delete;
    TProcessPin& operator=(const TProcessPin&) = delete;

private:
    TProcess* p_;
};

// native_free: a script-owned process is freed; a host-owned one is killed and
// its handle refused, and its owner releases it.
void freeProcessFromScript(TProcess* p);

// Releases a process whose free had to wait, once nothing runs or pins it.
void releaseIfFreed(TProcess* p);

// The default stack size for processes created from now on.
inline int32_t DefaultStackSize = 1024;

} // namespace ravok
