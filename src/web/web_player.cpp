#include "web/web_player.h"

#include "app/error_report.h"
#include "app/headless_player.h"
#include "app/sound_timer.h"
#include "base/clock.h"
#include "base/encoding.h"
#include "base/font_faces.h"
#include "base/frame_pacing.h"
#include "base/joy_source.h"
#include "base/key_source.h"
#include "base/reporter.h"
#include "base/shell.h"
#include "base/surface.h"
#include "dialogs/script_dialogs.h"
#include "kernel/boot.h"
#include "kernel/message_table.h"
#include "platform/web/web_clock.h"
#include "platform/web/web_joysticks.h"
#include "platform/web/web_keys.h"
#include "platform/web/web_wave_out.h"
#include "player/main_loop.h"
#include "player/mouse_input.h"
#include "player/shared_wiring.h"
#include "resources/environment.h"
#include "resources/host_files.h"
#include "runtime/directories.h"
#include "runtime/native_api.h"
#include "runtime/runtime_natives.h"
#include "runtime/value.h"
#include "screen/screen.h"
#include "screen/screen_window.h"
#include "sound/sorvald.h"
#include "web/web_page.h"

#include <emscripten.h>

#include <string>

namespace ravok {

namespace {

std::string shown(const std::string& systemText) { return cp932ToUtf8(systemText); }

// Errors in the page's overlay, as the terminal would print them; problems
// in its status line and on the console.
class TWebReporter : public TReporter {
public:
    void notice(const std::string&, const TTrace&) override {}
    bool readsNoticeTraces() const override { return false; }
    void reportError(const std::string& text, const TTrace& trace) override {
        TErrorReport report = makeErrorReport(text, trace);
        std::string lines;
        for (const std::string& line : report.traceLines())
            lines += line + "\n";
        pageShowError(report.headline(), report.excerpt(), lines, report.text());
    }
    void problem(const std::string& text) override {
        TReporter::problem(text);
        pageShowProblem(cp932ToUtf8(text));
    }
};

class TWebWindow : public TScreenWindow {
public:
    void setClientSize(int width, int height) override { pageSetGameSize(width, height); }
    bool cursorInGame(int& x, int& y) override {
        if (!cursorKnown) return false;
        x = cursorX, y = cursorY;
        return true;
    }
    void showCursor(bool show) override { pageSetCursorVisible(show); }
    void present(const TSurface& surface, const TRect& client) override {
        pagePresent(surface.row(0), surface.width(), client.left, client.top, client.width(),
                    client.height());
    }
    bool cursorKnown = false;
    int cursorX = 0, cursorY = 0;
};

TWebWindow& webWindow() {
    static TWebWindow window;
    return window;
}

// The dialogs as HTML elements over the canvas; the page answers through
// the exported functions below, and scripts poll the answers as ever.
class TWebDialogHost : public TDialogHost {
public:
    void showInputBox(TInputBox& box) override {
        pageShowInputBox(shown(box.caption), shown(box.prompt), shown(box.text));
    }
    void showSelectBox(TSelectBox& box) override {
        std::string buttons;
        for (size_t i = 0; i < box.buttons.size(); ++i)
            buttons += (i ? "\n" : "") + (box.visible[i] ? shown(box.buttons[i]) : std::string());
        pageShowSelectBox(shown(box.caption), shown(box.message), buttons);
    }
    void showTextEditor(TTextEditor& e) override {
        pageShowTextEditor(e.x, e.y, e.width, e.height, e.singleLine, e.fontSize, shown(e.text()));
    }
    void editorTextSet(TTextEditor& e) override { pageSetEditorText(shown(e.text())); }
    void hideTextEditor(TTextEditor&) override { pageHideTextEditor(); }
};

class TWebShell : public TShell {
public:
    bool openAddress(std::string_view address) override {
        return pageOpenAddress(std::string(address));
    }
    bool startProgram(const std::string&) override { return false; }
};

TSoundTimer gSoundTimer;

void turnFrame() {
    TMainLoop::instance().Main();
    gSoundTimer.turn();
    if (gProgramExitRequested) emscripten_cancel_main_loop();
}

} // namespace

bool startWebPlayer(const TWebOptions& options) {
    static TWebReporter reporter;
    static TWebClock clock;
    static TWebWaveOut wave;
    static TWebDialogHost dialogs;
    static TWebShell webShell;
    setProgramDirectory(fromHostPath(options.home));
    setFontFolders({options.home + "/Kernel/fonts"});
    wireSharedServices();
    setReporter(&reporter);
    setClock(&clock);
    soundEngine().setDevice(&wave);
    setKeySource(&webKeys());
    setJoySource(&webJoySource());
    setScreenWindow(&webWindow());
    setDialogHost(&dialogs);
    setShell(&webShell);
    // A script's print goes to the browser's console, where authors look.
    gEchoPrint = true;
    TEnvironment::instance().load();
    TMessageTable::instance().loadFromProgramDirectory(
        chooseLanguage("", TEnvironment::instance().getEnv("Language")));
    if (!bootPlayer(commandLinePath(options.page))) return false;
    native::setGlobal("$windowX", TValue::ofInt(0));
    native::setGlobal("$windowY", TValue::ofInt(0));
    native::setGlobal("$fullScreen", TValue::ofInt(0));
    TRect client = screen().clientRect();
    pageSetGameSize(client.width(), client.height());
    framePacing().BaseTime = NowMs();
    TMainLoop::instance().AutoRun = true;
    emscripten_set_main_loop(turnFrame, 0, 0);
    return true;
}

} // namespace ravok

