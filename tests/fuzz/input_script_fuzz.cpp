// Fuzz target: any bytes as the --input script of a headless run: read, then
// played frame by frame up to its last event (at most a few thousand frames).
#include "app/input_script.h"
#include "base/key_source.h"
#include "dialogs/script_dialogs.h"
#include "runtime/native_api.h"

#include "scratch_file.h"
#include "silent_reporter.h"

#include <algorithm>

namespace {
// Mouse events reach the game's handlers as script; here there is no game.
class TNoGame : public ravok::native::TScriptEvaluator {
public:
    ravok::TValue* evaluate(std::string_view) override {
        static ravok::TValue cell = ravok::TValue::null();
        return &cell;
    }
    int evaluateStatements(std::string_view, bool) override { return 1; }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ravok::fuzz::silence();
    static TNoGame noGame;
    ravok::native::setScriptEvaluator(&noGame);
    std::string path = ravok::fuzz::writeScratch(data, size, ".input");
    ravok::TInputScript script;
    std::string error;
    if (!script.load(path, error)) return 0;
    // Every dialog open, so that the answers reach the dialogs' models.
    ravok::inputBox().open = true;
    ravok::selectBox().open = true;
    ravok::selectBox().visible = {true, true, true, true};
    ravok::textEditor().open = true;
    long last = 0;
    for (const auto& e : script.events())
        last = std::max(last, e.frame);
    for (long frame = 1; frame <= std::min(last, 4000L); ++frame)
        script.beforeFrame(frame);
    int x = 0, y = 0;
    script.cursor(x, y);
    for (int code = 0; code < 256; ++code)
        script.keys().isDown(code);
    return 0;
}
