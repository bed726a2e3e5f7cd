#include "dialogs/script_dialogs.h"

#include "runtime/messages.h"

namespace ravok {

void TInputBox::ok() {
    if (!open) return;
    status = 1;
    open = false;
}

void TInputBox::cancel() {
    if (!open) return;
    status = 2;
    open = false;
}

void TInputBox::closed() {
    if (!open) return;
    if (status == 0) status = 2;
    open = false;
}

void TSelectBox::press(int tag) {
    if (!open || tag < 1 || tag > 4 || !visible[size_t(tag - 1)]) return;
    status = tag;
    open = false;
}

void TSelectBox::closed() {
    if (!open) return;
    if (status == 0) status = -1;
    open = false;
}

void TTextEditor::typed(const std::string& newText) {
    if (!open) return;
    (singleLine ? editText : memoText) = newText;
}

void TTextEditor::focusLost() {
    foreground = false;
    open = false;
}

void TTextEditor::finish() {
    if (!open) return;
    focusLost();
    dialogHost().hideTextEditor(*this);
}

void TTextEditor::enter() {
    if (!open) return;
    if (singleLine)
        finish();
    else
        memoText += "\r\n";
}

TInputBox& inputBox() {
    static TInputBox box;
    return box;
}

TSelectBox& selectBox() {
    static TSelectBox box;
    return box;
}

TTextEditor& textEditor() {
    static TTextEditor editor;
    return editor;
}

void translateDialogTexts() {
    TInputBox& input = inputBox();
    if (!input.open && input.status == 0) {
        input.caption = translate(input.caption);
        input.prompt = translate(input.prompt);
    }
    TSelectBox& select = selectBox();
    if (!select.open && select.status == 0) {
        select.caption = translate(select.caption);
        select.buttons[0] = translate(select.buttons[0]);
        select.buttons[1] = translate(select.buttons[1]);
    }
}

namespace {
TDialogHost gNoHost;
constinit TSeam<TDialogHost> gHost(gNoHost);
} // namespace

TDialogHost& dialogHost() { return gHost.get(); }
void setDialogHost(TDialogHost* host) { gHost.install(host); }

} // namespace ravok
