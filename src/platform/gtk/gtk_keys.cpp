#include "platform/gtk/gtk_keys.h"

#include "platform/gtk/key_positions.h"

#include <gtk/gtk.h>

namespace ravok {

TGtkKeys& gtkKeys() {
    static TGtkKeys keys;
    return keys;
}

int virtualKeyOf(unsigned keyval) {
    if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) return int('A' + (keyval - GDK_KEY_a));
    if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) return int('A' + (keyval - GDK_KEY_A));
    if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return int('0' + (keyval - GDK_KEY_0));
    if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9) return int(96 + (keyval - GDK_KEY_KP_0));
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24) return int(112 + (keyval - GDK_KEY_F1));
    switch (keyval) {
    case GDK_KEY_BackSpace:
        return 8;
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
        return 9;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
        return 13;
    case GDK_KEY_Shift_L:
    case GDK_KEY_Shift_R:
        return 16;
    case GDK_KEY_Control_L:
    case GDK_KEY_Control_R:
        return 17;
    case GDK_KEY_Alt_L:
    case GDK_KEY_Alt_R:
    case GDK_KEY_Meta_L:
    case GDK_KEY_Meta_R:
        return 18;
    case GDK_KEY_Pause:
        return 19;
    case GDK_KEY_Caps_Lock:
        return 20;
    case GDK_KEY_Escape:
        return 27;
    case GDK_KEY_space:
    case GDK_KEY_KP_Space:
        return 32;
    case GDK_KEY_Page_Up:
    case GDK_KEY_KP_Page_Up:
        return 33;
    case GDK_KEY_Page_Down:
    case GDK_KEY_KP_Page_Down:
        return 34;
    case GDK_KEY_End:
    case GDK_KEY_KP_End:
        return 35;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home:
        return 36;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
        return 37;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
        return 38;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
        return 39;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
        return 40;
    case GDK_KEY_Insert:
    case GDK_KEY_KP_Insert:
        return 45;
    case GDK_KEY_Delete:
    case GDK_KEY_KP_Delete:
        return 46;
    case GDK_KEY_KP_Multiply:
        return 106;
    case GDK_KEY_KP_Add:
        return 107;
    case GDK_KEY_KP_Subtract:
        return 109;
    case GDK_KEY_KP_Decimal:
        return 110;
    case GDK_KEY_KP_Divide:
        return 111;
    case GDK_KEY_Num_Lock:
        return 144;
    case GDK_KEY_Scroll_Lock:
        return 145;
    case GDK_KEY_semicolon:
    case GDK_KEY_colon:
        return 186;
    case GDK_KEY_equal:
    case GDK_KEY_plus:
        return 187;
    case GDK_KEY_comma:
    case GDK_KEY_less:
        return 188;
    case GDK_KEY_minus:
    case GDK_KEY_underscore:
        return 189;
    case GDK_KEY_period:
    case GDK_KEY_greater:
        return 190;
    case GDK_KEY_slash:
    case GDK_KEY_question:
        return 191;
    case GDK_KEY_grave:
    case GDK_KEY_asciitilde:
        return 192;
    case GDK_KEY_bracketleft:
    case GDK_KEY_braceleft:
        return 219;
    case GDK_KEY_backslash:
    case GDK_KEY_bar:
        return 220;
    case GDK_KEY_bracketright:
    case GDK_KEY_braceright:
        return 221;
    case GDK_KEY_apostrophe:
    case GDK_KEY_quotedbl:
        return 222;
    default:
        return 0;
    }
}

// The focus events say it, with or without a window manager (GTK's own
// "active" flag needs one).
bool TGtkKeys::applicationActive() { return focused; }

int TGtkKeys::codeOf(const GdkEventKey* e) const {
    if (int code = byPosition ? virtualKeyAtPosition(e->hardware_keycode) : 0) return code;
    guint keyval = 0;
    GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_display_get_default());
    // Only NumLock counts: Shift+A is still the A key, as games expect.
    if (!gdk_keymap_translate_keyboard_state(keymap, e->hardware_keycode,
                                             GdkModifierType(e->state & GDK_MOD2_MASK), e->group,
                                             &keyval, nullptr, nullptr, nullptr))
        keyval = e->keyval;
    return virtualKeyOf(keyval);
}

void TGtkKeys::press(const GdkEventKey* e) {
    if (pressed_.count(e->hardware_keycode)) return; // autorepeat
    int code = codeOf(e);
    // The player's own remapping: the key pressed stands for the one the
    // game expects.
    if (auto mapped = remap.find(code); mapped != remap.end()) code = mapped->second;
    if (code <= 0 || code > 255) return;
    pressed_[e->hardware_keycode] = code;
    down_[size_t(code)] = true;
}

void TGtkKeys::release(const GdkEventKey* e) {
    auto found = pressed_.find(e->hardware_keycode);
    if (found == pressed_.end()) return;
    down_[size_t(found->second)] = false;
    pressed_.erase(found);
}

void TGtkKeys::releaseAll() {
    down_.fill(false);
    pressed_.clear();
}

} // namespace ravok
