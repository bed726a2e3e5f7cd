// Fuzz target: any bytes as the string-list record that resource readers and
// the class cache store texts in.
#include "resources/streams.h"

#include "scratch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = ravok::fuzz::writeScratch(data, size, ".list");
    ravok::TFileReader in(path);
    std::vector<std::string> list;
    while (ravok::readStringList(in, list) && !in.eof())
        list.clear();
    return 0;
}
