// Keys by where they sit: the virtual key code a US layout gives the key at a
// hardware position, whatever layout the keyboard has. A game that reads
// W, A, S and D then reads the same four keys on a French (Z, Q, S, D) or a
// Russian (Ц, Ф, Ы, В) keyboard.
#pragma once

namespace ravok {

// The code for an X keycode of the evdev driver (the Linux key number + 8);
// 0 for keys whose code does not depend on the layout (the cursor keys,
// Space, the function keys), which are read by what they are.
int virtualKeyAtPosition(unsigned hardwareKeycode);

} // namespace ravok
