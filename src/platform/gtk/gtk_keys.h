// The keyboard on GTK: key events kept as the down state of the 256 virtual
// key codes games poll. A hardware key's code is looked up at press (with
// only NumLock of the modifiers, so Shift+A is still the A key) and exactly
// that code is released again; autorepeated presses change nothing; losing
// the focus releases every key.
#pragma once

#include "base/key_source.h"

#include <array>
#include <cstddef>
#include <map>

typedef struct _GdkEventKey GdkEventKey;
typedef struct _GtkWidget GtkWidget;

namespace ravok {

class TGtkKeys : public TKeySource {
public:
    bool isDown(int code) override { return code >= 0 && code < 256 && down_[size_t(code)]; }
    bool applicationActive() override;

    void press(const GdkEventKey* e);
    void release(const GdkEventKey* e);
    void button(int code, bool isDown) { down_[size_t(code)] = isDown; }
    void releaseAll();

    GtkWidget* window = nullptr;
    bool focused = false;
    // Letters, digits and punctuation read by where they sit on the keyboard
    // (as on a US layout) rather than by what the layout prints on them.
    bool byPosition = false;
    // The player's remapping for the game playing: the code of the key
    // pressed -> the code the game reads.
    std::map<int, int> remap;
    // The code a key event gives, before remapping (for the remap dialog).
    int codeOf(const GdkEventKey* e) const;

private:
    std::array<bool, 256> down_{};
    std::map<unsigned, int> pressed_; // hardware keycode -> the code it pressed
};

// The virtual key code of a GDK key value; 0 for keys games cannot poll.
int virtualKeyOf(unsigned keyval);

TGtkKeys& gtkKeys();

} // namespace ravok
