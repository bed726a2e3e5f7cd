#include "base/shell.h"

#include "base/seam.h"

#include "base/encoding.h"

#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace ravok {

namespace {

class TDesktopShell final : public TShell {
public:
    bool openAddress(std::string_view address) override {
        std::string url = cp932ToUtf8(address);
        char program[] = "xdg-open";
        char* argv[] = {program, url.data(), nullptr};
        reapFinished();
        pid_t pid;
        if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0) return false;
        started_.push_back(pid);
        return true;
    }

    bool startProgram(const std::string& hostPath) override {
        std::string path = hostPath;
        char* argv[] = {path.data(), nullptr};
        reapFinished();
        pid_t pid;
        if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
        started_.push_back(pid);
        return true;
    }

private:
    // xdg-open hands the address to the browser and exits; its status is
    // collected on a later call so that no zombie stays behind.
    void reapFinished() {
        std::vector<pid_t> running;
        for (pid_t pid : started_) {
            int status;
            if (waitpid(pid, &status, WNOHANG) == 0) running.push_back(pid);
        }
        started_ = std::move(running);
    }
    std::vector<pid_t> started_;
};

TDesktopShell gDesktop;
constinit TSeam<TShell> gShell(gDesktop);

} // namespace

TShell& shell() { return gShell.get(); }
void setShell(TShell* s) { gShell.install(s); }

} // namespace ravok
