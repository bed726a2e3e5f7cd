// Fuzz target: any bytes as Kernel\message.ini (the message table) and as the
// cookie store, read and then looked up.
#include "kernel/message_table.h"
#include "resources/environment.h"

#include "scratch_file.h"
#include "silent_reporter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ravok::fuzz::silence();
    std::string path = ravok::fuzz::writeScratch(data, size, ".ini");
    ravok::TMessageTable table;
    table.load(path);
    table.translate("Stack Overflow.");
    table.translate(std::string(reinterpret_cast<const char*>(data), std::min<size_t>(size, 32)));
    ravok::TEnvironment cookies;
    cookies.load(path);
    cookies.getEnv("AutoLoadPage");
    cookies.setEnv("RecentPage0", "x");
    return 0;
}
