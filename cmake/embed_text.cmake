# Writes a C++ source that defines the bytes of INPUT as `const char SYMBOL[]`
# (zero-terminated) and `const unsigned long SYMBOL_size`, in namespace ravok.
# Run as: cmake -DINPUT=... -DOUTPUT=... -DSYMBOL=... -P embed_text.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR size "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}"
  "// Generated from ${INPUT}; do not edit.\n"
  "namespace ravok {\n"
  "extern const char ${SYMBOL}[] = {\n${bytes}0x00};\n"
  "extern const unsigned long ${SYMBOL}_size = ${size};\n"
  "} // namespace ravok\n")
