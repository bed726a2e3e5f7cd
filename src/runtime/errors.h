// The engine's exception hierarchy. Errors are C++ exceptions inside the engine
// and become script-visible reports at one boundary each: the run operation
// (fatal run-time errors), the compiler driver (compile errors) and the main
// loop (whatever escapes a frame).
#pragma once

#include <stdexcept>
#include <string>

namespace ravok {

class ERavokError : public std::runtime_error {
public:
    explicit ERavokError(const std::string& text) : std::runtime_error(text) {}
};

// Initialization failed, and every failure was reported where it happened:
// the page does not start, and nothing more is to be said.
class EInitializationReported : public ERavokError {
public:
    using ERavokError::ERavokError;
};

// A fatal run-time error: the process that raised it ends.
class ERunError : public ERavokError {
public:
    using ERavokError::ERavokError;
};

// A compile error; one is reported per class.
class ECmpError : public ERavokError {
public:
    using ERavokError::ERavokError;
};

// A file could not be read or written.
class EFileError : public ERavokError {
public:
    using ERavokError::ERavokError;
};

// A malformed code image (unknown opcode, object constant, truncated image).
class ECodeError : public ERavokError {
public:
    using ERavokError::ERavokError;
};

} // namespace ravok

namespace ravok {

// A drawing surface failed (a lost or unusable surface): the main loop stops
// drawing instead of showing a message for every frame.
class EInvalidOperation : public ERavokError {
public:
    using ERavokError::ERavokError;
};

} // namespace ravok
