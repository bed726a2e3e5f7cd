#include "dialogs/dialog_natives.h"

#include "dialogs/script_dialogs.h"

#include "runtime/native_api.h"
#include "runtime/value_ops.h"

namespace ravok {

namespace {

using native::argument;

// Given, and not null.
bool present(TValue* cell, int argc, int i) {
    return argc >= i && argument(cell, i).kind != vtNull;
}

void InputBox_open(TValue* cell, int argc, int) {
    TInputBox& box = inputBox();
    if (present(cell, argc, 1)) box.caption = native::text(argument(cell, 1));
    if (present(cell, argc, 2)) box.prompt = native::text(argument(cell, 2));
    if (present(cell, argc, 3)) box.text = native::text(argument(cell, 3));
    if (present(cell, argc, 4)) box.left = toInt(argument(cell, 4));
    if (present(cell, argc, 5)) box.top = toInt(argument(cell, 5));
    if (present(cell, argc, 6)) box.width = toInt(argument(cell, 6));
    if (present(cell, argc, 7)) box.height = toInt(argument(cell, 7));
    box.status = 0;
    box.open = true;
    dialogHost().showInputBox(box);
}

void InputBox_getStatus(TValue* cell, int, int) { setInt(*cell, inputBox().status); }

void InputBox_getText(TValue* cell, int, int) { native::setString(*cell, inputBox().text); }

void SelectBox_open(TValue* cell, int argc, int) {
    if (argc < 6) return;
    TSelectBox& box = selectBox();
    box.message = native::text(argument(cell, 1));
    box.caption = native::text(argument(cell, 2));
    for (int i = 0; i < 4; ++i)
        box.buttons[size_t(i)] = native::text(argument(cell, 3 + i));
    box.visible = {true, true, box.buttons[2] != "null", box.buttons[3] != "null"};
    box.status = 0;
    box.open = true;
    dialogHost().showSelectBox(box);
}

void SelectBox_getStatus(TValue* cell, int, int) { setInt(*cell, selectBox().status); }

void TextEditor_edit(TValue* cell, int argc, int) {
    if (argc < 6) return;
    TTextEditor& editor = textEditor();
    editor.x = toInt(argument(cell, 1));
    editor.y = toInt(argument(cell, 2));
    editor.singleLine = toInt(argument(cell, 3)) == 1;
    editor.fontSize = toInt(argument(cell, 4));
    editor.fontName = native::text(argument(cell, 5));
    editor.height = toInt(argument(cell, 6));
    // Without a width the window keeps the one it has.
    if (present(cell, argc, 7)) editor.width = toInt(argument(cell, 7));
    editor.open = true;
    editor.foreground = true; // a window shown takes the focus
    dialogHost().showTextEditor(editor);
}

void TextEditor_isEditing(TValue* cell, int, int) {
    const TTextEditor& editor = textEditor();
    setInt(*cell, editor.open && editor.foreground ? 1 : 0);
}

void TextEditor_endEdit(TValue*, int, int) { textEditor().finish(); }

void TextEditor_getText(TValue* cell, int, int) { native::setString(*cell, textEditor().text()); }

void TextEditor_setText(TValue* cell, int argc, int) {
    if (argc < 1) return;
    TTextEditor& editor = textEditor();
    editor.editText = editor.memoText = native::text(argument(cell, 1));
    dialogHost().editorTextSet(editor);
}

} // namespace

const std::vector<TNativeBinding>& inputBoxNatives() {
    static const std::vector<TNativeBinding> list = {
        {"InputBox", "_n_open", InputBox_open},
        {"InputBox", "_n_getStatus", InputBox_getStatus},
        {"InputBox", "_n_getText", InputBox_getText},
    };
    return list;
}

const std::vector<TNativeBinding>& selectBoxNatives() {
    static const std::vector<TNativeBinding> list = {
        {"SelectBox", "_n_open", SelectBox_open},
        {"SelectBox", "_n_getStatus", SelectBox_getStatus},
    };
    return list;
}

const std::vector<TNativeBinding>& textEditorNatives() {
    static const std::vector<TNativeBinding> list = {
        {"classes.util.TextEditor", "_n_edit", TextEditor_edit},
        {"classes.util.TextEditor", "_n_isEditing", TextEditor_isEditing},
        {"classes.util.TextEditor", "_n_getText", TextEditor_getText},
        {"classes.util.TextEditor", "_n_endEdit", TextEditor_endEdit},
        {"classes.util.TextEditor", "_n_setText", TextEditor_setText},
    };
    return list;
}

} // namespace ravok
