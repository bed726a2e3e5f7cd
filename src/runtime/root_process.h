// The root process: the one process the runtime runs by itself, once per
// frame. It runs `execute` (or `design` in design mode) of an instance of the
// kernel class Boot; everything else is scheduled by that script.
#pragma once

namespace ravok {

class TProcess;

enum class TRunMode { Run, Design };

class TRootProcess {
public:
    static TRootProcess& instance();

    // Looks up Boot, allocates an instance and creates the root process for
    // execute (run mode) or design. Errors are reported and leave no root
    // process. Returns whether one was started.
    bool start(TRunMode mode);
    // Frees the root process and runs a full collection (stopping a page
    // clears the sprite list first).
    void stop();

    TProcess* process() const { return process_; }
    bool designMode() const { return designMode_; }

private:
    TProcess* process_ = nullptr;
    bool designMode_ = false;
};

} // namespace ravok
