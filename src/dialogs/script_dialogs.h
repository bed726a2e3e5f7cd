// The script dialog boxes: a one-line text prompt, a message with two to four
// buttons, and a borderless text field over the game screen. Each is one
// window for the whole run that scripts open and then poll once a frame;
// nothing here waits. This file holds what the dialogs show and answer (the
// texts, the statuses and the close rules); TDialogHost shows them. The
// default host shows nothing: every dialog stays open with status 0 until
// something answers it (the headless player's input script does).
#pragma once

#include "base/seam.h"

#include <array>
#include <string>

namespace ravok {

// Status: 0 while open, 1 after OK, 2 after Cancel or any other close.
struct TInputBox {
    std::string caption = "Input";         // message
    std::string prompt = "Input Strings:"; // message
    std::string text;
    // The window's place and size; -1 leaves what the window has.
    int left = -1, top = -1, width = -1, height = -1;
    int status = 0;
    bool open = false;

    void ok();
    void cancel();
    // Closed by the window's close button, Escape, or the program.
    void closed();
};

// Status: 0 while open, the tag (1-4) of the pressed button, or -1 when the
// window was closed without one.
struct TSelectBox {
    std::string message;
    std::string caption = "Confirm";                           // message
    std::array<std::string, 4> buttons{"&Yes", "&No", "", ""}; // message
    std::array<bool, 4> visible{true, true, false, false};
    int status = 0;
    bool open = false;

    // Ignored for a button that is not shown.
    void press(int tag);
    void closed();
};

// One field shown at a time: the one-line edit or the multi-line memo.
struct TTextEditor {
    int x = 0, y = 0, width = 200, height = 24;
    bool singleLine = true;
    int fontSize = 12;
    std::string fontName;
    std::string editText, memoText;
    bool open = false;
    // The editor window is the foreground window.
    bool foreground = false;

    const std::string& text() const { return singleLine ? editText : memoText; }
    // What was typed into the visible field.
    void typed(const std::string& newText);
    // The window closes itself when it loses the focus; the text stays.
    void focusLost();
    // The edit ends as losing the focus ends it: Enter in one line, Escape,
    // or the script (endEdit). The window is hidden.
    void finish();
    // Enter: ends a one-line edit; a memo gets a line break.
    void enter();
};

TInputBox& inputBox();
TSelectBox& selectBox();
TTextEditor& textEditor();

// The dialogs' own first captions, prompt and button texts through the
// message table, as the shell translates its windows at start-up; what a
// script sets later stands as given.
void translateDialogTexts();

class TDialogHost {
public:
    virtual ~TDialogHost() = default;
    // The dialog's model changed and it is to be shown (again).
    virtual void showInputBox(TInputBox& /*box*/) {}
    virtual void showSelectBox(TSelectBox& /*box*/) {}
    virtual void showTextEditor(TTextEditor& /*editor*/) {}
    // A script set the editor's text.
    virtual void editorTextSet(TTextEditor& /*editor*/) {}
    // The edit ended without the window losing the focus (Enter, Escape,
    // the script): the window goes, and the game has the keys again.
    virtual void hideTextEditor(TTextEditor& /*editor*/) {}
};

TDialogHost& dialogHost();
// nullptr restores the default, which shows nothing.
void setDialogHost(TDialogHost* host);

} // namespace ravok
