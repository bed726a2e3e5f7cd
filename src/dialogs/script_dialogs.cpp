#include "dialogs/script_dialogs.h"

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

namespace {
TDialogHost gNoHost;
constinit TSeam<TDialogHost> gHost(gNoHost);
} // namespace

TDialogHost& dialogHost() { return gHost.get(); }
void setDialogHost(TDialogHost* host) { gHost.install(host); }

} // namespace ravok
