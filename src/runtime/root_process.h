// The root process: the one process the runtime runs by itself, once per
// frame. It runs `execute` (or `design` in design mode) of an instance of the
// kernel class Boot; everything else is scheduled by that script.
#pragma once

namespace ravok {

class TProcess;

enum class TRunMode { Run, Design };

// Hooks of the subsystems a start or stop touches, installed as they come.
struct TRootProcessHooks {
    void (*clearSprites)() = nullptr;      // the screen's sprite list
    void (*collect)() = nullptr;           // a full collection
    void (*enableDesignTimer)() = nullptr; // the screen's periodic timer
};

class TRootProcess {
public:
    static TRootProcess& instance();

    // Looks up Boot, allocates an instance and creates the root process for
    // execute (run mode) or design. Errors are reported and leave no root
    // process. Returns whether one was started.
    bool start(TRunMode mode);
    // Clears the sprite list, frees the root process, runs a full collection.
    void stop();

    TProcess* process() const { return process_; }
    bool designMode() const { return designMode_; }

    TRootProcessHooks hooks;

private:
    TProcess* process_ = nullptr;
    bool designMode_ = false;
};

} // namespace ravok
