// Keys by position: the physical keys of a US keyboard's letters, digits and
// punctuation give its codes whatever the layout prints on them, and the key
// source presses and releases exactly that code.
#include "platform/gtk/gtk_keys.h"
#include "platform/gtk/key_positions.h"

#include <gdk/gdk.h>
#include <gtest/gtest.h>

namespace ravok {
namespace {

// X keycodes of the evdev driver: the Linux key number + 8.
constexpr unsigned kW = 17 + 8, kA = 30 + 8, kS = 31 + 8, kD = 32 + 8, kQ = 16 + 8, kZ = 44 + 8;

TEST(KeyPositionsTest, TheLettersSitWhereAUsKeyboardHasThem) {
    EXPECT_EQ(virtualKeyAtPosition(kW), 'W');
    EXPECT_EQ(virtualKeyAtPosition(kA), 'A');
    EXPECT_EQ(virtualKeyAtPosition(kS), 'S');
    EXPECT_EQ(virtualKeyAtPosition(kD), 'D');
    // A French keyboard prints Z on the W key and A on the Q key; a Russian
    // one Ц and Й: by position they are W and Q.
    EXPECT_EQ(virtualKeyAtPosition(kQ), 'Q');
    EXPECT_EQ(virtualKeyAtPosition(kZ), 'Z');
    EXPECT_EQ(virtualKeyAtPosition(2 + 8), '1');
    EXPECT_EQ(virtualKeyAtPosition(11 + 8), '0');
    EXPECT_EQ(virtualKeyAtPosition(39 + 8), 186); // ; on a US keyboard, M on a French one
    // Keys that mean the same on every layout are read by what they are.
    EXPECT_EQ(virtualKeyAtPosition(57 + 8), 0);  // Space
    EXPECT_EQ(virtualKeyAtPosition(103 + 8), 0); // Up
    EXPECT_EQ(virtualKeyAtPosition(3), 0);       // below the driver's range
}

TEST(KeyPositionsTest, TheKeySourcePressesAndReleasesThePositionsCode) {
    TGtkKeys keys;
    keys.byPosition = true;
    GdkEventKey e{};
    e.type = GDK_KEY_PRESS;
    e.hardware_keycode = guint16(kW);
    e.keyval = GDK_KEY_z; // what a French layout prints on that key
    keys.press(&e);
    EXPECT_TRUE(keys.isDown('W'));
    EXPECT_FALSE(keys.isDown('Z'));
    keys.press(&e); // autorepeat changes nothing
    e.type = GDK_KEY_RELEASE;
    keys.release(&e);
    EXPECT_FALSE(keys.isDown('W'));
}

} // namespace
} // namespace ravok
