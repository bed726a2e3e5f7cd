// Timed input for headless runs (--input FILE), so that games can be tested
// with keys, the mouse and joysticks. One event a line, applied just before
// the game frame it names runs ('#' starts a comment):
//
//   FRAME key-down KEY          KEY: a virtual key code 0-255, or LEFT, RIGHT,
//   FRAME key-up KEY                 UP, DOWN, SPACE, RETURN, ESCAPE, SHIFT,
//                                    CONTROL, TAB, BACKSPACE, A-Z, 0-9, F1-F12
//   FRAME mouse-move X Y        the cursor, in game-screen pixels
//   FRAME mouse-down left|right X Y
//   FRAME mouse-up left|right
//   FRAME joy ID X Y [BUTTONS]  a reading of joystick 0 or 1 (axes 0-65535)
//   FRAME inactive | active     the player's window loses or regains the focus
//
// and the answers a user gives the script dialog boxes (TEXT is the rest of
// the line, or a text in double quotes, which may hold # and the escapes
// \" \\ \n; it is read as UTF-8). An answer to a dialog that is not open
// does nothing, as a click on a closed window would.
//
//   FRAME input-text TEXT       typed into the input box's field
//   FRAME input-ok [TEXT]       OK, after typing TEXT when given (status 1)
//   FRAME input-cancel          Cancel (status 2)
//   FRAME input-close           the window closed without a button (status 2)
//   FRAME select N              the select box's button N, 1-4 (status N)
//   FRAME select-close          the select box closed without a button (-1)
//   FRAME editor-text TEXT      typed into the text editor's visible field
//   FRAME editor-focus-out      the text editor loses the focus and closes
//   FRAME editor-enter          Enter in the editor: a one-line edit ends
//   FRAME editor-escape         Escape in the editor: the edit ends
//
// The file must be a regular file of at most 64 MB, each line at most 64 KB,
// every number within its event's range (a mouse position within a million
// pixels either way): what is not is refused with its line.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace ravok {

constexpr size_t kMaxInputScriptBytes = size_t(64) << 20;
constexpr size_t kMaxInputLineBytes = size_t(64) << 10;

class TKeySource;
class TJoySource;

struct TInputEvent {
    long frame = 0;
    std::string kind;
    std::vector<long> values;
    std::string text; // the dialog answers' text, as system text
    bool hasText = false;
    int line = 0;
};

class TInputScript {
public:
    // Reads the file; false with the reason (FILE:LINE: ...) when it cannot.
    bool load(const std::string& hostPath, std::string& error);
    // The key, joystick and window-activity source the events drive (every key
    // up, no joystick and the window active until an event says otherwise),
    // and the cursor they move; the headless wiring installs them.
    TKeySource& keys();
    TJoySource& joysticks();
    void cursor(int& x, int& y) const;
    void moveCursor(int x, int y);
    // Applies the events of this frame.
    void beforeFrame(long frame);
    // Whether events are still to come, and the frame of the next.
    bool pending() const { return next_ < events_.size(); }
    long nextFrame() const { return pending() ? events_[next_].frame : 0; }

    const std::vector<TInputEvent>& events() const { return events_; }

private:
    void answerDialog(const TInputEvent& e);
    std::vector<TInputEvent> events_;
    size_t next_ = 0;
};

// The virtual key code of a key name (or number); -1 when unknown.
int keyCodeOf(const std::string& name);
// The name keyCodeOf reads back as the code: a key's name where it has one,
// else its code in two digits or more.
std::string keyNameOf(int code);

} // namespace ravok
