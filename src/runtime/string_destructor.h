// The kernel's String destructor does nothing but free the string's body.
// Strings are made and dropped by the million, and running that destructor as
// a process each time would cost more than the string itself, so the pools
// free the body directly when the destructor is exactly that code. A changed
// destructor runs as written.
#pragma once

#include <cstdint>

namespace ravok {

class TDestructor;
class TNormalFunction;

// The code is `_free_body(_body);` (and the implicit `return this;`), with
// _free_body the body-freeing native and _body the String body field.
bool freesOnlyStringBody(const TNormalFunction& destructor);
// The same, learned once per installed image of the destructor.
bool freesOnlyStringBody(TDestructor& destructor);

// What that destructor does, for the String instance.
void freeStringBody(uint32_t instance);

} // namespace ravok
