#include "kernel/kernel_natives.h"

#include "kernel/ranking.h"
#include "runtime/messages.h"
#include "runtime/native_api.h"

#include "resources/host_files.h"
#include "resources/program_paths.h"
#include "runtime/runtime_natives.h"

#include "base/shell.h"

namespace ravok {

namespace {

using native::argument;

void _n_setParam(TValue* cell, int argc, int) {
    if (argc < 3) return;
    TRanking::instance().setParam(native::text(argument(cell, 2)), native::text(argument(cell, 3)));
}

void _n_clearParam(TValue*, int, int) { TRanking::instance().clearParams(); }

void _n_openBrowser(TValue* cell, int argc, int) {
    if (argc < 2) return;
    TRanking::instance().openBrowser(native::text(argument(cell, 2)));
}

// The player's version, 1.27.
void _n_version(TValue* cell, int, int) { setInt(*cell, 1270); }

void _n_locale(TValue* cell, int, int) { native::setString(*cell, translate("locale")); }

// The editor, when it is installed beside the player, takes over: it is
// started and the player closes.
void _n_openIDE(TValue*, int, int) {
    std::string editor = programDirectory() + "\\Ravok.exe";
    if (fileExists(editor)) shell().startProgram(toHostPath(editor));
    requestProgramExit();
}

// Editing code belongs to the editor; the player has nothing to do.
void _n_editCode(TValue*, int, int) {}

} // namespace

const std::vector<TNativeBinding>& systemKernelNatives() {
    static const std::vector<TNativeBinding> list = {
        {"System", "_n_version", _n_version},
        {"System", "_n_locale", _n_locale},
        {"System", "_n_openIDE", _n_openIDE},
        {"System", "_n_editCode", _n_editCode},
    };
    return list;
}

const std::vector<TNativeBinding>& rankingNatives() {
    static const std::vector<TNativeBinding> list = {
        {"Ranking", "_n_setParam", _n_setParam},
        {"Ranking", "_n_clearParam", _n_clearParam},
        {"Ranking", "_n_openBrowser", _n_openBrowser},
    };
    return list;
}

} // namespace ravok
