// Fuzz target: any bytes through the lexer and the parser, and every tree
// that parses through the trap check, which walks it. None may crash, hang
// or trip a sanitizer, whatever the input.
#include "compiler/trap_check.h"
#include "compiler/yup.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string source(reinterpret_cast<const char*>(data), size); // a zero byte ends the text
    ravok::TYup& yup = ravok::TYup::instance();
    auto tokens = yup.Lex(source.c_str());
    tokens->filter([](const ravok::TLexElem& t) { return t.kindName() != "COMM"; });
    if (yup.Parse(*tokens).root) {
        ravok::TTrapKnowledge known;
        known.methodArguments = [](const std::string& name) { return int(name.size() % 3); };
        ravok::findTraps(source.c_str(), known);
    }
    return 0;
}
