// The player's entry point and its command line.
#include "demo.h"
#include "front_end_tools.h"

#include "build_sizes.h"
#include "platform/log.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void usage(FILE* out) {
    std::fprintf(out, "usage: ravok [--log] [--demo]\n"
                      "  --demo   list and run the built-in demo program (the default for now)\n"
                      "  --log    write the log service's lines to standard error\n"
                      "  --help   show this text\n");
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--log") {
            ravok::setLogEnabled(true);
        } else if (arg == "--demo") {
            // the default job so far
        } else if ((arg == "--tokens" || arg == "--parse") && i + 1 < argc) {
            std::string path = argv[++i];
            return arg == "--tokens" ? ravok::printTokens(path) : ravok::printParseTree(path);
        } else if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "ravok: unknown argument %s\n", arg.c_str());
            usage(stderr);
            return 1;
        }
    }
    for (const std::string& line : ravok::buildSizeLines())
        ravok::Log(line);
    return ravok::runDemo();
}
