// Fuzz target: any bytes through the lexer and the parser. Neither may crash,
// hang or trip a sanitizer, whatever the input.
#include "compiler/yup.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string source(reinterpret_cast<const char*>(data), size); // a zero byte ends the text
    ravok::TYup& yup = ravok::TYup::instance();
    auto tokens = yup.Lex(source.c_str());
    tokens->filter([](const ravok::TLexElem& t) { return t.kindName() != "COMM"; });
    yup.Parse(*tokens);
    return 0;
}
