#include "web/web_page.h"

#include <emscripten.h>

namespace ravok {

namespace {

// Each call goes to the page object's method of the same purpose; a page
// without it (node) lets the call pass.
EM_JS(void, jsPresent, (const uint32_t* p, int stride, int l, int t, int w, int h), {
    if (Module.ravokPage) Module.ravokPage.present(p, stride, l, t, w, h);
});
EM_JS(void, jsSetGameSize, (int w, int h), {
    if (Module.ravokPage) Module.ravokPage.setGameSize(w, h);
});
EM_JS(void, jsShowError,
      (const char* headline, const char* excerpt, const char* trace, const char* whole), {
          var text = [
              UTF8ToString(headline), UTF8ToString(excerpt), UTF8ToString(trace),
              UTF8ToString(whole)
          ];
          if (Module.ravokPage)
              Module.ravokPage.showError(text[0], text[1], text[2], text[3]);
          else
              console.error(text[3]);
      });
EM_JS(void, jsShowProblem, (const char* text), {
    if (Module.ravokPage) Module.ravokPage.showProblem(UTF8ToString(text));
});
EM_JS(int, jsOpenAddress, (const char* address),
      { return Module.ravokPage ? Module.ravokPage.openAddress(UTF8ToString(address)) : 0; });
EM_JS(void, jsShowInputBox, (const char* caption, const char* prompt, const char* text), {
    if (Module.ravokPage)
        Module.ravokPage.showInputBox(UTF8ToString(caption), UTF8ToString(prompt),
                                      UTF8ToString(text));
});
EM_JS(void, jsShowSelectBox, (const char* caption, const char* message, const char* buttons), {
    if (Module.ravokPage)
        Module.ravokPage.showSelectBox(UTF8ToString(caption), UTF8ToString(message),
                                       UTF8ToString(buttons).split("\n"));
});
EM_JS(void, jsShowTextEditor, (int x, int y, int w, int h, int single, int size, const char* text),
      {
          if (Module.ravokPage)
              Module.ravokPage.showTextEditor(x, y, w, h, single != 0, size, UTF8ToString(text));
      });
EM_JS(void, jsSetEditorText, (const char* text), {
    if (Module.ravokPage) Module.ravokPage.setEditorText(UTF8ToString(text));
});
EM_JS(void, jsHideTextEditor, (), {
    if (Module.ravokPage) Module.ravokPage.hideTextEditor();
});
EM_JS(void, jsSetCursorVisible, (int visible), {
    if (Module.ravokPage) Module.ravokPage.setCursorVisible(visible != 0);
});

} // namespace

void pagePresent(const uint32_t* pixels, int stride, int left, int top, int width, int height) {
    jsPresent(pixels, stride, left, top, width, height);
}
void pageSetGameSize(int width, int height) { jsSetGameSize(width, height); }
void pageShowError(const std::string& headline, const std::string& excerpt,
                   const std::string& trace, const std::string& whole) {
    jsShowError(headline.c_str(), excerpt.c_str(), trace.c_str(), whole.c_str());
}
void pageShowProblem(const std::string& text) { jsShowProblem(text.c_str()); }
bool pageOpenAddress(const std::string& address) { return jsOpenAddress(address.c_str()) != 0; }
void pageShowInputBox(const std::string& caption, const std::string& prompt,
                      const std::string& text) {
    jsShowInputBox(caption.c_str(), prompt.c_str(), text.c_str());
}
void pageShowSelectBox(const std::string& caption, const std::string& message,
                       const std::string& buttons) {
    jsShowSelectBox(caption.c_str(), message.c_str(), buttons.c_str());
}
void pageShowTextEditor(int x, int y, int width, int height, bool singleLine, int fontSize,
                        const std::string& text) {
    jsShowTextEditor(x, y, width, height, singleLine ? 1 : 0, fontSize, text.c_str());
}
void pageSetEditorText(const std::string& text) { jsSetEditorText(text.c_str()); }
void pageHideTextEditor() { jsHideTextEditor(); }
void pageSetCursorVisible(bool visible) { jsSetCursorVisible(visible ? 1 : 0); }

} // namespace ravok
