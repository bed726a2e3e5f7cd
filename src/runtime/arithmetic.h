// The type rules of the binary arithmetic instructions and of the update
// assignments (+= and -=). Integers wrap at 32 bits; float results are computed
// at extended precision and rounded to single; strings concatenate.
#pragma once

#include "runtime/value.h"

#include <cstdint>
#include <string_view>

namespace ravok {

// L op= R for Op_Add .. Op_Mod. The result is left in L; R's reference is
// released (or moved into L). Integer division by zero raises a fatal error.
void binaryArithmetic(uint32_t op, TValue& left, TValue& right);

// L + R where L is about to be assigned back to the only other holder of its
// instance (`s = s + t`): a string instance then takes the joined text
// itself, and no new instance is made. Otherwise as binaryArithmetic.
void addIntoAssigned(TValue& left, TValue& right);

// The same for a text that is not a value yet (`s = s + "ab"` with the literal
// still in the code): true when L's string took the text, false when nothing
// was done and the plain instructions must run.
bool appendTextIntoAssigned(const TValue& left, std::string_view text);
// The same for the string of a variable that alone holds it (`s = s + "ab"`
// run as one step, nothing pushed).
bool appendTextToOnlyHolder(const TValue& value, std::string_view text);

// target += value (add) or target -= value; value's reference is released.
void updateArithmetic(bool add, TValue& target, TValue& value);

} // namespace ravok