// What the page calls: input events and the dialogs' answers.
extern "C" {

EMSCRIPTEN_KEEPALIVE int ravok_key(const char* code, int down) {
    return ravok::webKeys().key(code, down != 0) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE void ravok_focus(int focused) {
    ravok::webKeys().focused = focused != 0;
    if (!focused) ravok::webKeys().releaseAll();
}

EMSCRIPTEN_KEEPALIVE void ravok_mouse(int kind, int x, int y, int button) {
    using ravok::TMouseInput;
    ravok::TWebWindow& w = ravok::webWindow();
    w.cursorKnown = true, w.cursorX = x, w.cursorY = y;
    // Buttons as keys too, as games poll them: 1 left, 2 right, 4 middle.
    int key = button == 0 ? 1 : button == 2 ? 2 : 4;
    if (kind == 0) {
        ravok::webKeys().button(key, true);
        TMouseInput::instance().down(x, y, button == 0);
    } else if (kind == 1) {
        TMouseInput::instance().move(x, y, ravok::TickMs());
    } else {
        ravok::webKeys().button(key, false);
        TMouseInput::instance().up(button == 0);
    }
}

EMSCRIPTEN_KEEPALIVE void ravok_input_answer(int ok, const char* text) {
    ravok::TInputBox& box = ravok::inputBox();
    if (!box.open) return;
    box.text = ravok::utf8ToCp932(text ? text : "");
    if (ok)
        box.ok();
    else
        box.cancel();
}

EMSCRIPTEN_KEEPALIVE void ravok_select_answer(int tag) {
    ravok::TSelectBox& box = ravok::selectBox();
    if (!box.open) return;
    if (tag > 0)
        box.press(tag);
    else
        box.closed();
}

// kind: 0 typed, 1 Enter, 2 Escape, 3 focus lost.
EMSCRIPTEN_KEEPALIVE void ravok_editor_event(int kind, const char* text) {
    ravok::TTextEditor& e = ravok::textEditor();
    if (!e.open) return;
    if (text) e.typed(ravok::utf8ToCp932(text));
    if (kind == 1) e.enter();
    if (kind == 2) e.finish();
    if (kind == 3) e.focusLost();
}

} // extern "C"
