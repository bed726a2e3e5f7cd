// What the player asks of the page around it (src/web/shell/ravok-page.js):
// show a frame on the canvas, an error in the overlay, a problem in the
// status line, an address in a new tab, and the script dialogs as HTML
// elements. Texts cross as UTF-8.
#pragma once

#include <cstdint>
#include <string>

namespace ravok {

void pagePresent(const uint32_t* pixels, int stride, int left, int top, int width, int height);
void pageSetGameSize(int width, int height);
// headline, the source line with its marker, the trace (one line each), the
// whole report as the terminal prints it (for the copy button).
void pageShowError(const std::string& headline, const std::string& excerpt,
                   const std::string& trace, const std::string& whole);
void pageShowProblem(const std::string& text);
bool pageOpenAddress(const std::string& address);
void pageShowInputBox(const std::string& caption, const std::string& prompt,
                      const std::string& text);
// Buttons separated by line feeds, empty where a button is not shown.
void pageShowSelectBox(const std::string& caption, const std::string& message,
                       const std::string& buttons);
void pageShowTextEditor(int x, int y, int width, int height, bool singleLine, int fontSize,
                        const std::string& text);
void pageSetEditorText(const std::string& text);
void pageHideTextEditor();
void pageSetCursorVisible(bool visible);

} // namespace ravok
